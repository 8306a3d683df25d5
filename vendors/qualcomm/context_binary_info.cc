#include "vendors/qualcomm/context_binary_info.h"

#include <optional>
#include <utility>

#include "absl/strings/string_view.h"
#include "cc/vantro_logging.h"
#include "vendors/qualcomm/build_id.h"

namespace vantro::qualcomm {
namespace {

// The build-id rule of the QNN manager, as this file's version type.
std::optional<ContextBinarySdkVersion> ParseBuildId(const char* build_id) {
  const std::optional<BuildIdVersion> v = ParseBuildIdVersion(build_id);
  if (!v) return std::nullopt;
  return ContextBinarySdkVersion{v->major, v->minor, v->patch};
}

// -1, 0 or 1 as `a` is older than, equal to or newer than `b`, major first.
int Compare(const ContextBinarySdkVersion& a, const ContextBinarySdkVersion& b) {
  if (a.major != b.major) return a.major < b.major ? -1 : 1;
  if (a.minor != b.minor) return a.minor < b.minor ? -1 : 1;
  if (a.patch != b.patch) return a.patch < b.patch ? -1 : 1;
  return 0;
}

// One wrapper per record, in order. A null array is read as empty rather
// than followed.
std::vector<qnn::TensorWrapper> WrapTensors(uint32_t count, const Qnn_Tensor_t* tensors) {
  std::vector<qnn::TensorWrapper> list;
  if (tensors == nullptr) return list;
  list.reserve(count);
  for (uint32_t i = 0; i < count; ++i) list.emplace_back(tensors[i]);
  return list;
}

// The fields the binary-info versions keep in different places.
struct BinaryInfoFields {
  const char* build_id;
  uint32_t num_context_tensors;
  const Qnn_Tensor_t* context_tensors;
  uint32_t num_graphs;
  const QnnSystemContext_GraphInfo_t* graphs;
};

std::optional<BinaryInfoFields> FieldsOf(const QnnSystemContext_BinaryInfo_t& info) {
  switch (qnn::QnnWord(info.version)) {
    case QNN_SYSTEM_CONTEXT_BINARY_INFO_VERSION_1:
    case QNN_SYSTEM_CONTEXT_BINARY_INFO_VERSION_2: {
      // Version 2 only appends to version 1's fields.
      const QnnSystemContext_BinaryInfoV1_t& v1 = info.contextBinaryInfoV1;
      return BinaryInfoFields{v1.buildId, v1.numContextTensors, v1.contextTensors, v1.numGraphs,
                              v1.graphs};
    }
    case QNN_SYSTEM_CONTEXT_BINARY_INFO_VERSION_3: {
      const QnnSystemContext_BinaryInfoV3_t& v3 = info.contextBinaryInfoV3;
      return BinaryInfoFields{v3.buildId, v3.numContextTensors, v3.contextTensors, v3.numGraphs,
                              v3.graphs};
    }
    default:
      return std::nullopt;
  }
}

}  // namespace

Expected<GraphInfo> GraphInfo::Create(const QnnSystemContext_GraphInfo_t& info) {
  const uint32_t version = qnn::QnnWord(info.version);
  if (version != QNN_SYSTEM_CONTEXT_GRAPH_INFO_VERSION_1 &&
      version != QNN_SYSTEM_CONTEXT_GRAPH_INFO_VERSION_2 &&
      version != QNN_SYSTEM_CONTEXT_GRAPH_INFO_VERSION_3) {
    return Error(Status::RuntimeFailure, "Unsupported graph info version.");
  }
  // Versions 1 to 3 keep name, inputs and outputs in the same places.
  const QnnSystemContext_GraphInfoV1_t& record = info.graphInfoV1;
  GraphInfo graph;
  if (record.graphName != nullptr) graph.name_ = record.graphName;
  VANTRO_LOG_INFO("Found qnn graph: %s", graph.name_.c_str());
  graph.inputs_ = WrapTensors(record.numGraphInputs, record.graphInputs);
  graph.outputs_ = WrapTensors(record.numGraphOutputs, record.graphOutputs);
  return graph;
}

Expected<ContextBinaryInfo> ContextBinaryInfo::Create(QnnManager& manager, const void* binary,
                                                      uint64_t size) {
  Expected<SystemContextHandle> system_context = manager.CreateSystemContext();
  if (!system_context.HasValue()) return system_context.GetError();
  const QnnSystemContext_BinaryInfo_t* info = nullptr;
  Qnn_ContextBinarySize_t info_size = 0;
  // QNN only reads the binary; the parameter's type has no const.
  const Qnn_ErrorHandle_t result = manager.SystemApi()->systemContextGetBinaryInfo(
      system_context.Value().get(), const_cast<void*>(binary), size, &info, &info_size);
  if (result != QNN_SUCCESS) {
    VANTRO_LOG_ERROR("Failed to get context binary info: %d", static_cast<int>(result));
    return Error(Status::RuntimeFailure, "Failed to get context binary info");
  }
  // The system context (and the record QNN keeps with it) goes when this
  // returns, after the record has been copied.
  return CreateFromRecord(info, manager.SdkVersion());
}

Expected<ContextBinaryInfo> ContextBinaryInfo::CreateFromRecord(
    const QnnSystemContext_BinaryInfo_t* info, const QnnSdkVersion& current) {
  if (info == nullptr) {
    VANTRO_LOG_ERROR("Null binary info");
    return Error(Status::RuntimeFailure, "Null binary info");
  }
  // Where the build id lies depends on the version: a record of another
  // version is not read any further.
  const std::optional<BinaryInfoFields> fields = FieldsOf(*info);
  if (!fields) return Error(Status::RuntimeFailure, "Unsupported context binary version.");

  const std::optional<ContextBinarySdkVersion> version = ParseBuildId(fields->build_id);
  if (!version) return Error(Status::RuntimeFailure, "Failed to parse build ID");
  const ContextBinarySdkVersion sdk{static_cast<int32_t>(current.major),
                                    static_cast<int32_t>(current.minor),
                                    static_cast<int32_t>(current.patch)};
  const int order = Compare(*version, sdk);
  if (order > 0) {
    VANTRO_LOG_ERROR(
        "Context binary (%d.%d.%d) is newer than the current SDK (%d.%d.%d). Please update "
        "your SDK.",
        version->major, version->minor, version->patch, sdk.major, sdk.minor, sdk.patch);
    return Error(Status::RuntimeFailure, "Context binary isn't compatible with the current SDK.");
  }
  if (order < 0) {
    VANTRO_LOG_WARNING(
        "Context binary (%d.%d.%d) is older than the current SDK (%d.%d.%d). Consider "
        "regenerating it for optimal performance and compatibility.",
        version->major, version->minor, version->patch, sdk.major, sdk.minor, sdk.patch);
  } else {
    VANTRO_LOG_INFO("Context binary SDK version matches current SDK: %d.%d.%d", sdk.major,
                    sdk.minor, sdk.patch);
  }

  ContextBinaryInfo result;
  result.build_id_ = fields->build_id;
  result.sdk_version_ = *version;
  result.context_tensors_ = WrapTensors(fields->num_context_tensors, fields->context_tensors);
  if (fields->graphs != nullptr) {
    result.graphs_.reserve(fields->num_graphs);
    for (uint32_t i = 0; i < fields->num_graphs; ++i) {
      Expected<GraphInfo> graph = GraphInfo::Create(fields->graphs[i]);
      if (!graph.HasValue()) return graph.GetError();
      result.graphs_.push_back(std::move(graph).Value());
    }
  }
  return result;
}

}  // namespace vantro::qualcomm
