#pragma once
// Shared pieces of the fuzz targets: a scratch directory private to the fuzzing process (the
// readers under test take paths, so each input is written to a file first) and a quiet report
// sink (the library's report lines would otherwise flood the fuzzer's output).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "vek/common_lib/report/report.hpp"

namespace vek::fuzz {

// Created on first use below $TMPDIR (or /tmp); one per process so parallel fuzzers never meet.
inline const std::string& scratch_dir() {
    static const std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/vek_fuzz_XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        return pattern;
    }();
    return dir;
}

// Writes the bytes to dir/relative, creating the directories on the way.
inline std::string write_scratch_file(const std::string& relative, const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path path = std::filesystem::path(scratch_dir()) / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path.string();
}

inline void silence_reports() {
    static const bool done = [] {
        vek::common_lib::silence_reports(true);
        return true;
    }();
    (void)done;
}

// Consumes bytes from the front of the input: selectors first, the rest is the payload.
struct byte_reader_t {
    const std::uint8_t* data;
    std::size_t size;
    std::uint8_t take_byte() {
        if (size == 0) return 0;
        --size;
        return *data++;
    }
    std::uint16_t take_u16() {
        const std::uint16_t lo = take_byte();
        return static_cast<std::uint16_t>(lo | (take_byte() << 8));
    }
};

}  // namespace vek::fuzz
