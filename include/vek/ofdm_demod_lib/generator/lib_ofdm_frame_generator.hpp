#pragma once
// Reference transmitter: turns a configured frame (a configuration manager whose resource map,
// modulation map and reference resource data have been generated) into the time-domain frame at
// the system sample rate, laid out the way the demodulator expects it:
//   for each symbol k: gap[k] zeros, the cyclic prefix (last cp[k] body samples), the body
//   (inverse FFT, scaled 1/N, of the symbol's centred cell row).
// Preamble and pilot cells carry the reference resource data; data cells carry seeded random
// ideal points of their cell's modulation, scaled by the user boosting. DFT-spread frames carry,
// on the occupied band [L, N - U) of every payload symbol, the unitary DFT of that band's points.
// Frames with a half-subcarrier shift are rotated by +1/2 subcarrier spacing with zero phase at
// every body's first sample (the receiver removes exactly that rotation).
#include <cstdint>
#include <vector>

#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib {

// One generated frame with its ground truth.
struct lib_ofdm_generated_frame_t {
    complex_vector_t samples;       // the frame, at sample_rate_hz; sample 0 is symbol 0's first gap/CP sample
    float sample_rate_hz = 0.0f;    // the system sample rate
    int fft_length = 0;             // N
    cell_grid_t cell_grid;          // [symbol][centred bin] what the receiver measures against: reference
                                    // cells and the data points (before DFT spreading)
    cell_grid_t freq_grid;          // [symbol][centred bin] what each FFT bin carries (after spreading)
    std::vector<int> body_start;    // first body sample of each symbol
    float data_cell_power = 0.0f;   // mean |cell|^2 over the data cells of freq_grid (0 without data)
};

class lib_ofdm_frame_generator_t {
public:
    // Generates the frame of `config` with data points drawn from `seed`. False (and `frame`
    // cleared) when the maps or the reference data do not describe the configured frame: a
    // map of another shape than analysed symbols x FFT length, or a cyclic prefix the symbol
    // generator cannot produce; an error record says which.
    static bool generate_frame(const lib_ofdm_config_manager_t& config, std::uint32_t seed,
                               lib_ofdm_generated_frame_t& frame);

    // The cell grid: reference cells, seeded data points (user boosting applied) on data
    // cells, zeros elsewhere; nothing spread yet. False on a map of the wrong shape.
    static bool generate_cell_grid(const lib_ofdm_config_manager_t& config, std::uint32_t seed,
                                   cell_grid_t& cell_grid);

    // Replaces the occupied band [low, fft_length - up) of each listed symbol's row by its
    // unitary DFT (forward FFT / sqrt(M), M the band width), centred order in and out.
    static bool deal_dft_spread(const std::vector<int>& symbols, int guard_low, int guard_up,
                                cell_grid_t& grid);

    // Time-domain frame of a frequency grid: per symbol gap zeros, cyclic prefix, body, with the
    // optional half-subcarrier rotation. Sizes as in the configuration.
    static bool generate_time_frame(const lib_ofdm_config_manager_t& config, const cell_grid_t& freq_grid,
                                    complex_vector_t& samples, std::vector<int>& body_start);
};

}  // namespace vek::ofdm_demod_lib
