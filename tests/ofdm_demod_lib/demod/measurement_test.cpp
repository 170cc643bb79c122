// EVM and SINR measurement on small hand-built grids: hand-computed class and overall figures,
// noise of known power, empty and powerless classes, the EVM map and the measurement window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
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

lib_ofdm_res_info_t entry(lib_ofdm_resource_flag_t type, std::vector<int> symbols, std::vector<int> subcarriers,
                          lib_ofdm_mod_level_t level = LIB_OFDM_MOD_LEVEL_NONE) {
    return lib_ofdm_res_info_t{"entry", type, {std::move(symbols)}, {std::move(subcarriers)}, level, 1.0f};
}

// 16-point FFT, guard bands 2 / 1 (columns 2 ... 14 usable; column = subcarrier + 8):
//   symbol 0: preamble at columns 4, 6, 10, 12;
//   symbols 1-3: pilots at columns 3, 13 and QPSK data at 5, 7, 9, 11;
//   symbols 2-3: 16-QAM data at columns 2 and 14.
lib_ofdm_config_manager_t small_frame(lib_ofdm_standard_type_t standard, int offset, int count) {
    lib_ofdm_config_manager_t cfg;
    if (standard != LIB_OFDM_STANDARD_TYPE_WIFI) {
        EXPECT_TRUE(cfg.set_standard(standard));
    }
    EXPECT_TRUE(cfg.set_guard_low_subcarr(2));
    EXPECT_TRUE(cfg.set_guard_up_subcarr(1));
    EXPECT_TRUE(cfg.set_fft_length(k_fft));
    EXPECT_TRUE(cfg.set_analy_symbol_num(k_symbols));
    EXPECT_TRUE(cfg.set_meas_symbol_num(count));
    EXPECT_TRUE(cfg.set_meas_symbol_offset(offset));
    EXPECT_TRUE(cfg.set_use_ui_map(true));
    EXPECT_TRUE(cfg.set_resource_mapping_vct(
        {entry(LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {0}, {-4, -2, 2, 4}),
         entry(LIB_OFDM_RESOURCE_FLAG_PILOT, {1, 2, 3}, {-5, 5}),
         entry(LIB_OFDM_RESOURCE_FLAG_DATA, {1, 2, 3}, {-3, -1, 1, 3}, LIB_OFDM_MOD_LEVEL_QPSK),
         entry(LIB_OFDM_RESOURCE_FLAG_DATA, {2, 3}, {-6, 6}, LIB_OFDM_MOD_LEVEL_16QAM)}));
    EXPECT_TRUE(cfg.generate_resource_map());
    EXPECT_TRUE(cfg.generate_resource_mod_map());
    return cfg;
}

const float k_a = 0.70710677f;
const float k_u16 = 0.31622776f;
const auto k_3u16 = static_cast<float>(3.0 / std::sqrt(10.0));

// Measured cells equal their references (payload cells on their constellation points) plus known
// error vectors: preamble |e| = 0.1 on unit references, one pilot cell off by 0.2 on references of
// power 4, QPSK cells off by 0.05, 16-QAM cells exact. Every cell outside the maps holds junk that
// must not be measured.
void fill_frame(measure_probe_t& probe) {
    probe.symbols().assign(k_symbols, complex_vector_t(k_fft, complex_t(5.0f, -5.0f)));
    probe.refs().assign(k_symbols, complex_vector_t(k_fft, complex_t(-7.0f, 7.0f)));
    const complex_t preamble[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    const complex_t preamble_err[] = {{0.1f, 0.0f}, {0.0f, 0.1f}, {-0.06f, 0.08f}, {0.08f, -0.06f}};
    const int preamble_cols[] = {4, 6, 10, 12};
    for (int k = 0; k < 4; ++k) {
        probe.refs()[0][preamble_cols[k]] = preamble[k];
        probe.symbols()[0][preamble_cols[k]] = preamble[k] + preamble_err[k];
    }
    const complex_t qpsk[] = {{k_a, k_a}, {-k_a, k_a}, {-k_a, -k_a}, {k_a, -k_a}};
    const int qpsk_cols[] = {5, 7, 9, 11};
    for (int s = 1; s < k_symbols; ++s) {
        for (int col : {3, 13}) probe.refs()[s][col] = probe.symbols()[s][col] = complex_t(2.0f, 0.0f);
        for (int k = 0; k < 4; ++k) probe.symbols()[s][qpsk_cols[k]] = qpsk[(k + s) % 4] + complex_t(0.05f, 0.0f);
    }
    probe.symbols()[2][13] += complex_t(0.2f, 0.0f);
    // 16-QAM cells of powers 1.8, 0.2, 1.0, 1.0: with the twelve QPSK cells the payload mean power is 1.
    probe.symbols()[2][2] = complex_t(k_3u16, k_3u16);
    probe.symbols()[2][14] = complex_t(k_u16, k_u16);
    probe.symbols()[3][2] = complex_t(-k_3u16, k_u16);
    probe.symbols()[3][14] = complex_t(k_u16, -k_3u16);
}

TEST(MeasurementStage, HandComputedClassAndOverallFigures) {
    measure_probe_t probe;
    probe.configure(small_frame(LIB_OFDM_STANDARD_TYPE_WIFI, 0, k_symbols));
    fill_frame(probe);
    ASSERT_TRUE(probe.measure());
    const lib_ofdm_result_t& r = probe.result();
    // Preamble: every error 0.1 on unit power -> 10 %, 20 dB.
    EXPECT_NEAR(r.m_preamble_evm_rms, 10.0f, k_float_tolerance);
    EXPECT_NEAR(r.m_preamble_evm_max, 10.0f, k_float_tolerance);
    EXPECT_NEAR(r.m_preamble_sinr, 20.0f, k_float_tolerance);
    // Pilot: one error power 0.04 among six cells of power 4.
    EXPECT_NEAR(r.m_pilot_evm_rms, 100.0f * std::sqrt(0.04f / 6.0f / 4.0f), k_float_tolerance);
    EXPECT_NEAR(r.m_pilot_evm_max, 10.0f, k_float_tolerance);
    EXPECT_NEAR(r.m_pilot_sinr, 10.0f * std::log10(24.0f / 0.04f), k_float_tolerance);
    // Payload: twelve errors of power 0.0025, mean reference power 1 over sixteen cells.
    EXPECT_NEAR(r.m_payload_evm_rms, 100.0f * std::sqrt(12.0f * 0.0025f / 16.0f), k_float_tolerance);
    EXPECT_NEAR(r.m_payload_evm_max, 5.0f, k_float_tolerance);
    EXPECT_NEAR(r.m_payload_sinr, 10.0f * std::log10(16.0f / 0.03f), k_float_tolerance);
    // Overall: error power 0.11 and reference power 44 over 26 cells, each cell weighing the same.
    EXPECT_NEAR(r.m_evm_rms, 5.0f, k_float_tolerance);
    EXPECT_NEAR(r.m_snr_mer, 10.0f * std::log10(400.0f), k_float_tolerance);
    EXPECT_NEAR(r.m_evm_max, 10.0f, k_float_tolerance);
    // The map holds each cell's EVM where it was measured, 0 elsewhere.
    for (int s = 0; s < k_symbols; ++s) {
        for (int c = 0; c < k_fft; ++c) {
            float expected = 0.0f;
            if (s == 0 && (c == 4 || c == 6 || c == 10 || c == 12)) expected = 10.0f;
            if (s == 2 && c == 13) expected = 10.0f;
            if (s > 0 && (c == 5 || c == 7 || c == 9 || c == 11)) expected = 5.0f;
            EXPECT_NEAR(r.m_evm_map[s][c], expected, k_float_tolerance) << s << "," << c;
        }
    }
    // Collection order: symbol by symbol, ascending cells.
    EXPECT_EQ(r.m_payload_sample_sym.at(4), probe.symbols()[2][2]);
    EXPECT_EQ(r.m_payload_sample_sym.at(9), probe.symbols()[2][14]);
    EXPECT_EQ(r.m_pilot_sample_iq.at(3), probe.symbols()[2][13]);
}

// An uplink frame never measures its preamble, and references without power make the class
// empty: either way the preamble reports the empty-class values and the overall figures are
// those of pilots and payload only (error 0.07, reference 40, 22 cells).
TEST(MeasurementStage, UnmeasuredPreambleReportsAnEmptyClass) {
    for (bool uplink : {true, false}) {
        SCOPED_TRACE(uplink);
        measure_probe_t probe;
        probe.configure(small_frame(uplink ? LIB_OFDM_STANDARD_TYPE_LTE_UL : LIB_OFDM_STANDARD_TYPE_WIFI, 0, k_symbols));
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

TEST(MeasurementStage, WindowSelectsSymbolsAndMapRows) {
    measure_probe_t probe;
    probe.configure(small_frame(LIB_OFDM_STANDARD_TYPE_WIFI, 1, 2));
    fill_frame(probe);
    ASSERT_TRUE(probe.measure());
    const lib_ofdm_result_t first = probe.result();
    EXPECT_EQ(first.m_ofdm_vaild_num, 2);
    EXPECT_EQ(first.m_meas_symbol_range, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(first.m_preamble_evm_rms, -100.0f);  // symbol 0 holds the only preamble
    EXPECT_EQ(first.m_pilot_sample_iq.size(), 4u);
    EXPECT_NEAR(first.m_pilot_evm_rms, 100.0f * std::sqrt(0.04f / 4.0f / 4.0f), k_float_tolerance);
    ASSERT_EQ(first.m_evm_map.size(), 2u);
    EXPECT_NEAR(first.m_evm_map[1][13], 10.0f, k_float_tolerance);  // symbol 2 is map row 1
    EXPECT_EQ(first.m_payload_sample_sym.size(), 10u);
    // A second run starts the pilot reference list afresh and gives the same figures.
    ASSERT_TRUE(probe.measure());
    EXPECT_EQ(probe.pilot_ref_seq().size(), 4u);
    EXPECT_EQ(probe.result().m_pilot_evm_rms, first.m_pilot_evm_rms);

    // A window beyond the grid raises.
    probe.configure(small_frame(LIB_OFDM_STANDARD_TYPE_WIFI, 0, k_symbols));
    probe.symbols().pop_back();
    EXPECT_THROW(probe.measure(), std::out_of_range);
}

TEST(MeasurementStage, GaussianNoiseOfKnownPowerGivesTheClosedFormEvm) {
    // 64-point frame, 20 symbols, pilots on 4 columns, 16-QAM everywhere else in the band; noise of
    // power sigma^2 g^2 per cell. sigma = 0.02 is far below half the 16-QAM spacing, so every
    // decision is right and EVM = 100 sigma / sqrt(mean reference power).
    constexpr int n = 64;
    constexpr int symbols = 20;
    constexpr float g = 1.5f;
    constexpr float sigma = 0.02f;
    // ~1000 cells: the measured noise power scatters by ~3 %, the EVM by ~1.6 % (1 sigma).
    constexpr float k_statistical_tolerance = 0.06f;  // relative, ~4 standard deviations
    lib_ofdm_config_manager_t cfg;
    ASSERT_TRUE(cfg.set_analy_symbol_num(symbols));
    ASSERT_TRUE(cfg.set_meas_symbol_num(symbols));
    ASSERT_TRUE(cfg.set_user_boosting(g));
    ASSERT_TRUE(cfg.set_use_ui_map(true));
    std::vector<int> all_symbols;
    for (int s = 0; s < symbols; ++s) all_symbols.push_back(s);
    std::vector<int> data_subcarriers;
    for (int k = -26; k <= 26; ++k)
        if (k != 0 && k != -21 && k != -7 && k != 7 && k != 21) data_subcarriers.push_back(k);
    ASSERT_TRUE(cfg.set_resource_mapping_vct({entry(LIB_OFDM_RESOURCE_FLAG_PILOT, all_symbols, {-21, -7, 7, 21}),
                                              entry(LIB_OFDM_RESOURCE_FLAG_DATA, all_symbols, data_subcarriers,
                                                    LIB_OFDM_MOD_LEVEL_16QAM)}));
    ASSERT_TRUE(cfg.generate_resource_map());
    ASSERT_TRUE(cfg.generate_resource_mod_map());

    measure_probe_t probe;
    probe.configure(cfg);
    std::mt19937 rng(4242);
    std::normal_distribution<float> noise(0.0f, sigma / std::sqrt(2.0f));  // per real axis
    std::uniform_int_distribution<int> level(0, 3);
    const float levels[] = {-k_3u16, -k_u16, k_u16, k_3u16};
    probe.symbols().assign(symbols, complex_vector_t(n, complex_t(0.0f, 0.0f)));
    probe.refs().assign(symbols, complex_vector_t(n, complex_t(0.0f, 0.0f)));
    for (int s = 0; s < symbols; ++s) {
        for (int k = -26; k <= 26; ++k) {
            if (k == 0) continue;
            const bool pilot = (k == -21 || k == -7 || k == 7 || k == 21);
            const complex_t clean = pilot ? complex_t(g, 0.0f) : complex_t(levels[level(rng)], levels[level(rng)]) * g;
            probe.refs()[s][k + n / 2] = clean;
            probe.symbols()[s][k + n / 2] = clean + complex_t(noise(rng), noise(rng)) * g;
        }
    }
    ASSERT_TRUE(probe.measure());
    const lib_ofdm_result_t& r = probe.result();
    // 16-QAM and the pilots have unit mean power, so every class expects 100 sigma.
    const float expected_evm = 100.0f * sigma;
    const float expected_sinr = -20.0f * std::log10(sigma);
    EXPECT_NEAR(r.m_payload_evm_rms, expected_evm, k_statistical_tolerance * expected_evm);
    EXPECT_NEAR(r.m_evm_rms, expected_evm, k_statistical_tolerance * expected_evm);
    EXPECT_NEAR(r.m_payload_sinr, expected_sinr, 20.0f * std::log10(1.0f + k_statistical_tolerance));
    EXPECT_NEAR(r.m_snr_mer, expected_sinr, 20.0f * std::log10(1.0f + k_statistical_tolerance));
    // Only 80 pilot cells: a wider band for their mean.
    EXPECT_NEAR(r.m_pilot_evm_rms, expected_evm, 0.25f * expected_evm);
}

// The stage computed the plain way: cells collected one by one from the maps, |z| rooted in
// double and squared in double, the peak as the first maximum of the EVM list, the overall sums
// over the measured classes' power lists, payload decided cell by cell.
struct plain_class_t {
    complex_vector_t meas, ref;
    std::vector<std::pair<int, int>> at;
    bool measured = false;
    float evm_rms = -100.0f, evm_max = -100.0f, sinr = 0.0f;
    std::vector<float> evm;
};

struct plain_result_t {
    plain_class_t cls[3];
    float evm_rms = -100.0f, evm_max = -100.0f, mer = 0.0f;
    std::vector<std::vector<float>> map;
};

plain_result_t plain_measurement(const lib_ofdm_config_manager_t& cfg, const cell_grid_t& symbols,
                                 const cell_grid_t& refs) {
    const bool_grid_t* maps[3] = {&cfg.get_preamble_index_map(), &cfg.get_pilot_index_map(),
                                  &cfg.get_payload_index_map()};
    const int_grid_t& mod = cfg.get_resource_mod_map_manager().get_resource_mod_map();
    const int n = cfg.get_fft_length();
    const float g = cfg.get_user_boosting();
    plain_result_t out;
    for (int r = 0; r < cfg.get_meas_symbol_num(); ++r) {
        const int s = cfg.get_meas_symbol_offset() + r;
        for (int c = 0; c < n; ++c) {
            for (int k = 0; k < 3; ++k) {
                if (!(*maps[k])[s][c]) continue;
                plain_class_t& cl = out.cls[k];
                cl.meas.push_back(symbols[s][c]);
                cl.at.emplace_back(r, c);
                complex_vector_t decided;
                if (k == 2) lib_ofdm_demod_common_t::demodulation({symbols[s][c]}, 1, mod[s][c], g, decided);
                cl.ref.push_back(k == 2 ? decided.at(0) : refs[s][c]);
            }
        }
    }
    const auto power = [](complex_t z) {
        const double m =
            static_cast<float>(std::sqrt(static_cast<double>(z.real() * z.real() + z.imag() * z.imag())));
        return static_cast<float>(m * m);
    };
    std::vector<float> err_all, ref_all;
    std::vector<float> peaks;
    for (int k = (cfg.get_standard() == LIB_OFDM_STANDARD_TYPE_LTE_UL ? 1 : 0); k < 3; ++k) {
        plain_class_t& cl = out.cls[k];
        if (cl.meas.empty()) continue;
        std::vector<float> err, ref;
        float err_sum = 0.0f, ref_sum = 0.0f;
        for (std::size_t i = 0; i < cl.meas.size(); ++i) {
            err.push_back(power(cl.ref[i] - cl.meas[i]));
            ref.push_back(power(cl.ref[i]));
            err_sum += err.back();
            ref_sum += ref.back();
        }
        const auto cells = static_cast<float>(cl.meas.size());
        const float ref_mean = ref_sum / cells;
        if (!(ref_mean > 0.0f)) continue;
        cl.measured = true;
        cl.evm_rms = static_cast<float>(100.0 * std::sqrt(static_cast<double>(err_sum / cells / ref_mean)));
        for (float e : err)
            cl.evm.push_back(static_cast<float>(100.0 * std::sqrt(static_cast<double>(e / ref_mean))));
        cl.evm_max = cl.evm[0];
        for (float e : cl.evm) cl.evm_max = cl.evm_max < e ? e : cl.evm_max;
        cl.sinr = err_sum == 0.0f
                      ? std::numeric_limits<float>::infinity()
                      : static_cast<float>(10.0 * std::log10(static_cast<double>(ref_sum / err_sum)));
        err_all.insert(err_all.end(), err.begin(), err.end());
        ref_all.insert(ref_all.end(), ref.begin(), ref.end());
        peaks.push_back(cl.evm_max);
    }
    out.map.assign(static_cast<std::size_t>(cfg.get_meas_symbol_num()),
                   std::vector<float>(static_cast<std::size_t>(n), 0.0f));
    for (const plain_class_t& cl : out.cls)
        if (cl.measured)
            for (std::size_t i = 0; i < cl.at.size(); ++i)
                out.map[cl.at[i].first][cl.at[i].second] = cl.evm[i];
    if (!err_all.empty()) {
        float err_sum = 0.0f, ref_sum = 0.0f;
        for (float v : err_all) err_sum += v;
        for (float v : ref_all) ref_sum += v;
        const auto cells = static_cast<float>(err_all.size());
        out.evm_rms =
            static_cast<float>(100.0 * std::sqrt(static_cast<double>(err_sum / cells / (ref_sum / cells))));
        out.mer = err_sum == 0.0f
                      ? std::numeric_limits<float>::infinity()
                      : static_cast<float>(10.0 * std::log10(static_cast<double>(ref_sum / err_sum)));
        out.evm_max = peaks[0];
        for (float v : peaks) out.evm_max = out.evm_max < v ? v : out.evm_max;
    }
    return out;
}

std::uint32_t bits(float v) {
    std::uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

void expect_same_cells(const complex_vector_t& got, const plain_class_t& cl,
                       const complex_vector_t& expected) {
    ASSERT_EQ(got.size(), cl.measured ? expected.size() : 0u);
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(bits(got[i].real()), bits(expected[i].real())) << i;
        EXPECT_EQ(bits(got[i].imag()), bits(expected[i].imag())) << i;
    }
}

// 64-point frame of 12 symbols: preamble on symbol 0, pilots every 6th subcarrier on symbols 1, 5
// and 9, data on the rest of the band in four modulations (two in some symbols), so rows are
// whole stretches of the band or scattered columns. Random cells around the points, a NaN cell
// among the pilots, and in one frame pilot references whose power overflows to infinity.
TEST(MeasurementStage, EqualsThePlainMeasurementBitForBit) {
    constexpr int n = 64;
    constexpr int symbols = 12;
    std::vector<int> band, pilots, rest;
    for (int k = -26; k <= 26; ++k) {
        if (k == 0) continue;
        band.push_back(k);
        (k % 6 == 0 ? pilots : rest).push_back(k);
    }
    const std::vector<int> high(band.begin() + 40, band.end());
    const std::vector<int> low(band.begin(), band.begin() + 40);
    lib_ofdm_config_manager_t cfg;
    ASSERT_TRUE(cfg.set_analy_symbol_num(symbols));
    ASSERT_TRUE(cfg.set_meas_symbol_num(symbols - 1));
    ASSERT_TRUE(cfg.set_meas_symbol_offset(1));
    ASSERT_TRUE(cfg.set_user_boosting(1.7f));
    ASSERT_TRUE(cfg.set_use_ui_map(true));
    ASSERT_TRUE(cfg.set_resource_mapping_vct(
        {entry(LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {0, 1},
               {-20, -19, -18, -17, -16, -15, -14, -13, -12, -11, -10, 10, 12}),
         entry(LIB_OFDM_RESOURCE_FLAG_PILOT, {1, 5, 9}, pilots),
         entry(LIB_OFDM_RESOURCE_FLAG_DATA, {1, 5, 9}, rest, LIB_OFDM_MOD_LEVEL_QPSK),
         entry(LIB_OFDM_RESOURCE_FLAG_DATA, {2, 3, 4}, band, LIB_OFDM_MOD_LEVEL_16QAM),
         entry(LIB_OFDM_RESOURCE_FLAG_DATA, {6, 7, 8, 10}, low, LIB_OFDM_MOD_LEVEL_64QAM),
         entry(LIB_OFDM_RESOURCE_FLAG_DATA, {6, 7, 8, 10}, high, LIB_OFDM_MOD_LEVEL_256QAM),
         entry(LIB_OFDM_RESOURCE_FLAG_DATA, {11}, band, LIB_OFDM_MOD_LEVEL_1024QAM)}));
    ASSERT_TRUE(cfg.generate_resource_map());
    ASSERT_TRUE(cfg.generate_resource_mod_map());
    std::mt19937 rng(8080);
    std::normal_distribution<float> cell(0.0f, 1.0f);
    for (bool huge_pilots : {false, true}) {
        SCOPED_TRACE(huge_pilots);
        cell_grid_t meas(symbols, complex_vector_t(n));
        cell_grid_t refs(symbols, complex_vector_t(n));
        for (int s = 0; s < symbols; ++s) {
            for (int c = 0; c < n; ++c) {
                refs[s][c] = complex_t(cell(rng), cell(rng)) * (huge_pilots && s % 4 == 1 ? 3e19f : 1.0f);
                meas[s][c] = refs[s][c] + complex_t(cell(rng), cell(rng)) * 0.1f;
            }
        }
        meas[5][n / 2 + 12] = complex_t(std::numeric_limits<float>::quiet_NaN(), 0.0f);
        meas[9][n / 2 - 24] = -refs[9][n / 2 - 24];  // an infinite error power beside infinite references
        const plain_result_t plain = plain_measurement(cfg, meas, refs);
        for (bool cached : {false, true}) {
            SCOPED_TRACE(cached);
            measure_probe_t probe;
            probe.configure(cfg);
            if (cached) probe.list_columns();
            probe.symbols() = meas;
            probe.refs() = refs;
            ASSERT_TRUE(probe.measure());
            ASSERT_TRUE(probe.measure());  // a second run over the storage of the first
            const lib_ofdm_result_t& r = probe.result();
            const float got[] = {r.m_preamble_evm_rms, r.m_preamble_evm_max, r.m_preamble_sinr,
                                 r.m_pilot_evm_rms,    r.m_pilot_evm_max,    r.m_pilot_sinr,
                                 r.m_payload_evm_rms,  r.m_payload_evm_max,  r.m_payload_sinr,
                                 r.m_evm_rms,          r.m_evm_max,          r.m_snr_mer};
            const float expected[] = {plain.cls[0].evm_rms, plain.cls[0].evm_max, plain.cls[0].sinr,
                                      plain.cls[1].evm_rms, plain.cls[1].evm_max, plain.cls[1].sinr,
                                      plain.cls[2].evm_rms, plain.cls[2].evm_max, plain.cls[2].sinr,
                                      plain.evm_rms,        plain.evm_max,        plain.mer};
            for (std::size_t i = 0; i < std::size(got); ++i)
                EXPECT_EQ(bits(got[i]), bits(expected[i])) << "figure " << i;
            expect_same_cells(r.m_preamble_sample_data, plain.cls[0], plain.cls[0].meas);
            expect_same_cells(r.m_preamble_ref_iq, plain.cls[0], plain.cls[0].ref);
            expect_same_cells(r.m_pilot_sample_iq, plain.cls[1], plain.cls[1].meas);
            expect_same_cells(r.m_pilot_ref_iq, plain.cls[1], plain.cls[1].ref);
            expect_same_cells(r.m_payload_sample_sym, plain.cls[2], plain.cls[2].meas);
            ASSERT_EQ(r.m_evm_map.size(), plain.map.size());
            for (std::size_t s = 0; s < plain.map.size(); ++s)
                for (std::size_t c = 0; c < n; ++c)
                    EXPECT_EQ(bits(r.m_evm_map[s][c]), bits(plain.map[s][c])) << s << "," << c;
        }
    }
}

TEST(RowGather, StretchwiseMovesEqualTheCellByCellOnes) {
    // Rows of ascending columns made of stretches of random lengths (single cells, up to 40, or
    // 100 to 400 with single gaps: the stretch-wise path) separated by random gaps; every cell must
    // land where the plain indexed loop puts it, and the scatter must touch only listed columns.
    std::mt19937 rng(4242);
    std::uniform_int_distribution<int> short_stretch(1, 40);
    std::uniform_int_distribution<int> long_stretch(100, 400);
    std::uniform_int_distribution<int> gap(1, 3);
    int stretchwise = 0;
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<int> columns;
        int c = trial % 5;
        const int target = 1 + (trial * 37) % 900;
        while (static_cast<int>(columns.size()) < target) {
            const int kind = trial % 3;
            const int len = kind == 0 ? 1 : kind == 1 ? short_stretch(rng) : long_stretch(rng);
            for (int i = 0; i < len; ++i) columns.push_back(c++);
            c += kind == 2 ? 1 : gap(rng) + (trial % 7 == 0 ? 20 : 0);
        }
        const detail::row_columns_t row{columns.data(), columns.size()};
        stretchwise += detail::long_stretches(row) ? 1 : 0;
        std::vector<int> src(static_cast<std::size_t>(c) + 1);
        for (int& v : src) v = static_cast<int>(rng());
        std::vector<int> packed(columns.size(), -1);
        detail::gather_row(row, src.data(), packed.data());
        std::vector<int> back(src.size(), 7);
        std::vector<int> plain_back(src.size(), 7);
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
    float evm = 0.0f;
    float sinr = 0.0f;
    std::vector<float> cells;
    std::vector<float> err_all = {7.0f};
    std::vector<float> ref_all = {9.0f};
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
    EXPECT_THROW(lib_ofdm_demod_common_t::deal_evm_and_sinr(meas, {{1, 0}}, evm, cells, sinr, err_all, ref_all),
                 std::out_of_range);
}

}  // namespace
}  // namespace vek::ofdm_demod_lib
