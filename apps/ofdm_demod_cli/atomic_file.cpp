#include "atomic_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "cli_common.hpp"

namespace vek::ofdm_demod_cli {
namespace {

// The temporary file being written, for the signal handler: an interrupted run (Ctrl-C, kill)
// removes it before dying, so neither a partial target nor a stray temporary is left. A fixed
// buffer because the handler may only call async-signal-safe functions (unlink, signal, raise).
char g_temp_path[4096] = {0};
volatile std::sig_atomic_t g_temp_armed = 0;

constexpr int k_cleanup_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void remove_temp_and_die(int signal_number) {
    if (g_temp_armed) ::unlink(g_temp_path);
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

// Arms the handler for the lifetime of one write and restores what was there before.
class temp_guard_t {
public:
    explicit temp_guard_t(const std::string& temp) {
        std::snprintf(g_temp_path, sizeof g_temp_path, "%s", temp.c_str());
        struct sigaction action {};
        action.sa_handler = remove_temp_and_die;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(k_cleanup_signals); ++i) {
            sigaction(k_cleanup_signals[i], &action, &m_previous[i]);
        }
        g_temp_armed = 1;
    }
    ~temp_guard_t() {
        g_temp_armed = 0;
        for (std::size_t i = 0; i < std::size(k_cleanup_signals); ++i) {
            sigaction(k_cleanup_signals[i], &m_previous[i], nullptr);
        }
    }
    temp_guard_t(const temp_guard_t&) = delete;
    temp_guard_t& operator=(const temp_guard_t&) = delete;

private:
    struct sigaction m_previous[std::size(k_cleanup_signals)] {};
};

// Whole buffer to fd, retrying short writes and interrupted calls; false on any error.
bool write_all(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

void write_file_atomically(const std::string& path, const std::string& content) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    if (target.filename().empty()) throw cli_error_t(path + ": not a file name; give --out a file path");
    // Same directory as the target, so the rename cannot cross file systems.
    const fs::path temp = target.parent_path() / ("." + target.filename().string() + ".part" +
                                                  std::to_string(static_cast<long>(::getpid())));
    const std::string temp_text = temp.string();
    temp_guard_t guard(temp_text);
    ::unlink(temp_text.c_str());  // a leftover of a killed run with the same process id
    const int fd = ::open(temp_text.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        throw cli_error_t(path + ": cannot create the file; check that the directory exists and is writable");
    }
    // fsync before the rename: after a crash the target is the old file or the complete new one.
    const bool written = write_all(fd, content) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(temp_text.c_str());
        throw cli_error_t(path + ": writing failed (disk full?); nothing was written");
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        ::unlink(temp_text.c_str());
        throw cli_error_t(path + ": cannot replace the file (" + ec.message() + "); nothing was written");
    }
}

}  // namespace vek::ofdm_demod_cli
