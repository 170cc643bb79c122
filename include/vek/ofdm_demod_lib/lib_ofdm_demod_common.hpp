#pragma once
// Static routines shared by the demodulator's stages and the configuration. One declaration; the
// definitions live beside the stage they serve.
#include <cstdint>
#include <string>
#include <vector>

#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib {

class lib_ofdm_demod_common_t {
public:
    // --- Configuration equality (config/lib_ofdm_equality.cpp)
    static bool is_equal_resource_mapping_vct(const std::vector<lib_ofdm_res_info_t>& a,
                                              const std::vector<lib_ofdm_res_info_t>& b);
    static bool is_equal_equalizer(const lib_ofdm_eq_info_t& a, const lib_ofdm_eq_info_t& b);
    static bool is_equal_tracking(const lib_ofdm_track_info_t& a, const lib_ofdm_track_info_t& b);
    static bool is_equal_filter(const lib_ofdm_filter_info_t& a, const lib_ofdm_filter_info_t& b);

    // --- List expansion with a repeat index (config/lib_ofdm_symbol_layout.cpp)
    static void ofdm_reuse_data_adjustment(const std::vector<int>& list, int repeat_index, int count,
                                           std::vector<int>& out);

    // --- Resource index routines (config/lib_ofdm_resource_index.cpp)
    static void find_nonzero_index(const std::vector<bool>& flags, std::vector<int>& out);
    static int find_nonzero_num(const bool_grid_t& map);
    static void ofdm_index_to_symbel_index(const bool_grid_t& map, std::vector<int>& out);
    static void ofdm_resource_map_to_index(const int_grid_t& resource_map, lib_ofdm_resource_flag_t flag,
                                           bool_grid_t& out);
    // Sum of values[first ... last - first], both ends inclusive; 0 when first > last - first.
    template <typename T>
    static T sum(const std::vector<T>& values, int first, int last);

    // --- Resource map painting (config/lib_ofdm_resource_painting.cpp)
    // Paints the cells symbol_set[k] x column_set[k] of every group k (nothing when the group
    // counts differ or are zero; cells outside the map are skipped). Priority: preamble over
    // pilot over data over empty.
    static void ofdm_resource_mapping_to_map(lib_ofdm_resource_flag_t type, const std::vector<std::vector<int>>& symbol_set,
                                             const std::vector<std::vector<int>>& column_set, int_grid_t& map);
    // Only data entries act: their cells take the entry's level (later entries overwrite).
    static void ofdm_resource_mapping_to_mod_map(lib_ofdm_resource_flag_t type,
                                                 const std::vector<std::vector<int>>& symbol_set,
                                                 const std::vector<std::vector<int>>& column_set,
                                                 lib_ofdm_mod_level_t level, int_grid_t& mod_map);

    // --- Reference data files (config/lib_ofdm_reference_files.cpp)
    // Reference vectors: interleaved I,Q numbers below load_address; a missing file leaves out as
    // it was.
    static void load_pilot_ref_iq_vct(lib_ofdm_standard_type_t standard, complex_vector_t& out,
                                      const std::string& load_address);
    static void load_preamble_ref_iq_vct(lib_ofdm_standard_type_t standard, complex_vector_t& out,
                                         const std::string& load_address);
    // Map files: integers cut into rows of row_width; false when the file cannot be opened.
    static bool load_reasource_map_file(lib_ofdm_standard_type_t standard, int row_width, int_grid_t& out,
                                        const std::string& load_address);
    static bool load_resource_mod_file(lib_ofdm_standard_type_t standard, int row_width, int_grid_t& out,
                                       const std::string& load_address);

    // --- Input conditioning: filtering, rate change, channel power (demod/lib_ofdm_filtering.cpp).
    // Channel power in dBm of the band |f| <= bandwidth_hz / 2, measured on a Gauss-windowed
    // spectrum of samples taken at sample_rate_hz into impedance_ohm; rms divides the amplitudes
    // by sqrt(2). -200 dBm when nothing is measured (no samples, no bin in the band, zero power).
    static float channel_power(const complex_vector_t& samples, std::uint32_t impedance_ohm, float sample_rate_hz,
                               float bandwidth_hz, bool rms);
    // The same over the first `count` samples at `samples` (the caller's buffer read in place).
    static float channel_power(const complex_t* samples, std::size_t count, std::uint32_t impedance_ohm,
                               float sample_rate_hz, float bandwidth_hz, bool rms);
    // Linear convolution with real taps; same keeps the |x| central samples. Fewer than two taps:
    // out = x.
    static void conv(const complex_vector_t& x, const std::vector<float>& h, complex_vector_t& out, bool same);
    // trunc(factor - 1) zeros after every sample; factor <= 1 copies.
    static void upsample(const complex_vector_t& x, float factor, complex_vector_t& out);
    // out = x[trunc(k * factor)] while k * factor < |x|; the factor may be fractional.
    static void downsample(const complex_vector_t& x, float factor, complex_vector_t& out);
    // Kaiser low-pass for a rate change by up_factor / down_factor (24 * max factor order, gain
    // up_factor); a single tap when both factors are 1.
    static void design_multirate_fir_two_input(float up_factor, float down_factor, std::vector<float>& taps);
    // Windowed-sinc low-pass, cut-off as a fraction of the Nyquist frequency; empty on failure.
    static void window_sinc_filter_hanning(std::int32_t length, float cutoff, lib_ofdm_filter_windowed_sinc_window_t window,
                                           std::vector<float>& taps);
    // Greatest common divisor of the integer parts of two rates in Hz; 0 when either is below 1.
    static float get_greatest_common_divisor(float rate_a_hz, float rate_b_hz);

    // --- Frame synchronisation (demod/lib_ofdm_frame_sync.cpp, lib_ofdm_sync_correlation.cpp).
    // Coarse frame start (full-rate samples, even) and its correlation peak, searched at half rate.
    static void deal_coarse_search(const complex_vector_t& data, const complex_vector_t& reference,
                                   lib_ofdm_synchronization_mode_t mode, std::int32_t ofdm_len,
                                   const std::vector<std::int32_t>& intervals, std::int32_t data_len,
                                   const std::vector<std::int32_t>& cp_length_set, std::int32_t search_len,
                                   const std::vector<std::int32_t>& sync_sym_index, float& peak, std::int32_t& delay);
    // Cyclic-prefix autocorrelation of cp_len samples against the samples body_len later, for
    // starts 0 ... count - 1.
    static void cp_corr_search(const complex_vector_t& data, std::int32_t cp_len, std::int32_t body_len,
                               std::int32_t count, std::vector<float>& metric, float& metric_max);
    // |sum a conj(b)| / sqrt(Ea Eb) of x[sx-1 ...] and y[sy-1 ...] over n samples (1-based starts);
    // 0 for a silent or out-of-range window.
    static float deal_signal_corr(const complex_vector_t& x, const complex_vector_t& y, std::int32_t sx,
                                  std::int32_t sy, std::int32_t n);
    // Highest value, or an earlier one within 0.05 of it more than two positions away.
    static void deal_max_corr_sel(const std::vector<float>& values, float& peak, std::int32_t& index);
    // Positions of values strictly above threshold; returns the number of values examined.
    static std::int32_t find_greater_pnt(const std::vector<float>& values, float threshold,
                                         std::vector<std::int32_t>& indices);

    // --- Fine timing and frequency error (demod/lib_ofdm_fine_timing.cpp, lib_ofdm_freq_error.cpp).
    // Normalised correlation |sum conj(ref) data| / sqrt(E_ref E_data) of ref[0 .. len-1] against
    // data[start + k ...] for k = 0 ... count-1; index = start + first k of the largest value
    // (start + the caller's index when none exceeds 0). A zero-energy window scores 0, and a
    // window that leaves either vector scores 0 without being read.
    static void synchronize(const complex_vector_t& ref, const complex_vector_t& data, std::int32_t start,
                            std::int32_t count, std::int32_t len, std::vector<float>& corr, std::int32_t& index);
    // Mean power in dB (10 log10 of the mean |x|^2, accumulated in double); 0 for an empty vector.
    static float mean_abs_pow(const complex_vector_t& samples);
    // Frequency error, in subcarrier spacings of an N-sample body, between two observations D
    // samples apart, each given as received t and reference r (the reference modulation is
    // removed before comparing phases). NaN when no estimate can be formed.
    static float deal_freq_error_estimate(const complex_vector_t& t0, const complex_vector_t& r0,
                                          const complex_vector_t& t1, const complex_vector_t& r1, std::int32_t N,
                                          std::int32_t D);

    // --- Reference waveforms and symbol demodulation (demod/lib_ofdm_reference_waveforms.cpp,
    //     lib_ofdm_symbol_demod.cpp).
    // out = the first `need` values of src, or src extended by its tail src[repeat_index ...]
    // repeated cyclically (repeat_index outside src counts as 0); empty for an empty src.
    static void reuse_data_adjustment(const complex_vector_t& src, std::int32_t repeat_index, std::int32_t need,
                                      complex_vector_t& out);
    // Time-domain body of one symbol from its centred cell row: inverse FFT (scaled 1/length) of
    // the row rotated into natural bin order.
    static void generate_ref_ifft_column(const complex_vector_t& cells, complex_vector_t& out);
    static std::complex<float> complex_multiplication(std::complex<float> a, std::complex<float> b);
    // Straight line through (x0, y0) and (x1, y1) evaluated at x, real and imaginary parts apart;
    // y0 when x0 == x1 or x == x0.
    static std::complex<float> deal_linear_interpolation(std::int32_t x0, std::complex<float> y0, std::int32_t x1,
                                                         std::complex<float> y1, std::int32_t x);
    // One FFT window -> centred cells, with the phase ramp of an FFT window taken fft_advance
    // samples early removed (fft_advance -1: no compensation).
    static void deal_ofdm_demod(const complex_vector_t& window, int fft_len, complex_vector_t& out, int fft_advance);
    // out[k] = in[k] e^(+j 2 pi k fft_advance / fft_len) for the unshifted bins k < fft_len.
    static void deal_fft_advance_compensation(const complex_vector_t& spectrum, int fft_len, int fft_advance,
                                              complex_vector_t& out);

    // --- Channel equalisation and tracking (demod/lib_ofdm_equalizer.cpp, lib_ofdm_tracking.cpp).
    // An n-cell coefficient row from coefficients known at ascending cells pos: linear between
    // neighbours, extrapolated from the two outermost points to the band edges [lo, n - up), zero
    // outside the band. All zeros unless at least two points lie inside the band.
    static void deal_channel_coef_interp(const complex_vector_t& coef, const std::vector<int>& pos, int n,
                                         int low_guard, int up_guard, complex_vector_t& out);
    // Centred moving average in place; the ends use shrinking symmetric windows.
    static void deal_moving_average(complex_vector_t& data, int window);

    // --- EVM and SINR measurement (demod/lib_ofdm_measurement.cpp).
    // Error vectors ref - meas of one resource class: evm_rms and every per-cell EVM in percent of
    // the class's RMS reference amplitude, sinr in dB (+inf for error-free cells). The per-cell
    // error and reference powers are appended to err_pow_all / ref_pow_all. A class without cells,
    // or whose references all have zero power, gives evm_rms = -100, no per-cell values, sinr = 0
    // and appends nothing. ref must hold at least as many cells as meas.
    static void deal_evm_and_sinr(const complex_vector_t& meas, const complex_vector_t& ref, float& evm_rms,
                                  std::vector<float>& evm_cells, float& sinr, std::vector<float>& err_pow_all,
                                  std::vector<float>& ref_pow_all);

    // --- Hard-decision slicers (demod/lib_ofdm_slicers.cpp, lib_ofdm_slicers_qam.cpp).
    // Each decides the first n cells of in to the nearest point of a unit-mean-power constellation
    // scaled by g (decided in coordinates divided by g, the point multiplied back). n <= 0 gives an
    // empty out; n beyond the input raises std::out_of_range after the existing cells.
    static void re_bpsk(const complex_vector_t& in, int n, float g, complex_vector_t& out);
    static void re_bpsk_pi_div4(const complex_vector_t& in, int n, float g, complex_vector_t& out);
    static void re_qpsk(const complex_vector_t& in, int n, float g, complex_vector_t& out);
    static void re_8psk(const complex_vector_t& in, int n, float g, complex_vector_t& out);
    static void re_8dpsk(const complex_vector_t& in, int n, float g, complex_vector_t& out);
    static void re_16qam(const complex_vector_t& in, int n, float g, complex_vector_t& out);
    static void re_32qam(const complex_vector_t& in, int n, float g, complex_vector_t& out);
    static void re_64qam(const complex_vector_t& in, int n, float g, complex_vector_t& out);
    static void re_128qam(const complex_vector_t& in, int n, float g, complex_vector_t& out);
    static void re_256qam(const complex_vector_t& in, int n, float g, complex_vector_t& out);
    static void re_512qam(const complex_vector_t& in, int n, float g, complex_vector_t& out);
    static void re_1024qam(const complex_vector_t& in, int n, float g, complex_vector_t& out);
    // The slicer of a lib_ofdm_mod_level_t code; NONE, BPSK and unknown codes slice as BPSK.
    static void demodulation(const complex_vector_t& in, int n, int mod_level, float g, complex_vector_t& out);
    // Decides in[i] with mod_levels[i]; one pass over the whole input when all levels agree.
    // An empty level list gives an empty out.
    static void get_refer_data(const complex_vector_t& in, const std::vector<int>& mod_levels, float g,
                               complex_vector_t& out);

    // --- Diagnostic dumps (demod/lib_ofdm_dumps.cpp).
    // Text files below a dump directory D ("/cfgResult", "/demodResult" must exist; nothing here
    // creates directories). A file that cannot be opened is reported with perror and the next file
    // is still written; nothing here throws or changes a caller's state. The configuration and the
    // result record are named with elaborated specifiers so this header stays free of them.
    //
    // Sample list: per sample two lines, real then imaginary, "%13.10f".
    static void save_iq_data(const complex_vector_t& iq, const std::string& path);
    // D + "/cfgResult/input_data"; an unopenable file is also logged at warn level.
    static void write_ofdm_cfg_input_data(const complex_vector_t& samples, std::string dump_dir);
    // Settings and derived layout to D + "/cfgResult/result.csv" (D = the configuration's load
    // address), then the resource, modulation, reference and three index grids. False (and no grid
    // file) when result.csv cannot be opened.
    static bool write_ofdm_cfg_para_to_csv(const class lib_ofdm_config_manager_t& cfg);
    // The six measured/reference cell lists and D + "/demodResult/evm_result.csv"; true when the
    // latter was written.
    static bool save_ofdm_demod_result(const struct lib_ofdm_result_t& result, std::string dump_dir);

    // Labelled lines "label,value" (no newline) into out, which holds k_dump_line_bytes; a longer
    // line is cut there. Floats "%10.6f", ints and flags "%d", vector elements each followed by ','.
    static constexpr int k_dump_line_bytes = 4096;
    static void _data_join(const char* label, int value, char* out);
    static void _data_join(const char* label, bool value, char* out);
    static void _data_join(const char* label, float value, char* out);
    static void _data_join(const char* label, const std::vector<int>& values, int n, char* out);
    static void _data_join(const char* label, const std::vector<float>& values, int n, char* out);
    static void _data_join(const char* label, const lib_ofdm_eq_info_t& value, char* out);
    static void _data_join(const char* label, const lib_ofdm_track_info_t& value, char* out);
    static void _data_join(const char* label, const lib_ofdm_filter_info_t& value, char* out);
    // The resource entry at 1-based position: "m_resource_mapping_vct<position>,name,type,..."
    static void _data_join(int position, const lib_ofdm_res_info_t& entry, char* out);
    // Grids written transposed: one line per column of row 0, each cell of that column across all
    // rows followed by ','. No rows or an empty row 0 give an empty file; a cell missing from a
    // short row is written as an empty field so later rows stay in their columns. False when the
    // file cannot be opened.
    static bool _data_join(const char* path, const int_grid_t& grid);
    static bool _data_join(const char* path, const bool_grid_t& grid);
    static bool _data_join(const char* path, const cell_grid_t& grid);
};

extern template int lib_ofdm_demod_common_t::sum<int>(const std::vector<int>&, int, int);
extern template float lib_ofdm_demod_common_t::sum<float>(const std::vector<float>&, int, int);

}  // namespace vek::ofdm_demod_lib
