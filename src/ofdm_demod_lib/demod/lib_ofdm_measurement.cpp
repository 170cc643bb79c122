// EVM and SINR measurement: the last pipeline stage. Preamble and pilot cells are measured against
// their known reference values, payload cells against the hard decisions of their own received
// values; each class gives RMS and peak EVM (percent of its RMS reference amplitude) and a SINR,
// and all measured cells together give the overall EVM and the modulation error ratio.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#include "vek/common_lib/math/lib_common_container.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {
namespace {

using vek::common_lib::lib_common_container_t;
using vek::common_lib::lib_common_math_t;

constexpr float k_no_evm_percent = -100.0f;  // marks an EVM that cannot be measured

// |z|^2 with the magnitude taken in single precision and squared in double.
float cell_power(const complex_t& z) {
    const double magnitude = lib_common_math_t::get_complex_amplitude(z);
    return static_cast<float>(magnitude * magnitude);
}

// 10 log10(signal / error) in dB; +inf when there is no error at all.
float power_ratio_db(float signal_power, float error_power) {
    if (error_power == 0.0f) return std::numeric_limits<float>::infinity();
    return static_cast<float>(10.0 * std::log10(static_cast<double>(signal_power / error_power)));
}

// The cells of one resource class in collection order, with where each came from.
struct class_cells_t {
    complex_vector_t meas;
    complex_vector_t ref;
    std::vector<int> levels;                   // payload only: modulation code per cell
    std::vector<std::pair<int, int>> position; // (row of the EVM map, cell)

    void add(const complex_t& cell, int map_row, int column) {
        meas.push_back(cell);
        position.emplace_back(map_row, column);
    }

    void reserve(std::size_t cells) {
        meas.reserve(cells);
        ref.reserve(cells);
        levels.reserve(cells);
        position.reserve(cells);
    }
};

struct class_outcome_t {
    bool measured = false;
    float evm_rms = k_no_evm_percent;
    float evm_max = k_no_evm_percent;
    float sinr = 0.0f;
    std::vector<float> evm_cells;
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
    // The class's powers go straight to the end of the overall lists (taken back when the class
    // turns out not measurable), cell by cell first (independent, so the loop vectorises), then
    // the sums in cell order.
    const std::size_t first = err_pow_all.size();
    const std::size_t ref_first = ref_pow_all.size();
    err_pow_all.resize(first + meas.size());
    ref_pow_all.resize(ref_first + meas.size());
    float* err_pow = err_pow_all.data() + first;
    float* ref_pow = ref_pow_all.data() + ref_first;
    for (std::size_t i = 0; i < meas.size(); ++i) {
        const complex_t r = ref[i];
        err_pow[i] = cell_power(r - meas[i]);
        ref_pow[i] = cell_power(r);
    }
    float err_sum = 0.0f;
    float ref_sum = 0.0f;
    for (std::size_t i = 0; i < meas.size(); ++i) {
        err_sum += err_pow[i];
        ref_sum += ref_pow[i];
    }
    // The means are these sums (accumulated in the same order from zero) over the cell count.
    const auto cells = static_cast<float>(meas.size());
    const float ref_mean = ref_sum / cells;
    // References without power give no scale to measure against: the class counts as not
    // measured, like a class without cells, and adds nothing to the overall figures.
    if (!(ref_mean > 0.0f)) {
        err_pow_all.resize(first);
        ref_pow_all.resize(ref_first);
        return;
    }
    const float err_mean = err_sum / cells;

    evm_rms = static_cast<float>(100.0 * std::sqrt(static_cast<double>(err_mean / ref_mean)));
    evm_cells.resize(meas.size());
    for (std::size_t i = 0; i < meas.size(); ++i)
        evm_cells[i] = static_cast<float>(100.0 * std::sqrt(static_cast<double>(err_pow[i] / ref_mean)));
    sinr = power_ratio_db(ref_sum, err_sum);
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
    m_pilot_ref_seq.clear();

    lib_ofdm_result_t& result = m_result;
    result.m_preamble_sample_data.clear();
    result.m_preamble_ref_iq.clear();
    result.m_pilot_sample_iq.clear();
    result.m_pilot_ref_iq.clear();
    result.m_payload_sample_sym.clear();
    result.m_preamble_sinr = 0.0f;
    result.m_pilot_sinr = 0.0f;
    result.m_payload_sinr = 0.0f;
    result.m_snr_mer = 0.0f;
    result.m_ofdm_vaild_num = count;
    result.m_ofdm_demod_data = m_symbol_freq_data;
    result.m_evm_map.assign(static_cast<std::size_t>(count), std::vector<float>(static_cast<std::size_t>(fft_length), 0.0f));
    result.m_data_ref = _deal_data_ref(cfg.get_resource_mapping_vct(), g);
    // The list of this run (the tracker copies the member before it is rebuilt here).
    result.m_meas_symbol_range = m_meas_symbol_index;

    // Collect every class's cells; all accesses are range-checked, so a measurement window that
    // reaches beyond the demodulated grid or the maps raises std::out_of_range.
    class_cells_t preamble;
    class_cells_t pilot;
    class_cells_t payload;
    const auto width = static_cast<std::size_t>(fft_length);
    const reference_cache_t::class_columns_t* columns =
        m_reference_cache.valid && m_reference_cache.columns.width == width ? &m_reference_cache.columns : nullptr;
    if (columns != nullptr) {
        // The class sizes are known from the lists: room made once instead of growing cell by cell.
        std::size_t counts[3] = {0, 0, 0};
        for (int r = 0; r < count; ++r) {
            const auto s = static_cast<std::size_t>(offset + r);
            if (s >= columns->complete.size()) break;
            counts[0] += columns->preamble[s].size();
            counts[1] += columns->pilot[s].size();
            counts[2] += columns->payload[s].size();
        }
        preamble.reserve(counts[0]);
        pilot.reserve(counts[1]);
        m_pilot_ref_seq.reserve(counts[1]);
        payload.reserve(counts[2]);
    }
    for (int r = 0; r < count; ++r) {
        const auto s = static_cast<std::size_t>(offset + r);
        const complex_vector_t& ref_row = m_ref_freq_data.at(s);
        const complex_vector_t& meas_row = m_symbol_freq_data.at(s);
        const std::vector<int>& mod_row = mod_map.at(s);
        const std::vector<bool>& preamble_row = preamble_map.at(s);
        const std::vector<bool>& pilot_row = pilot_map.at(s);
        const std::vector<bool>& payload_row = payload_map.at(s);
        if (columns != nullptr && s < columns->complete.size() && columns->complete[s] && ref_row.size() >= width &&
            meas_row.size() >= width && mod_row.size() >= width) {
            // Every cell of the row exists: the flagged columns from the cache, no walk over
            // the maps' bits and no range check per cell.
            for (const int j : columns->preamble[s]) {
                preamble.add(meas_row[static_cast<std::size_t>(j)], r, j);
                preamble.ref.push_back(ref_row[static_cast<std::size_t>(j)]);
            }
            for (const int j : columns->pilot[s]) {
                pilot.add(meas_row[static_cast<std::size_t>(j)], r, j);
                m_pilot_ref_seq.push_back(ref_row[static_cast<std::size_t>(j)]);
            }
            for (const int j : columns->payload[s]) {
                payload.add(meas_row[static_cast<std::size_t>(j)], r, j);
                payload.levels.push_back(mod_row[static_cast<std::size_t>(j)]);
            }
            continue;
        }
        for (int j = 0; j < fft_length; ++j) {
            const auto c = static_cast<std::size_t>(j);
            if (preamble_row.at(c)) {
                preamble.add(meas_row.at(c), r, j);
                preamble.ref.push_back(ref_row.at(c));
            }
            if (pilot_row.at(c)) {
                pilot.add(meas_row.at(c), r, j);
                m_pilot_ref_seq.push_back(ref_row.at(c));
            }
            if (payload_row.at(c)) {
                payload.add(meas_row.at(c), r, j);
                payload.levels.push_back(mod_row.at(c));
            }
        }
    }
    pilot.ref = m_pilot_ref_seq;

    // Every measured cell's powers; their storage is kept per thread from run to run (a frame's
    // worth of cells is large enough to be handed back to the system and faulted in again).
    thread_local std::vector<float> err_pow_all;
    thread_local std::vector<float> ref_pow_all;
    err_pow_all.clear();
    ref_pow_all.clear();
    std::vector<float> class_max;
    const auto measure = [&](const complex_vector_t& meas, const complex_vector_t& ref) {
        class_outcome_t outcome;
        lib_ofdm_demod_common_t::deal_evm_and_sinr(meas, ref, outcome.evm_rms, outcome.evm_cells, outcome.sinr,
                                                   err_pow_all, ref_pow_all);
        if (outcome.evm_cells.empty()) return outcome;
        outcome.measured = true;
        outcome.evm_max = lib_common_container_t::get_max_value(outcome.evm_cells);
        class_max.push_back(outcome.evm_max);
        return outcome;
    };

    // An uplink frame has no preamble to measure (its demodulation reference signals are pilots).
    class_outcome_t preamble_outcome;
    if (cfg.get_standard() != LIB_OFDM_STANDARD_TYPE_LTE_UL && !preamble.meas.empty())
        preamble_outcome = measure(preamble.meas, preamble.ref);
    result.m_preamble_evm_rms = preamble_outcome.evm_rms;
    result.m_preamble_evm_max = preamble_outcome.evm_max;
    result.m_preamble_sinr = preamble_outcome.sinr;
    // The class vectors are not read after their measurement: moved into the result, not copied.
    if (preamble_outcome.measured) {
        result.m_preamble_sample_data = std::move(preamble.meas);
        result.m_preamble_ref_iq = std::move(preamble.ref);
    }

    class_outcome_t pilot_outcome;
    if (!pilot.meas.empty()) pilot_outcome = measure(pilot.meas, pilot.ref);
    result.m_pilot_evm_rms = pilot_outcome.evm_rms;
    result.m_pilot_evm_max = pilot_outcome.evm_max;
    result.m_pilot_sinr = pilot_outcome.sinr;
    if (pilot_outcome.measured) {
        result.m_pilot_sample_iq = std::move(pilot.meas);
        result.m_pilot_ref_iq = std::move(pilot.ref);
    }

    // Payload references are the nearest constellation points of the received cells themselves
    // (no amplitude normalisation: the cells are already equalised to the nominal level g).
    class_outcome_t payload_outcome;
    if (!payload.meas.empty() && !payload.levels.empty()) {
        lib_ofdm_demod_common_t::get_refer_data(payload.meas, payload.levels, g, payload.ref);
        payload_outcome = measure(payload.meas, payload.ref);
    }
    result.m_payload_evm_rms = payload_outcome.evm_rms;
    result.m_payload_evm_max = payload_outcome.evm_max;
    result.m_payload_sinr = payload_outcome.sinr;
    if (payload_outcome.measured) result.m_payload_sample_sym = std::move(payload.meas);

    // Classes in the order preamble, pilot, payload: a cell flagged in several maps keeps the
    // value of the last class.
    const std::pair<const class_cells_t*, const class_outcome_t*> classes[] = {
        {&preamble, &preamble_outcome}, {&pilot, &pilot_outcome}, {&payload, &payload_outcome}};
    for (const auto& [cells, outcome] : classes) {
        if (!outcome->measured) continue;
        for (std::size_t k = 0; k < outcome->evm_cells.size(); ++k) {
            const auto [row, column] = cells->position[k];
            result.m_evm_map[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = outcome->evm_cells[k];
        }
    }

    // Overall figures weigh every measured cell equally, whatever its class.
    if (err_pow_all.empty() || ref_pow_all.empty()) {
        result.m_evm_rms = k_no_evm_percent;
        result.m_snr_mer = 0.0f;
    } else {
        float err_sum = 0.0f;
        float ref_sum = 0.0f;
        for (float v : err_pow_all) err_sum += v;
        for (float v : ref_pow_all) ref_sum += v;
        // The means are these sums over the cell counts (the same order of addition).
        const float err_mean = err_sum / static_cast<float>(err_pow_all.size());
        const float ref_mean = ref_sum / static_cast<float>(ref_pow_all.size());
        result.m_evm_rms = static_cast<float>(100.0 * std::sqrt(static_cast<double>(err_mean / ref_mean)));
        result.m_snr_mer = power_ratio_db(ref_sum, err_sum);
    }
    result.m_evm_max = class_max.empty() ? k_no_evm_percent : lib_common_container_t::get_max_value(class_max);

    VEK_OFDM_LOG_DEBUG("m_evm_rms is {}", result.m_evm_rms);
    VEK_OFDM_LOG_DEBUG("m_evm_max is {}", result.m_evm_max);
    return true;
}

}  // namespace vek::ofdm_demod_lib
