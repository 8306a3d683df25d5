#include "tests/support/sim_jit_graph.h"

#include <vector>

#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/sim_backend_support.h"

namespace vantro::testing {

qnn::TensorWrapper JitTensor(const vantro::sim::ContextBinaryTensor& tensor) {
  std::vector<uint32_t> dimensions = tensor.dimensions;
  Qnn_Tensor_t record{};
  record.version = QNN_TENSOR_VERSION_1;
  Qnn_TensorV1_t& v1 = record.v1;
  v1.id = tensor.id;
  v1.name = tensor.name.c_str();
  v1.type = static_cast<Qnn_TensorType_t>(tensor.type);
  v1.dataFormat = tensor.data_format;
  v1.dataType = static_cast<Qnn_DataType_t>(tensor.data_type);
  v1.quantizeParams.encodingDefinition = QNN_DEFINITION_UNDEFINED;
  v1.quantizeParams.quantizationEncoding = QNN_QUANTIZATION_ENCODING_UNDEFINED;
  if (tensor.HasScaleOffset()) {
    v1.quantizeParams.encodingDefinition = QNN_DEFINITION_DEFINED;
    v1.quantizeParams.quantizationEncoding = QNN_QUANTIZATION_ENCODING_SCALE_OFFSET;
    v1.quantizeParams.scaleOffsetEncoding.scale = tensor.scale;
    v1.quantizeParams.scaleOffsetEncoding.offset = tensor.offset;
  }
  v1.rank = static_cast<uint32_t>(dimensions.size());
  v1.dimensions = dimensions.data();
  v1.memType = QNN_TENSORMEMTYPE_RAW;
  return qnn::TensorWrapper(record);  // copies what the record points at
}

SimJitGraph::SimJitGraph(const vantro::sim::ContextBinary& binary, const std::string& graph_name)
    : api_(SimCoreApi(vantro::sim::Library::kHtp)) {
  handle_.graph_name = graph_name;
  if (api_ == nullptr || binary.graphs.empty()) {
    ADD_FAILURE() << "no table or no graph for the JIT handle";
    return;
  }
  const std::vector<uint8_t> bytes = vantro::sim::WriteContextBinary(binary);
  EXPECT_EQ(api_->backendCreate(nullptr, nullptr, &backend_), QNN_SUCCESS);
  EXPECT_EQ(api_->contextCreateFromBinary(backend_, nullptr, nullptr, bytes.data(), bytes.size(),
                                          &handle_.context, nullptr),
            QNN_SUCCESS);
  const vantro::sim::ContextBinaryGraph& graph = binary.graphs.front();
  for (uint32_t id : graph.inputs) handle_.inputs.push_back(JitTensor(*graph.FindTensor(id)));
  for (uint32_t id : graph.outputs) handle_.outputs.push_back(JitTensor(*graph.FindTensor(id)));
}

SimJitGraph::~SimJitGraph() {
  if (api_ == nullptr) return;
  if (handle_.context != nullptr) api_->contextFree(handle_.context, nullptr);
  if (backend_ != nullptr) api_->backendFree(backend_);
}

}  // namespace vantro::testing
