// The logging facade: what a call site writes where, and that no failure escapes it.
#include <gtest/gtest.h>

#include "log_capture.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace {

// Returns the line of its log call.
int reject_something(int value) {
    const int line = __LINE__ + 1;
    VEK_OFDM_LOG_ERROR("input value is out range", "input value {} is out range 0 to {}", value, 7);
    return line;
}

TEST(OfdmLogFacade, ShortTextToReportThenRecordWithSourceLocation) {
    vek::test::log_capture_t log;
    vek::common_lib::report_capture_t out;
    const int line = reject_something(9);
    EXPECT_EQ(out.text(), "input value is out range\n");
    const auto records = log.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].logger_name, "OFDM_LIB");
    EXPECT_EQ(records[0].level, common_log::LOG_LEVEL_ERROR);
    EXPECT_EQ(records[0].message, "input value 9 is out range 0 to 7");
    EXPECT_EQ(records[0].function, "reject_something");
    EXPECT_EQ(records[0].source_file, "tests/ofdm_demod_lib/log/ofdm_log_test");
    EXPECT_EQ(records[0].line, line);
}

TEST(OfdmLogFacade, LevelsWithoutShortText) {
    vek::test::log_capture_t log;
    vek::common_lib::report_capture_t out;
    VEK_OFDM_LOG_DEBUG("m_evm_rms is {}", 1.5f);
    VEK_OFDM_LOG_WARN("tracking without pilots");
    EXPECT_TRUE(out.text().empty());
    const auto records = log.records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].level, common_log::LOG_LEVEL_DEBUG);
    EXPECT_EQ(records[0].message, "m_evm_rms is 1.5");
    EXPECT_EQ(records[1].level, common_log::LOG_LEVEL_WARN);
}

TEST(OfdmLogFacade, BadPatternLogsNothingAndWritesTheFallbackLine) {
    vek::test::log_capture_t log;
    testing::internal::CaptureStderr();
    VEK_OFDM_LOG_WARN("two {} {} but one argument", 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(log.records().empty());
    EXPECT_EQ(err.rfind("[", 0), 0u);
    EXPECT_NE(err.find("ofdm_log_test.cpp:"), std::string::npos);
    EXPECT_NE(err.find("] Log format error: "), std::string::npos);
}

TEST(OfdmLogFacade, ThrowingSinkGivesTheWriteFailedLine) {
    vek::common_lib::report_sink_t previous =
        vek::common_lib::set_report_sink([](std::string_view) { throw std::runtime_error("sink broke"); });
    testing::internal::CaptureStderr();
    VEK_OFDM_LOG_ERROR("short", "long {}", 1);  // must not throw
    const std::string err = testing::internal::GetCapturedStderr();
    vek::common_lib::set_report_sink(std::move(previous));
    EXPECT_NE(err.find("] Log write failed (unknown error)"), std::string::npos);
}

TEST(OfdmLogFacade, QuietBeforeInit) {
    // No logger configured: the record is dropped, the short text still reaches the report sink.
    vek::common_lib::report_capture_t out;
    testing::internal::CaptureStderr();
    reject_something(1);
    EXPECT_TRUE(testing::internal::GetCapturedStderr().empty());
    EXPECT_EQ(out.text(), "input value is out range\n");
}

}  // namespace
