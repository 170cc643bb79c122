// The reference-data builder: walk order, exhaustion of either reference vector (result and
// messages), index maps of another shape, equality and the reset state.
#include <gtest/gtest.h>

#include <limits>

#include "log_capture.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_ref_resource_data_vct_manager.hpp"

using namespace vek::ofdm_demod_lib;
using vek::common_lib::report_capture_t;

namespace {

const complex_t z(0.0f, 0.0f);
complex_t c(float re, float im = 0.0f) { return {re, im}; }

class RefResourceData : public ::testing::Test {
protected:
    // 3 symbols x 4 bins: preambles fill symbol 0 at bins 1 and 2, pilots at (1, 0), (1, 3) and
    // (2, 2). Cell (0, 2) is marked in both maps: the pilot wins.
    void SetUp() override {
        builder.set_resource_map_manager(int_grid_t(3, std::vector<int>(4, 4)));
        builder.set_preamble_index_map({{false, true, true, false}, {false, false, false, false}, {false, false, false, false}});
        builder.set_pilot_index_map({{false, false, true, false}, {true, false, false, true}, {false, false, true, false}});
        builder.set_preamble_ref_iq_vct({c(10), c(11), c(12)});
        builder.set_pilot_ref_iq_vct({c(0, 1), c(0, 2), c(0, 3), c(0, 4), c(0, 5)});
    }

    lib_ofdm_ref_resource_data_vct_manager_t builder;
    vek::test::log_capture_t log;
};

TEST_F(RefResourceData, ValuesAreConsumedSymbolBySymbolFromLowToHighBin) {
    report_capture_t out;
    ASSERT_TRUE(builder.generate_ref_resource_data());
    EXPECT_TRUE(builder.is_ref_resource_data_valid());
    // Left-over reference values are ignored.
    EXPECT_EQ(builder.get_ref_resource_data(),
              (cell_grid_t{{z, c(10), c(0, 1), z}, {c(0, 2), z, z, c(0, 3)}, {z, z, c(0, 4), z}}));
    EXPECT_TRUE(out.text().empty());
    EXPECT_TRUE(log.records().empty());

    builder.set_pilot_ref_iq_vct({c(0, 1), c(0, 2), c(0, 3), c(0, 4)});
    EXPECT_FALSE(builder.is_ref_resource_data_valid());
    EXPECT_TRUE(builder.generate_ref_resource_data());
}

TEST_F(RefResourceData, PilotVectorOneShortFailsAtTheLastPilotCell) {
    builder.set_pilot_ref_iq_vct({c(0, 1), c(0, 2), c(0, 3)});
    report_capture_t out;
    EXPECT_FALSE(builder.generate_ref_resource_data());
    EXPECT_FALSE(builder.is_ref_resource_data_valid());
    // Everything before the failing cell is filled.
    EXPECT_EQ(builder.get_ref_resource_data(), (cell_grid_t{{z, c(10), c(0, 1), z}, {c(0, 2), z, z, c(0, 3)}, {z, z, z, z}}));
    EXPECT_EQ(out.text(), "pilot_ref_iq_vct and m_pilot_index_map is not equal\n");
    ASSERT_EQ(log.records().size(), 1u);
    EXPECT_EQ(log.records()[0].level, common_log::LOG_LEVEL_WARN);
    EXPECT_EQ(log.records()[0].function, "generate_ref_resource_data");
    EXPECT_EQ(log.records()[0].message, "pilot_ref_iq_vct 3 and m_pilot_index_map is not equal , generate_ref_resource_data fail");
}

TEST_F(RefResourceData, PreambleVectorTooShortReportsPositionAndSize) {
    builder.set_preamble_ref_iq_vct({});
    report_capture_t out;
    EXPECT_FALSE(builder.generate_ref_resource_data());
    EXPECT_EQ(out.text(), "m_preamble_ref_iq_vct and m_preamble_index_map is not equal 0\nm_preamble_ref_iq_vct size is 0\n");
    ASSERT_EQ(log.records().size(), 1u);
    EXPECT_EQ(log.records()[0].level, common_log::LOG_LEVEL_WARN);
    EXPECT_EQ(log.records()[0].function, "generate_ref_resource_data");
    EXPECT_EQ(log.records()[0].message,
              "m_preamble_ref_iq_vct 0 and m_preamble_index_map is not equal , generate_ref_resource_data fail");
}

TEST_F(RefResourceData, IndexMapsOfAnotherShapeMarkNothingOutsideThemselves) {
    // Pilot map with one short row and a missing symbol; preamble map wider and taller than the grid.
    builder.set_pilot_index_map({{false, false, true}, {true}});
    builder.set_preamble_index_map(bool_grid_t(5, std::vector<bool>(9, true)));
    builder.set_preamble_ref_iq_vct(complex_vector_t(12, c(7)));
    ASSERT_TRUE(builder.generate_ref_resource_data());
    const cell_grid_t& data = builder.get_ref_resource_data();
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(data[0], (complex_vector_t{c(7), c(7), c(0, 1), c(7)}));
    EXPECT_EQ(data[1], (complex_vector_t{c(0, 2), c(7), c(7), c(7)}));
    EXPECT_EQ(data[2], (complex_vector_t(4, c(7))));

    // An empty resource map gives empty, valid data.
    builder.set_resource_map_manager({});
    ASSERT_TRUE(builder.generate_ref_resource_data());
    EXPECT_TRUE(builder.get_ref_resource_data().empty());
}

TEST_F(RefResourceData, ResetStateEqualityAndCopies) {
    const lib_ofdm_ref_resource_data_vct_manager_t fresh;
    EXPECT_FALSE(fresh.is_ref_resource_data_valid());
    EXPECT_EQ(fresh.get_ref_resource_data(), (cell_grid_t{{z}}));
    EXPECT_EQ(fresh.get_resource_map(), (int_grid_t{{0}}));
    EXPECT_EQ(fresh.get_pilot_index_map(), (bool_grid_t{{false}}));
    EXPECT_EQ(fresh.get_preamble_ref_iq_vct(), (complex_vector_t{z}));

    ASSERT_TRUE(builder.generate_ref_resource_data());
    lib_ofdm_ref_resource_data_vct_manager_t copy = builder;
    EXPECT_TRUE(copy == builder);
    copy.set_preamble_ref_iq_vct({c(10), c(11), c(12.5f)});
    EXPECT_TRUE(copy != builder);
    copy = builder;
    EXPECT_TRUE(lib_ofdm_ref_resource_data_vct_manager_t::is_equal(copy, builder));
    copy.set_pilot_ref_iq_vct({c(0, 1), c(0, 2), c(0, 3), c(0, 4), c(0, std::numeric_limits<float>::quiet_NaN())});
    lib_ofdm_ref_resource_data_vct_manager_t same_nan = copy;
    EXPECT_FALSE(same_nan == copy);  // a NaN never compares equal

    copy.init_ref_resource_data();
    EXPECT_TRUE(copy == fresh);
}

}  // namespace
