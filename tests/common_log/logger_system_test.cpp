// The logging component: file sink contents and level, start-up note, callback, shutdown and an
// unwritable directory.
#include "common_log/logger_system.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::string read_file(const fs::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(LoggerSystem, WritesFileRecordsAtOrAboveFileLevel) {
    const char* tmp = std::getenv("VEK_TEST_TMP");
    const fs::path dir = fs::path(tmp ? tmp : fs::temp_directory_path().string()) / "logger_file";
    fs::remove_all(dir);
    common_log::logger_config_t config;
    config.log_directory = dir.string();
    config.console_enabled = false;
    config.version_label = "test_version";
    auto& logger = common_log::logger_system_t::get_instance();
    ASSERT_TRUE(logger.init(config));
    logger.log_write("OFDM_LIB", false, common_log::LOG_LEVEL_DEBUG, "src/a", 10, "f", "hidden debug");
    // %s in the file pattern is the base name of the source file.
    logger.log_write("OFDM_LIB", false, common_log::LOG_LEVEL_ERROR, "src/a", 11, "set_x",
                     "input x 3 is out range");
    logger.shutdown();
    EXPECT_FALSE(logger.is_initialized());
    // After shutdown records are dropped.
    logger.log_write("OFDM_LIB", false, common_log::LOG_LEVEL_ERROR, "src/a", 12, "f", "after shutdown");

    const std::string app = read_file(dir / "applog.txt");
    EXPECT_EQ(app.find("hidden debug"), std::string::npos);  // file level is info
    EXPECT_NE(app.find("[error] [OFDM_LIB] input x 3 is out range (a:11)"), std::string::npos) << app;
    EXPECT_EQ(app.find("after shutdown"), std::string::npos);
    EXPECT_NE(read_file(dir / "startup_log.txt").find("test_version"), std::string::npos);
}

TEST(LoggerSystem, CallbackSeesEveryRecordBeyondTheLoggerBoundAndBadDirectoryFailsQuietly) {
    common_log::logger_config_t config;
    config.console_enabled = false;
    config.file_enabled = false;
    config.max_loggers = 2;
    int calls = 0;
    config.callback = [&](const common_log::log_record_t& r) {
        ++calls;
        EXPECT_EQ(r.function, "fn");
    };
    auto& logger = common_log::logger_system_t::get_instance();
    ASSERT_TRUE(logger.init(config));
    for (int i = 0; i < 5; ++i)
        logger.log_write("name" + std::to_string(i), false, common_log::LOG_LEVEL_INFO, "f", 1, "fn", "m");
    logger.shutdown();
    EXPECT_EQ(calls, 5);

    config.file_enabled = true;
    config.log_directory = "/proc/vek_cannot_create_here";
    EXPECT_FALSE(logger.init(config));
    EXPECT_FALSE(logger.is_initialized());
    logger.log_write("OFDM_LIB", false, common_log::LOG_LEVEL_ERROR, "f", 1, "fn", "dropped");  // no throw
    EXPECT_EQ(calls, 5);
}

}  // namespace
