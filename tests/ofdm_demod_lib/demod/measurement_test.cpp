// EVM and SINR measurement on small hand-built grids: hand-computed class and overall figures,
// empty and powerless classes, and the stage bit for bit against a plain form of itself.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numeric>
#include <random>
#include <stdexcept>
#include <vector>

#include "lib_ofdm_row_gather.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib {
namespace {

// The stage works on protected buffers: the probe fills them and runs it.
struct measure_probe_t : lib_ofdm_demod_t {
    void configure(const lib_ofdm_config_manager_t& config) { m_config_manager = config; }
    // The column lists a run takes from the per-configuration cache (without it, the maps' bits).
    void list_columns() {
        _list_class_columns(static_cast<std::size_t>(m_config_manager.get_fft_length()),
                            m_reference_cache.columns);
        m_reference_cache.valid = true;
    }
    cell_grid_t& symbols() { return m_symbol_freq_data; }
    cell_grid_t& refs() { return m_ref_freq_data; }
    bool measure() { return _deal_ofdm_evm_data(); }
    const lib_ofdm_result_t& result() const { return m_result; }
    const complex_vector_t& pilot_ref_seq() const { return m_pilot_ref_seq; }
};

constexpr float k_float_tolerance = 1e-4f;  // percent / dB, single-precision sums of a few cells
constexpr int k_fft = 16;
constexpr int k_symbols = 4;

lib_ofdm_res_info_t entry(lib_ofdm_resource_flag_t type, std::vector<int> symbols,
                          std::vector<int> subcarriers,
                          lib_ofdm_mod_level_t level = LIB_OFDM_MOD_LEVEL_NONE) {
    return lib_ofdm_res_info_t{"entry", type, {std::move(symbols)}, {std::move(subcarriers)}, level, 1.0f};
}

// 16-point FFT, guard bands 2 / 1 (columns 2 ... 14 usable; column = subcarrier + 8):
//   symbol 0: preamble at columns 4, 6, 10, 12;
//   symbols 1-3: pilots at columns 3, 13 and QPSK data at 5, 7, 9, 11;
//   symbols 2-3: 16-QAM data at columns 2 and 14.
lib_ofdm_config_manager_t small_frame(lib_ofdm_standard_type_t standard) {
    lib_ofdm_config_manager_t cfg;
    EXPECT_TRUE(standard == LIB_OFDM_STANDARD_TYPE_WIFI || cfg.set_standard(standard));
    EXPECT_TRUE(cfg.set_guard_low_subcarr(2) && cfg.set_guard_up_subcarr(1) && cfg.set_fft_length(k_fft));
    EXPECT_TRUE(cfg.set_analy_symbol_num(k_symbols) && cfg.set_meas_symbol_num(k_symbols));
    EXPECT_TRUE(cfg.set_meas_symbol_offset(0) && cfg.set_use_ui_map(true));
    EXPECT_TRUE(cfg.set_resource_mapping_vct(
        {entry(LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {0}, {-4, -2, 2, 4}),
         entry(LIB_OFDM_RESOURCE_FLAG_PILOT, {1, 2, 3}, {-5, 5}),
         entry(LIB_OFDM_RESOURCE_FLAG_DATA, {1, 2, 3}, {-3, -1, 1, 3}, LIB_OFDM_MOD_LEVEL_QPSK),
         entry(LIB_OFDM_RESOURCE_FLAG_DATA, {2, 3}, {-6, 6}, LIB_OFDM_MOD_LEVEL_16QAM)}));
    EXPECT_TRUE(cfg.generate_resource_map() && cfg.generate_resource_mod_map());
    return cfg;
}

// Measured cells equal their references (payload cells on their constellation points) plus known
// error vectors: preamble |e| = 0.1 on unit references, one pilot cell off by 0.2 on references of
// power 4, QPSK cells off by 0.05, 16-QAM cells exact. Every cell outside the maps holds junk that
// must not be measured.
void fill_frame(measure_probe_t& probe) {
    const float a = 0.70710677f, u = 0.31622776f, u3 = static_cast<float>(3.0 / std::sqrt(10.0));
    probe.symbols().assign(k_symbols, complex_vector_t(k_fft, complex_t(5.0f, -5.0f)));
    probe.refs().assign(k_symbols, complex_vector_t(k_fft, complex_t(-7.0f, 7.0f)));
    const complex_t preamble[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    const complex_t preamble_err[] = {{0.1f, 0.0f}, {0.0f, 0.1f}, {-0.06f, 0.08f}, {0.08f, -0.06f}};
    const complex_t qpsk[] = {{a, a}, {-a, a}, {-a, -a}, {a, -a}};
    for (int k = 0; k < 4; ++k) {
        probe.refs()[0][4 + 2 * k + k / 2 * 2] = preamble[k];
        probe.symbols()[0][4 + 2 * k + k / 2 * 2] = preamble[k] + preamble_err[k];
        for (int s = 1; s < k_symbols; ++s)
            probe.symbols()[s][5 + 2 * k] = qpsk[(k + s) % 4] + complex_t(0.05f, 0.0f);
    }
    for (int s = 1; s < k_symbols; ++s)
        for (int col : {3, 13}) probe.refs()[s][col] = probe.symbols()[s][col] = complex_t(2.0f, 0.0f);
    probe.symbols()[2][13] += complex_t(0.2f, 0.0f);
    // 16-QAM cells of powers 1.8, 0.2, 1.0, 1.0: with the twelve QPSK cells the payload mean power is 1.
    probe.symbols()[2][2] = complex_t(u3, u3);
    probe.symbols()[2][14] = complex_t(u, u);
    probe.symbols()[3][2] = complex_t(-u3, u);
    probe.symbols()[3][14] = complex_t(u, -u3);
}

TEST(MeasurementStage, HandComputedClassAndOverallFigures) {
    measure_probe_t probe;
    probe.configure(small_frame(LIB_OFDM_STANDARD_TYPE_WIFI));
    fill_frame(probe);
    ASSERT_TRUE(probe.measure());
    const lib_ofdm_result_t& r = probe.result();
    // Per class: rms, max (both %) and SINR (dB). Preamble: every error 0.1 on unit power. Pilot:
    // one error power 0.04 among six cells of power 4. Payload: twelve errors of power 0.0025, mean
    // reference power 1 over sixteen cells. Overall: error power 0.11 and reference power 44 over
    // 26 cells, each cell weighing the same.
    const float got[] = {r.m_preamble_evm_rms, r.m_preamble_evm_max, r.m_preamble_sinr,   r.m_pilot_evm_rms,
                         r.m_pilot_evm_max,    r.m_pilot_sinr,       r.m_payload_evm_rms, r.m_payload_evm_max,
                         r.m_payload_sinr,     r.m_evm_rms,          r.m_evm_max,         r.m_snr_mer};
    const float expected[] = {10.0f,
                              10.0f,
                              20.0f,
                              100.0f * std::sqrt(0.04f / 6.0f / 4.0f),
                              10.0f,
                              10.0f * std::log10(24.0f / 0.04f),
                              100.0f * std::sqrt(12.0f * 0.0025f / 16.0f),
                              5.0f,
                              10.0f * std::log10(16.0f / 0.03f),
                              5.0f,
                              10.0f,
                              10.0f * std::log10(400.0f)};
    for (int i = 0; i < 12; ++i) EXPECT_NEAR(got[i], expected[i], k_float_tolerance) << "figure " << i;
    // The map holds each cell's EVM where it was measured, 0 elsewhere.
    for (int s = 0; s < k_symbols; ++s) {
        for (int c = 0; c < k_fft; ++c) {
            float expected_evm = 0.0f;
            if ((s == 0 && (c == 4 || c == 6 || c == 10 || c == 12)) || (s == 2 && c == 13))
                expected_evm = 10.0f;
            if (s > 0 && (c == 5 || c == 7 || c == 9 || c == 11)) expected_evm = 5.0f;
            EXPECT_NEAR(r.m_evm_map[s][c], expected_evm, k_float_tolerance) << s << "," << c;
        }
    }
}

// An uplink frame never measures its preamble, and references without power make the class
// empty: either way the preamble reports the empty-class values and the overall figures are
// those of pilots and payload only (error 0.07, reference 40, 22 cells).
TEST(MeasurementStage, UnmeasuredPreambleReportsAnEmptyClass) {
    for (bool uplink : {true, false}) {
        SCOPED_TRACE(uplink);
        measure_probe_t probe;
        probe.configure(small_frame(uplink ? LIB_OFDM_STANDARD_TYPE_LTE_UL : LIB_OFDM_STANDARD_TYPE_WIFI));
        fill_frame(probe);
        if (!uplink)
            for (int c : {4, 6, 10, 12}) probe.refs()[0][c] = complex_t(0.0f, 0.0f);
        ASSERT_TRUE(probe.measure());
        const lib_ofdm_result_t& r = probe.result();
        EXPECT_EQ(r.m_preamble_evm_rms, -100.0f);
        EXPECT_EQ(r.m_preamble_evm_max, -100.0f);
        EXPECT_EQ(r.m_preamble_sinr, 0.0f);
        EXPECT_TRUE(r.m_preamble_sample_data.empty());
        EXPECT_NEAR(r.m_evm_rms, 100.0f * std::sqrt(0.07f / 40.0f), k_float_tolerance);
        EXPECT_NEAR(r.m_snr_mer, 10.0f * std::log10(40.0f / 0.07f), k_float_tolerance);
        EXPECT_NEAR(r.m_evm_max, 10.0f, k_float_tolerance);
        for (int c : {4, 6, 10, 12}) EXPECT_EQ(r.m_evm_map[0][c], 0.0f);
    }
}

// The stage the plain way, class by class: cells taken one by one from the maps in symbol and
// column order (payload references decided cell by cell), |z|^2, sums, means and EVMs in double
// precision, peaks as first maxima; the overall figures over the measured classes' cells.
struct plain_t {
    complex_vector_t meas[3], ref[3];
    float fig[12] = {-100, -100, 0, -100, -100, 0, -100, -100, 0, -100, -100, 0};  // as `got` below
    std::vector<std::vector<float>> map;
};

void rms_and_ratio(const std::vector<float>& err, const std::vector<float>& ref, float* fig) {
    const double e = std::accumulate(err.begin(), err.end(), 0.0),
                 r = std::accumulate(ref.begin(), ref.end(), 0.0);
    fig[0] = static_cast<float>(100.0 * std::sqrt(e / r));
    fig[2] = e == 0.0 ? std::numeric_limits<float>::infinity() : static_cast<float>(10.0 * std::log10(r / e));
}

plain_t plain_measurement(const lib_ofdm_config_manager_t& cfg, const cell_grid_t& symbols,
                          const cell_grid_t& refs) {
    const bool_grid_t* maps[3] = {&cfg.get_preamble_index_map(), &cfg.get_pilot_index_map(),
                                  &cfg.get_payload_index_map()};
    const int rows = cfg.get_meas_symbol_num(), n = cfg.get_fft_length();
    const auto power = [](complex_t z) {
        return static_cast<float>(static_cast<double>(z.real()) * z.real() +
                                  static_cast<double>(z.imag()) * z.imag());
    };
    plain_t out;
    out.map.assign(static_cast<std::size_t>(rows), std::vector<float>(static_cast<std::size_t>(n), 0.0f));
    std::vector<float> err_all, ref_all;
    for (int k = cfg.get_standard() == LIB_OFDM_STANDARD_TYPE_LTE_UL ? 1 : 0; k < 3; ++k) {
        std::vector<float> err, ref;
        std::vector<float*> at;
        for (int r = 0, s = cfg.get_meas_symbol_offset(); r < rows; ++r, ++s) {
            for (int c = 0; c < n; ++c) {
                if (!(*maps[k])[s][c]) continue;
                complex_vector_t decided{refs[s][c]};
                if (k == 2)
                    lib_ofdm_demod_common_t::demodulation(
                        {symbols[s][c]}, 1, cfg.get_resource_mod_map_manager().get_resource_mod_map()[s][c],
                        cfg.get_user_boosting(), decided);
                out.meas[k].push_back(symbols[s][c]);
                out.ref[k].push_back(decided.at(0));
                err.push_back(power(decided[0] - symbols[s][c]));
                ref.push_back(power(decided[0]));
                at.push_back(&out.map[r][c]);
            }
        }
        const double ref_mean =
            std::accumulate(ref.begin(), ref.end(), 0.0) / static_cast<double>(ref.size());
        if (!(ref_mean > 0.0)) {
            out.meas[k].clear(), out.ref[k].clear();
            continue;
        }
        float* fig = out.fig + 3 * k;
        rms_and_ratio(err, ref, fig);
        for (std::size_t i = 0; i < err.size(); ++i) {
            *at[i] = static_cast<float>(100.0 * std::sqrt(static_cast<double>(err[i]) / ref_mean));
            if (i == 0 || fig[1] < *at[i]) fig[1] = *at[i];
        }
        if (err_all.empty() || out.fig[10] < fig[1]) out.fig[10] = fig[1];
        err_all.insert(err_all.end(), err.begin(), err.end());
        ref_all.insert(ref_all.end(), ref.begin(), ref.end());
    }
    if (!err_all.empty()) rms_and_ratio(err_all, ref_all, out.fig + 9);
    return out;
}

// Figures in single precision from double-precision sums: within a few roundings of the plain
// double-precision value; NaN, infinities and zeros exactly.
void expect_close(const std::vector<float>& got, const std::vector<float>& want, int row) {
    ASSERT_EQ(got.size(), want.size()) << row;
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (std::isnan(want[i]))
            EXPECT_TRUE(std::isnan(got[i])) << row << "," << i;
        else if (std::isinf(want[i]) || want[i] == 0.0f)
            EXPECT_EQ(got[i], want[i]) << row << "," << i;
        else
            EXPECT_NEAR(got[i], want[i], 4e-7f * std::fabs(want[i])) << row << "," << i;
    }
}

template <typename T>
std::vector<std::uint32_t> bits(const std::vector<T>& v) {
    std::vector<std::uint32_t> b(v.size() * sizeof(T) / sizeof(float));
    if (!v.empty()) std::memcpy(b.data(), v.data(), b.size() * sizeof(float));
    return b;
}

// 64-point frame of 12 symbols: preamble on symbols 0-1, pilots every 6th subcarrier on symbols
// 1, 5 and 9, data on the rest of the band in five modulations (two in some symbols), so rows are
// whole stretches of the band or scattered columns. Random cells around the points, a NaN cell
// among the pilots, and in one frame pilot references whose power overflows to infinity. The
// window starts at symbol 1.
TEST(MeasurementStage, EqualsThePlainMeasurement) {
    constexpr int n = 64, symbols = 12;
    std::vector<int> band, pilots, rest;
    for (int k = -26; k <= 26; ++k) {
        if (k == 0) continue;
        band.push_back(k);
        (k % 6 == 0 ? pilots : rest).push_back(k);
    }
    const std::vector<int> high(band.begin() + 40, band.end()), low(band.begin(), band.begin() + 40);
    lib_ofdm_config_manager_t cfg;
    ASSERT_TRUE(cfg.set_analy_symbol_num(symbols) && cfg.set_meas_symbol_num(symbols - 1));
    ASSERT_TRUE(cfg.set_meas_symbol_offset(1) && cfg.set_user_boosting(1.7f) && cfg.set_use_ui_map(true));
    ASSERT_TRUE(cfg.set_resource_mapping_vct(
        {entry(LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {0, 1},
               {-20, -19, -18, -17, -16, -15, -14, -13, -12, -11, -10, 10, 12}),
         entry(LIB_OFDM_RESOURCE_FLAG_PILOT, {1, 5, 9}, pilots),
         entry(LIB_OFDM_RESOURCE_FLAG_DATA, {1, 5, 9}, rest, LIB_OFDM_MOD_LEVEL_QPSK),
         entry(LIB_OFDM_RESOURCE_FLAG_DATA, {2, 3, 4}, band, LIB_OFDM_MOD_LEVEL_16QAM),
         entry(LIB_OFDM_RESOURCE_FLAG_DATA, {6, 7, 8, 10}, low, LIB_OFDM_MOD_LEVEL_64QAM),
         entry(LIB_OFDM_RESOURCE_FLAG_DATA, {6, 7, 8, 10}, high, LIB_OFDM_MOD_LEVEL_256QAM),
         entry(LIB_OFDM_RESOURCE_FLAG_DATA, {11}, band, LIB_OFDM_MOD_LEVEL_1024QAM)}));
    ASSERT_TRUE(cfg.generate_resource_map() && cfg.generate_resource_mod_map());
    std::mt19937 rng(8080);
    std::normal_distribution<float> cell(0.0f, 1.0f);
    for (bool huge_pilots : {false, true}) {
        SCOPED_TRACE(huge_pilots);
        cell_grid_t meas(symbols, complex_vector_t(n)), refs(symbols, complex_vector_t(n));
        for (int s = 0; s < symbols; ++s) {
            for (int c = 0; c < n; ++c) {
                refs[s][c] = complex_t(cell(rng), cell(rng)) * (huge_pilots && s % 4 == 1 ? 3e19f : 1.0f);
                meas[s][c] = refs[s][c] + complex_t(cell(rng), cell(rng)) * 0.1f;
            }
        }
        meas[5][n / 2 + 12] = complex_t(std::numeric_limits<float>::quiet_NaN(), 0.0f);
        meas[9][n / 2 - 24] = -refs[9][n / 2 - 24];  // an infinite error power beside infinite references
        meas[1][n / 2 + 12] += 3.0f;                 // the preamble's largest error in its last cell
        const plain_t plain = plain_measurement(cfg, meas, refs);
        for (bool cached : {false, true}) {
            SCOPED_TRACE(cached);
            measure_probe_t probe;
            probe.configure(cfg);
            if (cached) probe.list_columns();
            probe.symbols() = meas;
            probe.refs() = refs;
            ASSERT_TRUE(probe.measure());
            // A second run over the storage of the first: the grid moved to the result, so it is
            // demodulated again first, as in every run.
            probe.symbols() = meas;
            ASSERT_TRUE(probe.measure());
            const lib_ofdm_result_t& r = probe.result();
            const std::vector<float> got = {r.m_preamble_evm_rms, r.m_preamble_evm_max, r.m_preamble_sinr,
                                            r.m_pilot_evm_rms,    r.m_pilot_evm_max,    r.m_pilot_sinr,
                                            r.m_payload_evm_rms,  r.m_payload_evm_max,  r.m_payload_sinr,
                                            r.m_evm_rms,          r.m_evm_max,          r.m_snr_mer};
            expect_close(got, std::vector<float>(plain.fig, plain.fig + 12), -1);
            EXPECT_EQ(bits(r.m_preamble_sample_data), bits(plain.meas[0]));
            EXPECT_EQ(bits(r.m_preamble_ref_iq), bits(plain.ref[0]));
            EXPECT_EQ(bits(r.m_pilot_sample_iq), bits(plain.meas[1]));
            EXPECT_EQ(bits(r.m_pilot_ref_iq), bits(plain.ref[1]));
            EXPECT_EQ(bits(r.m_payload_sample_sym), bits(plain.meas[2]));
            ASSERT_EQ(r.m_evm_map.size(), plain.map.size());
            for (std::size_t s = 0; s < plain.map.size(); ++s)
                expect_close(r.m_evm_map[s], plain.map[s], static_cast<int>(s));
            // The window's symbols, and the pilot references of the second run alone.
            EXPECT_EQ(r.m_ofdm_vaild_num, symbols - 1);
            EXPECT_EQ(r.m_meas_symbol_range.front(), 1);
            EXPECT_EQ(r.m_meas_symbol_range.size(), symbols - 1u);
            EXPECT_EQ(probe.pilot_ref_seq().size(), plain.meas[1].size());
            // A window beyond the grid raises.
            probe.symbols().pop_back();
            EXPECT_THROW(probe.measure(), std::out_of_range);
        }
    }
}

TEST(RowGather, StretchwiseMovesEqualTheCellByCellOnes) {
    // Rows of ascending columns made of stretches of random lengths (single cells, up to 40, or
    // 100 to 400 with single gaps: the stretch-wise path) separated by random gaps; every cell must
    // land where the plain indexed loop puts it, and the scatter must touch only listed columns.
    std::mt19937 rng(4242);
    std::uniform_int_distribution<int> short_stretch(1, 40), long_stretch(100, 400), gap(1, 3);
    int stretchwise = 0;
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<int> columns;
        int c = trial % 5;
        while (static_cast<int>(columns.size()) < 1 + (trial * 37) % 900) {
            const int kind = trial % 3;
            const int len = kind == 0 ? 1 : kind == 1 ? short_stretch(rng) : long_stretch(rng);
            for (int i = 0; i < len; ++i) columns.push_back(c++);
            c += kind == 2 ? 1 : gap(rng) + (trial % 7 == 0 ? 20 : 0);
        }
        const detail::row_columns_t row{columns.data(), columns.size()};
        stretchwise += detail::long_stretches(row) ? 1 : 0;
        std::vector<int> src(static_cast<std::size_t>(c) + 1), packed(columns.size(), -1);
        for (int& v : src) v = static_cast<int>(rng());
        detail::gather_row(row, src.data(), packed.data());
        std::vector<int> back(src.size(), 7), plain_back(src.size(), 7);
        detail::scatter_row(row, packed.data(), back.data());
        for (std::size_t k = 0; k < columns.size(); ++k) {
            ASSERT_EQ(packed[k], src[static_cast<std::size_t>(columns[k])]) << trial << " " << k;
            plain_back[static_cast<std::size_t>(columns[k])] = packed[k];
        }
        ASSERT_EQ(back, plain_back) << trial;
    }
    // Both paths were taken.
    EXPECT_GT(stretchwise, 20);
    EXPECT_LT(stretchwise, 280);
}

TEST(ClassMeasurement, EvmAndSinrOfOneClass) {
    const complex_vector_t ref = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    const complex_vector_t meas = {{1.1f, 0}, {0, 1}, {-1, 0.1f}, {0, -1}};
    float evm = 0.0f, sinr = 0.0f;
    std::vector<float> cells, err_all = {7.0f}, ref_all = {9.0f};
    lib_ofdm_demod_common_t::deal_evm_and_sinr(meas, ref, evm, cells, sinr, err_all, ref_all);
    EXPECT_NEAR(evm, 100.0f * std::sqrt(0.02f / 4.0f), k_float_tolerance);
    EXPECT_NEAR(sinr, 10.0f * std::log10(4.0f / 0.02f), k_float_tolerance);
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_NEAR(cells[2], 10.0f, k_float_tolerance);
    // The lists grow by this class's cells.
    ASSERT_EQ(err_all.size(), 5u);
    EXPECT_NEAR(err_all[1], 0.01f, 1e-7f);
    EXPECT_EQ(ref_all.size(), 5u);

    lib_ofdm_demod_common_t::deal_evm_and_sinr({}, {}, evm, cells, sinr, err_all, ref_all);
    EXPECT_EQ(evm, -100.0f);
    EXPECT_EQ(sinr, 0.0f);
    EXPECT_EQ(err_all.size(), 5u);
    EXPECT_THROW(
        lib_ofdm_demod_common_t::deal_evm_and_sinr(meas, {{1, 0}}, evm, cells, sinr, err_all, ref_all),
        std::out_of_range);
}

}  // namespace
}  // namespace vek::ofdm_demod_lib
