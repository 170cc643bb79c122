// The JSON checker the CLI tests rely on must itself refuse what is not JSON, or a broken JSON
// printer would pass unnoticed.
#include <gtest/gtest.h>

#include "cli_run.hpp"

namespace {

using vek::test::json_check_t;

TEST(CliJsonCheck, AcceptsValidDocumentsAndCollectsTopLevelScalars) {
    json_check_t j(R"({"a_hz": -1.5e3, "name": "x\"y", "n": null, "inner": {"b": [1, 2, {}]}, "ok": true})");
    ASSERT_TRUE(j.parse());
    EXPECT_DOUBLE_EQ(j.number("a_hz"), -1500.0);
    EXPECT_EQ(j.members().at("name"), "x\"y");  // escapes resolved
    EXPECT_EQ(j.members().at("n"), "null");
    EXPECT_EQ(j.members().count("b"), 0u);  // nested members are not top-level
}

TEST(CliJsonCheck, RefusesNonJson) {
    for (const char* bad : {"{", "{\"a\": nan}", "{\"a\": 1,}", "{a: 1}", "{\"a\": 01}", "{\"a\": 1} x",
                            "[1 2]", "{\"a\": \"tab\tinside\"}", "{\"a\": .5}", ""}) {
        json_check_t j(bad);
        EXPECT_FALSE(j.parse()) << bad;
    }
}

}  // namespace
