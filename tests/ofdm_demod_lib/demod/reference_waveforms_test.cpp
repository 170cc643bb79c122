// Reference grid, time-domain references and the small arithmetic routines: values checked
// against hand-worked examples, a plain inverse DFT and the frame layout.
#include <gtest/gtest.h>

#include <cmath>

#include "log_capture.hpp"
#include "preset_manager.hpp"
#include "random_signal.hpp"
#include "timing_probe.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace {

using namespace vek::test;
using vek::ofdm_demod_lib::lib_ofdm_demod_common_t;
using namespace vek::ofdm_demod_lib;

TEST(SmallRoutines, RepeatedValuesAndLinearInterpolation) {
    // Values beyond the list repeat from the repeat index on (an index past the end: from 0).
    const cf a(1, 0), b(2, 0), c(3, 0);
    complex_vector_t out;
    lib_ofdm_demod_common_t::reuse_data_adjustment({a, b, c}, 1, 7, out);
    EXPECT_EQ(out, (complex_vector_t{a, b, c, b, c, b, c}));
    lib_ofdm_demod_common_t::reuse_data_adjustment({a, b, c}, 5, 7, out);
    EXPECT_EQ(out, (complex_vector_t{a, b, c, a, b, c, a}));
    lib_ofdm_demod_common_t::reuse_data_adjustment({a, b, c}, -1, 2, out);
    EXPECT_EQ(out, (complex_vector_t{a, b}));
    lib_ofdm_demod_common_t::reuse_data_adjustment({}, 0, 4, out);
    EXPECT_TRUE(out.empty());
    // Linear interpolation, and a degenerate span giving the first point.
    EXPECT_EQ(lib_ofdm_demod_common_t::deal_linear_interpolation(0, cf(0, 0), 4, cf(4, 8), 1), cf(1, 2));
    EXPECT_EQ(lib_ofdm_demod_common_t::deal_linear_interpolation(3, cf(5, 6), 3, cf(4, 8), 7), cf(5, 6));
}

TEST(GenerateRefIfftColumn, MatchesPlainInverseDft) {
    for (int n : {8, 64}) {
        const complex_vector_t cells = vek::test::gaussian_complex(static_cast<std::size_t>(n), 7);
        complex_vector_t out;
        lib_ofdm_demod_common_t::generate_ref_ifft_column(cells, out);
        ASSERT_EQ(out.size(), cells.size());
        for (int t = 0; t < n; ++t) {
            std::complex<double> acc;
            for (int col = 0; col < n; ++col) {
                const int bin = col - n / 2;  // centred column -> signed bin
                acc += std::complex<double>(cells[static_cast<std::size_t>(col)]) *
                       std::polar(1.0, 2.0 * k_test_pi * bin * t / n);
            }
            EXPECT_LT(std::abs(std::complex<double>(out[static_cast<std::size_t>(t)]) - acc / double(n)),
                      1e-5)
                << n << " " << t;
        }
    }
}

TEST(InitRefFile, WlanGridFramesAndSyncReference) {
    timing_probe_t p = prepared(LIB_OFDM_STANDARD_TYPE_WIFI);
    const auto& c = p.m_config_manager;
    const int F = c.get_fft_length();
    const int S = c.get_analy_symbol_num();

    // Grid: the preamble values in row-major order at the preamble cells, pilot values likewise.
    std::size_t next_pre = 0, next_pil = 0;
    const auto& pre_map = c.get_preamble_index_map();
    const auto& pil_map = c.get_pilot_index_map();
    ASSERT_EQ(p.m_ref_freq_data.size(), static_cast<std::size_t>(S));
    for (int r = 0; r < S; ++r) {
        for (int col = 0; col < F; ++col) {
            cf expect(0, 0);
            if (pre_map[r][col]) expect = p.m_preamble_ref_seq[next_pre++];
            if (pil_map[r][col]) expect = p.m_pilot_ref_seq[next_pil++];
            ASSERT_EQ(p.m_ref_freq_data[r][col], expect) << r << "," << col;
        }
    }
    EXPECT_EQ(next_pre, p.m_preamble_ref_seq.size());
    EXPECT_EQ(next_pil, p.m_pilot_ref_seq.size());

    // Synchronisation on the preamble symbols.
    EXPECT_EQ(p.m_sync_sym_index, c.get_preamble_sym_index_vct());
    EXPECT_EQ(p.m_sync_start_sym, c.get_preamble_sym_index_vct().front());
    EXPECT_EQ(p.m_sync_ref_len, static_cast<int>(p.m_sync_sym_index.size()) * F);

    // Reference frame: every body at b(k), preceded by its own cyclic prefix.
    long total = 0;
    for (int k = 0; k < S; ++k) total += c.get_interval_per_sym_vct()[k] + F;
    ASSERT_EQ(p.m_ref_len, total);
    ASSERT_EQ(static_cast<long>(p.m_ref_time_frame.size()), total);
    for (int k = 0; k < S; k += 7) {
        const long b = body_start(c, k);
        const int cp = c.get_cp_length_per_sym_vct()[k];
        for (int n = 0; n < F; ++n) ASSERT_EQ(p.m_ref_time_frame[b + n], p.m_ref_time_sym[k][n]);
        for (int n = 1; n <= cp; ++n) ASSERT_EQ(p.m_ref_time_frame[b - n], p.m_ref_time_sym[k][F - n]);
    }
    // No half-subcarrier shift: the sync reference is the plain bodies.
    for (int n = 0; n < F; ++n) EXPECT_EQ(p.m_sync_ref[n], p.m_ref_time_sym[p.m_sync_start_sym][n]);
}

TEST(InitRefFile, UplinkSynchronisesOnPilotsWithHalfSubcarrierRotation) {
    timing_probe_t p = prepared(LIB_OFDM_STANDARD_TYPE_LTE_UL);
    const auto& c = p.m_config_manager;
    const int F = c.get_fft_length();
    ASSERT_TRUE(c.get_preamble_sym_index_vct().empty());
    EXPECT_EQ(p.m_sync_sym_index, c.get_pilot_sym_index_vct());
    EXPECT_EQ(p.m_sync_ref_len, static_cast<int>(c.get_pilot_sym_index_vct().size()) * F);

    // The sync symbols' rows (and the sync reference) carry e^(+j pi n / F); the frame does not.
    const int s = p.m_sync_start_sym;
    const long b = body_start(c, s);
    complex_vector_t plain;
    lib_ofdm_demod_common_t::generate_ref_ifft_column(p.m_ref_freq_data[s], plain);
    for (int n = 0; n < F; n += 37) {
        const cf rot = std::polar(1.0f, static_cast<float>(k_test_pi * n / F));
        EXPECT_NEAR(std::abs(p.m_ref_time_sym[s][n] - plain[n] * rot), 0.0f, 1e-6f);
        EXPECT_EQ(p.m_sync_ref[n], p.m_ref_time_sym[s][n]);
        EXPECT_EQ(p.m_ref_time_frame[b + n], plain[n]);
    }
}

TEST(InitRefFile, Refusals) {
    vek::test::log_capture_t log;
    {
        // No reference values at all.
        auto m = vek::test::preset_manager(LIB_OFDM_STANDARD_TYPE_WIFI);
        m.set_preamble_ref_iq_vct({});
        m.set_pilot_ref_iq_vct({});
        timing_probe_t p;
        ASSERT_TRUE(p.set_ofdm_demod_info(m));
        vek::common_lib::report_capture_t out;
        EXPECT_FALSE(p._init_ref_file_freq());
        EXPECT_TRUE(out.contains("preamble_ref_iq and pilot_ref_iq is zero, address error\n" +
                                 std::string(VEK_TEST_DATA_DIR) + "\n"));
        EXPECT_TRUE(log.has_message("preamble_ref_iq and pilot_ref_iq is zero, address error : " +
                                    std::string(VEK_TEST_DATA_DIR)));
    }
    {
        // Pilot cells flagged but no pilot values: refused instead of running past the list.
        auto m = vek::test::preset_manager(LIB_OFDM_STANDARD_TYPE_WIFI);
        m.set_pilot_ref_iq_vct({});
        timing_probe_t p;
        ASSERT_TRUE(p.set_ofdm_demod_info(m));
        log.clear();
        EXPECT_FALSE(p._init_ref_file_freq());
        EXPECT_NE(log.last_message().find("reference values too few"), std::string::npos);
    }
}

}  // namespace
