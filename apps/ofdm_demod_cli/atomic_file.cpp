#include "atomic_file.hpp"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "cli_common.hpp"

namespace vek::ofdm_demod_cli {

void write_file_atomically(const std::string& path, const std::string& content) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    if (target.filename().empty()) throw cli_error_t(path + ": not a file name; give --out a file path");
    // Same directory as the target, so the rename cannot cross file systems.
    const fs::path temp = target.parent_path() / ("." + target.filename().string() + ".part" +
                                                  std::to_string(static_cast<long>(::getpid())));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            throw cli_error_t(path +
                              ": cannot create the file; check that the directory exists and is writable");
        }
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temp, ignored);
            throw cli_error_t(path + ": writing failed (disk full?); nothing was written");
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw cli_error_t(path + ": cannot replace the file (" + ec.message() + "); nothing was written");
    }
}

}  // namespace vek::ofdm_demod_cli
