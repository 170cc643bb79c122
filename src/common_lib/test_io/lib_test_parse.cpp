// Single-value parsing for test inputs, and random test vectors.
#include <chrono>
#include <cstdlib>

#include "vek/common_lib/test_io/lib_test.hpp"
#include "vek/common_lib/text/lib_common_list_parse.hpp"

namespace vek::common_lib {

namespace {

// Where "re<sign>im" splits: the '+' or '-' that starts the imaginary part. A sign in the first
// place belongs to the real part and one after 'e'/'E' to an exponent, so neither counts.
// Accepted: one '-' alone, two '-' (the second), one '+' alone, or a '-' before one '+' (the '+').
bool find_sign_split(const std::string& text, std::size_t& position) {
    std::vector<std::size_t> minus;
    std::vector<std::size_t> plus;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] != '+' && text[i] != '-') continue;
        if (text[i - 1] == 'e' || text[i - 1] == 'E') continue;
        (text[i] == '-' ? minus : plus).push_back(i);
    }
    if (plus.empty() && minus.size() == 1)
        position = minus[0];
    else if (plus.empty() && minus.size() == 2)
        position = minus[1];
    else if (plus.size() == 1 && minus.empty())
        position = plus[0];
    else if (plus.size() == 1 && minus.size() == 1 && minus[0] < plus[0])
        position = plus[0];
    else
        return false;
    return true;
}

}  // namespace

bool lib_test_t::_parse_data(const std::string& text, std::uint8_t& value) {
    int parsed = 0;
    if (!lib_common_list_parse_t::str_to_int(text, parsed) || (parsed != 0 && parsed != 1)) {
        value = 0;
        return false;
    }
    value = static_cast<std::uint8_t>(parsed);
    return true;
}

bool lib_test_t::_parse_data(const std::string& text, int& value) {
    return lib_common_list_parse_t::str_to_int(text, value);
}

bool lib_test_t::_parse_data(const std::string& text, float& value) {
    return lib_common_list_parse_t::str_to_float(text, value);
}

bool lib_test_t::_parse_data(const std::string& text, std::complex<float>& value) {
    value = {0.0f, 0.0f};
    std::size_t split = text.find(' ');
    if (split == std::string::npos) split = text.find(',');
    if (split == std::string::npos) split = text.find('\t');
    bool negate_imag = false;
    if (split == std::string::npos) {
        if (!find_sign_split(text, split)) return false;
        negate_imag = text[split] == '-';
    }
    float re = 0.0f;
    float im = 0.0f;
    const bool re_ok = lib_common_list_parse_t::str_to_float(text.substr(0, split), re);
    const bool im_ok = lib_common_list_parse_t::str_to_float(text.substr(split + 1), im);
    if (re_ok) value.real(re);
    if (im_ok) value.imag(negate_imag ? -im : im);
    return re_ok && im_ok;
}

std::uint64_t lib_test_t::get_current_time() {
    const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(since_epoch).count());
}

void lib_test_t::generate_random_vector(int n, std::vector<std::uint8_t>& bits) {
    std::srand(static_cast<unsigned int>(get_current_time()));
    bits.assign(static_cast<std::size_t>(n > 0 ? n : 0), 0);
    for (auto& bit : bits) bit = static_cast<std::uint8_t>(std::rand() % 2);
}

void lib_test_t::generate_random_vector(int n, std::vector<std::complex<float>>& samples) {
    std::srand(static_cast<unsigned int>(get_current_time()));
    samples.assign(static_cast<std::size_t>(n > 0 ? n : 0), {0.0f, 0.0f});
    // ((r mod 20000) - 10000) / 20000 spans [-0.5, 0.5) in steps of 5e-5.
    const auto part = [] { return static_cast<float>((std::rand() % 20000) - 10000) / 20000.0f; };
    for (auto& sample : samples) {
        const float re = part();
        sample = {re, part()};
    }
}

}  // namespace vek::common_lib
