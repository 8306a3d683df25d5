// One run of the runner: a context binary executed through the plug-in's
// export like a host executes it, with its results, timings and checks.
#ifndef VANTRO_TOOLS_RUNNER_RUNNER_H_
#define VANTRO_TOOLS_RUNNER_RUNNER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantro::runner {

// Exit codes of the runner.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1,   // the run could not be made
  kExitMismatch = 2,  // the run was made; outputs differ from --expect
};

struct RunnerOptions {
  std::string plugin_path;
  std::string model_path;
  std::string function;                           // empty: none given
  std::optional<std::string> options_path;        // TOML payload under "qualcomm"
  std::optional<std::string> qnn_lib_dir;         // adds/overrides qnn_lib_dir in the payload
  // An installed QNN SDK whose lib/<platform> libraries the run uses, made
  // available under the plug-in's file names (instead of qnn_lib_dir).
  std::optional<std::string> qnn_sdk_root;
  std::string qnn_sdk_platform;  // empty: the SDK directory of this build's platform
  std::optional<int64_t> log_severity;            // environment option 25
  std::optional<std::string> shared_library_dir;  // environment option 1
  // Input files in input order, or "NAME=FILE" for the input NAME.
  std::vector<std::string> input_files;
  uint64_t seed = 1;
  int iterations = 10;
  int warmup = 1;
  std::optional<std::string> output_dir;
  std::optional<std::string> expect_path;
  bool json = false;
  size_t preview = 8;
};

// The payload text: the file's contents (empty without a file) with a
// qnn_lib_dir line appended when `qnn_lib_dir` is given (a later key
// replaces an earlier one). Fails for an unreadable file or a directory
// that a payload line cannot carry (a line break in it).
struct PayloadResult {
  bool ok = false;
  std::string text;
  std::string error;
};
PayloadResult ComposePayload(const std::optional<std::string>& options_path,
                             const std::optional<std::string>& qnn_lib_dir);

// Runs and prints; returns an ExitCode. Everything the run says goes to
// the standard output (the report) and error (problems); the plug-in logs
// on the standard error stream itself.
int Run(const RunnerOptions& options);

}  // namespace vantro::runner

#endif  // VANTRO_TOOLS_RUNNER_RUNNER_H_
