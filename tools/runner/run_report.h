// What one run of the runner did and found, and its two printed forms: a
// short text for people and a JSON summary for scripts (--json).
#ifndef VANTRO_TOOLS_RUNNER_RUN_REPORT_H_
#define VANTRO_TOOLS_RUNNER_RUN_REPORT_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/runner/expectations.h"
#include "tools/runner/latency.h"
#include "tools/runner/tensor_spec.h"

namespace vantro::runner {

struct TensorReport {
  TensorSpec spec;
  std::vector<int32_t> offered_buffer_types;
  int32_t buffer_type = 0;
  size_t buffer_size = 0;
  // Inputs: the file read or "seed N"; outputs: the file written, if any.
  std::string source;
  // The buffer's contents after the run, decoded (see DecodeValues).
  std::vector<double> values;
};

struct RunReport {
  std::string plugin_path;
  std::string vendor;
  std::string build_id;
  std::string model_path;
  uint64_t model_size = 0;
  std::string graph;
  std::vector<TensorReport> inputs;
  std::vector<TensorReport> outputs;
  int warmup = 0;
  int iterations = 0;
  LatencySummary latency;
  std::optional<std::string> expect_path;
  ExpectationResult expect;
};

// One line per tensor, the latency line, one preview line per tensor with
// its first `preview` values, and the expectation verdict.
std::string ReportText(const RunReport& report, size_t preview);

// The same as a JSON document (values cut to `preview` per tensor).
std::string ReportJson(const RunReport& report, size_t preview);

// "[1.5, -2, 3, ... (+5 more)]": the first `preview` values, "%g" style.
std::string PreviewText(const std::vector<double>& values, size_t preview);

}  // namespace vantro::runner

#endif  // VANTRO_TOOLS_RUNNER_RUN_REPORT_H_
