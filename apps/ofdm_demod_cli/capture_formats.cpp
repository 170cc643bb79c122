// Capture readers and writers. The text readers parse line by line so every complaint can name a
// line; numbers go through strtod with a full-token check (so "1.5x" is refused, not read as 1.5)
// and must be finite, because one NaN would poison every FFT of the frame.
#include "capture_formats.hpp"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "atomic_file.hpp"
#include "cli_common.hpp"
#include "vek/common_lib/test_io/lib_test.hpp"

namespace vek::ofdm_demod_cli {
namespace {

using vek::ofdm_demod_lib::complex_t;
using vek::ofdm_demod_lib::complex_vector_t;

std::string lower_extension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string where(const std::string& path, std::size_t line) { return path + ":" + std::to_string(line); }

// One decimal number filling the whole token.
float parse_number(const std::string& token, const std::string& path, std::size_t line) {
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(token.c_str(), &end);
    if (token.empty() || end != token.c_str() + token.size()) {
        throw cli_error_t(where(path, line) + ": '" + token +
                          "' is not a number; each sample line holds two decimal numbers (re,im)");
    }
    if (!std::isfinite(v) || errno == ERANGE || std::fabs(v) > 3.0e38) {
        throw cli_error_t(where(path, line) + ": '" + token +
                          "' is not a finite number; remove NaN/Inf samples or re-export the capture");
    }
    return static_cast<float>(v);
}

std::string trim(const std::string& s) {
    const std::size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    const std::size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// "re,im", "re im" or "re<TAB>im"; exactly two numbers.
complex_t parse_pair_line(const std::string& text, const std::string& path, std::size_t line) {
    std::vector<std::string> tokens;
    std::string cur;
    for (char c : text) {
        if (c == ',' || c == ' ' || c == '\t') {
            if (!cur.empty()) tokens.push_back(cur);
            cur.clear();
            if (c == ',' && tokens.empty()) tokens.push_back("");  // ",5": empty real part
        } else {
            cur.push_back(c);
        }
    }
    if (!cur.empty()) tokens.push_back(cur);
    if (tokens.size() != 2) {
        throw cli_error_t(where(path, line) + ": holds " + std::to_string(tokens.size()) +
                          (tokens.size() == 1 ? " number" : " numbers") +
                          ", expected 2 (re,im) per line; an odd number count means a sample is cut in half");
    }
    return {parse_number(tokens[0], path, line), parse_number(tokens[1], path, line)};
}

// "a+bi" / "a-bi": the split is the last sign that is neither the first character nor part of an
// exponent.
complex_t parse_matlab_line(const std::string& text, const std::string& path, std::size_t line) {
    if (text.size() < 2 || (text.back() != 'i' && text.back() != 'j')) {
        throw cli_error_t(where(path, line) + ": '" + text +
                          "' is not a MATLAB complex number such as 1.5-2i");
    }
    const std::string body = text.substr(0, text.size() - 1);
    std::size_t split = std::string::npos;
    for (std::size_t i = 1; i < body.size(); ++i) {
        if ((body[i] == '+' || body[i] == '-') && body[i - 1] != 'e' && body[i - 1] != 'E') split = i;
    }
    if (split == std::string::npos) {
        throw cli_error_t(where(path, line) + ": '" + text +
                          "' has no imaginary part; write it as re+imi, e.g. 0.5+0i");
    }
    return {parse_number(body.substr(0, split), path, line), parse_number(body.substr(split), path, line)};
}

// The header stores 1/rate with six significant digits, so 7.68 MHz comes back as 7680020 Hz. The
// rate meant is the one with the fewest significant digits whose interval prints the same.
double rate_from_interval(double interval_s) {
    std::ostringstream written;
    written << interval_s;
    const double raw = 1.0 / interval_s;
    for (int digits = 1; digits <= 9; ++digits) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*e", digits - 1, raw);
        const double candidate = std::strtod(buf, nullptr);
        std::ostringstream back;
        back << (1.0 / candidate);
        if (back.str() == written.str()) return candidate;
    }
    return raw;
}

// The recording format through the toolkit's reader, which names the file and line of a fault.
capture_file_t read_vsa(const std::string& path) {
    vek::common_lib::lib_test_iq_file_t file;
    std::string error;
    if (!vek::common_lib::lib_test_t::read_iq_data_for_vsa(path, file, error)) {
        throw cli_error_t(error +
                          "; fix the file, or use --format csv for re,im files without the 10-line header");
    }
    capture_file_t out;
    out.samples = std::move(file.samples);
    if (file.x_delta_s > 0.0) out.sample_rate_hz = rate_from_interval(file.x_delta_s);
    return out;
}

std::ifstream open_text(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        throw cli_error_t(path + ": no such file; check the path");
    }
    if (std::filesystem::is_directory(path, ec))
        throw cli_error_t(path + ": is a directory, not a capture file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw cli_error_t(path + ": cannot be opened for reading; check its permissions");
    return in;
}

capture_file_t read_text(const std::string& path, capture_format_t format) {
    std::ifstream in = open_text(path);
    capture_file_t out;
    std::string raw;
    std::size_t line = 0;
    while (std::getline(in, raw)) {
        ++line;
        const std::string text = trim(raw);
        if (text.empty()) continue;
        out.samples.push_back(format == capture_format_t::matlab ? parse_matlab_line(text, path, line)
                                                                 : parse_pair_line(text, path, line));
    }
    if (in.bad()) throw cli_error_t(path + ": read error");
    return out;
}

capture_file_t read_cf32(const std::string& path) {
    std::ifstream in = open_text(path);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() % 8 != 0) {
        throw cli_error_t(path + ": " + std::to_string(bytes.size()) +
                          " bytes is not a whole number of complex float32 samples (8 bytes each); the file "
                          "is truncated or not cf32");
    }
    capture_file_t out;
    out.samples.reserve(bytes.size() / 8);
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        float part[2];
        for (int p = 0; p < 2; ++p) {
            std::uint32_t u = 0;
            for (int b = 3; b >= 0; --b) {
                u = (u << 8) | static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(p * 4 + b)]);
            }
            std::memcpy(&part[p], &u, sizeof u);
            if (!std::isfinite(part[p])) {
                throw cli_error_t(path + ": sample " + std::to_string(i / 8) +
                                  " is NaN or infinite; remove it or re-export the capture");
            }
        }
        out.samples.emplace_back(part[0], part[1]);
    }
    return out;
}

std::string number_text(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    return buf;
}

}  // namespace

std::optional<capture_format_t> parse_format_name(const std::string& name) {
    if (name == "auto") return std::nullopt;
    if (name == "vsa") return capture_format_t::vsa;
    if (name == "matlab") return capture_format_t::matlab;
    if (name == "csv") return capture_format_t::csv;
    if (name == "cf32") return capture_format_t::cf32;
    throw cli_error_t("option --format: unknown format '" + name + "'; use auto, vsa, matlab, csv or cf32");
}

const char* format_name(capture_format_t format) {
    switch (format) {
        case capture_format_t::vsa:
            return "vsa";
        case capture_format_t::matlab:
            return "matlab";
        case capture_format_t::csv:
            return "csv";
        case capture_format_t::cf32:
            return "cf32";
    }
    return "csv";
}

capture_format_t detect_read_format(const std::string& path) {
    const std::string ext = lower_extension(path);
    if (ext == ".cf32" || ext == ".raw" || ext == ".bin") return capture_format_t::cf32;
    std::ifstream in = open_text(path);
    std::string first;
    std::getline(in, first);
    if (first.rfind("InputZoom", 0) == 0) return capture_format_t::vsa;
    const std::string t = trim(first);
    if (!t.empty() && (t.back() == 'i' || t.back() == 'j')) return capture_format_t::matlab;
    return capture_format_t::csv;
}

capture_format_t detect_write_format(const std::string& path) {
    const std::string ext = lower_extension(path);
    if (ext == ".cf32" || ext == ".raw" || ext == ".bin") return capture_format_t::cf32;
    if (ext == ".m") return capture_format_t::matlab;
    if (ext == ".vsa") return capture_format_t::vsa;
    return capture_format_t::csv;
}

capture_file_t read_capture(const std::string& path, capture_format_t format) {
    capture_file_t out = format == capture_format_t::cf32  ? read_cf32(path)
                         : format == capture_format_t::vsa ? read_vsa(path)
                                                           : read_text(path, format);
    if (out.samples.empty()) {
        throw cli_error_t(path + ": holds no samples; give a capture with one complex sample per line (" +
                          std::string(format_name(format)) + " format)");
    }
    return out;
}

void write_capture(const std::string& path, capture_format_t format, const complex_vector_t& samples,
                   double sample_rate_hz) {
    std::string content;
    if (format == capture_format_t::cf32) {
        content.resize(samples.size() * 8);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const float part[2] = {samples[i].real(), samples[i].imag()};
            for (int p = 0; p < 2; ++p) {
                std::uint32_t u = 0;
                std::memcpy(&u, &part[p], sizeof u);
                for (int b = 0; b < 4; ++b) {
                    content[i * 8 + static_cast<std::size_t>(p * 4 + b)] =
                        static_cast<char>((u >> (8 * b)) & 0xffu);
                }
            }
        }
    } else {
        std::ostringstream out;
        if (format == capture_format_t::vsa) {
            // The header of the analysis software's recording, byte for byte; the interval uses the
            // stream's default (six significant digits) formatting like its writer.
            out << "InputZoom,TRUE\nInputCenter,1000000000.0\nInputRefImped,50\nXStart,0\nXDelta,"
                << (1.0 / sample_rate_hz)
                << "\nXDomain,2\nXUnit,Sec\nYUnit,V\nTimeString,2/15/2023 2:10:09 PM\nY\n";
        }
        for (const complex_t& s : samples) {
            if (format == capture_format_t::matlab) {
                const float im = s.imag();
                out << number_text(s.real()) << (im < -1e-12f ? "-" : "+") << number_text(std::fabs(im))
                    << "i\n";
            } else {
                out << number_text(s.real()) << ',' << number_text(s.imag()) << '\n';
            }
        }
        content = out.str();
    }
    write_file_atomically(path, content);
}

}  // namespace vek::ofdm_demod_cli
