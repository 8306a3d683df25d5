// The tensors of the graph a run executes, read from the context binary the
// way the plug-in reads it (a QnnManager and ContextBinaryInfo of the
// plug-in's internal library, over the same QNN libraries). A real host
// knows its tensors from its own model file; the runner has only the
// binary, so it reads them here. Execution never goes this way: it goes
// through the plug-in's export.
#ifndef VANTRO_TOOLS_RUNNER_MODEL_METADATA_H_
#define VANTRO_TOOLS_RUNNER_MODEL_METADATA_H_

#include <optional>
#include <string>
#include <vector>

#include "absl/types/span.h"
#include "cc/vantro_expected.h"
#include "tools/runner/tensor_spec.h"
#include "vendors/qualcomm/backends/qnn_options.h"

namespace vantro::qualcomm {
class QnnManager;
}  // namespace vantro::qualcomm

namespace vantro::runner {

struct GraphSpec {
  std::string name;
  std::vector<TensorSpec> inputs;
  // In the order of the plug-in's output indices: ordinary outputs in graph
  // order, then dump outputs in graph order.
  std::vector<TensorSpec> outputs;
};

// Whether the plug-in treats an output as a dump output: a name of at least
// five characters ending in "_dump" on an application-readable tensor. The
// plug-in writes such outputs to its dump directory and numbers them after
// the ordinary ones, so the host must attach in that order.
bool IsDumpOutput(const std::string& name, uint32_t qnn_tensor_type);

// Puts the outputs in the plug-in's index order and marks the dump outputs.
std::vector<TensorSpec> OrderOutputsForPlugin(std::vector<TensorSpec> outputs);

// Reads the graphs of context binaries through a QnnManager of its own.
class ModelReader {
 public:
  // Loads the QNN libraries that `options` (backend type, QnnLibDir) and
  // `shared_library_dir` lead to, as the plug-in finds them. Like the
  // plug-in, they stay loaded until the process ends: a library that
  // keeps records for the life of the process (the simulated QNN does)
  // would orphan them if the last reference to it went.
  [[nodiscard]] static Expected<ModelReader> Create(
      const qnn::Options& options, const std::optional<std::string>& shared_library_dir);

  // The graph `function` selects, chosen as the plug-in chooses it: the
  // only graph when `function` is empty, otherwise the first of that name.
  [[nodiscard]] Expected<GraphSpec> Read(absl::Span<const uint8_t> binary,
                                         const std::string& function) const;

 private:
  explicit ModelReader(qualcomm::QnnManager* manager) : manager_(manager) {}

  qualcomm::QnnManager* manager_;  // kept for the process's life
};

}  // namespace vantro::runner

#endif  // VANTRO_TOOLS_RUNNER_MODEL_METADATA_H_
