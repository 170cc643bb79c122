// Readers of the presets' reference data files below the data directory.
#include <cstddef>
#include <vector>

#include "lib_ofdm_number_file.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

namespace {

// 50 000 complex values: far more than any preset frame needs, small enough to bound a bad file.
constexpr std::size_t k_max_ref_numbers = 100000;
// A map of 100 000 000 cells already exceeds any frame the demodulator can analyse.
constexpr std::size_t k_max_map_numbers = 100000000;

const char* pilot_suffix(lib_ofdm_standard_type_t standard) {
    switch (standard) {
        case LIB_OFDM_STANDARD_TYPE_LTE_DL: return "/lteDL/ltePilot";
        case LIB_OFDM_STANDARD_TYPE_LTE_UL: return "/lteUL/Pilot";
        default: return "/wlan54Mbps/Pilot";
    }
}

const char* preamble_suffix(lib_ofdm_standard_type_t standard) {
    switch (standard) {
        case LIB_OFDM_STANDARD_TYPE_LTE_DL: return "/lteDL/ltePreamble";
        case LIB_OFDM_STANDARD_TYPE_LTE_UL: return "/lteUL/Preamble";
        default: return "/wlan54Mbps/Preamble";
    }
}

const char* resource_map_suffix(lib_ofdm_standard_type_t standard) {
    switch (standard) {
        case LIB_OFDM_STANDARD_TYPE_LTE_DL: return "/lteDL/lteReMap";
        case LIB_OFDM_STANDARD_TYPE_LTE_UL: return "/lteUL/remap";
        default: return "/wlan54Mbps/remap";
    }
}

const char* mod_map_suffix(lib_ofdm_standard_type_t standard) {
    switch (standard) {
        case LIB_OFDM_STANDARD_TYPE_LTE_DL: return "/lteDL/lteReMod";
        case LIB_OFDM_STANDARD_TYPE_LTE_UL: return "/lteUL/remod";
        default: return "/wlan54Mbps/remod";
    }
}

// I and Q interleaved; an odd count lacks its last Q, which is taken as 0.
void to_complex(std::vector<double>& numbers, complex_vector_t& out) {
    if (numbers.size() % 2 != 0) numbers.push_back(0.0);
    out.resize(numbers.size() / 2);
    for (std::size_t k = 0; k < out.size(); ++k) {
        out[k] = complex_t(static_cast<float>(numbers[2 * k]), static_cast<float>(numbers[2 * k + 1]));
    }
}

// Rows of row_width values in file order; the closing, possibly shorter (even empty) row is always
// appended. A width below one cannot cut rows: everything then forms that closing row.
void to_rows(const std::vector<int>& numbers, int row_width, int_grid_t& out) {
    out.clear();
    std::size_t pos = 0;
    if (row_width > 0) {
        const std::size_t width = static_cast<std::size_t>(row_width);
        for (; pos + width <= numbers.size(); pos += width) {
            out.emplace_back(numbers.begin() + static_cast<std::ptrdiff_t>(pos),
                             numbers.begin() + static_cast<std::ptrdiff_t>(pos + width));
        }
    }
    out.emplace_back(numbers.begin() + static_cast<std::ptrdiff_t>(pos), numbers.end());
}

}  // namespace

void lib_ofdm_demod_common_t::load_pilot_ref_iq_vct(lib_ofdm_standard_type_t standard, complex_vector_t& out,
                                                    const std::string& load_address) {
    const std::string path = detail::reference_file_path(load_address, pilot_suffix(standard));
    std::vector<double> numbers;
    const detail::number_file_result_t result = detail::read_number_file(path, k_max_ref_numbers, numbers);
    // A missing file keeps the previous vector; building the reference data reports the mismatch.
    if (result.status == detail::number_file_status_t::not_opened) return;
    if (result.status == detail::number_file_status_t::too_many) {
        VEK_OFDM_LOG_ERROR("Too many data, input pilot_ref_data fail!", "Too many data, input pilot_ref_data fail! Max is {}",
                           static_cast<double>(k_max_ref_numbers));
    } else if (result.status == detail::number_file_status_t::junk) {
        VEK_OFDM_LOG_WARN("unreadable token \"{}\" in {} after {} numbers, the rest of the file is ignored",
                          result.junk_token, path, numbers.size());
    }
    to_complex(numbers, out);
}

void lib_ofdm_demod_common_t::load_preamble_ref_iq_vct(lib_ofdm_standard_type_t standard, complex_vector_t& out,
                                                       const std::string& load_address) {
    const std::string path = detail::reference_file_path(load_address, preamble_suffix(standard));
    std::vector<double> numbers;
    const detail::number_file_result_t result = detail::read_number_file(path, k_max_ref_numbers, numbers);
    if (result.status == detail::number_file_status_t::not_opened) return;
    if (result.status == detail::number_file_status_t::too_many) {
        VEK_OFDM_LOG_ERROR("Too many data, input preamble_ref_data fail!",
                           "Too many data, input preamble_ref_data fail! Max is {}", static_cast<double>(k_max_ref_numbers));
    } else if (result.status == detail::number_file_status_t::junk) {
        VEK_OFDM_LOG_WARN("unreadable token \"{}\" in {} after {} numbers, the rest of the file is ignored",
                          result.junk_token, path, numbers.size());
    }
    to_complex(numbers, out);
}

bool lib_ofdm_demod_common_t::load_reasource_map_file(lib_ofdm_standard_type_t standard, int row_width, int_grid_t& out,
                                                      const std::string& load_address) {
    const std::string path = detail::reference_file_path(load_address, resource_map_suffix(standard));
    std::vector<int> numbers;
    const detail::number_file_result_t result = detail::read_number_file(path, k_max_map_numbers, numbers);
    if (result.status == detail::number_file_status_t::not_opened) {
        VEK_OFDM_LOG_ERROR("", "Open reasource_map file error. file_addr is {}", path);
        return false;
    }
    if (result.status == detail::number_file_status_t::too_many) {
        VEK_OFDM_LOG_ERROR("Too many data, input reasource_map fail!", "Too many data, input reasource_map fail! Max is {}",
                           static_cast<double>(k_max_map_numbers));
    } else if (result.status == detail::number_file_status_t::junk) {
        VEK_OFDM_LOG_WARN("unreadable token \"{}\" in {} after {} numbers, the rest of the file is ignored",
                          result.junk_token, path, numbers.size());
    }
    to_rows(numbers, row_width, out);
    return true;
}

bool lib_ofdm_demod_common_t::load_resource_mod_file(lib_ofdm_standard_type_t standard, int row_width, int_grid_t& out,
                                                     const std::string& load_address) {
    const std::string path = detail::reference_file_path(load_address, mod_map_suffix(standard));
    std::vector<int> numbers;
    const detail::number_file_result_t result = detail::read_number_file(path, k_max_map_numbers, numbers);
    if (result.status == detail::number_file_status_t::not_opened) {
        VEK_OFDM_LOG_ERROR("", "Open resource_mod_matrix file error. file_addr is {}", path);
        return false;
    }
    if (result.status == detail::number_file_status_t::too_many) {
        VEK_OFDM_LOG_ERROR("Too many data, input resource_mod_matrix fail!",
                           "Too many data, input resource_mod_matrix fail! Max is {}", static_cast<double>(k_max_map_numbers));
    } else if (result.status == detail::number_file_status_t::junk) {
        VEK_OFDM_LOG_WARN("unreadable token \"{}\" in {} after {} numbers, the rest of the file is ignored",
                          result.junk_token, path, numbers.size());
    }
    to_rows(numbers, row_width, out);
    return true;
}

}  // namespace vek::ofdm_demod_lib
