// The runner: executes a QNN context binary through the Qualcomm dispatch
// plug-in the way a Vantro host does (the plug-in's one export, its
// operation table, the simulated host's services), then prints the
// results and the per-invoke latency, and checks them against expected
// values when asked.
//   vantro_runner --model model.bin [--options payload.toml]
//                 [--qnn-lib-dir DIR | --qnn-sdk-root DIR [--qnn-sdk-platform NAME]]
//                 [--input FILE]... [--seed N] [--iterations N] [--warmup N]
//                 [--output-dir DIR] [--expect FILE] [--json]
// Exit status: 0 success, 1 the run failed, 2 outputs differ from --expect.
#include <string>

#include "CLI/CLI.hpp"
#include "tools/runner/qnn_sdk_libraries.h"
#include "tools/runner/runner.h"

#ifndef VANTRO_RUNNER_DEFAULT_PLUGIN
#define VANTRO_RUNNER_DEFAULT_PLUGIN ""
#endif

int main(int argc, char** argv) {
  using vantro::runner::RunnerOptions;
  CLI::App app{
      "Runs a QNN context binary through the Vantro Qualcomm dispatch plug-in, as a "
      "host does, and prints its results and per-invoke latency."};
  RunnerOptions options;
  options.plugin_path = VANTRO_RUNNER_DEFAULT_PLUGIN;
  std::string options_path, qnn_lib_dir, shared_library_dir, output_dir, expect_path;
  int64_t log_severity = 0;
  // A later option replaces an earlier one, so wrapper scripts can be
  // given options that override their own.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

  app.add_option("--plugin", options.plugin_path, "Path of the plug-in library")
      ->capture_default_str();
  app.add_option("--model", options.model_path, "Context binary to run")->required();
  app.add_option("--function", options.function,
                 "Graph to run (may be left out when the binary holds one graph)");
  auto* options_flag = app.add_option(
      "--options", options_path, "Qualcomm options payload (TOML) handed over as \"qualcomm\"");
  auto* lib_dir_flag =
      app.add_option("--qnn-lib-dir", qnn_lib_dir,
                     "Directory of the QNN libraries (sets qnn_lib_dir in the payload)");
  std::string qnn_sdk_root;
  auto* sdk_flag = app.add_option("--qnn-sdk-root", qnn_sdk_root,
                                  "Installed QNN SDK whose lib/<platform> libraries to use, "
                                  "linked under the names the plug-in loads (QnnHtp.dll, ...)")
                       ->excludes(lib_dir_flag);
  app.add_option("--qnn-sdk-platform", options.qnn_sdk_platform,
                 "The SDK's library directory under lib/ (default: this build's platform, " +
                     std::string(vantro::runner::DefaultQnnSdkPlatform()) + ")")
      ->needs(sdk_flag);
  auto* severity_flag =
      app.add_option("--log-severity", log_severity,
                     "Plug-in log severity, environment option 25 "
                     "(-1 debug, 0 verbose, 1 info, 2 warning, 3 error, 4 silent)")
          ->check(CLI::Range(-1, 4));
  auto* shared_dir_flag = app.add_option("--shared-library-dir", shared_library_dir,
                                         "Shared-library directory, environment option 1");
  app.add_option("--input", options.input_files,
                 "Raw bytes of an input: FILE for the next input in order, or NAME=FILE; "
                 "inputs without a file are filled from --seed")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--seed", options.seed, "Seed of the generated inputs")->capture_default_str();
  app.add_option("--iterations", options.iterations, "Timed invokes")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  app.add_option("--warmup", options.warmup, "Untimed invokes before them")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  auto* output_dir_flag =
      app.add_option("--output-dir", output_dir, "Write each output's raw bytes to DIR/NAME.raw");
  auto* expect_flag =
      app.add_option("--expect", expect_path, "Expected output values; exit 2 when they differ");
  app.add_flag("--json", options.json, "Print a JSON summary instead of text");
  app.add_option("--preview", options.preview, "Values shown per tensor")->capture_default_str();
  CLI11_PARSE(app, argc, argv);

  if (*options_flag) options.options_path = options_path;
  if (*lib_dir_flag) options.qnn_lib_dir = qnn_lib_dir;
  if (*sdk_flag) options.qnn_sdk_root = qnn_sdk_root;
  if (*severity_flag) options.log_severity = log_severity;
  if (*shared_dir_flag) options.shared_library_dir = shared_library_dir;
  if (*output_dir_flag) options.output_dir = output_dir;
  if (*expect_flag) options.expect_path = expect_path;
  return vantro::runner::Run(options);
}
