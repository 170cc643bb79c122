#pragma once
// Dotted version texts ("1.0.2.6", "2.1_BETA"): format checks and ordering. A trailing "_BETA"
// marks a withdrawn (pre-release) version; it does not take part in the ordering.
#include <string>
#include <vector>

namespace vek::common_lib {

class lib_version_manager_t {
public:
    static bool is_withdraw_version(const std::string& version);
    // Both versions read (every field a non-negative integer) and have the same field count.
    static bool is_same_version_format(const std::string& a, const std::string& b);
    // Same format, same withdrawn state, all fields equal.
    static bool is_same_version(const std::string& a, const std::string& b);
    // Field-by-field from the most significant; equal versions count as greater and as smaller.
    // Different formats write a "Report" line and give false.
    static bool is_version_greater(const std::string& current, const std::string& reference);
    static bool is_version_smaller(const std::string& current, const std::string& reference);

    // The fields of a version text; empty when any field does not read or is negative.
    static std::vector<int> parse_version(const std::string& version);
};

// The toolkit's own version.
class lib_common_version_t {
public:
    static std::string get_version_str();
};

}  // namespace vek::common_lib
