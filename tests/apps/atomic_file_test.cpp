// The tool's whole-file output: a write that fails or is interrupted leaves neither a partial
// target nor a stray temporary; a write that completes replaces the target in one step.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "atomic_file.hpp"
#include "cli_common.hpp"

namespace fs = std::filesystem;
using vek::ofdm_demod_cli::cli_error_t;
using vek::ofdm_demod_cli::write_file_atomically;

namespace {

fs::path fresh_dir(const std::string& name) {
    const char* root = std::getenv("VEK_TEST_TMP");
    const fs::path dir = fs::path(root != nullptr ? root : "/tmp") / ("atomic_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::vector<std::string> names_in(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    return names;
}

std::string read_all(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(AtomicFile, CompleteWriteReplacesTheTargetAndLeavesNothingElse) {
    const fs::path dir = fresh_dir("complete");
    const fs::path target = dir / "out.csv";
    { std::ofstream(target) << "old content that is longer than the new one\n"; }
    write_file_atomically(target.string(), "1,2\n");
    EXPECT_EQ(read_all(target), "1,2\n");
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"out.csv"});
}

TEST(AtomicFile, FailedWritesLeaveNoFileAndKeepTheOldTarget) {
    const fs::path dir = fresh_dir("failed");
    // The directory does not exist: nothing can be created.
    EXPECT_THROW(write_file_atomically((dir / "missing" / "out.csv").string(), "x"), cli_error_t);
    // The target is a non-empty directory: the rename fails after the temporary was written.
    fs::create_directories(dir / "taken" / "inside");
    EXPECT_THROW(write_file_atomically((dir / "taken").string(), "x"), cli_error_t);
    EXPECT_TRUE(fs::is_directory(dir / "taken" / "inside"));
    // A path with no file name.
    EXPECT_THROW(write_file_atomically(dir.string() + "/", "x"), cli_error_t);
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"taken"});
}

// A child writes a large file and is sent SIGTERM or SIGINT at varying moments. Whenever the signal
// lands, the directory afterwards holds either nothing or the complete file: never a truncated
// target, never the temporary.
TEST(AtomicFile, InterruptedWriteLeavesNoPartialFile) {
    const std::string content(32u << 20, 'x');
    for (int attempt = 0; attempt < 12; ++attempt) {
        const fs::path dir = fresh_dir("interrupted");
        const fs::path target = dir / "capture.cf32";
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                write_file_atomically(target.string(), content);
            } catch (...) {
                ::_exit(3);
            }
            ::_exit(0);
        }
        ::usleep(static_cast<useconds_t>(2000 * attempt));
        ::kill(child, attempt % 2 == 0 ? SIGTERM : SIGINT);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const std::vector<std::string> names = names_in(dir);
        if (names.empty()) {
            EXPECT_TRUE(WIFSIGNALED(status));
        } else {
            ASSERT_EQ(names, std::vector<std::string>{"capture.cf32"});
            EXPECT_EQ(fs::file_size(target), content.size());
        }
    }
}
