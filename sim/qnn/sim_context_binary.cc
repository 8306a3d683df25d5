// System contexts and the binary-info records they hand out, and contexts
// created from simulated context binaries.
#include <cstring>
#include <utility>

#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/sim_context_area.h"
#include "sim/qnn/sim_context_state.h"
#include "sim/qnn/sim_internal.h"

namespace vantro::sim::internal {

// Everything one binary-info record points to.
struct BinaryInfoStorage {
  ContextBinary binary;
  std::vector<QnnTensor> context_tensors;
  std::vector<std::vector<QnnTensor>> graph_inputs;
  std::vector<std::vector<QnnTensor>> graph_outputs;
  std::vector<QnnSystemGraphInfo> graphs;
  QnnSystemBinaryInfo info{};
};

namespace {

constexpr uint32_t kDefaultInfoVersion = 1;

// A QNN tensor record describing `t`; its pointers designate `t`'s storage.
QnnTensor MakeTensorRecord(const ContextBinaryTensor& t) {
  QnnTensor record{};
  record.version = t.record_version;
  // Version 2 extends version 1 behind the same leading fields, so filling
  // the version 2 view serves both.
  QnnTensorV2& v = record.v2;
  v.id = t.id;
  v.name = t.name.c_str();
  v.type = t.type;
  v.data_format = t.data_format;
  v.data_type = t.data_type;
  v.quantize_params.encoding_definition = t.encoding_definition;
  v.quantize_params.quantization_encoding = t.encoding;
  if (t.HasScaleOffset()) {
    v.quantize_params.scale_offset.scale = t.scale;
    v.quantize_params.scale_offset.offset = t.offset;
  } else if (t.HasAxisScaleOffset()) {
    v.quantize_params.axis_scale_offset.axis = t.axis;
    v.quantize_params.axis_scale_offset.num_scale_offsets =
        static_cast<uint32_t>(t.scale_offsets.size());
    v.quantize_params.axis_scale_offset.scale_offsets =
        const_cast<QnnScaleOffset*>(t.scale_offsets.data());  // QNN records are not const
  }
  v.rank = static_cast<uint32_t>(t.dimensions.size());
  v.dimensions = const_cast<uint32_t*>(t.dimensions.data());
  v.mem_type = QNN_TENSORMEMTYPE_RAW;
  if (!t.data.empty()) {
    v.client_buf.data = const_cast<uint8_t*>(t.data.data());
    v.client_buf.data_size = static_cast<uint32_t>(t.data.size());
  }
  if (t.record_version != 1) {
    v.is_dynamic_dimensions = t.dynamic_dimensions.empty()
                                  ? nullptr
                                  : const_cast<uint8_t*>(t.dynamic_dimensions.data());
  }
  return record;
}

std::vector<QnnTensor> MakeTensorRecords(const ContextBinaryGraph& graph,
                                         const std::vector<uint32_t>& ids) {
  std::vector<QnnTensor> records;
  records.reserve(ids.size());
  for (uint32_t id : ids) records.push_back(MakeTensorRecord(*graph.FindTensor(id)));
  return records;
}

// Builds the record in the versions asked for. Versions other than 1, 2
// and 3 are filled like the nearest layout so that the plug-in sees them
// and refuses them.
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
    QnnSystemGraphInfo info{};
    info.version = g.info_version != 0 ? g.info_version : graph_version;
    // The version 3 view holds the version 1 fields in the same places.
    info.v3.graph_name = g.name.c_str();
    info.v3.num_inputs = static_cast<uint32_t>(g.inputs.size());
    info.v3.inputs = storage->graph_inputs.back().data();
    info.v3.num_outputs = static_cast<uint32_t>(g.outputs.size());
    info.v3.outputs = storage->graph_outputs.back().data();
    storage->graphs.push_back(info);
  }
  QnnSystemBinaryInfo& info = storage->info;
  info.version = BinaryInfoVersionSetting().load();
  if (info.version == 3) {
    info.v3.api_version = b.api_version;
    info.v3.context_blob_size = binary_size;
    info.v3.soc_model = b.soc_model;
    info.v3.build_id = b.build_id.c_str();
    info.v3.num_graphs = static_cast<uint32_t>(storage->graphs.size());
    info.v3.graphs = storage->graphs.data();
    info.v3.num_context_tensors = static_cast<uint32_t>(storage->context_tensors.size());
    info.v3.context_tensors = storage->context_tensors.data();
  } else {
    info.v1.api_version = b.api_version;
    info.v1.build_id = b.build_id.c_str();
    info.v1.num_context_tensors = static_cast<uint32_t>(storage->context_tensors.size());
    info.v1.context_tensors = storage->context_tensors.data();
    info.v1.num_graphs = static_cast<uint32_t>(storage->graphs.size());
    info.v1.graphs = storage->graphs.data();
  }
  return storage;
}

// The text form of one context configuration (see sim_qnn_calls.md).
std::string FormatContextConfig(const QnnContextConfig& config) {
  switch (config.option) {
    case QNN_CONTEXT_CONFIG_OPTION_PRIORITY:
      return absl::StrCat("{option=1 priority=", config.priority, "}");
    case QNN_CONTEXT_CONFIG_OPTION_CUSTOM: {
      if (config.custom == nullptr) return "{option=0 custom=null}";
      // The only context custom records are the HTP backend's.
      const auto* custom = static_cast<const QnnHtpContextCustomConfig*>(config.custom);
      std::string value;
      switch (custom->option) {
        case QNN_HTP_CONTEXT_CONFIG_OPTION_FILE_READ_MEMORY_BUDGET:
          value = absl::StrCat("file_read_memory_budget_mb=", custom->file_read_memory_budget_mb);
          break;
        case QNN_HTP_CONTEXT_CONFIG_OPTION_INIT_ACCELERATION:
          value = absl::StrCat("init_acceleration=", custom->init_acceleration ? 1 : 0);
          break;
        default: {
          uint32_t first_word = 0;
          std::memcpy(&first_word, &custom->file_read_memory_budget_mb, sizeof(first_word));
          value = absl::StrCat("first_word=", first_word);
          break;
        }
      }
      return absl::StrCat("{option=0 htp={option=", custom->option, " ", value, "}}");
    }
    default:
      return absl::StrCat("{option=", config.option, " value=", config.value, "}");
  }
}

std::string FormatContextConfigs(const QnnContextConfig** configs) {
  if (configs == nullptr) return "null";
  constexpr int kMaxShown = 64;
  std::vector<std::string> entries;
  for (int i = 0; configs[i] != nullptr; ++i) {
    if (i == kMaxShown) {
      entries.push_back("...");
      break;
    }
    entries.push_back(FormatContextConfig(*configs[i]));
  }
  return absl::StrCat("[", absl::StrJoin(entries, ", "), "]");
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

QnnResult SystemContextCreate(QnnSystemContextHandle* context) {
  if (QnnResult r = EnterCall("systemContextCreate"); r != QNN_SUCCESS) return r;
  if (context == nullptr) return kSimInvalidArgument;
  void* handle = NewHandle("system_context");
  {
    std::lock_guard<std::mutex> lock(ContextAreaMutex());
    ContextArea().system_contexts[handle] = std::make_unique<SimSystemContext>();
  }
  *context = static_cast<QnnSystemContextHandle>(handle);
  return QNN_SUCCESS;
}

QnnResult SystemContextGetBinaryInfo(QnnSystemContextHandle context, const void* binary,
                                     uint64_t binary_size, const QnnSystemBinaryInfo** info,
                                     uint32_t* info_size) {
  if (QnnResult r = EnterCall("systemContextGetBinaryInfo",
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
  if (info_size != nullptr) *info_size = sizeof(QnnSystemBinaryInfo);
  it->second->infos.push_back(std::move(storage));
  return QNN_SUCCESS;
}

QnnResult SystemContextFree(QnnSystemContextHandle context) {
  if (QnnResult r = EnterCall("systemContextFree",
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

QnnResult ContextCreateFromBinary(QnnBackendHandle backend, QnnDeviceHandle device,
                                  const QnnContextConfig** configs, const void* binary,
                                  uint64_t binary_size, QnnContextHandle* context,
                                  QnnProfileHandle profile) {
  if (QnnResult r = EnterCall("contextCreateFromBinary",
                              [&] {
                                return absl::StrCat(
                                    "backend=", FormatHandle(backend),
                                    " device=", FormatHandle(device),
                                    " configs=", FormatContextConfigs(configs),
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
  *context = static_cast<QnnContextHandle>(handle);
  return QNN_SUCCESS;
}

QnnResult ContextFree(QnnContextHandle context, QnnProfileHandle profile) {
  if (QnnResult r = EnterCall("contextFree",
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
