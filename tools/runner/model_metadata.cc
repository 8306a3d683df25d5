#include "tools/runner/model_metadata.h"

#include <algorithm>
#include <memory>

#include "absl/strings/match.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_join.h"
#include "vendors/qualcomm/context_binary_info.h"
#include "vendors/qualcomm/qnn_interface.h"
#include "vendors/qualcomm/qnn_manager.h"
#include "vendors/qualcomm/tensor_wrapper.h"

namespace vantro::runner {
namespace {

Quantization QuantizationOf(const qnn::QuantizeParamsWrapper& params) {
  Quantization q;
  if (const auto* p = params.Get<qnn::ScaleOffsetQuantizeParams>()) {
    q.kind = Quantization::Kind::kScaleOffset;
    q.scales = {p->scale};
    q.offsets = {p->offset};
  } else if (const auto* p = params.Get<qnn::AxisScaleOffsetQuantizeParams>()) {
    q.kind = Quantization::Kind::kAxisScaleOffset;
    q.axis = p->axis;
    for (const Qnn_ScaleOffset_t& so : p->scale_offsets) {
      q.scales.push_back(so.scale);
      q.offsets.push_back(so.offset);
    }
  }
  return q;
}

Expected<TensorSpec> SpecOf(const qnn::TensorWrapper& wrapper) {
  const Qnn_Tensor_t& tensor = wrapper.tensor();
  if (tensor.version != 1 && tensor.version != 2) {
    return Error(Status::Unsupported,
                 absl::StrCat("a tensor record of version ", tensor.version, " cannot be read"));
  }
  TensorSpec spec;
  spec.name = wrapper.name();
  spec.qnn_data_type = qnn::QnnWord(tensor.v1.dataType);
  spec.qnn_tensor_type = qnn::QnnWord(tensor.v1.type);
  spec.dimensions = wrapper.dimensions();
  spec.quantization = QuantizationOf(wrapper.quantize_params());
  spec.byte_size = wrapper.ByteSize();
  return spec;
}

Expected<std::vector<TensorSpec>> SpecsOf(const std::vector<qnn::TensorWrapper>& wrappers) {
  std::vector<TensorSpec> specs;
  for (const qnn::TensorWrapper& wrapper : wrappers) {
    Expected<TensorSpec> spec = SpecOf(wrapper);
    if (!spec) return spec.GetError();
    specs.push_back(std::move(spec).Value());
  }
  return specs;
}

}  // namespace

bool IsDumpOutput(const std::string& name, uint32_t qnn_tensor_type) {
  return name.size() >= 5 && absl::EndsWith(name, "_dump") &&
         qnn_tensor_type == QNN_TENSOR_TYPE_APP_READ;
}

std::vector<TensorSpec> OrderOutputsForPlugin(std::vector<TensorSpec> outputs) {
  for (TensorSpec& spec : outputs)
    spec.is_dump_output = IsDumpOutput(spec.name, spec.qnn_tensor_type);
  std::stable_partition(outputs.begin(), outputs.end(),
                        [](const TensorSpec& spec) { return !spec.is_dump_output; });
  return outputs;
}

Expected<ModelReader> ModelReader::Create(const qnn::Options& options,
                                          const std::optional<std::string>& shared_library_dir) {
  // Only the system library is needed to read a binary: the saver would
  // start writing a trace for this side trip, so it stays out of it.
  qnn::Options reading_options = options;
  reading_options.SetSaverOutputDir("");
  Expected<std::unique_ptr<qualcomm::QnnManager>> manager =
      qualcomm::QnnManager::Create(reading_options, shared_library_dir);
  if (!manager) {
    return Error(manager.GetError().status(),
                 absl::StrCat("cannot load the QNN libraries to read the model: ",
                              manager.GetError().message()));
  }
  static auto* const kept = new std::vector<std::unique_ptr<qualcomm::QnnManager>>();
  kept->push_back(std::move(manager).Value());
  return ModelReader(kept->back().get());
}

Expected<GraphSpec> ModelReader::Read(absl::Span<const uint8_t> binary,
                                      const std::string& function) const {
  Expected<qualcomm::ContextBinaryInfo> info =
      qualcomm::ContextBinaryInfo::Create(*manager_, binary.data(), binary.size());
  if (!info) {
    return Error(info.GetError().status(),
                 absl::StrCat("cannot read the model: ", info.GetError().message()));
  }
  const std::vector<qualcomm::GraphInfo>& graphs = info->graphs();
  std::vector<std::string> names;
  for (const qualcomm::GraphInfo& graph : graphs)
    names.push_back(absl::StrCat("\"", graph.name(), "\""));
  const qualcomm::GraphInfo* chosen = nullptr;
  if (graphs.size() == 1 && function.empty()) {
    chosen = &graphs[0];
  } else {
    for (const qualcomm::GraphInfo& graph : graphs) {
      if (graph.name() == function) {
        chosen = &graph;
        break;
      }
    }
  }
  if (chosen == nullptr) {
    if (graphs.empty()) return Error(Status::NotFound, "the model holds no graph");
    return Error(Status::NotFound,
                 function.empty()
                     ? absl::StrCat("the model holds several graphs; choose one with --function: ",
                                    absl::StrJoin(names, ", "))
                     : absl::StrCat("the model has no graph \"", function,
                                    "\"; it has: ", absl::StrJoin(names, ", ")));
  }
  GraphSpec spec;
  spec.name = chosen->name();
  Expected<std::vector<TensorSpec>> inputs = SpecsOf(chosen->inputs());
  if (!inputs) return inputs.GetError();
  Expected<std::vector<TensorSpec>> outputs = SpecsOf(chosen->outputs());
  if (!outputs) return outputs.GetError();
  spec.inputs = std::move(inputs).Value();
  spec.outputs = OrderOutputsForPlugin(std::move(outputs).Value());
  return spec;
}

}  // namespace vantro::runner
