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

}  // namespace
