// Diagnostic dumps: labelled lines, transposed grids, sample lists and the result file. The
// formats are read by the developers' offline scripts, so every printf pattern here is part of the
// file format; floats are promoted to double before printing, as printf does.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include "vek/ofdm_demod_lib/demod/lib_ofdm_result.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

namespace {

struct file_closer_t {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using file_ptr_t = std::unique_ptr<std::FILE, file_closer_t>;

// Paths are UTF-8; the C runtime here opens them as they are.
file_ptr_t open_for_writing(const std::string& path) { return file_ptr_t(std::fopen(path.c_str(), "w")); }

// Builds one labelled line in the caller's fixed buffer: each piece is formatted into a 256-byte
// scratch first, then appended while room remains, so an oversized line is cut rather than
// overrunning the buffer.
class line_builder_t {
public:
    explicit line_builder_t(char* out) : m_out(out) { m_out[0] = '\0'; }

    void text(const char* piece) {
        const std::size_t room =
            static_cast<std::size_t>(lib_ofdm_demod_common_t::k_dump_line_bytes) - 1 - m_length;
        const std::size_t n = std::min(room, std::strlen(piece));
        std::memcpy(m_out + m_length, piece, n);
        m_length += n;
        m_out[m_length] = '\0';
    }
    void text(const std::string& piece) { text(piece.c_str()); }

    template <typename T>
    void format(const char* pattern, T value) {
        char scratch[256];
        std::snprintf(scratch, sizeof(scratch), pattern, value);
        text(scratch);
    }

    void label(const char* label) {
        text(label);
        text(",");
    }

private:
    char* m_out;
    std::size_t m_length = 0;
};

void write_line(std::FILE* file, const char* line) { std::fprintf(file, "%s\n", line); }

void write_sample_list(std::FILE* file, const complex_vector_t& samples) {
    for (const complex_t& sample : samples) {
        std::fprintf(file, "%13.10f\n", static_cast<double>(sample.real()));
        std::fprintf(file, "%13.10f\n", static_cast<double>(sample.imag()));
    }
}

// One line per column of row 0; cell(r, c) prints one element followed by its ','.
template <typename grid_t, typename cell_writer_t>
bool write_transposed_grid(const char* path, const grid_t& grid, cell_writer_t cell) {
    file_ptr_t file = open_for_writing(path);
    if (!file) {
        std::perror("Open file error.\n");
        return false;
    }
    if (grid.empty()) return true;
    const std::size_t width = grid[0].size();
    for (std::size_t c = 0; c < width; ++c) {
        for (std::size_t r = 0; r < grid.size(); ++r) {
            if (c < grid[r].size()) {
                cell(file.get(), grid[r][c]);
            } else {
                std::fputc(',', file.get());
            }
        }
        std::fputc('\n', file.get());
    }
    return true;
}

}  // namespace

// --- Labelled lines.

void lib_ofdm_demod_common_t::_data_join(const char* label, int value, char* out) {
    line_builder_t line(out);
    line.label(label);
    line.format("%d", value);
}

void lib_ofdm_demod_common_t::_data_join(const char* label, bool value, char* out) {
    _data_join(label, value ? 1 : 0, out);
}

void lib_ofdm_demod_common_t::_data_join(const char* label, float value, char* out) {
    line_builder_t line(out);
    line.label(label);
    line.format("%10.6f", static_cast<double>(value));
}

void lib_ofdm_demod_common_t::_data_join(const char* label, const std::vector<int>& values, int n,
                                         char* out) {
    line_builder_t line(out);
    line.label(label);
    const std::size_t count = std::min(values.size(), static_cast<std::size_t>(std::max(n, 0)));
    for (std::size_t i = 0; i < count; ++i) line.format("%d,", values[i]);
}

void lib_ofdm_demod_common_t::_data_join(const char* label, const std::vector<float>& values, int n,
                                         char* out) {
    line_builder_t line(out);
    line.label(label);
    const std::size_t count = std::min(values.size(), static_cast<std::size_t>(std::max(n, 0)));
    for (std::size_t i = 0; i < count; ++i) line.format("%10.6f,", static_cast<double>(values[i]));
}

void lib_ofdm_demod_common_t::_data_join(const char* label, const lib_ofdm_eq_info_t& value, char* out) {
    line_builder_t line(out);
    line.label(label);
    const int fields[] = {value.equalizer_use_preamble,   value.equalizer_use_pilot,
                          value.equalizer_use_dc_pilot,   value.equalizer_use_data,
                          value.equalizer_averaging_mode, value.initial_equalizer_mode,
                          value.initial_equalizer_symbols};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (i > 0) line.text(",");
        line.format("%d", fields[i]);
    }
}

void lib_ofdm_demod_common_t::_data_join(const char* label, const lib_ofdm_track_info_t& value, char* out) {
    line_builder_t line(out);
    line.label(label);
    const int fields[] = {value.inclulde_data_subcarriers, value.track_amplitude, value.track_phase,
                          value.track_timing};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (i > 0) line.text(",");
        line.format("%d", fields[i]);
    }
}

void lib_ofdm_demod_common_t::_data_join(const char* label, const lib_ofdm_filter_info_t& value, char* out) {
    line_builder_t line(out);
    line.label(label);
    line.format("%d", static_cast<int>(value.selection));
    line.text(",");
    for (float coefficient : value.arb_coefficients) line.format("%f ", static_cast<double>(coefficient));
    line.text(",");
    line.format("%f", static_cast<double>(value.arb_coefficients_sample_ratio));
    line.text(",");
    line.format("%d", static_cast<int>(value.ws_auto_length));
    line.text(",");
    line.format("%d", value.ws_length);
    line.text(",");
    line.format("%d", static_cast<int>(value.ws_window));
    line.text(",");
    line.format("%f", static_cast<double>(value.ws_pass_bandwidth));
    line.text(",");
    line.format("%f", static_cast<double>(value.ws_transition_bandwidth));
}

void lib_ofdm_demod_common_t::_data_join(int position, const lib_ofdm_res_info_t& entry, char* out) {
    line_builder_t line(out);
    line.text("m_resource_mapping_vct");
    line.format("%d", position);
    line.text(",");
    line.text(entry.name);
    line.text(",");
    line.format("%d", static_cast<int>(entry.type));
    line.text(",");
    for (const auto& group : entry.symbol_set) {
        for (int symbol : group) line.format("%d ", symbol);
        line.text(",");
    }
    for (const auto& group : entry.subcarrier_set) {
        for (int subcarrier : group) line.format("%d ", subcarrier);
        line.text(",");
    }
    line.format("%d", static_cast<int>(entry.modulation));
    line.text(",");
    line.format("%f", static_cast<double>(entry.boost_level));
}

// --- Grids.

bool lib_ofdm_demod_common_t::_data_join(const char* path, const int_grid_t& grid) {
    return write_transposed_grid(path, grid,
                                 [](std::FILE* file, int cell) { std::fprintf(file, "%d,", cell); });
}

bool lib_ofdm_demod_common_t::_data_join(const char* path, const bool_grid_t& grid) {
    return write_transposed_grid(path, grid,
                                 [](std::FILE* file, bool cell) { std::fprintf(file, "%d,", cell ? 1 : 0); });
}

bool lib_ofdm_demod_common_t::_data_join(const char* path, const cell_grid_t& grid) {
    return write_transposed_grid(path, grid, [](std::FILE* file, const complex_t& cell) {
        std::fprintf(file, "(%10.6f+%10.6fi),", static_cast<double>(cell.real()),
                     static_cast<double>(cell.imag()));
    });
}

// --- Sample lists and the input and result dumps.

void lib_ofdm_demod_common_t::save_iq_data(const complex_vector_t& iq, const std::string& path) {
    file_ptr_t file = open_for_writing(path);
    if (!file) {
        std::perror("save_iq_data Open file error.\n");
        return;
    }
    write_sample_list(file.get(), iq);
}

void lib_ofdm_demod_common_t::write_ofdm_cfg_input_data(const complex_vector_t& samples,
                                                        std::string dump_dir) {
    const std::string path = dump_dir + "/cfgResult/input_data";
    file_ptr_t file = open_for_writing(path);
    if (!file) {
        std::perror("write_ofdm_cfg_input_data Open file error.\n");
        VEK_OFDM_LOG_WARN("write_ofdm_cfg_input_data Open file error");
        return;
    }
    write_sample_list(file.get(), samples);
}

bool lib_ofdm_demod_common_t::save_ofdm_demod_result(const lib_ofdm_result_t& result, std::string dump_dir) {
    const std::string dir = dump_dir + "/demodResult";
    save_iq_data(result.m_preamble_sample_data, dir + "/preamble_sample_dat");
    save_iq_data(result.m_preamble_ref_iq, dir + "/preamble_ref_iq");
    save_iq_data(result.m_pilot_sample_iq, dir + "/pilot_sample_iq");
    save_iq_data(result.m_pilot_ref_iq, dir + "/pilot_ref_iq");
    save_iq_data(result.m_payload_sample_sym, dir + "/payload_sample_sym");
    save_iq_data(result.m_data_ref, dir + "/dat_ref");

    file_ptr_t file = open_for_writing(dir + "/evm_result.csv");
    if (!file) {
        std::perror("save_ofdm_demod_result Open file error.\n");
        return false;
    }
    char line[k_dump_line_bytes];
    const auto put_int = [&](const char* label, int value) {
        _data_join(label, value, line);
        write_line(file.get(), line);
    };
    const auto put_float = [&](const char* label, float value) {
        _data_join(label, value, line);
        write_line(file.get(), line);
    };
    put_int("m_frame_dly  ", result.m_frame_dly);
    put_float("m_ofdm_sync_corr  ", result.m_ofdm_sync_corr);
    put_float("m_dly_est  ", result.m_dly_est);
    put_float("m_time_offset  ", result.m_time_offset);
    put_float("m_freq_error_est  ", result.m_freq_error_est);
    put_int("m_analy_symbol_num  ", result.m_analy_symbol_num);
    put_int("m_ofdm_vaild_num  ", result.m_ofdm_vaild_num);
    put_float("m_preamble_evm_rms  ", result.m_preamble_evm_rms);
    put_float("m_preamble_evm_max  ", result.m_preamble_evm_max);
    put_float("m_preamble_sinr  ", result.m_preamble_sinr);
    put_float("m_pilot_evm_rms  ", result.m_pilot_evm_rms);
    put_float("m_pilot_evm_max  ", result.m_pilot_evm_max);
    put_float("m_pilot_sinr  ", result.m_pilot_sinr);
    put_float("m_payload_evm_rms  ", result.m_payload_evm_rms);
    put_float("m_payload_evm_max  ", result.m_payload_evm_max);
    put_float("m_payload_sinr  ", result.m_payload_sinr);
    put_float("m_evm_rms  ", result.m_evm_rms);
    put_float("m_evm_max  ", result.m_evm_max);
    put_float("m_channel_power  ", result.m_channel_power);
    return true;
}

}  // namespace vek::ofdm_demod_lib
