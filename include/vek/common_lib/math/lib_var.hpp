#pragma once
// A value kept within [minimum, maximum].
#include <algorithm>

namespace vek::common_lib {

template <typename T>
class lib_var_t {
public:
    lib_var_t() = default;
    // The bounds are ordered if given reversed; the value is clamped into them.
    lib_var_t(const T& min_value, const T& max_value, const T& value)
        : m_min(std::min(min_value, max_value)), m_max(std::max(min_value, max_value)), m_value(value)
    {
        m_value = clamp(m_value);
    }

    // Stores the bounds (min_value <= max_value, otherwise false and nothing changes), clamps the
    // value into them and returns true when the value changed.
    bool set_range(const T& min_value, const T& max_value)
    {
        if (max_value < min_value) return false;
        m_min = min_value;
        m_max = max_value;
        const T clamped = clamp(m_value);
        const bool changed = clamped != m_value;
        m_value = clamped;
        return changed;
    }

    // Stores value clamped into the bounds.
    void set_value(const T& value) { m_value = clamp(value); }
    lib_var_t& operator=(const T& value)
    {
        set_value(value);
        return *this;
    }

    const T& get_min() const { return m_min; }
    const T& get_max() const { return m_max; }
    const T& get_value() const { return m_value; }
    operator const T&() const { return m_value; }

private:
    T clamp(const T& v) const { return v < m_min ? m_min : (m_max < v ? m_max : v); }

    T m_min{};
    T m_max{};
    T m_value{};
};

}  // namespace vek::common_lib
