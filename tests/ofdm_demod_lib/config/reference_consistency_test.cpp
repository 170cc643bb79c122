// The committed LTE reference data against the standards, computed here without the generator:
// the synchronisation and reference signals have the properties of 3GPP TS 36.211. (The WLAN
// reference cells are pinned by demodulating the standard's worked-example packet end to end.)
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

#include "preset_manager.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"

using namespace vek::ofdm_demod_lib;

namespace {

using cd = std::complex<double>;
const double k_pi = std::acos(-1.0);

// --- LTE downlink.

TEST(ReferenceConsistency, LtePrimarySynchronisationIsTheRoot25ZadoffChu) {
    const lib_ofdm_config_manager_t m = vek::test::preset_manager(LIB_OFDM_STANDARD_TYPE_LTE_DL);
    const complex_vector_t& pre = m.get_preamble_ref_iq_vct();
    ASSERT_EQ(pre.size(), 248u);
    // File order: SSS (symbol 5), PSS (6), SSS (75), PSS (76).
    std::vector<cd> d(pre.begin() + 62, pre.begin() + 124);
    for (int n = 0; n < 62; ++n) {
        EXPECT_NEAR(std::abs(d[n]), 1.0, 1e-6) << n;
        EXPECT_EQ(pre[62 + n], pre[186 + n]) << n;  // both half frames carry the same PSS
    }
    // Centrally symmetric, d(n) = d(61 - n): the conjugate-symmetric time signal of the PSS.
    for (int n = 0; n < 31; ++n) EXPECT_LT(std::abs(d[n] - d[61 - n]), 1e-6) << n;
    // A chirp: the phase step between neighbours turns by the same exp(-j 2 pi u / 63) each time.
    const cd turn = std::polar(1.0, -2.0 * k_pi * 25.0 / 63.0);
    for (int n = 0; n + 2 < 31; ++n) {
        EXPECT_LT(std::abs(d[n + 2] * std::conj(d[n + 1]) - turn * d[n + 1] * std::conj(d[n])), 1e-5) << n;
    }
    // Restore the element punctured at DC from the chirp (x(31) = x(30) exp(-j 2 pi u 31 / 63)):
    // the length-63 Zadoff-Chu sequence then has an ideal periodic autocorrelation.
    std::vector<cd> zc(d.begin(), d.begin() + 31);
    zc.push_back(d[30] * std::polar(1.0, -2.0 * k_pi * 25.0 * 31.0 / 63.0));
    zc.insert(zc.end(), d.begin() + 31, d.end());
    ASSERT_EQ(zc.size(), 63u);
    for (int lag = 0; lag < 63; ++lag) {
        cd r = 0.0;
        for (int n = 0; n < 63; ++n) r += zc[n] * std::conj(zc[(n + lag) % 63]);
        EXPECT_NEAR(std::abs(r), lag == 0 ? 63.0 : 0.0, 1e-4) << lag;
    }
}

TEST(ReferenceConsistency, LteSecondarySynchronisationIsBinaryAndDiffersBetweenHalfFrames) {
    const lib_ofdm_config_manager_t m = vek::test::preset_manager(LIB_OFDM_STANDARD_TYPE_LTE_DL);
    const complex_vector_t& pre = m.get_preamble_ref_iq_vct();
    int differing = 0;
    for (int n = 0; n < 62; ++n) {
        for (const int base : {0, 124}) {
            EXPECT_EQ(std::abs(pre[base + n].real()), 1.0f);
            EXPECT_EQ(pre[base + n].imag(), 0.0f);
        }
        // Even elements are s0 c0 in subframe 0 and s1 c0 in subframe 5.
        differing += pre[n] != pre[124 + n];
    }
    EXPECT_GT(differing, 10);
}

// Gold sequence of 36.211 7.2, bit by bit as the clause writes it.
std::vector<int> gold(std::uint32_t c_init, int count) {
    const int nc = 1600;
    std::vector<int> x1(nc + count + 31, 0), x2(nc + count + 31, 0);
    x1[0] = 1;
    for (int i = 0; i < 31; ++i) x2[i] = (c_init >> i) & 1;
    for (int n = 0; n + 31 < nc + count; ++n) {
        x1[n + 31] = (x1[n + 3] + x1[n]) % 2;
        x2[n + 31] = (x2[n + 3] + x2[n + 2] + x2[n + 1] + x2[n]) % 2;
    }
    std::vector<int> c(count);
    for (int n = 0; n < count; ++n) c[n] = (x1[n + nc] + x2[n + nc]) % 2;
    return c;
}

TEST(ReferenceConsistency, LteCellReferenceSignalOfSlot0FollowsItsGoldSequence) {
    const lib_ofdm_config_manager_t m = vek::test::preset_manager(LIB_OFDM_STANDARD_TYPE_LTE_DL);
    const complex_vector_t& pilot = m.get_pilot_ref_iq_vct();
    ASSERT_EQ(pilot.size(), 2000u);
    for (const complex_t& v : pilot) ASSERT_NEAR(std::abs(v), 1.0f, 1e-6f);

    // Cell 0, slot 0: l = 0 has c_init = 2^10 (7 + 0 + 1) + 1 = 8193, l = 4 has 2^10 x 12 + 1.
    // The 50 cells of 25 resource blocks take r(85 ... 134), r(m) = ((1 - 2c(2m)) + j(1 - 2c(2m+1))) /
    // sqrt 2.
    const std::uint32_t c_inits[2] = {8193, 12289};
    for (int sym = 0; sym < 2; ++sym) {
        const std::vector<int> c = gold(c_inits[sym], 270);
        for (int m_idx = 0; m_idx < 50; ++m_idx) {
            const int m2 = 2 * (m_idx + 85);
            const float a = static_cast<float>(1.0 / std::sqrt(2.0));
            const complex_t expected((1 - 2 * c[m2]) * a, (1 - 2 * c[m2 + 1]) * a);
            EXPECT_LT(std::abs(pilot[50 * sym + m_idx] - expected), 1e-6f) << sym << "," << m_idx;
        }
    }
    // The pilot cells of the grid hold these values at the comb of v_shift = 0: symbol 0 at
    // subcarriers -150, -144, ..., symbol 4 at -147, -141, ...
    const cell_grid_t& grid = m.get_ref_resource_data_vct_manager().get_ref_resource_data();
    EXPECT_EQ(grid[0][256 - 150], pilot[0]);
    EXPECT_EQ(grid[0][256 + 1], pilot[25]);
    EXPECT_EQ(grid[4][256 - 147], pilot[50]);
    EXPECT_EQ(grid[7][256 - 150], pilot[100]);
}

// --- LTE uplink: DMRS of each slot = exp(j alpha n) x_q(n mod 293) with q = 9 and the cyclic
// shift of n_PRS(ns) from the c_init = 0 Gold sequence (36.211 5.5.2.1.1).
TEST(ReferenceConsistency, LteUplinkDmrsIsTheCyclicallyShiftedZadoffChuOfEachSlot) {
    const lib_ofdm_config_manager_t m = vek::test::preset_manager(LIB_OFDM_STANDARD_TYPE_LTE_UL);
    const complex_vector_t& pilot = m.get_pilot_ref_iq_vct();
    ASSERT_EQ(pilot.size(), 6000u);
    const std::vector<int> c = gold(0, 8 * 7 * 20);
    for (int slot = 0; slot < 20; ++slot) {
        int n_prs = 0;
        for (int i = 0; i < 8; ++i) n_prs += c[8 * 7 * slot + i] << i;
        const int n_cs = n_prs % 12;
        for (int n = 0; n < 300; ++n) {
            const long long mm = n % 293;
            const double zc_phase = -k_pi * static_cast<double>((9 * mm * (mm + 1)) % (2 * 293)) / 293.0;
            const cd expected = std::polar(1.0, zc_phase + 2.0 * k_pi * n_cs * n / 12.0);
            ASSERT_LT(std::abs(cd(pilot[300 * slot + n]) - expected), 1e-5) << slot << "," << n;
        }
    }
}

}  // namespace
