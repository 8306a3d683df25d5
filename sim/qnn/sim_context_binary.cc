// System contexts and the binary-info records they hand out, and contexts
// created from simulated context binaries.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "QnnTypes.h"
#include "System/QnnSystemContext.h"
#include "absl/strings/str_cat.h"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/sim_config_text.h"
#include "sim/qnn/sim_context_area.h"
#include "sim/qnn/sim_context_state.h"
#include "sim/qnn/sim_internal.h"
#include "sim/qnn/sim_record_words.h"

namespace vantro::sim::internal {

// Everything one binary-info record points to.
struct BinaryInfoStorage {
  ContextBinary binary;
  std::vector<Qnn_Tensor_t> context_tensors;
  std::vector<std::vector<Qnn_Tensor_t>> graph_inputs;
  std::vector<std::vector<Qnn_Tensor_t>> graph_outputs;
  std::vector<QnnSystemContext_GraphInfo_t> graphs;
  QnnSystemContext_BinaryInfo_t info{};
};

namespace {

constexpr uint32_t kDefaultInfoVersion = 1;

// The simulated format names no SoC and carries no hardware-info blob.
constexpr char kNoSocVersion[] = "";

// Fills the fields tensor versions 1 and 2 share; their pointers designate
// `t`'s storage.
template <typename View>
void FillCommonTensorFields(const ContextBinaryTensor& t, View* v) {
  v->id = t.id;
  v->name = t.name.c_str();
  StoreWord(&v->type, t.type);
  v->dataFormat = t.data_format;
  StoreWord(&v->dataType, t.data_type);
  Qnn_QuantizeParams_t& q = v->quantizeParams;
  StoreWord(&q.encodingDefinition, t.encoding_definition);
  StoreWord(&q.quantizationEncoding, t.encoding);
  if (t.HasScaleOffset()) {
    q.scaleOffsetEncoding.scale = t.scale;
    q.scaleOffsetEncoding.offset = t.offset;
  } else if (t.HasAxisScaleOffset()) {
    q.axisScaleOffsetEncoding.axis = t.axis;
    q.axisScaleOffsetEncoding.numScaleOffsets = static_cast<uint32_t>(t.scale_offsets.size());
    // QNN's records are not const; nobody writes through them.
    q.axisScaleOffsetEncoding.scaleOffset = const_cast<Qnn_ScaleOffset_t*>(t.scale_offsets.data());
  }
  v->rank = static_cast<uint32_t>(t.dimensions.size());
  v->dimensions = const_cast<uint32_t*>(t.dimensions.data());
  v->memType = QNN_TENSORMEMTYPE_RAW;
  if (!t.data.empty()) {
    v->clientBuf.data = const_cast<uint8_t*>(t.data.data());
    v->clientBuf.dataSize = static_cast<uint32_t>(t.data.size());
  }
}

// The QNN tensor record describing `t`, in the version the binary gives
// it. Versions QNN does not define are filled as version 2, the larger
// layout, so that the plug-in sees them and refuses them.
Qnn_Tensor_t MakeTensorRecord(const ContextBinaryTensor& t) {
  Qnn_Tensor_t record;
  std::memset(&record, 0, sizeof(record));
  StoreWord(&record.version, t.record_version);
  if (t.record_version == QNN_TENSOR_VERSION_1) {
    FillCommonTensorFields(t, &record.v1);
    return record;
  }
  Qnn_TensorV2_t& v = record.v2;
  FillCommonTensorFields(t, &v);
  v.isDynamicDimensions =
      t.dynamic_dimensions.empty() ? nullptr : const_cast<uint8_t*>(t.dynamic_dimensions.data());
  v.sparseParams.type = QNN_SPARSE_LAYOUT_UNDEFINED;  // dense: no sparsity
  v.isProduced = 0;
  return record;
}

std::vector<Qnn_Tensor_t> MakeTensorRecords(const ContextBinaryGraph& graph,
                                            const std::vector<uint32_t>& ids) {
  std::vector<Qnn_Tensor_t> records;
  records.reserve(ids.size());
  for (uint32_t id : ids) records.push_back(MakeTensorRecord(*graph.FindTensor(id)));
  return records;
}

// A graph-info record. Versions 1 to 3 keep name, inputs and outputs in the
// same places, so those are written through the version 3 view, whatever
// the version; the fields versions 2 and 3 add are empty (no updateable
// tensors, no graph blob, operations 0 to 0).
QnnSystemContext_GraphInfo_t MakeGraphInfo(uint32_t version, const ContextBinaryGraph& g,
                                           std::vector<Qnn_Tensor_t>* inputs,
                                           std::vector<Qnn_Tensor_t>* outputs) {
  QnnSystemContext_GraphInfo_t info;
  std::memset(&info, 0, sizeof(info));
  StoreWord(&info.version, version);
  QnnSystemContext_GraphInfoV3_t& v = info.graphInfoV3;
  v.graphName = g.name.c_str();
  v.numGraphInputs = static_cast<uint32_t>(inputs->size());
  v.graphInputs = inputs->data();
  v.numGraphOutputs = static_cast<uint32_t>(outputs->size());
  v.graphOutputs = outputs->data();
  return info;
}

// The fields binary-info versions 1, 2 and 3 all have, under the same
// names (`View` is one of the three layouts).
template <typename View>
void FillCommonBinaryInfoFields(BinaryInfoStorage& storage, uint64_t binary_size, View* v) {
  const ContextBinary& b = storage.binary;
  v->backendId = QNN_BACKEND_ID_NULL;  // the simulated format records no backend
  v->buildId = b.build_id.c_str();
  v->coreApiVersion = b.api_version.coreApiVersion;
  v->backendApiVersion = b.api_version.backendApiVersion;
  v->socVersion = kNoSocVersion;
  v->contextBlobSize = binary_size;
  v->numContextTensors = static_cast<uint32_t>(storage.context_tensors.size());
  v->contextTensors = storage.context_tensors.data();
  v->numGraphs = static_cast<uint32_t>(storage.graphs.size());
  v->graphs = storage.graphs.data();
}

// Builds the record in the versions asked for, laid out as QNN lays each
// version out: 1 and 2 share their leading fields (2 adds a platform-info
// pointer, null here), 3 has its own. Versions other than 1, 2 and 3 are
// filled like version 1 so that the plug-in sees them and refuses them.
std::unique_ptr<BinaryInfoStorage> MakeBinaryInfo(ContextBinary binary, uint64_t binary_size) {
  auto storage = std::make_unique<BinaryInfoStorage>();
  storage->binary = std::move(binary);
  const ContextBinary& b = storage->binary;
  for (const ContextBinaryTensor& t : b.context_tensors)
    storage->context_tensors.push_back(MakeTensorRecord(t));
  const uint32_t graph_version = GraphInfoVersionSetting().load();
  storage->graph_inputs.reserve(b.graphs.size());
  storage->graph_outputs.reserve(b.graphs.size());
  storage->graphs.reserve(b.graphs.size());
  for (const ContextBinaryGraph& g : b.graphs) {
    storage->graph_inputs.push_back(MakeTensorRecords(g, g.inputs));
    storage->graph_outputs.push_back(MakeTensorRecords(g, g.outputs));
    storage->graphs.push_back(MakeGraphInfo(g.info_version != 0 ? g.info_version : graph_version,
                                            g, &storage->graph_inputs.back(),
                                            &storage->graph_outputs.back()));
  }
  QnnSystemContext_BinaryInfo_t& info = storage->info;
  std::memset(&info, 0, sizeof(info));
  const uint32_t version = BinaryInfoVersionSetting().load();
  StoreWord(&info.version, version);
  if (version == QNN_SYSTEM_CONTEXT_BINARY_INFO_VERSION_3) {
    QnnSystemContext_BinaryInfoV3_t& v3 = info.contextBinaryInfoV3;
    FillCommonBinaryInfoFields(*storage, binary_size, &v3);
    v3.socModel = b.soc_model;
  } else if (version == QNN_SYSTEM_CONTEXT_BINARY_INFO_VERSION_2) {
    FillCommonBinaryInfoFields(*storage, binary_size, &info.contextBinaryInfoV2);
  } else {
    FillCommonBinaryInfoFields(*storage, binary_size, &info.contextBinaryInfoV1);
  }
  return storage;
}

}  // namespace

std::mutex& ContextAreaMutex() {
  static std::mutex* mutex = new std::mutex();
  return *mutex;
}

ContextAreaState& ContextArea() {
  static ContextAreaState* state = new ContextAreaState();
  return *state;
}

std::atomic<uint32_t>& BinaryInfoVersionSetting() {
  static std::atomic<uint32_t> version{kDefaultInfoVersion};
  return version;
}

std::atomic<uint32_t>& GraphInfoVersionSetting() {
  static std::atomic<uint32_t> version{kDefaultInfoVersion};
  return version;
}

std::atomic<bool>& ExecutionEnabledSetting() {
  static std::atomic<bool> enabled{true};
  return enabled;
}

void ResetContextArea() {
  BinaryInfoVersionSetting().store(kDefaultInfoVersion);
  GraphInfoVersionSetting().store(kDefaultInfoVersion);
  ExecutionEnabledSetting().store(true);
}

void SetBinaryInfoVersionsImpl(uint32_t binary_info_version, uint32_t graph_info_version) {
  BinaryInfoVersionSetting().store(binary_info_version);
  GraphInfoVersionSetting().store(graph_info_version);
}

// ---------------------------------------------------------- system context

Qnn_ErrorHandle_t SystemContextCreate(QnnSystemContext_Handle_t* context) {
  if (Qnn_ErrorHandle_t r = EnterCall("systemContextCreate"); r != QNN_SUCCESS) return r;
  if (context == nullptr) return kSimInvalidArgument;
  void* handle = NewHandle("system_context");
  {
    std::lock_guard<std::mutex> lock(ContextAreaMutex());
    ContextArea().system_contexts[handle] = std::make_unique<SimSystemContext>();
  }
  *context = handle;
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t SystemContextGetBinaryInfo(QnnSystemContext_Handle_t context, void* binary,
                                             uint64_t binary_size,
                                             const QnnSystemContext_BinaryInfo_t** info,
                                             Qnn_ContextBinarySize_t* info_size) {
  if (Qnn_ErrorHandle_t r = EnterCall("systemContextGetBinaryInfo",
                              [&] {
                                return absl::StrCat("context=", FormatHandle(context),
                                                    " binary_size=", binary_size);
                              });
      r != QNN_SUCCESS) {
    return r;
  }
  if (info == nullptr || binary == nullptr) return kSimInvalidArgument;
  {
    std::lock_guard<std::mutex> lock(ContextAreaMutex());
    if (ContextArea().system_contexts.count(context) == 0) return kSimInvalidHandle;
  }
  // Parsing needs no lock; the result is attached to the context after (if
  // it is still there).
  ContextBinary parsed;
  if (!ReadContextBinary(binary, binary_size, &parsed)) return kSimBadContextBinary;
  std::unique_ptr<BinaryInfoStorage> storage = MakeBinaryInfo(std::move(parsed), binary_size);
  std::lock_guard<std::mutex> lock(ContextAreaMutex());
  auto it = ContextArea().system_contexts.find(context);
  if (it == ContextArea().system_contexts.end()) return kSimInvalidHandle;
  *info = &storage->info;
  if (info_size != nullptr) *info_size = sizeof(QnnSystemContext_BinaryInfo_t);
  it->second->infos.push_back(std::move(storage));
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t SystemContextFree(QnnSystemContext_Handle_t context) {
  if (Qnn_ErrorHandle_t r = EnterCall("systemContextFree",
                              [&] { return absl::StrCat("context=", FormatHandle(context)); });
      r != QNN_SUCCESS) {
    return r;
  }
  std::unique_ptr<SimSystemContext> gone;
  {
    std::lock_guard<std::mutex> lock(ContextAreaMutex());
    auto it = ContextArea().system_contexts.find(context);
    if (it == ContextArea().system_contexts.end()) return kSimInvalidHandle;
    gone = std::move(it->second);
    ContextArea().system_contexts.erase(it);
  }
  ReleaseHandle("system_context", context);
  return QNN_SUCCESS;
}

// ----------------------------------------------------------------- context

Qnn_ErrorHandle_t ContextCreateFromBinary(Qnn_BackendHandle_t backend, Qnn_DeviceHandle_t device,
                                          const QnnContext_Config_t** configs, const void* binary,
                                          Qnn_ContextBinarySize_t binary_size,
                                          Qnn_ContextHandle_t* context,
                                          Qnn_ProfileHandle_t profile) {
  if (Qnn_ErrorHandle_t r = EnterCall("contextCreateFromBinary",
                              [&] {
                                return absl::StrCat(
                                    "backend=", FormatHandle(backend),
                                    " device=", FormatHandle(device),
                                    " configs=", ContextConfigsText(configs),
                                    " binary_size=", binary_size,
                                    " profile=", FormatHandle(profile));
                              });
      r != QNN_SUCCESS) {
    return r;
  }
  if (context == nullptr || binary == nullptr) return kSimInvalidArgument;
  if (!IsLive("backend", backend)) return kSimInvalidHandle;
  if (device != nullptr && !IsLive("device", device)) return kSimInvalidHandle;
  if (profile != nullptr && !IsLive("profile", profile)) return kSimInvalidHandle;

  auto created = std::make_unique<SimContext>();
  if (!ReadContextBinary(binary, binary_size, &created->binary)) return kSimBadContextBinary;
  created->profile = profile;
  created->graphs.reserve(created->binary.graphs.size());
  for (const ContextBinaryGraph& g : created->binary.graphs)
    created->graphs.push_back(PlanGraph(g));

  void* handle = NewHandle("context", backend);
  {
    std::lock_guard<std::mutex> lock(ContextAreaMutex());
    ContextArea().contexts[handle] = std::move(created);
  }
  *context = handle;
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t ContextFree(Qnn_ContextHandle_t context, Qnn_ProfileHandle_t profile) {
  if (Qnn_ErrorHandle_t r = EnterCall("contextFree",
                              [&] {
                                return absl::StrCat("context=", FormatHandle(context),
                                                    " profile=", FormatHandle(profile));
                              });
      r != QNN_SUCCESS) {
    return r;
  }
  std::unique_ptr<SimContext> gone;
  {
    std::lock_guard<std::mutex> lock(ContextAreaMutex());
    ContextAreaState& area = ContextArea();
    auto it = area.contexts.find(context);
    if (it == area.contexts.end()) return kSimInvalidHandle;
    gone = std::move(it->second);
    area.contexts.erase(it);
    for (const auto& graph : gone->graphs)
      if (graph->handle != nullptr) area.graphs.erase(graph->handle);
  }
  ReleaseGraphHandles(*gone);
  ReleaseHandle("context", context);
  return QNN_SUCCESS;
}

}  // namespace vantro::sim::internal
