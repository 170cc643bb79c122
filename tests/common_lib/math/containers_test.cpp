// Container helpers, the bounded value and the constellation look-ups.
#include <gtest/gtest.h>

#include "vek/common_lib/math/lib_common_container.hpp"
#include "vek/common_lib/math/lib_common_type_cast.hpp"
#include "vek/common_lib/math/lib_var.hpp"
#include "vek/common_lib/report/report.hpp"

using namespace vek::common_lib;

TEST(Container, CyclicShiftRotatesRight)
{
    std::vector<char> v{'a', 'b', 'c'};
    EXPECT_TRUE(lib_common_container_t::deal_cyclic_shift(1, v));
    EXPECT_EQ(v, (std::vector<char>{'c', 'a', 'b'}));
    v = {'a', 'b', 'c'};
    EXPECT_TRUE(lib_common_container_t::deal_cyclic_shift(-1, v));
    EXPECT_EQ(v, (std::vector<char>{'b', 'c', 'a'}));
    v = {'a', 'b', 'c'};
    EXPECT_TRUE(lib_common_container_t::deal_cyclic_shift(3, v));
    EXPECT_EQ(v, (std::vector<char>{'a', 'b', 'c'}));
    EXPECT_TRUE(lib_common_container_t::deal_cyclic_shift(-3, v));
    EXPECT_EQ(v, (std::vector<char>{'a', 'b', 'c'}));
}

TEST(Container, CyclicShiftRejectsEmptyAndOutOfRange)
{
    report_capture_t capture;
    std::vector<int> empty;
    EXPECT_FALSE(lib_common_container_t::deal_cyclic_shift(0, empty));
    std::vector<int> v{1, 2, 3};
    EXPECT_FALSE(lib_common_container_t::deal_cyclic_shift(4, v));
    EXPECT_FALSE(lib_common_container_t::deal_cyclic_shift(-4, v));
    EXPECT_EQ(v, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(capture.text(),
              "lib_common_container_t::deal_cyclic_shift Report : Empty Vector!\n"
              "lib_common_container_t::deal_cyclic_shift Report : Shift Offset Out of Range!\n"
              "lib_common_container_t::deal_cyclic_shift Report : Shift Offset Out of Range!\n");
}

TEST(Container, ExtremaReturnFirstOccurrence)
{
    const std::vector<int> v{3, 9, 1, 9, 1};
    EXPECT_EQ(lib_common_container_t::get_max_index(v), 1u);
    EXPECT_EQ(&lib_common_container_t::get_max_value(v), &v[1]);
    EXPECT_EQ(&lib_common_container_t::get_min_value(v), &v[2]);
}

TEST(Container, MapHelpersFollowKeyOrder)
{
    std::map<int, float> m{{5, 0.5f}, {1, 0.1f}, {3, 0.3f}};
    std::vector<int> keys;
    std::vector<float> values;
    lib_common_container_t::get_map_key_arr(m, keys);
    lib_common_container_t::get_map_value_arr(m, values);
    EXPECT_EQ(keys, (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(values, (std::vector<float>{0.1f, 0.3f, 0.5f}));

    EXPECT_TRUE(lib_common_container_t::set_map_value_arr(std::vector<float>{10.0f, 30.0f, 50.0f}, m));
    EXPECT_EQ(m[3], 30.0f);

    report_capture_t capture;
    EXPECT_FALSE(lib_common_container_t::set_map_value_arr(std::vector<float>{1.0f}, m));
    EXPECT_EQ(m[1], 10.0f);
    EXPECT_EQ(capture.text(),
              "lib_common_container_t::set_map_value_arr Report: Value Array size is NOT EQUAL to data map!\n");
}

TEST(Container, RepeatsAndUniqueAppend)
{
    EXPECT_FALSE(lib_common_container_t::check_repeat_value(std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(lib_common_container_t::check_repeat_value(std::vector<int>{1, 2, 1}));
    std::vector<int> v{1, 2};
    lib_common_container_t::add_unique_data_to_vector(v, 2);
    lib_common_container_t::add_unique_data_to_vector(v, 4);
    EXPECT_EQ(v, (std::vector<int>{1, 2, 4}));
}

TEST(BoundedValue, ClampsOnSetAndOnNewRange)
{
    lib_var_t<int> v(0, 10, 5);
    v.set_value(12);
    EXPECT_EQ(v.get_value(), 10);
    v.set_value(-3);
    EXPECT_EQ(v.get_value(), 0);
    v.set_value(7);
    EXPECT_FALSE(v.set_range(0, 8));  // 7 still inside
    EXPECT_TRUE(v.set_range(0, 4));
    EXPECT_EQ(v.get_value(), 4);
    EXPECT_FALSE(v.set_range(5, 1));  // reversed bounds are refused
    EXPECT_EQ(v.get_max(), 4);
    lib_var_t<double> d(1.0, 2.0, 9.0);
    EXPECT_EQ(static_cast<double>(d), 2.0);
}

TEST(TypeCast, ConstellationPointsAndBits)
{
    const std::vector<std::uint32_t> expected{2, 2, 2, 4, 4, 8, 16, 2, 4, 4, 8, 8, 16, 16, 32, 4,
                                              8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 2, 2, 4, 8, 16};
    for (std::uint32_t type = 0; type < expected.size(); ++type) {
        EXPECT_EQ(lib_common_type_cast_t::get_constellation_point(type), expected[type]) << type;
    }
    EXPECT_EQ(lib_common_type_cast_t::get_bits_per_symbol(25, 0), 12u);
    EXPECT_EQ(lib_common_type_cast_t::get_bits_per_symbol(14, 0), 5u);
    EXPECT_EQ(lib_common_type_cast_t::get_bits_per_symbol(31, 48), 5u);  // log2 48 truncated

    report_capture_t capture;
    EXPECT_EQ(lib_common_type_cast_t::get_constellation_point(31), 0u);
    EXPECT_EQ(capture.text(), "lib_common_type_cast_t::get_constellation_point Report: Error Constellation Type!\n");
}

TEST(TypeCast, ModulatorAndDataTypes)
{
    EXPECT_EQ(lib_common_type_cast_t::get_modulator_type(25), 0u);
    EXPECT_EQ(lib_common_type_cast_t::get_modulator_type(26), 1u);
    EXPECT_EQ(lib_common_type_cast_t::get_modulator_type(30), 1u);
    EXPECT_EQ(lib_common_type_cast_t::get_modulator_type(31), 2u);
    EXPECT_TRUE(lib_common_type_cast_t::is_prbs_code_type(5));
    EXPECT_FALSE(lib_common_type_cast_t::is_prbs_code_type(6));
    std::vector<std::complex<float>> out;
    lib_common_type_cast_t::float_array_to_complex_array({1.5f, -2.0f}, out);
    EXPECT_EQ(out, (std::vector<std::complex<float>>{{1.5f, 0.0f}, {-2.0f, 0.0f}}));
}
