#pragma once
// Extremum, cyclic shift and map helpers over standard containers.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

class lib_common_container_t {
public:
    // Index of the first maximum; data must not be empty (0 for an empty vector).
    template <typename T>
    static std::size_t get_max_index(const std::vector<T>& data)
    {
        std::size_t best = 0;
        for (std::size_t i = 1; i < data.size(); ++i) {
            if (data[best] < data[i]) best = i;
        }
        return best;
    }

    // References to the first maximum / minimum; data must not be empty (an empty vector raises
    // the vector's out-of-range error rather than reading outside it).
    template <typename T>
    static const T& get_max_value(const std::vector<T>& data)
    {
        return data.at(get_max_index(data));
    }
    template <typename T>
    static const T& get_min_value(const std::vector<T>& data)
    {
        std::size_t best = 0;
        for (std::size_t i = 1; i < data.size(); ++i) {
            if (data[i] < data[best]) best = i;
        }
        return data.at(best);
    }

    // Rotation to the right by shift (the last `shift` samples move to the front):
    // w[i] = v[(i - shift) mod n]. A negative shift rotates left. |shift| must not exceed the size
    // and the vector must not be empty; otherwise reports and returns false, vector unchanged.
    template <typename T>
    static bool deal_cyclic_shift(std::int64_t shift, std::vector<T>& data)
    {
        if (data.empty()) {
            report_line("lib_common_container_t::deal_cyclic_shift Report : Empty Vector!");
            return false;
        }
        const auto n = static_cast<std::int64_t>(data.size());
        if (shift > n || shift < -n) {
            report_line("lib_common_container_t::deal_cyclic_shift Report : Shift Offset Out of Range!");
            return false;
        }
        if (shift < 0) shift += n;
        std::rotate(data.begin(), data.begin() + (n - shift) % n, data.end());
        return true;
    }

    // Keys / values in ascending key order.
    template <typename K, typename V>
    static void get_map_key_arr(const std::map<K, V>& data_map, std::vector<K>& keys)
    {
        keys.clear();
        keys.reserve(data_map.size());
        for (const auto& kv : data_map) keys.push_back(kv.first);
    }
    template <typename K, typename V>
    static void get_map_value_arr(const std::map<K, V>& data_map, std::vector<V>& values)
    {
        values.clear();
        values.reserve(data_map.size());
        for (const auto& kv : data_map) values.push_back(kv.second);
    }
    // Assigns values to the map's entries in ascending key order; false (map unchanged) when the
    // sizes differ.
    template <typename K, typename V>
    static bool set_map_value_arr(const std::vector<V>& values, std::map<K, V>& data_map)
    {
        if (values.size() != data_map.size()) {
            report_line("lib_common_container_t::set_map_value_arr Report: Value Array size is NOT EQUAL to data map!");
            return false;
        }
        std::size_t i = 0;
        for (auto& kv : data_map) kv.second = values[i++];
        return true;
    }

    // True when some value occurs at least twice.
    template <typename T>
    static bool check_repeat_value(const std::vector<T>& data)
    {
        for (std::size_t i = 0; i < data.size(); ++i) {
            for (std::size_t j = i + 1; j < data.size(); ++j) {
                if (data[i] == data[j]) return true;
            }
        }
        return false;
    }

    // Appends value when it is not yet present.
    template <typename T>
    static void add_unique_data_to_vector(std::vector<T>& data, const T& value)
    {
        if (std::find(data.begin(), data.end(), value) == data.end()) data.push_back(value);
    }
};

}  // namespace vek::common_lib
