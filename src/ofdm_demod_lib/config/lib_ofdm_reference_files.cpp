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

// File names below the data directory, per standard; any value other than the two LTE ones reads
// the WLAN files.
struct reference_file_names_t {
    const char* pilot;
    const char* preamble;
    const char* resource_map;
    const char* mod_map;
};

const reference_file_names_t& file_names(lib_ofdm_standard_type_t standard) {
    static const reference_file_names_t wlan{"/wlan54Mbps/Pilot", "/wlan54Mbps/Preamble", "/wlan54Mbps/remap",
                                             "/wlan54Mbps/remod"};
    static const reference_file_names_t lte_dl{"/lteDL/ltePilot", "/lteDL/ltePreamble", "/lteDL/lteReMap",
                                               "/lteDL/lteReMod"};
    static const reference_file_names_t lte_ul{"/lteUL/Pilot", "/lteUL/Preamble", "/lteUL/remap", "/lteUL/remod"};
    switch (standard) {
        case LIB_OFDM_STANDARD_TYPE_LTE_DL:
            return lte_dl;
        case LIB_OFDM_STANDARD_TYPE_LTE_UL:
            return lte_ul;
        default:
            return wlan;
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

// Reads the numbers of one reference file; false when it cannot be opened. An excess or a token
// that is not a number is logged under the calling reader's name (excess_text names the file
// kind, e.g. "pilot_ref_data"); the numbers read so far are kept either way.
template <typename number_t>
bool read_reference_numbers(const char* reader, const std::string& path, std::size_t limit,
                            const std::string& excess_text, std::vector<number_t>& numbers) {
    const detail::number_file_result_t result = detail::read_number_file(path, limit, numbers);
    if (result.status == detail::number_file_status_t::not_opened) return false;
    if (result.status == detail::number_file_status_t::too_many) {
        const std::string short_text = "Too many data, input " + excess_text + " fail!";
        detail::log_call(common_log::LOG_LEVEL_ERROR, short_text, __FILE__, __LINE__, reader, short_text + " Max is {}",
                         static_cast<double>(limit));
    } else if (result.status == detail::number_file_status_t::junk) {
        detail::log_call(common_log::LOG_LEVEL_WARN, "", __FILE__, __LINE__, reader,
                         "unreadable token \"{}\" in {} after {} numbers, the rest of the file is ignored",
                         result.junk_token, path, numbers.size());
    }
    return true;
}

}  // namespace

void lib_ofdm_demod_common_t::load_pilot_ref_iq_vct(lib_ofdm_standard_type_t standard, complex_vector_t& out,
                                                    const std::string& load_address) {
    std::vector<double> numbers;
    // A missing file keeps the previous vector; building the reference data reports the mismatch.
    if (read_reference_numbers("load_pilot_ref_iq_vct",
                               detail::reference_file_path(load_address, file_names(standard).pilot),
                               k_max_ref_numbers, "pilot_ref_data", numbers)) {
        to_complex(numbers, out);
    }
}

void lib_ofdm_demod_common_t::load_preamble_ref_iq_vct(lib_ofdm_standard_type_t standard, complex_vector_t& out,
                                                       const std::string& load_address) {
    std::vector<double> numbers;
    if (read_reference_numbers("load_preamble_ref_iq_vct",
                               detail::reference_file_path(load_address, file_names(standard).preamble),
                               k_max_ref_numbers, "preamble_ref_data", numbers)) {
        to_complex(numbers, out);
    }
}

bool lib_ofdm_demod_common_t::load_reasource_map_file(lib_ofdm_standard_type_t standard, int row_width,
                                                      int_grid_t& out, const std::string& load_address) {
    const std::string path = detail::reference_file_path(load_address, file_names(standard).resource_map);
    std::vector<int> numbers;
    if (!read_reference_numbers("load_reasource_map_file", path, k_max_map_numbers, "reasource_map", numbers)) {
        VEK_OFDM_LOG_ERROR("", "Open reasource_map file error. file_addr is {}", path);
        return false;
    }
    to_rows(numbers, row_width, out);
    return true;
}

bool lib_ofdm_demod_common_t::load_resource_mod_file(lib_ofdm_standard_type_t standard, int row_width,
                                                     int_grid_t& out, const std::string& load_address) {
    const std::string path = detail::reference_file_path(load_address, file_names(standard).mod_map);
    std::vector<int> numbers;
    if (!read_reference_numbers("load_resource_mod_file", path, k_max_map_numbers, "resource_mod_matrix", numbers)) {
        VEK_OFDM_LOG_ERROR("", "Open resource_mod_matrix file error. file_addr is {}", path);
        return false;
    }
    to_rows(numbers, row_width, out);
    return true;
}

}  // namespace vek::ofdm_demod_lib
