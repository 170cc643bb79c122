#pragma once
// The demodulation pipeline: a private copy of the configuration, the buffers passed between the
// stages, and the results of the last run. process() runs eleven stages in a fixed order; a stage
// that fails ends the run. One object is driven from one thread at a time.
#include <cstdint>
#include <vector>

#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_result.hpp"

namespace vek::ofdm_demod_lib {

class lib_ofdm_demod_t {
public:
    lib_ofdm_demod_t();

    bool set_ofdm_demod_info(const lib_ofdm_config_manager_t& config);
    bool set_sample_data(const complex_vector_t& samples);
    bool is_running() const { return m_is_running; }
    bool set_is_running(bool running);
    bool is_ready_to_process() const { return m_is_config_ready && m_is_data_ready; }
    const lib_ofdm_result_t& get_ofdm_demod_result() const { return m_result; }
    bool process();

protected:
    void init();

    // --- Stages, in the order process() runs them.
    bool _deal_ofdm_parameter_init();
    bool _deal_ofdm_frame_sync();
    void _deal_ofdm_channel_power();
    bool _deal_ofdm_fine_delay();
    void _deal_half_subcarrier_shift();
    // Rotates m_sample_data into frame order (m_frame_origin 0).
    void _settle_frame_origin();
    bool _deal_ofdm_cp_freq_error_estimate();
    bool _deal_ofdm_fine_freq_error_estimate();
    bool _deal_ofdm_demod();
    bool _deal_ofdm_channel_equilibria();
    bool _deal_ofdm_channel_tracking();
    bool _deal_ofdm_evm_data();

    // --- Input conditioning and receive filter (demod/lib_ofdm_input_conditioning.cpp).
    void _init_load_file_filter();

    // --- Reference waveforms (demod/lib_ofdm_reference_waveforms.cpp).
    bool _init_ref_file_freq();
    bool _init_ref_file_time();
    // Both of the above on the first run after the configuration changed; later runs restore
    // what the run itself overwrites (tracking writes decided cells into the reference grid).
    bool _init_reference_waveforms();

    // --- Frame synchronisation (demod/lib_ofdm_frame_sync.cpp).

    // --- Fine timing and frequency error (demod/lib_ofdm_fine_timing.cpp).

    // --- Symbol demodulation (demod/lib_ofdm_symbol_demod.cpp).

    // --- Channel equalisation (demod/lib_ofdm_equalizer.cpp).
    // One estimate row for symbol s from the cells flagged in `flags`, their references taken from
    // `references` (same indexing as the row).
    complex_vector_t _build_reference_row(int s, const std::vector<bool>& flags, const complex_vector_t& references) const;
    // Mean of the estimate rows of the first k symbols of `symbols`, flags from `index_map`; the
    // DC cell is left out when `drop_dc` is set.
    complex_vector_t _average_reference_rows(const std::vector<int>& symbols, int k, const bool_grid_t& index_map,
                                             bool drop_dc) const;
    bool _despread_payload_symbols();
    bool _deal_data_aided_estimate(std::vector<complex_vector_t>& rows);
    void _apply_coefficients(const complex_vector_t& coef);
    int _initial_symbol_count(std::size_t available) const;

    // --- Channel tracking (demod/lib_ofdm_tracking.cpp).
    // Time of the channel estimate inside the frame, in samples.
    float _channel_estimate_reference_time() const;
    // Tracking flags per symbol; false when data cells were asked for but none exist.
    bool _build_tracking_map(bool_grid_t& map);
    // Tracks symbol s; appends its residual frequency offset (Hz) when it has one.
    // Work vectors of the tracking, kept from symbol to symbol of a run (demod/lib_ofdm_tracking.cpp).
    struct tracking_work_t;
    void _track_symbol(int s, const std::vector<bool>& flags, float reference_time,
                       std::vector<float>& offsets, tracking_work_t& work);

    // --- EVM and SINR measurement (demod/lib_ofdm_measurement.cpp).
    // Ideal points of every data modulation used by entries, scaled by g: distinct codes in
    // ascending order (demod/lib_ofdm_ideal_points.cpp).
    static complex_vector_t _deal_data_ref(const std::vector<lib_ofdm_res_info_t>& entries, float g);

    bool m_is_running = false;
    bool m_is_config_ready = false;
    bool m_is_data_ready = false;
    complex_vector_t m_preamble_ref_seq;
    complex_vector_t m_pilot_ref_seq;
    cell_grid_t m_ref_freq_data;
    complex_vector_t m_sample_data;
    std::int32_t m_sample_data_len = 0;
    std::int32_t m_search_len = 0;
    std::int32_t m_preamble_sym_num = 0;
    std::int32_t m_pilot_sym_num = 0;
    std::int32_t m_payload_sym_num = 0;
    std::vector<std::int32_t> m_sync_sym_index;
    std::int32_t m_sync_start_sym = 0;
    cell_grid_t m_ref_time_sym;
    std::int32_t m_ref_len = 0;
    complex_vector_t m_sync_ref;
    std::int32_t m_sync_ref_len = 0;
    std::int32_t m_ofdm_frame_dly = 0;
    std::int32_t m_fine_search_len = 0;
    float m_dly_est = 0.0f;
    float m_time_offset = 0.0f;
    float m_freq_error_est = 0.0f;
    // The frequency corrections of this run, as one rotation step (radians per sample, the sum of
    // the corrections' mixer steps) still owed by m_sample_data: the prefix estimate sets it, the
    // fine estimate adds to it, and every window read after them (the fine estimate's, the
    // symbols') takes the rotation as it is copied, instead of a pass over the whole capture.
    double m_pending_rotation_rad = 0.0;
    // Where the frame search puts the frame's lead-in: the samples in frame order are
    // m_sample_data[(i + m_frame_origin) mod size]. The search records the rotation instead of
    // performing it; the channel power and the fine timing read the frame where it lies (the
    // rotation is performed first only where their spans would wrap), and the fine timing's shift
    // writes the frame in order, leaving 0.
    std::int64_t m_frame_origin = 0;
    cell_grid_t m_symbol_freq_data;
    cell_grid_t m_symbol_time_data;
    std::vector<std::int32_t> m_channel_est_sym_index;
    complex_vector_t m_channel_coef;
    std::vector<std::int32_t> m_meas_symbol_index;
    complex_vector_t m_ref_time_frame;
    std::int32_t m_meas_count = 0;  // working count of the measurement stage
    lib_ofdm_config_manager_t m_config_manager;
    lib_ofdm_result_t m_result;

    // The reference waveforms depend on the configuration alone, so they are built once per
    // configuration; the members a run overwrites are kept here as built. The configuration
    // changes only through set_ofdm_demod_info and init, which drop the cache.
    struct reference_cache_t {
        bool valid = false;
        complex_vector_t pilot_ref_seq;
        cell_grid_t ref_freq_data;
        // Set before a stage writes decisions into m_ref_freq_data (data-aided equalisation or
        // tracking): only then does the next run restore the grid from ref_freq_data.
        bool ref_grid_written = false;
        std::int32_t ref_len = 0;
        // The fine timing's 4x interpolated reference body, and the symbol it belongs to.
        complex_vector_t fine_timing_ref4;
        int fine_timing_symbol = -1;
        // Flagged columns of each row of the preamble, pilot and payload maps below `width`, for
        // the measurement's walk; complete[s] is false where a map row is narrower than width.
        struct class_columns_t {
            std::size_t width = 0;
            std::vector<bool> complete;
            std::vector<std::vector<int>> preamble, pilot, payload;
        } columns;
        // The modulation codes of the measured payload cells in the order the measurement collects
        // them (rows of the measurement range, columns from `columns`): the configuration's alone.
        std::vector<int> payload_levels;
        bool payload_levels_ready = false;
        // Each symbol's pilot columns and their reference values, as the fine frequency estimate
        // compares them (filled on a symbol's first use): a few contiguous values instead of reads
        // scattered over the reference grid.
        struct symbol_pilots_t {
            bool filled = false;
            bool usable = false;  // false where the row or a column lies outside the maps or grid
            std::vector<int> columns;
            complex_vector_t refs;
        };
        std::vector<symbol_pilots_t> fine_pilots;
    };
    reference_cache_t m_reference_cache;

    // Capture-sized buffers that trade places with m_sample_data: m_filter_input takes the rate
    // conversion's output, the receive filter's input and the fine timing's output, m_shift_output
    // the frame search's rotation where it must be performed. They keep their storage from run to
    // run, so a run does not hand the capture's pages back to the system and fault them in again,
    // and each is written over where it keeps its size.
    complex_vector_t m_filter_input;
    complex_vector_t m_shift_output;

    // Fills the measurement's column lists from the configuration's maps (demod/lib_ofdm_measurement.cpp).
    void _list_class_columns(std::size_t width, reference_cache_t::class_columns_t& columns) const;
};

}  // namespace vek::ofdm_demod_lib
