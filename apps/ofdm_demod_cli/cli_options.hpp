#pragma once
// Command-line options of one subcommand: "--name value", "--name=value" and bare "--flag", plus
// positional arguments. Every subcommand declares its table, which also prints its --help.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vek::ofdm_demod_cli {

struct option_spec_t {
    std::string name;        // without the leading "--"
    std::string value_name;  // empty for a flag
    std::string help;
};

struct command_spec_t {
    std::string name;
    std::string usage;    // e.g. "analyze CAPTURE (--standard S | --settings FILE.xml) [options]"
    std::string summary;  // one sentence
    int min_positional = 0;
    int max_positional = 0;
    std::vector<option_spec_t> options;  // --help and --verbose are added by the parser
};

class parsed_options_t {
public:
    bool has(const std::string& name) const { return m_values.count(name) != 0; }
    std::optional<std::string> get(const std::string& name) const;
    const std::vector<std::string>& positional() const { return m_positional; }

    // Typed values; a value that does not parse throws cli_error_t naming the option.
    double get_double(const std::string& name, double fallback) const;
    long long get_integer(const std::string& name, long long fallback, long long min_value,
                          long long max_value) const;

    std::map<std::string, std::string> m_values;
    std::vector<std::string> m_positional;
};

// Throws cli_error_t (exit 2) on an unknown option, a missing value or a wrong number of
// positional arguments. "--help" short-circuits: the result then only holds "help".
parsed_options_t parse_options(const command_spec_t& spec, const std::vector<std::string>& args);

// The subcommand's help text, one string per line.
std::vector<std::string> help_lines(const command_spec_t& spec);

// The options every frame-taking subcommand shares, so their spelling and help stay the same.
option_spec_t option_standard();
option_spec_t option_settings();
option_spec_t option_data_dir();
option_spec_t option_format(const std::string& help);
option_spec_t option_sample_rate(const std::string& help);

}  // namespace vek::ofdm_demod_cli
