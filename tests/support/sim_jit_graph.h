// A graph built outside the plug-in, handed over the way a JIT handle hands
// it: a QNN context made from a simulated context binary through the
// simulated HTP library's own table (with a backend of its own, as the
// builder of a JIT graph would have), and the graph's tensors described
// from the binary.
#ifndef VANTRO_TESTS_SUPPORT_SIM_JIT_GRAPH_H_
#define VANTRO_TESTS_SUPPORT_SIM_JIT_GRAPH_H_

#include <string>

#include "sim/qnn/context_binary_format.h"
#include "vendors/qualcomm/dispatch/jit_handle.h"
#include "vendors/qualcomm/qnn_interface.h"

namespace vantro::testing {

class SimJitGraph {
 public:
  // The handle names `graph_name`, which need not be one of the binary's
  // graphs; the tensors are those of the binary's first graph.
  SimJitGraph(const vantro::sim::ContextBinary& binary, const std::string& graph_name);
  ~SimJitGraph();  // frees the context and the backend
  SimJitGraph(const SimJitGraph&) = delete;
  SimJitGraph& operator=(const SimJitGraph&) = delete;

  const vantro::qualcomm::JitHandle& handle() const { return handle_; }

 private:
  const qnn::QnnApi* api_ = nullptr;
  Qnn_BackendHandle_t backend_ = nullptr;
  vantro::qualcomm::JitHandle handle_;
};

// The QNN tensor record QNN would describe `tensor` with (version 1, raw
// memory without a buffer), wrapped.
qnn::TensorWrapper JitTensor(const vantro::sim::ContextBinaryTensor& tensor);

}  // namespace vantro::testing

#endif  // VANTRO_TESTS_SUPPORT_SIM_JIT_GRAPH_H_
