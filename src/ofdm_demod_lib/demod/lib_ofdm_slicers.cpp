// Hard-decision slicers: the common frame, the BPSK/QPSK/8-phase deciders, the dispatcher by
// modulation code and the per-cell wrapper for symbols that mix modulations. Payload cells have
// no known reference, so the receiver takes the nearest constellation point as one.
#include <algorithm>
#include <array>
#include <cstddef>

#include "lib_ofdm_slicer_decisions.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib {
namespace slicer_detail {
namespace {

constexpr float k_inv_sqrt2 = 0.70710677f;  // 1/sqrt(2): QPSK and the diagonal 8-phase points
// 8DPSK (points at k * 45 deg): midpoints between the neighbouring real coordinates 0, 1/sqrt(2), 1.
constexpr float k_8dpsk_inner = 0.35355338f;
constexpr float k_8dpsk_outer = 0.8535534f;
// 8PSK (points at 22.5 deg + k * 45 deg): cos 22.5 deg, sin 22.5 deg and their midpoint.
constexpr float k_8psk_major = 0.9238795f;
constexpr float k_8psk_minor = 0.38268343f;
constexpr float k_8psk_mid = 0.65328145f;

float sign_of_imag(float y) { return y > 0.0f ? 1.0f : -1.0f; }

}  // namespace

// Points (+-1, 0); the origin and anything not strictly right of it decide left.
complex_t decide_bpsk(float x, float /*y*/) {
    return complex_t(static_cast<float>(2 * static_cast<int>(x > 0.0f) - 1), 0.0f);
}

// Points +-(1, 1)/sqrt(2): the decision line is x + y = 0, the origin deciding to (u, u).
complex_t decide_bpsk_pi_div4(float x, float y) {
    const float s = x + y;
    return s >= 0.0f ? complex_t(k_inv_sqrt2, k_inv_sqrt2) : complex_t(-k_inv_sqrt2, -k_inv_sqrt2);
}

// The side of each axis is taken arithmetically: noisy cells would mispredict a branch on it half
// the time. The origin (and NaN) decide to 0 on that axis.
complex_t decide_qpsk(float x, float y) {
    const auto axis = [](float v) {
        return static_cast<float>(static_cast<int>(v > 0.0f) - static_cast<int>(v < 0.0f)) * k_inv_sqrt2;
    };
    return complex_t(axis(x), axis(y));
}

namespace {

// A run of QPSK cells: both parts decided alike by decide_qpsk's rule and scaled by g, as one loop
// over the 2 count floats, which vectorises.
void qpsk_run(const complex_t* in, std::size_t count, float g, complex_t* out) {
    const float* src = reinterpret_cast<const float*>(in);
    float* dst = reinterpret_cast<float*>(out);
    for (std::size_t i = 0; i < 2 * count; ++i) {
        const float c = src[i] / g;
        dst[i] =
            static_cast<float>(static_cast<int>(c > 0.0f) - static_cast<int>(c < 0.0f)) * k_inv_sqrt2 * g;
    }
}

}  // namespace

// Decided by the real coordinate first (five vertical strips), then the sign of the imaginary
// one picks the upper or lower point of the strip.
complex_t decide_8dpsk(float x, float y) {
    if (x > k_8dpsk_outer) return complex_t(1.0f, 0.0f);
    if (x > k_8dpsk_inner) return complex_t(k_inv_sqrt2, sign_of_imag(y) * k_inv_sqrt2);
    if (x >= -k_8dpsk_inner) return complex_t(0.0f, sign_of_imag(y));
    if (x >= -k_8dpsk_outer) return complex_t(-k_inv_sqrt2, sign_of_imag(y) * k_inv_sqrt2);
    return complex_t(-1.0f, 0.0f);
}

// Four vertical strips; a cell exactly on the imaginary axis (or NaN) has no side and gives 0.
complex_t decide_8psk(float x, float y) {
    const float s = sign_of_imag(y);
    if (x > k_8psk_mid) return complex_t(k_8psk_major, s * k_8psk_minor);
    if (x > 0.0f) return complex_t(k_8psk_minor, s * k_8psk_major);
    if (x < -k_8psk_mid) return complex_t(-k_8psk_major, s * k_8psk_minor);
    if (x < 0.0f) return complex_t(-k_8psk_minor, s * k_8psk_major);
    return complex_t(0.0f, 0.0f);
}

decide_fn_t decider_for_level(int mod_level) {
    // Indexed by mod_level + 1 for the codes -1 ... 10; 0 (NONE) and 1 both slice as BPSK.
    static constexpr std::array<decide_fn_t, 12> k_table = {
        decide_bpsk_pi_div4, decide_bpsk,   decide_bpsk,   decide_qpsk,
        decide_8dpsk,        decide_16qam,  decide_32qam,  decide_64qam,
        decide_128qam,       decide_256qam, decide_512qam, decide_1024qam,
    };
    if (mod_level < LIB_OFDM_MOD_LEVEL_BPSK_PI_DIV4 || mod_level > LIB_OFDM_MOD_LEVEL_1024QAM) return decide_bpsk;
    return k_table[static_cast<std::size_t>(mod_level + 1)];
}

slice_run_fn_t run_slicer_for_level(int mod_level) {
    if (const slice_run_fn_t qam = qam_run_slicer(mod_level)) return qam;
    switch (mod_level) {
        case LIB_OFDM_MOD_LEVEL_BPSK_PI_DIV4: return slice_run<decide_bpsk_pi_div4>;
        case LIB_OFDM_MOD_LEVEL_QPSK:
            return qpsk_run;
        case LIB_OFDM_MOD_LEVEL_8DPSK: return slice_run<decide_8dpsk>;
        default: return slice_run<decide_bpsk>;  // BPSK, NONE and unknown codes
    }
}

void slice_cells(const complex_vector_t& in, int n, float g, slice_run_fn_t run, complex_vector_t& out) {
    if (n <= 0) {
        out.clear();
        return;
    }
    // Resized, not cleared and refilled: every cell that exists is decided below, so a buffer
    // reused at the same length is written once; only cells missing from the input are zeroed.
    out.resize(static_cast<std::size_t>(n));
    const std::size_t available = std::min(out.size(), in.size());
    run(in.data(), available, g, out.data());
    if (available < out.size()) {
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(available), out.end(), complex_t(0.0f, 0.0f));
        static_cast<void>(in.at(available));  // the first missing cell
    }
}

}  // namespace slicer_detail

namespace {

// End of the run of equal codes that starts at begin, within [begin, end_limit). Whole blocks of
// codes are compared at once (a comparison the compiler does in vector lanes), the block that
// holds the change then code by code.
std::size_t run_end(const int* levels, std::size_t begin, std::size_t end_limit) {
    constexpr std::size_t k_block = 32;
    const int level = levels[begin];
    std::size_t end = begin + 1;
    while (end + k_block <= end_limit) {
        int differs = 0;
        for (std::size_t k = 0; k < k_block; ++k) differs |= levels[end + k] ^ level;  // 0 where equal
        if (differs != 0) break;
        end += k_block;
    }
    while (end < end_limit && levels[end] == level) ++end;
    return end;
}

}  // namespace

using namespace slicer_detail;

void lib_ofdm_demod_common_t::re_bpsk(const complex_vector_t& in, int n, float g, complex_vector_t& out) {
    slice_cells(in, n, g, slice_run<decide_bpsk>, out);
}
void lib_ofdm_demod_common_t::re_bpsk_pi_div4(const complex_vector_t& in, int n, float g, complex_vector_t& out) {
    slice_cells(in, n, g, slice_run<decide_bpsk_pi_div4>, out);
}
void lib_ofdm_demod_common_t::re_qpsk(const complex_vector_t& in, int n, float g, complex_vector_t& out) {
    slice_cells(in, n, g, qpsk_run, out);
}
void lib_ofdm_demod_common_t::re_8psk(const complex_vector_t& in, int n, float g, complex_vector_t& out) {
    slice_cells(in, n, g, slice_run<decide_8psk>, out);
}
void lib_ofdm_demod_common_t::re_8dpsk(const complex_vector_t& in, int n, float g, complex_vector_t& out) {
    slice_cells(in, n, g, slice_run<decide_8dpsk>, out);
}

void lib_ofdm_demod_common_t::demodulation(const complex_vector_t& in, int n, int mod_level, float g,
                                           complex_vector_t& out) {
    slice_cells(in, n, g, run_slicer_for_level(mod_level), out);
}

void lib_ofdm_demod_common_t::get_refer_data(const complex_vector_t& in, const std::vector<int>& mod_levels, float g,
                                             complex_vector_t& out) {
    if (mod_levels.empty()) {
        out.clear();
        return;
    }
    const int* levels = mod_levels.data();
    const std::size_t first_end = run_end(levels, 0, mod_levels.size());
    if (first_end == mod_levels.size()) {
        // One modulation for the whole vector: slice it in one pass.
        demodulation(in, static_cast<int>(in.size()), levels[0], g, out);
        return;
    }
    // Mixed modulations: every cell with its own decider, taken run by run (cells of one
    // modulation come in long runs). A shorter input raises std::out_of_range at the first
    // missing cell, the cells beyond the input left at zero.
    out.resize(mod_levels.size());
    const std::size_t available = std::min(out.size(), in.size());
    for (std::size_t begin = 0; begin < available;) {
        const std::size_t end =
            begin == 0 ? std::min(first_end, available) : run_end(levels, begin, available);
        run_slicer_for_level(levels[begin])(in.data() + begin, end - begin, g, out.data() + begin);
        begin = end;
    }
    if (available < out.size()) {
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(available), out.end(), complex_t(0.0f, 0.0f));
        static_cast<void>(in.at(available));  // the first missing cell
    }
}

}  // namespace vek::ofdm_demod_lib
