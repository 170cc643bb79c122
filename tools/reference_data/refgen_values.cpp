// Reference values of the presets, placed in the order the reference-data builder consumes them.
#include "refgen_values.hpp"

#include <cstddef>

namespace vek::tools::refgen {

namespace {

void append(cvector_t& to, const cvector_t& values) { to.insert(to.end(), values.begin(), values.end()); }

}  // namespace

preset_reference_t wlan_reference() {
    preset_reference_t ref;
    const cvector_t s = wlan_short_training_coefficients();
    const cvector_t l = wlan_long_training_coefficients();

    // Symbols 0 and 1: the short training field has period 16, so every 64-sample body sees the
    // same 12 coefficients.
    for (int symbol = 0; symbol < 2; ++symbol) {
        for (int k = -26; k <= 26; ++k) {
            if (k != 0 && k % 4 == 0) ref.preamble.push_back(s[static_cast<std::size_t>(k + 26)]);
        }
    }
    // Symbol 2's body (samples 176-239) starts 16 samples into the 32-sample GI2: it is T advanced
    // cyclically by 48 samples, i.e. L_k exp(+j 2 pi k 48 / 64). Symbol 3's body is T itself.
    for (int k = -26; k <= 26; ++k) {
        if (k == 0) continue;
        // 2 pi k 48 / 64 = 3 k quarter turns: exact powers of j, no trigonometric residue.
        static const cvalue_t quarter_turns[4] = {{1.0, 0.0}, {0.0, 1.0}, {-1.0, 0.0}, {0.0, -1.0}};
        ref.preamble.push_back(l[static_cast<std::size_t>(k + 26)] * quarter_turns[((3 * k) % 4 + 4) % 4]);
    }
    for (int k = -26; k <= 26; ++k) {
        if (k != 0) ref.preamble.push_back(l[static_cast<std::size_t>(k + 26)]);
    }

    // Pilots on -21, -7, 7, 21 carry {1, 1, 1, -1} times the polarity of the symbol; n = 0 is the
    // SIGNAL symbol (library symbol 4).
    static const int base[4] = {1, 1, 1, -1};
    for (int symbol = 4; symbol < 64; ++symbol) {
        const int p = wlan_pilot_polarity(symbol - 4);
        for (const int b : base) ref.pilot.emplace_back(static_cast<double>(b * p), 0.0);
    }
    return ref;
}

preset_reference_t lte_dl_reference() {
    constexpr int n_id1 = 0;
    constexpr int n_id2 = 0;
    constexpr int n_id_cell = 3 * n_id1 + n_id2;
    preset_reference_t ref;

    // Synchronisation: d(n) on k = n - 31 + 150, i.e. centred -31 ... -1, 1 ... 31 in n order.
    // Time order: SSS (symbol 5), PSS (6), SSS (75), PSS (76).
    const cvector_t pss = lte_pss(n_id2);
    append(ref.preamble, lte_sss(n_id1, n_id2, 0));
    append(ref.preamble, pss);
    append(ref.preamble, lte_sss(n_id1, n_id2, 5));
    append(ref.preamble, pss);

    // C-RS, port 0: symbols l = 0 (v = 0) and l = 4 (v = 3) of each slot, k = 6m + (v + v_shift)
    // mod 6 with v_shift = N_ID mod 6, taking r(m + N_RB^max - N_RB) = r(m + 85).
    constexpr int v_shift = n_id_cell % 6;
    static_assert(v_shift == 0, "the preset's C-RS subcarriers are those of v_shift = 0");
    for (int slot = 0; slot < 20; ++slot) {
        for (const int l : {0, 4}) {
            const cvector_t r = lte_crs(n_id_cell, slot, l);
            // The preset's C-RS entry holds exactly the subcarriers of v_shift = 0; k = 6m + ...
            // ascends with m, and so does the centred number (k < 150 -> k - 150, else k - 149).
            for (int m = 0; m < 50; ++m) ref.pilot.push_back(r[static_cast<std::size_t>(m + 85)]);
        }
    }
    return ref;
}

preset_reference_t lte_ul_reference() {
    preset_reference_t ref;
    // DMRS in symbol l = 3 of each slot over subcarriers -150 ... 149, n = 0 at -150.
    for (int slot = 0; slot < 20; ++slot) append(ref.pilot, lte_pusch_dmrs(0, slot, 300));
    return ref;
}

}  // namespace vek::tools::refgen
