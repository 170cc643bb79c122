#include <gtest/gtest.h>

#include "vek/common_lib/report/report.hpp"

namespace {

TEST(Report, DefaultIsStandardOutputAndCapturesNest) {
    testing::internal::CaptureStdout();
    vek::common_lib::report_line("to stdout");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "to stdout\n");

    vek::common_lib::report_capture_t outer;
    {
        vek::common_lib::report_capture_t inner;
        vek::common_lib::report_line("inner");
        EXPECT_EQ(inner.text(), "inner\n");
    }
    vek::common_lib::report_line("outer");
    EXPECT_EQ(outer.text(), "outer\n");  // the inner capture restored the outer one
}

TEST(Report, SilencedLinesReachNoSinkUntilRestored) {
    vek::common_lib::report_capture_t capture;
    {
        vek::common_lib::report_silence_t quiet;
        EXPECT_FALSE(vek::common_lib::reports_wanted());
        {
            vek::common_lib::report_silence_t nested;
        }
        EXPECT_FALSE(vek::common_lib::reports_wanted());  // the inner one restored "silenced"
        vek::common_lib::report_line("lost");
    }
    EXPECT_TRUE(vek::common_lib::reports_wanted());
    vek::common_lib::report_line("kept");
    EXPECT_EQ(capture.text(), "kept\n");
}

}  // namespace
