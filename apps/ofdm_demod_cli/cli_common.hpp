#pragma once
// Shared pieces of the ofdm-demod tool: exit codes, the error every subcommand throws for bad usage
// or bad input, and the single path by which the tool writes to standard output.
#include <stdexcept>
#include <string>
#include <string_view>

namespace vek::ofdm_demod_cli {

enum exit_code_t : int {
    EXIT_CODE_OK = 0,
    EXIT_CODE_DEMOD_FAILED = 1,
    EXIT_CODE_BAD_INPUT = 2,
};

// Bad usage or bad input: the message names the file (and line) and says what to do. main()
// prints it on standard error and exits with `code`.
class cli_error_t : public std::runtime_error {
public:
    explicit cli_error_t(const std::string& message, int code = EXIT_CODE_BAD_INPUT)
        : std::runtime_error(message), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};

// Every line the tool prints on standard output goes through here and on through the library's
// report function, so a test can capture it with report_capture_t.
void cli_print(std::string_view line);

// Installs the report sink for the tool: with verbose off, the library's own lines (stage
// outcomes, "NOW IS ...", rejection notices) are dropped and only cli_print lines reach standard
// output.
void cli_install_report_sink(bool verbose);

// Error and warning text for a person, on standard error.
void cli_warn(std::string_view line);

}  // namespace vek::ofdm_demod_cli
