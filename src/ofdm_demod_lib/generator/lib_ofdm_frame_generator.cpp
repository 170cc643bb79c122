#include "vek/ofdm_demod_lib/generator/lib_ofdm_frame_generator.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <random>
#include <utility>

#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/multicarrier/lib_ofdm_cyclic_config.hpp"
#include "vek/common_lib/multicarrier/lib_ofdm_symbol_data_generator.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_constellation.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

using vek::common_lib::lib_fourier_transform_t;
using vek::common_lib::lib_ofdm_cyclic_config_t;
using vek::common_lib::lib_ofdm_symbol_data_generator_t;

namespace {

template <typename grid_t>
bool has_shape(const grid_t& grid, int rows, int columns) {
    if (static_cast<int>(grid.size()) != rows) return false;
    for (const auto& row : grid) {
        if (static_cast<int>(row.size()) != columns) return false;
    }
    return true;
}

}  // namespace

bool lib_ofdm_frame_generator_t::generate_cell_grid(const lib_ofdm_config_manager_t& config, std::uint32_t seed,
                                                    cell_grid_t& cell_grid) {
    cell_grid.clear();
    const int symbols = config.get_analy_symbol_num();
    const int fft_length = config.get_fft_length();
    const int_grid_t& resource_map = config.get_resource_map_manager().get_resource_map();
    const int_grid_t& mod_map = config.get_resource_mod_map_manager().get_resource_mod_map();
    const cell_grid_t& reference = config.get_ref_resource_data_vct_manager().get_ref_resource_data();
    if (symbols < 1 || !has_shape(resource_map, symbols, fft_length) || !has_shape(mod_map, symbols, fft_length) ||
        !has_shape(reference, symbols, fft_length)) {
        VEK_OFDM_LOG_ERROR("generate_cell_grid map size error",
                           "maps must be {} symbols x {} cells (resource map {} rows, modulation map {} rows, "
                           "reference data {} rows); generate the maps and the reference data first",
                           symbols, fft_length, resource_map.size(), mod_map.size(), reference.size());
        return false;
    }

    // One engine for the whole grid, drawn in row-major cell order: the same seed and frame give
    // the same points on every platform (mt19937's output sequence is fixed by the standard; the
    // point index is taken by modulo from a power-of-two point count, so it is unbiased).
    std::mt19937 engine(seed);
    const float boost = config.get_user_boosting();
    complex_vector_t points_by_level[12];
    for (int level = -1; level <= 10; ++level) {
        lib_ofdm_constellation_t::get_ideal_points(level, points_by_level[level + 1]);
    }

    cell_grid.assign(static_cast<std::size_t>(symbols), complex_vector_t(static_cast<std::size_t>(fft_length)));
    for (std::size_t s = 0; s < cell_grid.size(); ++s) {
        for (std::size_t c = 0; c < cell_grid[s].size(); ++c) {
            const int code = resource_map[s][c];
            if (code == LIB_OFDM_RESOURCE_FLAG_PREAMBLE || code == LIB_OFDM_RESOURCE_FLAG_PILOT) {
                cell_grid[s][c] = reference[s][c];
            } else if (code == LIB_OFDM_RESOURCE_FLAG_DATA) {
                const int level = mod_map[s][c];
                const complex_vector_t& points =
                    points_by_level[(level >= -1 && level <= 10) ? level + 1 : LIB_OFDM_MOD_LEVEL_BPSK + 1];
                cell_grid[s][c] = points[engine() % points.size()] * boost;
            }
        }
    }
    return true;
}

bool lib_ofdm_frame_generator_t::deal_dft_spread(const std::vector<int>& symbols, int guard_low, int guard_up,
                                                 cell_grid_t& grid) {
    for (const int s : symbols) {
        if (s < 0 || static_cast<std::size_t>(s) >= grid.size()) return false;
        complex_vector_t& row = grid[static_cast<std::size_t>(s)];
        const int width = static_cast<int>(row.size()) - guard_low - guard_up;
        if (guard_low < 0 || guard_up < 0 || width < 1) return false;
        complex_vector_t band(row.begin() + guard_low, row.begin() + guard_low + width);
        if (!lib_fourier_transform_t::deal_fft(band, static_cast<std::uint32_t>(width))) return false;
        // Unitary scale: the spread cells keep the mean power of the points they carry.
        const float scale = static_cast<float>(1.0 / std::sqrt(static_cast<double>(width)));
        for (int i = 0; i < width; ++i) row[static_cast<std::size_t>(guard_low + i)] = band[static_cast<std::size_t>(i)] * scale;
    }
    return true;
}

bool lib_ofdm_frame_generator_t::generate_time_frame(const lib_ofdm_config_manager_t& config,
                                                     const cell_grid_t& freq_grid, complex_vector_t& samples,
                                                     std::vector<int>& body_start) {
    samples.clear();
    body_start.clear();
    const int symbols = config.get_analy_symbol_num();
    const int fft_length = config.get_fft_length();
    const std::vector<int>& cp = config.get_cp_length_per_sym_vct();
    const std::vector<int>& gaps = config.get_time_gaps_per_sym_vct();
    if (symbols < 1 || !has_shape(freq_grid, symbols, fft_length) || static_cast<int>(cp.size()) < symbols ||
        static_cast<int>(gaps.size()) < symbols) {
        VEK_OFDM_LOG_ERROR("generate_time_frame size error",
                           "frame of {} symbols x {} cells needs as many cyclic prefixes ({}) and gaps ({})",
                           symbols, fft_length, cp.size(), gaps.size());
        return false;
    }

    lib_ofdm_symbol_data_generator_t generator;
    if (!generator.set_fft_length(static_cast<std::uint32_t>(fft_length))) {
        VEK_OFDM_LOG_ERROR("generate_time_frame fft length error", "fft length {} is not a power of two", fft_length);
        return false;
    }
    generator.set_symbol_number(1);
    generator.set_oversampling_ratio(1);

    // Half-subcarrier shift: sample n of a symbol (n = 0 at the body's first sample, negative in
    // the prefix) is multiplied by e^(+j pi n / N). The phases are computed one by one in double
    // precision rather than by the generator's recursive single-precision rotator, whose phase
    // drifts by about 1e-7 rad per sample: over an LTE symbol that is a cell error near 1e-5,
    // too much for a reference the receiver is tested against.
    const bool half_shift = config.get_half_subcarrier_shift();
    int longest_prefix = 0;
    for (int s = 0; s < symbols; ++s) longest_prefix = std::max(longest_prefix, cp[static_cast<std::size_t>(s)]);
    complex_vector_t rotation;  // rotation[i] for n = i - longest_prefix
    if (half_shift) {
        const double pi = 3.141592653589793;
        for (int n = -longest_prefix; n < fft_length; ++n) {
            const double phase = pi * static_cast<double>(n) / static_cast<double>(fft_length);
            rotation.emplace_back(static_cast<float>(std::cos(phase)), static_cast<float>(std::sin(phase)));
        }
    }

    complex_vector_t symbol;
    for (int s = 0; s < symbols; ++s) {
        const int prefix = cp[static_cast<std::size_t>(s)];
        const int gap = gaps[static_cast<std::size_t>(s)];
        // The prefix as a fraction of a power-of-two body is exact in binary, so the generator's
        // floor(fraction * N) gives back exactly `prefix`.
        generator.set_cyclic_prefix_config(
            lib_ofdm_cyclic_config_t(static_cast<double>(prefix) / static_cast<double>(fft_length)));
        if (prefix < 0 || gap < 0 || static_cast<int>(generator.get_symbol_cyclic_prefix_length(0)) != prefix ||
            !generator.deal_ofdm_modulation(0, freq_grid[static_cast<std::size_t>(s)], symbol)) {
            VEK_OFDM_LOG_ERROR("generate_time_frame cyclic prefix error",
                               "symbol {}: cyclic prefix {} and gap {} cannot be generated for fft length {}", s,
                               prefix, gap, fft_length);
            samples.clear();
            body_start.clear();
            return false;
        }
        if (half_shift) {
            for (std::size_t i = 0; i < symbol.size(); ++i) {
                symbol[i] *= rotation[i + static_cast<std::size_t>(longest_prefix - prefix)];
            }
        }
        samples.insert(samples.end(), static_cast<std::size_t>(gap), complex_t{});
        body_start.push_back(static_cast<int>(samples.size()) + prefix);
        samples.insert(samples.end(), symbol.begin(), symbol.end());
    }
    return true;
}

bool lib_ofdm_frame_generator_t::generate_frame(const lib_ofdm_config_manager_t& config, std::uint32_t seed,
                                                lib_ofdm_generated_frame_t& frame) {
    frame = lib_ofdm_generated_frame_t{};
    if (!config.get_resource_map_manager().is_resource_map_valid() ||
        !config.get_resource_mod_map_manager().is_resource_mod_map_valid() ||
        !config.get_ref_resource_data_vct_manager().is_ref_resource_data_valid()) {
        VEK_OFDM_LOG_ERROR("generate_frame maps not valid",
                           "resource map valid {}, modulation map valid {}, reference data valid {}: generate them "
                           "before the frame",
                           config.get_resource_map_manager().is_resource_map_valid(),
                           config.get_resource_mod_map_manager().is_resource_mod_map_valid(),
                           config.get_ref_resource_data_vct_manager().is_ref_resource_data_valid());
        return false;
    }
    lib_ofdm_generated_frame_t out;
    out.sample_rate_hz = config.get_system_sample_rate();
    out.fft_length = config.get_fft_length();
    if (!generate_cell_grid(config, seed, out.cell_grid)) return false;
    out.freq_grid = out.cell_grid;
    if (config.get_dft_spread() &&
        !deal_dft_spread(config.get_payload_sym_index_vct(), config.get_guard_low_subcarr(),
                         config.get_guard_up_subcarr(), out.freq_grid)) {
        VEK_OFDM_LOG_ERROR("generate_frame dft spread error",
                           "payload symbols cannot be spread: guard bands {} / {} for fft length {}",
                           config.get_guard_low_subcarr(), config.get_guard_up_subcarr(), out.fft_length);
        return false;
    }
    if (!generate_time_frame(config, out.freq_grid, out.samples, out.body_start)) return false;

    // Mean power of the cells the data occupy, in the bins that carry them.
    const int_grid_t& resource_map = config.get_resource_map_manager().get_resource_map();
    double power = 0.0;
    std::size_t count = 0;
    for (std::size_t s = 0; s < out.freq_grid.size(); ++s) {
        for (std::size_t c = 0; c < out.freq_grid[s].size(); ++c) {
            if (resource_map[s][c] != LIB_OFDM_RESOURCE_FLAG_DATA) continue;
            power += std::norm(std::complex<double>(out.freq_grid[s][c]));
            ++count;
        }
    }
    out.data_cell_power = count > 0 ? static_cast<float>(power / static_cast<double>(count)) : 0.0f;
    frame = std::move(out);
    return true;
}

}  // namespace vek::ofdm_demod_lib
