#pragma once
// The subcommands. Each takes the arguments after its name and returns the exit code; bad usage
// or input is thrown as cli_error_t.
#include <string>
#include <vector>

#include "cli_options.hpp"

namespace vek::ofdm_demod_cli {

struct command_t {
    command_spec_t spec;
    int (*run)(const parsed_options_t& options);
};

command_t demo_command();
command_t analyze_command();
command_t generate_command();
command_t settings_command();

}  // namespace vek::ofdm_demod_cli
