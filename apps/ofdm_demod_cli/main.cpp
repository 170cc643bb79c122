// ofdm-demod: command-line front end of the OFDM demodulator.
#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "cli_common.hpp"
#include "commands.hpp"

using namespace vek::ofdm_demod_cli;

namespace {

std::vector<command_t> all_commands() {
    return {demo_command(), analyze_command(), generate_command(), settings_command()};
}

void print_overview() {
    cli_print("usage: ofdm-demod COMMAND [options]");
    cli_print("");
    cli_print("commands:");
    for (const command_t& c : all_commands()) {
        std::string left = "  " + c.spec.name;
        left.resize(12, ' ');
        cli_print(left + c.spec.summary);
    }
    cli_print("");
    cli_print("run 'ofdm-demod COMMAND --help' for a command's options");
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool verbose = std::find(args.begin(), args.end(), "--verbose") != args.end();
    cli_install_report_sink(verbose);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        print_overview();
        return args.empty() ? EXIT_CODE_BAD_INPUT : EXIT_CODE_OK;
    }
    const std::vector<command_t> commands = all_commands();
    const auto command = std::find_if(commands.begin(), commands.end(),
                                      [&](const command_t& c) { return c.spec.name == args[0]; });
    if (command == commands.end()) {
        cli_warn("ofdm-demod: unknown command '" + args[0] +
                 "'; the commands are demo, analyze, generate and settings "
                 "(run 'ofdm-demod --help')");
        return EXIT_CODE_BAD_INPUT;
    }
    try {
        const parsed_options_t options = parse_options(command->spec, {args.begin() + 1, args.end()});
        if (options.has("help")) {
            for (const std::string& line : help_lines(command->spec)) cli_print(line);
            return EXIT_CODE_OK;
        }
        return command->run(options);
    } catch (const cli_error_t& e) {
        cli_warn(std::string("ofdm-demod ") + command->spec.name + ": " + e.what());
        return e.code();
    } catch (const std::exception& e) {
        // The library raises a vector's out-of-range error when a configuration it accepted is
        // inconsistent; that is a failed demodulation, not a crash.
        cli_warn(std::string("ofdm-demod ") + command->spec.name + ": demodulation failed: " + e.what());
        return EXIT_CODE_DEMOD_FAILED;
    }
}
