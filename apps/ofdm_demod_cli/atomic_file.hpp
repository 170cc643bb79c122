#pragma once
// Whole-file output: the content goes to a temporary file next to the target and is renamed into
// place only once it is complete (and on disk), so readers never see a half-written file. A run
// interrupted by SIGINT, SIGTERM, SIGHUP or SIGQUIT during the write removes the temporary file;
// only SIGKILL or a power cut can leave one behind (a hidden ".NAME.partPID" beside the target).
#include <string>

namespace vek::ofdm_demod_cli {

// Throws cli_error_t naming `path` when the directory is not writable or the write fails.
void write_file_atomically(const std::string& path, const std::string& content);

}  // namespace vek::ofdm_demod_cli
