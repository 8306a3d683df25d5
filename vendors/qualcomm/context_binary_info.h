// What a QNN context binary holds, read through the QNN system interface
// before a graph is bound: its graphs with their input and output tensors,
// the context's own tensors, and the SDK version it was produced with,
// which must not be newer than the QNN libraries in use.
#ifndef VANTRO_VENDORS_QUALCOMM_CONTEXT_BINARY_INFO_H_
#define VANTRO_VENDORS_QUALCOMM_CONTEXT_BINARY_INFO_H_

#include <cstdint>
#include <string>
#include <vector>

#include "cc/vantro_expected.h"
#include "vendors/qualcomm/qnn_interface.h"
#include "vendors/qualcomm/qnn_manager.h"
#include "vendors/qualcomm/tensor_wrapper.h"

namespace vantro::qualcomm {

// One graph of a context binary; owns copies of everything it describes.
class GraphInfo {
 public:
  // Copies a QNN graph-info record of version 1, 2 or 3 and logs the
  // graph's name; other versions fail with "Unsupported graph info version.".
  [[nodiscard]] static Expected<GraphInfo> Create(const QnnSystemContext_GraphInfo_t& info);

  const std::string& name() const { return name_; }
  // The graph's tensors, in the binary's order.
  const std::vector<qnn::TensorWrapper>& inputs() const { return inputs_; }
  const std::vector<qnn::TensorWrapper>& outputs() const { return outputs_; }

 private:
  GraphInfo() = default;

  std::string name_;
  std::vector<qnn::TensorWrapper> inputs_;
  std::vector<qnn::TensorWrapper> outputs_;
};

// The SDK version a context binary was produced with, from its build id.
struct ContextBinarySdkVersion {
  int32_t major = 0, minor = 0, patch = 0;
};

// The metadata of one context binary. Nothing in it points into QNN memory.
class ContextBinaryInfo {
 public:
  // Reads the binary's metadata through a system context of `manager`
  // (released before returning, whatever the outcome) and checks the
  // binary's SDK version against the manager's.
  [[nodiscard]] static Expected<ContextBinaryInfo> Create(QnnManager& manager, const void* binary,
                                                          uint64_t size);

  // The part of Create after QNN answered: takes a binary-info record (null
  // when QNN handed out none) apart, checking its SDK version against
  // `current`. The record is only read.
  [[nodiscard]] static Expected<ContextBinaryInfo> CreateFromRecord(
      const QnnSystemContext_BinaryInfo_t* info, const QnnSdkVersion& current);

  // The graphs, in the binary's order.
  const std::vector<GraphInfo>& graphs() const { return graphs_; }
  const std::vector<qnn::TensorWrapper>& context_tensors() const { return context_tensors_; }
  // The build id text of the binary and the SDK version parsed from it.
  const std::string& build_id() const { return build_id_; }
  const ContextBinarySdkVersion& sdk_version() const { return sdk_version_; }

 private:
  ContextBinaryInfo() = default;

  std::vector<GraphInfo> graphs_;
  std::vector<qnn::TensorWrapper> context_tensors_;
  std::string build_id_;
  ContextBinarySdkVersion sdk_version_;
};

}  // namespace vantro::qualcomm

#endif  // VANTRO_VENDORS_QUALCOMM_CONTEXT_BINARY_INFO_H_
