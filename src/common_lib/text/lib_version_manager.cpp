// Version texts: dotted non-negative integers with an optional "_BETA" suffix.
#include "vek/common_lib/text/lib_version_manager.hpp"

#include "vek/common_lib/report/report.hpp"
#include "vek/common_lib/text/lib_common_list_parse.hpp"

namespace vek::common_lib {

namespace {

constexpr const char* k_withdraw_suffix = "_BETA";
constexpr std::size_t k_withdraw_suffix_length = 5;

bool ends_with_withdraw_suffix(const std::string& version) {
    return version.size() >= k_withdraw_suffix_length &&
           version.compare(version.size() - k_withdraw_suffix_length, k_withdraw_suffix_length, k_withdraw_suffix) == 0;
}

// -1, 0 or +1 for current below, equal to or above reference; both of one format.
int compare_fields(const std::vector<int>& current, const std::vector<int>& reference) {
    for (std::size_t i = 0; i < current.size(); ++i) {
        if (current[i] > reference[i]) return 1;
        if (current[i] < reference[i]) return -1;
    }
    return 0;
}

const char* const k_different_format_report =
    "lib_version_manager_t::is_version_greater Report : Different Version Format!";

}  // namespace

bool lib_version_manager_t::is_withdraw_version(const std::string& version) {
    return ends_with_withdraw_suffix(version);
}

std::vector<int> lib_version_manager_t::parse_version(const std::string& version) {
    std::string digits = version;
    if (ends_with_withdraw_suffix(digits)) digits.erase(digits.size() - k_withdraw_suffix_length);
    std::vector<std::string> fields;
    lib_common_list_parse_t::split_str(digits, fields, '.');
    std::vector<int> numbers;
    for (const std::string& field : fields) {
        int number = 0;
        if (!lib_common_list_parse_t::str_to_int(field, number) || number < 0) return {};
        numbers.push_back(number);
    }
    return numbers;
}

bool lib_version_manager_t::is_same_version_format(const std::string& a, const std::string& b) {
    const std::vector<int> fields_a = parse_version(a);
    const std::vector<int> fields_b = parse_version(b);
    return !fields_a.empty() && fields_a.size() == fields_b.size();
}

bool lib_version_manager_t::is_same_version(const std::string& a, const std::string& b) {
    if (!is_same_version_format(a, b)) return false;
    if (is_withdraw_version(a) != is_withdraw_version(b)) return false;
    return parse_version(a) == parse_version(b);
}

bool lib_version_manager_t::is_version_greater(const std::string& current, const std::string& reference) {
    if (!is_same_version_format(current, reference)) {
        report_line(k_different_format_report);
        return false;
    }
    return compare_fields(parse_version(current), parse_version(reference)) >= 0;
}

bool lib_version_manager_t::is_version_smaller(const std::string& current, const std::string& reference) {
    if (!is_same_version_format(current, reference)) {
        report_line(k_different_format_report);
        return false;
    }
    return compare_fields(parse_version(current), parse_version(reference)) <= 0;
}

std::string lib_common_version_t::get_version_str() { return "1.0.2.6"; }

}  // namespace vek::common_lib
