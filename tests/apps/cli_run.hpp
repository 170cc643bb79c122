#pragma once
// Runs the built ofdm-demod in a scratch directory and collects its exit code and both output
// streams; plus a small JSON checker so the JSON output is validated without tools a fresh
// machine may lack.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace vek::test {

struct cli_result_t {
    int code = -1;
    std::string out;
    std::string err;
};

inline std::string read_text_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void write_text_file(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// A fresh directory per test case below VEK_TEST_TMP.
inline std::filesystem::path scratch_dir() {
    const char* base = std::getenv("VEK_TEST_TMP");
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    const std::filesystem::path dir = std::filesystem::path(base ? base : "/tmp") / "cli" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// `args` is appended to the command line as it stands (the tests quote paths themselves).
inline cli_result_t run_cli(const std::filesystem::path& dir, const std::string& args) {
    const std::filesystem::path out = dir / "stdout.txt";
    const std::filesystem::path err = dir / "stderr.txt";
    const std::string command = "cd '" + dir.string() + "' && '" VEK_CLI_EXE "' " + args + " > '" +
                                out.string() + "' 2> '" + err.string() + "'";
    const int status = std::system(command.c_str());
    cli_result_t r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = read_text_file(out);
    r.err = read_text_file(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return r;
}

// Minimal JSON validator (RFC 8259 grammar, no extensions). Collects the top-level members whose
// values are numbers, strings or literals as their source text (strings without quotes).
class json_check_t {
public:
    explicit json_check_t(std::string text) : m_s(std::move(text)) {}

    bool parse() {
        m_pos = 0;
        skip();
        if (!value(0)) return false;
        skip();
        return m_pos == m_s.size();
    }
    const std::map<std::string, std::string>& members() const { return m_members; }
    double number(const std::string& key) const {
        auto it = m_members.find(key);
        return it == m_members.end() ? std::nan("") : std::strtod(it->second.c_str(), nullptr);
    }

private:
    void skip() {
        while (m_pos < m_s.size() &&
               (m_s[m_pos] == ' ' || m_s[m_pos] == '\n' || m_s[m_pos] == '\t' || m_s[m_pos] == '\r'))
            ++m_pos;
    }
    bool literal(const char* word) {
        const std::string w(word);
        if (m_s.compare(m_pos, w.size(), w) != 0) return false;
        m_pos += w.size();
        return true;
    }
    bool string(std::string& out) {
        if (m_pos >= m_s.size() || m_s[m_pos] != '"') return false;
        ++m_pos;
        while (m_pos < m_s.size() && m_s[m_pos] != '"') {
            const unsigned char c = static_cast<unsigned char>(m_s[m_pos]);
            if (c < 0x20) return false;
            if (c == '\\') {
                if (++m_pos >= m_s.size()) return false;
                const char e = m_s[m_pos];
                if (e == 'u') {
                    for (int i = 0; i < 4; ++i) {
                        if (++m_pos >= m_s.size() || !std::isxdigit(static_cast<unsigned char>(m_s[m_pos])))
                            return false;
                    }
                } else if (std::string("\"\\/bfnrt").find(e) == std::string::npos) {
                    return false;
                }
            }
            out.push_back(m_s[m_pos++]);
        }
        if (m_pos >= m_s.size()) return false;
        ++m_pos;
        return true;
    }
    bool digits() {
        const std::size_t start = m_pos;
        while (m_pos < m_s.size() && std::isdigit(static_cast<unsigned char>(m_s[m_pos]))) ++m_pos;
        return m_pos > start;
    }
    bool number_text(std::string& out) {
        const std::size_t start = m_pos;
        if (m_pos < m_s.size() && m_s[m_pos] == '-') ++m_pos;
        if (m_pos < m_s.size() && m_s[m_pos] == '0') {
            ++m_pos;
        } else if (!digits()) {
            return false;
        }
        if (m_pos < m_s.size() && m_s[m_pos] == '.') {
            ++m_pos;
            if (!digits()) return false;
        }
        if (m_pos < m_s.size() && (m_s[m_pos] == 'e' || m_s[m_pos] == 'E')) {
            ++m_pos;
            if (m_pos < m_s.size() && (m_s[m_pos] == '+' || m_s[m_pos] == '-')) ++m_pos;
            if (!digits()) return false;
        }
        out = m_s.substr(start, m_pos - start);
        return true;
    }
    bool value(int depth, std::string* scalar = nullptr) {
        if (depth > 64 || m_pos >= m_s.size()) return false;
        std::string text;
        const char c = m_s[m_pos];
        if (c == '{') return object(depth);
        if (c == '[') return array(depth);
        if (c == '"') {
            if (!string(text)) return false;
        } else if (literal("true")) {
            text = "true";
        } else if (literal("false")) {
            text = "false";
        } else if (literal("null")) {
            text = "null";
        } else if (!number_text(text)) {
            return false;
        }
        if (scalar) *scalar = text;
        return true;
    }
    bool object(int depth) {
        ++m_pos;
        skip();
        if (m_pos < m_s.size() && m_s[m_pos] == '}') return ++m_pos, true;
        for (;;) {
            std::string key;
            skip();
            if (!string(key)) return false;
            skip();
            if (m_pos >= m_s.size() || m_s[m_pos] != ':') return false;
            ++m_pos;
            skip();
            std::string scalar;
            if (!value(depth + 1, &scalar)) return false;
            if (depth == 0) m_members[key] = scalar;
            skip();
            if (m_pos < m_s.size() && m_s[m_pos] == ',') {
                ++m_pos;
                continue;
            }
            if (m_pos < m_s.size() && m_s[m_pos] == '}') return ++m_pos, true;
            return false;
        }
    }
    bool array(int depth) {
        ++m_pos;
        skip();
        if (m_pos < m_s.size() && m_s[m_pos] == ']') return ++m_pos, true;
        for (;;) {
            skip();
            if (!value(depth + 1)) return false;
            skip();
            if (m_pos < m_s.size() && m_s[m_pos] == ',') {
                ++m_pos;
                continue;
            }
            if (m_pos < m_s.size() && m_s[m_pos] == ']') return ++m_pos, true;
            return false;
        }
    }

    std::string m_s;
    std::size_t m_pos = 0;
    std::map<std::string, std::string> m_members;
};

// The number of a results-table row ("  Frequency error      826.750 Hz"); NaN if absent.
inline double table_value(const std::string& out, const std::string& label) {
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t at = line.find_first_not_of(' ');
        if (at != std::string::npos && line.compare(at, label.size(), label) == 0) {
            const std::size_t num = line.find_first_of("-0123456789", at + label.size());
            if (num != std::string::npos) return std::strtod(line.c_str() + num, nullptr);
        }
    }
    return std::nan("");
}

}  // namespace vek::test
