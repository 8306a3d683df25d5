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

// The graph `function` selects, chosen as the plug-in chooses it: the only
// graph when `function` is empty, otherwise the first of that name. The
// QNN libraries are found from `options` (backend type, QnnLibDir) and
// `shared_library_dir`, as the plug-in finds them; they are unloaded again
// before this returns.
[[nodiscard]] Expected<GraphSpec> ReadGraphSpec(
    absl::Span<const uint8_t> binary, const std::string& function, const qnn::Options& options,
    const std::optional<std::string>& shared_library_dir);

}  // namespace vantro::runner

#endif  // VANTRO_TOOLS_RUNNER_MODEL_METADATA_H_
