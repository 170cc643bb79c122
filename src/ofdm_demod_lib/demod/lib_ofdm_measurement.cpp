// EVM and SINR measurement: the last pipeline stage. Preamble and pilot cells are measured against
// their known reference values, payload cells against the hard decisions of their own received
// values; each class gives RMS and peak EVM (percent of its RMS reference amplitude) and a SINR,
// and all measured cells together give the overall EVM and the modulation error ratio.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "lib_ofdm_row_gather.hpp"
#include "vek/common_lib/math/lib_cpu_dispatch.hpp"
#include "vek/common_lib/math/lib_float4.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {
namespace {

constexpr float k_no_evm_percent = -100.0f;  // marks an EVM that cannot be measured

// 10 log10(signal / error) in dB; +inf when there is no error at all.
float power_ratio_db(double signal_power, double error_power) {
    if (error_power == 0.0) return std::numeric_limits<float>::infinity();
    return static_cast<float>(10.0 * std::log10(signal_power / error_power));
}

// Error and reference power of every cell, |z|^2 rounded once; the loop vectorises (eight cells
// per register where the processor has AVX).
VEK_CLONE_FOR_AVX void cell_powers(const complex_t* meas, const complex_t* ref, std::size_t n, float* err_pow,
                                   float* ref_pow) {
    const float* m = reinterpret_cast<const float*>(meas);
    const float* r = reinterpret_cast<const float*>(ref);
    for (std::size_t i = 0; i < n; ++i) {
        const float ri = r[2 * i];
        const float rq = r[2 * i + 1];
        const float ei = ri - m[2 * i];
        const float eq = rq - m[2 * i + 1];
        err_pow[i] = ei * ei + eq * eq;
        ref_pow[i] = ri * ri + rq * rq;
    }
}

// Power sums of the cells measured so far, over every class.
struct running_sums_t {
    double err = 0.0;
    double ref = 0.0;
    std::size_t cells = 0;
};

struct class_figures_t {
    bool measured = false;
    float evm_rms = k_no_evm_percent;
    float evm_max = k_no_evm_percent;
    float sinr = 0.0f;
};

// The power sums of a class in double precision (a frame's tens of thousands of cells summed in
// single precision would lose several digits), and the largest error power.
struct class_sums_t {
    double err = 0.0;
    double ref = 0.0;
    float err_max = 0.0f;
};

// Eight interleaved partial sums (cell i in sum i mod 8, added together at the end), so that the
// loop vectorises. The largest error power is the first maximum of a walk that keeps its value
// unless a later one is larger: NaN exactly when the first cell's is, a value unchanged by the
// order of the walk otherwise.
VEK_CLONE_FOR_AVX class_sums_t sum_class_powers(const float* err_pow, const float* ref_pow, std::size_t n) {
    using common_lib::float4::float4_t;
    using common_lib::float4::load;
    using double4_t = double __attribute__((vector_size(32)));
    constexpr std::size_t lanes = 4;
    // Two sums of each kind per lane, cells 8j + l and 8j + 4 + l: two chains of additions to
    // hide each one's latency.
    double4_t err[2] = {};
    double4_t ref[2] = {};
    float4_t most = common_lib::float4::splat(err_pow[0]);
    std::size_t i = 0;
    for (; i + 2 * lanes <= n; i += 2 * lanes) {
        for (std::size_t h = 0; h < 2; ++h) {
            const float4_t e = load(err_pow + i + lanes * h);
            err[h] += __builtin_convertvector(e, double4_t);
            ref[h] += __builtin_convertvector(load(ref_pow + i + lanes * h), double4_t);
            most = most < e ? e : most;
        }
    }
    for (; i < n; ++i) {
        err[0][0] += static_cast<double>(err_pow[i]);
        ref[0][0] += static_cast<double>(ref_pow[i]);
        most[0] = most[0] < err_pow[i] ? err_pow[i] : most[0];
    }
    const double4_t err_lanes = err[0] + err[1];
    const double4_t ref_lanes = ref[0] + ref[1];
    class_sums_t sums;
    sums.err = (err_lanes[0] + err_lanes[1]) + (err_lanes[2] + err_lanes[3]);
    sums.ref = (ref_lanes[0] + ref_lanes[1]) + (ref_lanes[2] + ref_lanes[3]);
    sums.err_max = most[0];
    for (std::size_t l = 1; l < lanes; ++l) sums.err_max = sums.err_max < most[l] ? most[l] : sums.err_max;
    return sums;
}

// EVM in percent of each cell: scale sqrt(err) with scale = 100 / sqrt(mean reference power),
// single-precision roots eight to a register where the processor has them.
VEK_CLONE_FOR_AVX void cell_evms(const float* err, float scale, std::size_t n, float* evm) {
    for (std::size_t i = 0; i < n; ++i) evm[i] = scale * std::sqrt(err[i]);
}

// One class: per-cell powers and EVMs (n entries each, written from the given pointers) and the
// class figures. A class whose references have no power is not measured: nothing is added to
// the overall sums then, and the EVM cells are left unwritten.
class_figures_t measure_class(const complex_t* meas, const complex_t* ref, std::size_t n, float* err_pow,
                              float* ref_pow, float* evm_cells, running_sums_t& overall) {
    class_figures_t figures;
    if (n == 0) return figures;
    cell_powers(meas, ref, n, err_pow, ref_pow);
    const class_sums_t sums = sum_class_powers(err_pow, ref_pow, n);
    const auto cells = static_cast<double>(n);
    const double ref_mean = sums.ref / cells;
    // References without power give no scale to measure against: the class counts as not
    // measured, like a class without cells, and adds nothing to the overall figures.
    if (!(ref_mean > 0.0)) return figures;
    overall.err += sums.err;
    overall.ref += sums.ref;
    overall.cells += n;
    figures.measured = true;
    figures.evm_rms = static_cast<float>(100.0 * std::sqrt(sums.err / sums.ref));
    const auto scale = static_cast<float>(100.0 / std::sqrt(ref_mean));
    cell_evms(err_pow, scale, n, evm_cells);
    if (ref_mean < std::numeric_limits<double>::infinity()) {
        // The cells' EVM rises with their error power: the largest is that of the largest power.
        figures.evm_max = scale * std::sqrt(sums.err_max);
    } else {
        // A cell of infinite reference power: every EVM is 0 or, for an infinite error power, NaN.
        // The first maximum over the EVMs themselves.
        figures.evm_max = evm_cells[0];
        for (std::size_t i = 1; i < n; ++i)
            figures.evm_max = figures.evm_max < evm_cells[i] ? evm_cells[i] : figures.evm_max;
    }
    figures.sinr = power_ratio_db(sums.ref, sums.err);
    return figures;
}

using detail::gather_row;
using detail::row_columns_t;
using detail::scatter_row;

constexpr std::size_t k_classes = 3;  // preamble, pilot, payload: the order of the EVM map writes

// The flagged columns of one row below fft_length, walked over the maps' bits; every cell a flag
// names must exist in the row's cells (and references or modulation codes, as the class reads
// them): all accesses are range-checked.
void walk_row(const std::vector<bool>& preamble, const std::vector<bool>& pilot,
              const std::vector<bool>& payload, const complex_vector_t& meas, const complex_vector_t& ref,
              const std::vector<int>& mod, int fft_length, std::vector<int>* columns) {
    for (std::size_t k = 0; k < k_classes; ++k) columns[k].clear();
    for (int j = 0; j < fft_length; ++j) {
        const auto c = static_cast<std::size_t>(j);
        if (preamble.at(c)) {
            static_cast<void>(meas.at(c));
            static_cast<void>(ref.at(c));
            columns[0].push_back(j);
        }
        if (pilot.at(c)) {
            static_cast<void>(meas.at(c));
            static_cast<void>(ref.at(c));
            columns[1].push_back(j);
        }
        if (payload.at(c)) {
            static_cast<void>(meas.at(c));
            static_cast<void>(mod.at(c));
            columns[2].push_back(j);
        }
    }
}

// Working storage of the stage, kept per thread from run to run: a frame's worth of cells is large
// enough that fresh buffers would be handed back to the system and faulted in again every run.
struct measurement_scratch_t {
    std::vector<row_columns_t> rows;       // k_classes per measured row
    std::vector<std::vector<int>> walked;  // columns of rows walked over the maps' bits
    std::vector<int> payload_levels;
    complex_vector_t payload_ref;
    std::vector<float> err_pow;  // every class's cells, class after class
    std::vector<float> ref_pow;
    std::vector<float> evm;
};

}  // namespace

void lib_ofdm_demod_common_t::deal_evm_and_sinr(const complex_vector_t& meas, const complex_vector_t& ref,
                                                float& evm_rms, std::vector<float>& evm_cells, float& sinr,
                                                std::vector<float>& err_pow_all, std::vector<float>& ref_pow_all) {
    evm_cells.clear();
    evm_rms = k_no_evm_percent;
    sinr = 0.0f;
    if (meas.empty()) return;

    // A reference list shorter than the cells raises std::out_of_range at its first missing entry.
    if (ref.size() < meas.size()) static_cast<void>(ref.at(ref.size()));
    // The class's powers go straight to the end of the overall lists, taken back when the class
    // turns out not measurable.
    const std::size_t first = err_pow_all.size();
    const std::size_t ref_first = ref_pow_all.size();
    err_pow_all.resize(first + meas.size());
    ref_pow_all.resize(ref_first + meas.size());
    evm_cells.resize(meas.size());
    running_sums_t unused;
    const class_figures_t figures =
        measure_class(meas.data(), ref.data(), meas.size(), err_pow_all.data() + first,
                      ref_pow_all.data() + ref_first, evm_cells.data(), unused);
    if (!figures.measured) {
        err_pow_all.resize(first);
        ref_pow_all.resize(ref_first);
        evm_cells.clear();
        return;
    }
    evm_rms = figures.evm_rms;
    sinr = figures.sinr;
}

void lib_ofdm_demod_t::_list_class_columns(std::size_t width, reference_cache_t::class_columns_t& columns) const {
    const bool_grid_t& preamble_map = m_config_manager.get_preamble_index_map();
    const bool_grid_t& pilot_map = m_config_manager.get_pilot_index_map();
    const bool_grid_t& payload_map = m_config_manager.get_payload_index_map();
    const std::size_t rows = std::min({preamble_map.size(), pilot_map.size(), payload_map.size()});
    columns.width = width;
    columns.complete.assign(rows, false);
    columns.preamble.assign(rows, {});
    columns.pilot.assign(rows, {});
    columns.payload.assign(rows, {});
    for (std::size_t s = 0; s < rows; ++s) {
        if (preamble_map[s].size() < width || pilot_map[s].size() < width || payload_map[s].size() < width) continue;
        columns.complete[s] = true;
        for (std::size_t c = 0; c < width; ++c) {
            if (preamble_map[s][c]) columns.preamble[s].push_back(static_cast<int>(c));
            if (pilot_map[s][c]) columns.pilot[s].push_back(static_cast<int>(c));
            if (payload_map[s][c]) columns.payload[s].push_back(static_cast<int>(c));
        }
    }
}

bool lib_ofdm_demod_t::_deal_ofdm_evm_data() {
    const lib_ofdm_config_manager_t& cfg = m_config_manager;
    const int offset = cfg.get_meas_symbol_offset();
    const int count = cfg.get_meas_symbol_num() > 0 ? cfg.get_meas_symbol_num() : 0;
    const int fft_length = cfg.get_fft_length() > 0 ? cfg.get_fft_length() : 0;
    const float g = cfg.get_user_boosting();
    const bool_grid_t& preamble_map = cfg.get_preamble_index_map();
    const bool_grid_t& pilot_map = cfg.get_pilot_index_map();
    const bool_grid_t& payload_map = cfg.get_payload_index_map();
    const int_grid_t& mod_map = cfg.get_resource_mod_map_manager().get_resource_mod_map();

    m_meas_symbol_index.clear();
    for (int r = 0; r < count; ++r) m_meas_symbol_index.push_back(offset + r);
    m_meas_count = count;

    // The cell lists of the classes are written in place below, sized to this run's cells: at
    // the size of the last run (the usual case) that costs nothing, where clearing them first
    // would have them filled twice.
    lib_ofdm_result_t& result = m_result;
    complex_vector_t* const cell_lists[] = {&result.m_preamble_sample_data, &result.m_preamble_ref_iq,
                                            &result.m_pilot_sample_iq, &m_pilot_ref_seq,
                                            &result.m_payload_sample_sym};
    result.m_pilot_ref_iq.clear();
    result.m_preamble_sinr = 0.0f;
    result.m_pilot_sinr = 0.0f;
    result.m_payload_sinr = 0.0f;
    result.m_snr_mer = 0.0f;
    result.m_ofdm_vaild_num = count;
    // The demodulated grid moves to the result, and the member takes the previous result's rows:
    // the next run's symbol transform overwrites every row it keeps, so a frame's worth of cells is
    // neither copied nor allocated anew.
    result.m_ofdm_demod_data.swap(m_symbol_freq_data);
    const cell_grid_t& demodulated = result.m_ofdm_demod_data;
    // Rows assigned in place keep their storage from the last run.
    const auto width = static_cast<std::size_t>(fft_length);
    result.m_evm_map.resize(static_cast<std::size_t>(count));
    for (std::vector<float>& row : result.m_evm_map) row.assign(width, 0.0f);
    result.m_data_ref = _deal_data_ref(cfg.get_resource_mapping_vct(), g);
    // The list of this run (the tracker copies the member before it is rebuilt here).
    result.m_meas_symbol_range = m_meas_symbol_index;

    // First the flagged columns of every class in every measured row: from the cache where it
    // covers the row and every cell of the row exists, else by a walk over the maps' bits in which
    // all accesses are range-checked, so a measurement window that reaches beyond the demodulated
    // grid or the maps raises std::out_of_range before anything is collected.
    thread_local measurement_scratch_t scratch;
    const auto rows = static_cast<std::size_t>(count);
    scratch.rows.assign(rows * k_classes, row_columns_t{});
    const reference_cache_t::class_columns_t* columns =
        m_reference_cache.valid && m_reference_cache.columns.width == width ? &m_reference_cache.columns : nullptr;
    std::size_t class_size[k_classes] = {0, 0, 0};
    bool every_row_cached = columns != nullptr;
    try {
        for (std::size_t r = 0; r < rows; ++r) {
            const std::size_t s = static_cast<std::size_t>(offset) + r;
            const complex_vector_t& ref_row = m_ref_freq_data.at(s);
            const complex_vector_t& meas_row = demodulated.at(s);
            const std::vector<int>& mod_row = mod_map.at(s);
            const std::vector<bool>& preamble_row = preamble_map.at(s);
            const std::vector<bool>& pilot_row = pilot_map.at(s);
            const std::vector<bool>& payload_row = payload_map.at(s);
            row_columns_t* row = &scratch.rows[k_classes * r];
            if (columns != nullptr && s < columns->complete.size() && columns->complete[s] &&
                ref_row.size() >= width && meas_row.size() >= width && mod_row.size() >= width) {
                const std::vector<int>* lists[k_classes] = {&columns->preamble[s], &columns->pilot[s],
                                                            &columns->payload[s]};
                for (std::size_t k = 0; k < k_classes; ++k) row[k] = {lists[k]->data(), lists[k]->size()};
            } else {
                every_row_cached = false;
                if (scratch.walked.size() < rows * k_classes) scratch.walked.resize(rows * k_classes);
                std::vector<int>* walked = &scratch.walked[k_classes * r];
                walk_row(preamble_row, pilot_row, payload_row, meas_row, ref_row, mod_row, fft_length,
                         walked);
                for (std::size_t k = 0; k < k_classes; ++k) row[k] = {walked[k].data(), walked[k].size()};
            }
            for (std::size_t k = 0; k < k_classes; ++k) class_size[k] += row[k].size;
        }
    } catch (...) {
        // A run that stops here reports no cells.
        for (complex_vector_t* list : cell_lists) list->clear();
        throw;
    }

    // Then every class's cells collected in row order, written by index (all checked above).
    // An uplink frame has no preamble to measure (its demodulation reference signals are pilots).
    const bool preamble_measurable = cfg.get_standard() != LIB_OFDM_STANDARD_TYPE_LTE_UL;
    if (!preamble_measurable) class_size[0] = 0;
    result.m_preamble_sample_data.resize(class_size[0]);
    result.m_preamble_ref_iq.resize(class_size[0]);
    result.m_pilot_sample_iq.resize(class_size[1]);
    m_pilot_ref_seq.resize(class_size[1]);
    result.m_payload_sample_sym.resize(class_size[2]);
    // The payload cells' modulation codes depend on the configuration alone: where every row's
    // columns came from the configuration's lists, the codes collected by an earlier run serve.
    reference_cache_t& cache = m_reference_cache;
    const bool levels_cached =
        every_row_cached && cache.payload_levels_ready && cache.payload_levels.size() == class_size[2];
    if (!levels_cached) scratch.payload_levels.resize(class_size[2]);
    complex_t* const preamble_meas = result.m_preamble_sample_data.data();
    complex_t* const preamble_ref = result.m_preamble_ref_iq.data();
    complex_t* const pilot_meas = result.m_pilot_sample_iq.data();
    complex_t* const pilot_ref = m_pilot_ref_seq.data();
    complex_t* const payload_meas = result.m_payload_sample_sym.data();
    int* const payload_levels = scratch.payload_levels.data();
    std::size_t next[k_classes] = {0, 0, 0};
    for (std::size_t r = 0; r < rows; ++r) {
        const std::size_t s = static_cast<std::size_t>(offset) + r;
        const complex_t* meas_row = demodulated[s].data();
        const complex_t* ref_row = m_ref_freq_data[s].data();
        const int* mod_row = mod_map[s].data();
        const row_columns_t* row = &scratch.rows[k_classes * r];
        if (preamble_measurable) {
            gather_row(row[0], meas_row, preamble_meas + next[0]);
            gather_row(row[0], ref_row, preamble_ref + next[0]);
            next[0] += row[0].size;
        }
        gather_row(row[1], meas_row, pilot_meas + next[1]);
        gather_row(row[1], ref_row, pilot_ref + next[1]);
        next[1] += row[1].size;
        gather_row(row[2], meas_row, payload_meas + next[2]);
        if (!levels_cached) gather_row(row[2], mod_row, payload_levels + next[2]);
        next[2] += row[2].size;
    }
    if (every_row_cached && !levels_cached) {
        cache.payload_levels = scratch.payload_levels;
        cache.payload_levels_ready = true;
    }
    const std::vector<int>& levels = levels_cached ? cache.payload_levels : scratch.payload_levels;

    // Payload references are the nearest constellation points of the received cells themselves
    // (no amplitude normalisation: the cells are already equalised to the nominal level g).
    if (class_size[2] > 0)
        lib_ofdm_demod_common_t::get_refer_data(result.m_payload_sample_sym, levels, g, scratch.payload_ref);

    // Each class's powers and EVMs go to its share of the per-cell buffers.
    const std::size_t cells = class_size[0] + class_size[1] + class_size[2];
    scratch.err_pow.resize(cells);
    scratch.ref_pow.resize(cells);
    scratch.evm.resize(cells);
    const complex_t* class_meas[k_classes] = {preamble_meas, pilot_meas, payload_meas};
    const complex_t* class_ref[k_classes] = {preamble_ref, pilot_ref, scratch.payload_ref.data()};
    std::size_t class_first[k_classes] = {0, class_size[0], class_size[0] + class_size[1]};
    class_figures_t figures[k_classes];
    running_sums_t overall;
    float class_max[k_classes];
    std::size_t measured_classes = 0;
    for (std::size_t k = 0; k < k_classes; ++k) {
        const std::size_t first = class_first[k];
        figures[k] = measure_class(class_meas[k], class_ref[k], class_size[k], scratch.err_pow.data() + first,
                                   scratch.ref_pow.data() + first, scratch.evm.data() + first, overall);
        if (figures[k].measured) class_max[measured_classes++] = figures[k].evm_max;
    }
    result.m_preamble_evm_rms = figures[0].evm_rms;
    result.m_preamble_evm_max = figures[0].evm_max;
    result.m_preamble_sinr = figures[0].sinr;
    result.m_pilot_evm_rms = figures[1].evm_rms;
    result.m_pilot_evm_max = figures[1].evm_max;
    result.m_pilot_sinr = figures[1].sinr;
    result.m_payload_evm_rms = figures[2].evm_rms;
    result.m_payload_evm_max = figures[2].evm_max;
    result.m_payload_sinr = figures[2].sinr;
    // The class vectors hold the collected cells; a class that is not measured reports none.
    if (!figures[0].measured) {
        result.m_preamble_sample_data.clear();
        result.m_preamble_ref_iq.clear();
    }
    if (figures[1].measured)
        result.m_pilot_ref_iq = m_pilot_ref_seq;
    else
        result.m_pilot_sample_iq.clear();
    if (!figures[2].measured) result.m_payload_sample_sym.clear();

    // The EVM map row by row, classes in the order preamble, pilot, payload: a cell flagged in
    // several maps keeps the value of the last class.
    std::size_t taken[k_classes] = {class_first[0], class_first[1], class_first[2]};
    for (std::size_t r = 0; r < rows; ++r) {
        float* map_row = result.m_evm_map[r].data();
        const row_columns_t* row = &scratch.rows[k_classes * r];
        for (std::size_t k = 0; k < k_classes; ++k) {
            if (!figures[k].measured) continue;
            scatter_row(row[k], scratch.evm.data() + taken[k], map_row);
            taken[k] += row[k].size;
        }
    }

    // Overall figures weigh every measured cell equally, whatever its class.
    if (overall.cells == 0) {
        result.m_evm_rms = k_no_evm_percent;
        result.m_snr_mer = 0.0f;
    } else {
        result.m_evm_rms = static_cast<float>(100.0 * std::sqrt(overall.err / overall.ref));
        result.m_snr_mer = power_ratio_db(overall.ref, overall.err);
    }
    // The first maximum over the measured classes.
    float evm_max = k_no_evm_percent;
    if (measured_classes > 0) {
        evm_max = class_max[0];
        for (std::size_t k = 1; k < measured_classes; ++k)
            evm_max = evm_max < class_max[k] ? class_max[k] : evm_max;
    }
    result.m_evm_max = evm_max;

    VEK_OFDM_LOG_DEBUG("m_evm_rms is {}", result.m_evm_rms);
    VEK_OFDM_LOG_DEBUG("m_evm_max is {}", result.m_evm_max);
    return true;
}

}  // namespace vek::ofdm_demod_lib
