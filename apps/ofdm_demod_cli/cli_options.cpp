// Option parsing for the subcommands. Deliberately strict: an unknown option is an error rather
// than ignored, because a misspelt --snr silently falling back to a default would hide a mistake.
#include "cli_options.hpp"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "cli_common.hpp"

namespace vek::ofdm_demod_cli {
namespace {

const option_spec_t* find_option(const command_spec_t& spec, const std::string& name) {
    static const option_spec_t verbose{"verbose", "", "show the library's own progress lines"};
    static const option_spec_t help{"help", "", "show this help"};
    if (name == "verbose") return &verbose;
    if (name == "help") return &help;
    for (const option_spec_t& o : spec.options) {
        if (o.name == name) return &o;
    }
    return nullptr;
}

std::string try_help(const command_spec_t& spec) {
    return "run 'ofdm-demod " + spec.name + " --help' for the options";
}

}  // namespace

std::optional<std::string> parsed_options_t::get(const std::string& name) const {
    auto it = m_values.find(name);
    if (it == m_values.end()) return std::nullopt;
    return it->second;
}

double parsed_options_t::get_double(const std::string& name, double fallback) const {
    const std::optional<std::string> text = get(name);
    if (!text) return fallback;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text->c_str(), &end);
    if (text->empty() || end != text->c_str() + text->size() || errno == ERANGE || !std::isfinite(v)) {
        throw cli_error_t("option --" + name + ": '" + *text +
                          "' is not a number; give a decimal number such as 30 or 1e3");
    }
    return v;
}

long long parsed_options_t::get_integer(const std::string& name, long long fallback, long long min_value,
                                        long long max_value) const {
    const std::optional<std::string> text = get(name);
    if (!text) return fallback;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text->c_str(), &end, 10);
    if (text->empty() || end != text->c_str() + text->size() || errno == ERANGE) {
        throw cli_error_t("option --" + name + ": '" + *text + "' is not a whole number");
    }
    if (v < min_value || v > max_value) {
        throw cli_error_t("option --" + name + ": " + *text + " is outside " + std::to_string(min_value) +
                          " .. " + std::to_string(max_value));
    }
    return v;
}

parsed_options_t parse_options(const command_spec_t& spec, const std::vector<std::string>& args) {
    parsed_options_t out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            std::string name = a.substr(2);
            std::optional<std::string> value;
            const std::size_t eq = name.find('=');
            if (eq != std::string::npos) {
                value = name.substr(eq + 1);
                name.resize(eq);
            }
            const option_spec_t* o = find_option(spec, name);
            if (o == nullptr)
                throw cli_error_t("unknown option '--" + name + "' for '" + spec.name + "'; " +
                                  try_help(spec));
            if (name == "help") {
                parsed_options_t help;
                help.m_values["help"] = "";
                return help;
            }
            if (o->value_name.empty()) {
                if (value) throw cli_error_t("option --" + name + " takes no value; " + try_help(spec));
                out.m_values[name] = "";
                continue;
            }
            if (!value) {
                if (i + 1 >= args.size()) {
                    throw cli_error_t("option --" + name + " needs a value (" + o->value_name + "); " +
                                      try_help(spec));
                }
                value = args[++i];
            }
            if (out.m_values.count(name) != 0) throw cli_error_t("option --" + name + " is given twice");
            out.m_values[name] = *value;
        } else if (a.size() > 1 && a[0] == '-' && !(a[1] >= '0' && a[1] <= '9')) {
            throw cli_error_t("unknown option '" + a + "' for '" + spec.name + "' (options begin with --); " +
                              try_help(spec));
        } else {
            out.m_positional.push_back(a);
        }
    }
    const int n = static_cast<int>(out.m_positional.size());
    if (n < spec.min_positional) throw cli_error_t("missing argument: usage: ofdm-demod " + spec.usage);
    if (n > spec.max_positional) {
        throw cli_error_t("unexpected argument '" +
                          out.m_positional[static_cast<std::size_t>(spec.max_positional)] +
                          "': usage: ofdm-demod " + spec.usage);
    }
    return out;
}

std::vector<std::string> help_lines(const command_spec_t& spec) {
    std::vector<std::string> lines{"usage: ofdm-demod " + spec.usage, "", spec.summary, "", "options:"};
    std::vector<option_spec_t> all = spec.options;
    all.push_back({"verbose", "", "show the library's own progress lines"});
    all.push_back({"help", "", "show this help"});
    for (const option_spec_t& o : all) {
        std::string left = "  --" + o.name + (o.value_name.empty() ? "" : " " + o.value_name);
        if (left.size() < 26)
            left.resize(26, ' ');
        else
            left += "  ";
        lines.push_back(left + o.help);
    }
    lines.push_back("");
    lines.push_back("exit codes: 0 ok, 1 demodulation failed, 2 bad usage or input");
    return lines;
}

option_spec_t option_standard() { return {"standard", "S", "preset frame: wlan, lte-dl or lte-ul"}; }
option_spec_t option_settings() {
    return {"settings", "FILE.xml", "frame described by a settings file (see 'ofdm-demod settings')"};
}
option_spec_t option_data_dir() {
    return {"data-dir", "DIR", "reference data directory (default: the installed data)"};
}
option_spec_t option_format(const std::string& help) { return {"format", "F", help}; }
option_spec_t option_sample_rate(const std::string& help) { return {"sample-rate", "HZ", help}; }

}  // namespace vek::ofdm_demod_cli
