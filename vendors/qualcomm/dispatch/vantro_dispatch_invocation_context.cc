#include "vendors/qualcomm/dispatch/vantro_dispatch_invocation_context.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "absl/strings/match.h"
#include "absl/strings/str_cat.h"
#include "c/options/vantro_qualcomm_options.h"
#include "cc/options/vantro_qualcomm_options.h"
#include "cc/internal/vantro_host_services.h"
#include "cc/internal/vantro_opaque_options_wrapper.h"
#include "cc/internal/vantro_options_wrapper.h"
#include "cc/vantro_logging.h"
#include "cc/vantro_ranked_tensor_type.h"
#include "HTP/QnnHtpProfile.h"
#include "vendors/qualcomm/backends/qnn_log.h"
#include "vendors/qualcomm/common.h"
#include "vendors/qualcomm/context_binary_info.h"
#include "vendors/qualcomm/dispatch/current_exception_text.h"
#include "vendors/qualcomm/dispatch/vantro_dispatch_device_context.h"

namespace {

using vantro::Error;
using vantro::Expected;
using vantro::Status;
using vantro::qualcomm::QnnContextHolder;
using vantro::qualcomm::QnnManager;

constexpr char kVantroSourcePath[] = "vendors/qualcomm/dispatch/vantro_dispatch_invocation_context";

// Frees a profile handle on the way out of a failed creation, unless
// ownership was handed on.
class ProfileGuard {
 public:
  ProfileGuard(const qnn::QnnApi* api, Qnn_ProfileHandle_t profile)
      : api_(api), profile_(profile) {}
  ~ProfileGuard() {
    if (profile_ != nullptr) api_->profileFree(profile_);
  }
  void Release() { profile_ = nullptr; }

 private:
  const qnn::QnnApi* api_;
  Qnn_ProfileHandle_t profile_;
};

bool IsDumpOutput(const qnn::TensorWrapper& wrapper) {
  const Qnn_Tensor_t& tensor = wrapper.tensor();
  const uint32_t version = qnn::QnnWord(tensor.version);
  if (version != QNN_TENSOR_VERSION_1 && version != QNN_TENSOR_VERSION_2) return false;
  const std::string& name = wrapper.name();
  return name.size() >= 5 && absl::EndsWith(name, "_dump") &&
         qnn::QnnWord(tensor.v1.type) == QNN_TENSOR_TYPE_APP_READ;
}

// Ordinary outputs first, then dump outputs, each in graph order.
std::vector<qnn::TensorWrapper> OrderOutputs(const std::vector<qnn::TensorWrapper>& outputs,
                                             size_t* num_dump_outputs) {
  std::vector<qnn::TensorWrapper> ordered;
  ordered.reserve(outputs.size());
  for (const auto& output : outputs) {
    if (!IsDumpOutput(output)) ordered.push_back(output);
  }
  *num_dump_outputs = outputs.size() - ordered.size();
  for (const auto& output : outputs) {
    if (IsDumpOutput(output)) ordered.push_back(output);
  }
  return ordered;
}

bool AutoVoteApplies(const qnn::Options& options) {
  switch (options.GetBackendType()) {
    case qnn::BackendType::kHtp:
      return options.GetHtpPerformanceMode() != qnn::HtpPerformanceMode::kDefault &&
             options.GetHtpPerfCtrlMode() == qnn::PerfCtrlMode::kAuto;
    case qnn::BackendType::kDsp:
      return options.GetDspPerformanceMode() != qnn::DspPerformanceMode::kDefault &&
             options.GetDspPerfCtrlMode() == qnn::PerfCtrlMode::kAuto;
    default:
      return false;
  }
}

const char* UnitName(uint32_t unit) {
  switch (unit) {
    case QNN_PROFILE_EVENTUNIT_MICROSEC: return "us";
    case QNN_PROFILE_EVENTUNIT_BYTES: return "bytes";
    case QNN_PROFILE_EVENTUNIT_CYCLES: return "cycles";
    case QNN_PROFILE_EVENTUNIT_COUNT: return "count";
    default: return "";
  }
}

void AppendEventLine(std::string* text, const char* indent, const QnnProfile_EventData_t& data) {
  absl::StrAppend(text, indent, data.identifier != nullptr ? data.identifier : "", ": ",
                  data.value, " ", UnitName(data.unit), "\n");
}

Expected<void> CheckIndex(int32_t index, size_t count, const char* message) {
  if (index < 0 || static_cast<size_t>(index) >= count) {
    return Error(Status::RuntimeFailure, message);
  }
  return {};
}

std::string& MutableDumpDirectory() {
  static std::string* const directory = new std::string("/data/local/tmp/dumped_tensors/");
  return *directory;
}

}  // namespace

namespace vantro::qualcomm {

const std::string& DumpDirectory() { return MutableDumpDirectory(); }

void SetDumpDirectoryForTesting(std::string directory) {
  MutableDumpDirectory() = std::move(directory);
}

bool IsSafeDumpName(const std::string& name) {
  if (name.empty() || absl::StrContains(name, "..")) return false;
  if (name.find_first_of("/\\") != std::string::npos) return false;
#if defined(_WIN32)
  if (name.find(':') != std::string::npos) return false;  // drive-relative paths
#endif
  return true;
}

}  // namespace vantro::qualcomm

VantroDispatchInvocationContextT::VantroDispatchInvocationContextT(
    VantroDispatchDeviceContextT& device_context, Qnn_ContextHandle_t context,
    Qnn_ProfileHandle_t profile, bool owns_profile, Qnn_GraphHandle_t graph,
    const std::vector<qnn::TensorWrapper>& inputs, const std::vector<qnn::TensorWrapper>& outputs)
    : device_context_(device_context),
      manager_(device_context.shared_manager()),
      backend_(device_context.shared_backend()),
      context_(context),
      profile_(profile),
      owns_profile_(owns_profile),
      graph_(graph),
      inputs_(inputs),
      outputs_(OrderOutputs(outputs, &num_dump_outputs_)),
      input_records_(inputs_.size()),
      output_records_(outputs_.size()) {
  UpdateAutoVote();
}

VantroDispatchInvocationContextT::~VantroDispatchInvocationContextT() {
  if (auto_vote_) {
    // The down vote may be the first to need the voting thread, whose start
    // can fail; nothing may leave a destructor (destruction returns 0).
    try {
      backend_->ScheduleDownVote();
    } catch (...) {
      VANTRO_LOG_ERROR("Failed to schedule the final down vote: %s",
                       vantro::qualcomm::CurrentExceptionText());
    }
  }
  if (owns_profile_ && profile_ != nullptr) manager_->Api()->profileFree(profile_);
}

Expected<VantroDispatchInvocationContextT::Ptr> VantroDispatchInvocationContextT::CreateFromBytecode(
    VantroDispatchDeviceContextT& device_context, const VantroMemBufferT& bytecode,
    const char* function_name) {
  QnnManager* manager = device_context.manager();
  qnn::QnnBackend* backend = device_context.backend();
  if (manager == nullptr || backend == nullptr || manager->Api() == nullptr) {
    return Error(Status::RuntimeFailure, "QNN is not initialized");
  }
  // A null base stays null whatever the offset: QNN then refuses the binary,
  // instead of reading at the offset taken as an address.
  const void* bytes = bytecode.base_addr == nullptr
                          ? nullptr
                          : static_cast<const char*>(bytecode.base_addr) + bytecode.offset;
  const size_t size = bytecode.size;

  auto info = vantro::qualcomm::ContextBinaryInfo::Create(*manager, bytes, size);
  if (!info) return info.GetError();
  const auto& graphs = info->graphs();
  if (graphs.empty()) return Error(Status::RuntimeFailure, "No graph found");

  const vantro::qualcomm::GraphInfo* chosen = nullptr;
  const bool no_name = function_name == nullptr || function_name[0] == '\0';
  if (graphs.size() == 1 && no_name) {
    chosen = &graphs.front();
  } else {
    const char* wanted = function_name != nullptr ? function_name : "";
    for (const auto& graph : graphs) {
      if (graph.name() == wanted) {
        chosen = &graph;
        break;
      }
    }
  }
  if (chosen == nullptr) return Error(Status::RuntimeFailure, "Function name not found");

  const qnn::QnnApi* api = manager->Api();
  Qnn_ProfileHandle_t profile = nullptr;
  const qnn::Profiling profiling = manager->options().GetProfiling();
  if (profiling != qnn::Profiling::kOff) {
    if (api->profileCreate(backend->BackendHandle(), static_cast<uint32_t>(profiling),
                           &profile) != QNN_SUCCESS) {
      return Error(Status::RuntimeFailure, "Failed to create profile handle");
    }
  }
  ProfileGuard profile_guard(api, profile);

  auto holder = device_context.GetOrCreateQnnContext(bytes, size, profile);
  if (!holder) {
    return VANTRO_LOCATED_ERROR(holder.GetError().status(), holder.GetError().message());
  }
  // A freshly created QNN context owns the profile handle it was created with.
  const bool owns_profile = profile != nullptr && (*holder)->profile() != profile;
  if (!owns_profile) profile_guard.Release();

  Qnn_GraphHandle_t graph = nullptr;
  if (api->graphRetrieve((*holder)->context(), chosen->name().c_str(), &graph) != QNN_SUCCESS) {
    return Error(Status::RuntimeFailure, "Failed to retrieve graph");
  }
  const qnn::RetrievedGraph retrieved{graph, chosen->name(), profile};
  if (!backend->AfterGraphRetrieve(retrieved, manager->options())) {
    return Error(Status::RuntimeFailure, "Failed to configure graph after retrieve");
  }
  // Created before the guard lets go: copying the tensors may throw, and
  // the profile handle is the context's only once it exists.
  Ptr created(new VantroDispatchInvocationContextT(device_context, (*holder)->context(), profile,
                                                   owns_profile, graph, chosen->inputs(),
                                                   chosen->outputs()));
  profile_guard.Release();
  return created;
}

Expected<VantroDispatchInvocationContextT::Ptr>
VantroDispatchInvocationContextT::CreateFromJitHandle(VantroDispatchDeviceContextT& device_context,
                                                      const vantro::qualcomm::JitHandle* jit) {
  if (jit == nullptr) return Error(Status::InvalidArgument, "Invalid JIT handle");
  QnnManager* manager = device_context.manager();
  if (manager == nullptr || device_context.backend() == nullptr || manager->Api() == nullptr) {
    return Error(Status::RuntimeFailure, "QNN is not initialized");
  }
  Qnn_GraphHandle_t graph = nullptr;
  if (manager->Api()->graphRetrieve(jit->context, jit->graph_name.c_str(), &graph) !=
      QNN_SUCCESS) {
    return Error(Status::RuntimeFailure, "Failed to retrieve graph from JIT handle");
  }
  return Ptr(new VantroDispatchInvocationContextT(device_context, jit->context, nullptr, false,
                                                  graph, jit->inputs, jit->outputs));
}

const qnn::Options& VantroDispatchInvocationContextT::EffectiveOptions() const {
  return invocation_options_.has_value() ? *invocation_options_ : manager_->options();
}

void VantroDispatchInvocationContextT::UpdateAutoVote() {
  auto_vote_ = AutoVoteApplies(EffectiveOptions());
}

void VantroDispatchInvocationContextT::SetHostRecord(const void* record) {
  has_host_record_ = record != nullptr;
  if (record != nullptr) std::memcpy(host_record_.data(), record, host_record_.size());
}

Expected<VantroTensorBufferRequirementsT*> VantroDispatchInvocationContextT::GetRequirements(
    const VantroRankedTensorTypeT& tensor_type) const {
  if ((tensor_type.layout.rank_and_flags & VANTRO_LAYOUT_HAS_STRIDES) != 0) {
    return Error(Status::RuntimeFailure, "Tensor strides are not supported by QNN");
  }
  static constexpr int32_t kHostMemory[] = {kVantroTensorBufferTypeHostMemory};
  static constexpr int32_t kDmaBuf[] = {kVantroTensorBufferTypeDmaBuf};
  static constexpr int32_t kMemHandle[] = {kVantroTensorBufferTypeFastRpc,
                                           kVantroTensorBufferTypeDmaBuf};
  const qnn::Options& options = manager_->options();
  absl::Span<const int32_t> types = kMemHandle;
  if (options.GetBackendType() == qnn::BackendType::kGpu) {
    types = kDmaBuf;
  } else if (options.GetGraphIOTensorMemType() == qnn::GraphIOTensorMemType::kRaw) {
    types = kHostMemory;
  }
  auto size = vantro::ByteSize(tensor_type);
  if (!size) return size.GetError();
  auto requirements =
      vantro::internal::CreateTensorBufferRequirements(device_context_.host(), types, *size);
  if (!requirements) return Error(Status::RuntimeFailure, "Not implemented");
  return *requirements;
}

Expected<void> VantroDispatchInvocationContextT::AttachInput(int32_t index,
                                                             VantroTensorBufferHandle handle) {
  VANTRO_RETURN_IF_ERROR(CheckIndex(index, inputs_.size(), "Invalid graph_input_index"));
  return Bind(handle, inputs_[index]);
}

Expected<void> VantroDispatchInvocationContextT::AttachOutput(int32_t index,
                                                              VantroTensorBufferHandle handle) {
  VANTRO_RETURN_IF_ERROR(CheckIndex(index, outputs_.size(), "Invalid graph_output_index"));
  return Bind(handle, outputs_[index]);
}

Expected<void> VantroDispatchInvocationContextT::Bind(VantroTensorBufferHandle handle,
                                                      qnn::TensorWrapper& wrapper) {
  const VantroHostApiTable& host = device_context_.host();
  auto buffer = device_context_.GetTensorBuffer(handle);
  if (!buffer) return buffer.GetError();
  auto type = vantro::internal::GetTensorBufferType(host, *buffer);
  if (!type) return VANTRO_LOCATED_ERROR(type.GetError().status(), "");

  Qnn_Tensor_t& tensor = wrapper.mutable_tensor();
  auto check_version = [&tensor]() -> Expected<void> {
    const uint32_t version = qnn::QnnWord(tensor.version);
    if (version == QNN_TENSOR_VERSION_1) return {};
    if (version == QNN_TENSOR_VERSION_2) {
      if (tensor.v2.isDynamicDimensions != nullptr) {
        return Error(Status::RuntimeFailure, "Dynamic dimensions not yet supported");
      }
      return {};
    }
    return Error(Status::RuntimeFailure, "Unsupported QNN tensor version");
  };

  if (*type == kVantroTensorBufferTypeHostMemory) {
    auto memory = vantro::internal::GetTensorBufferHostMemory(host, *buffer);
    if (!memory) return VANTRO_LOCATED_ERROR(memory.GetError().status(), "");
    auto size = vantro::internal::GetTensorBufferSize(host, *buffer);
    if (!size) return VANTRO_LOCATED_ERROR(size.GetError().status(), "");
    auto offset = vantro::internal::GetTensorBufferOffset(host, *buffer);
    if (!offset) return VANTRO_LOCATED_ERROR(offset.GetError().status(), "");
    if (*size >= (uint64_t{1} << 32)) {
      return Error(Status::RuntimeFailure, "Host tensor buffer is too large for QNN");
    }
    // The bound bytes must lie inside the address space: an offset that
    // wraps the address would have QNN read and write through it. No memory
    // has no bytes to be offset into: a null address with an offset would
    // be bound as the offset itself (as a null bytecode base keeps null).
    const uintptr_t address = reinterpret_cast<uintptr_t>(*memory);
    if ((address == 0 && *offset != 0) || *offset > UINTPTR_MAX - address ||
        *size > UINTPTR_MAX - address - *offset) {
      return Error(Status::RuntimeFailure, "Host tensor buffer offset is out of range");
    }
    VANTRO_RETURN_IF_ERROR(check_version());
    tensor.v1.memType = QNN_TENSORMEMTYPE_RAW;
    tensor.v1.clientBuf.data = reinterpret_cast<void*>(address + *offset);
    tensor.v1.clientBuf.dataSize = static_cast<uint32_t>(*size);
    return {};
  }
  auto mem_handle = device_context_.GetMemHandle(handle);
  if (!mem_handle) return mem_handle.GetError();
  VANTRO_RETURN_IF_ERROR(check_version());
  tensor.v1.memType = QNN_TENSORMEMTYPE_MEMHANDLE;
  tensor.v1.memHandle = *mem_handle;
  return {};
}

namespace {

Expected<void> Detach(qnn::TensorWrapper& wrapper) {
  Qnn_Tensor_t& tensor = wrapper.mutable_tensor();
  const uint32_t version = qnn::QnnWord(tensor.version);
  if (version != QNN_TENSOR_VERSION_1 && version != QNN_TENSOR_VERSION_2) {
    return VANTRO_LOCATED_ERROR(Status::RuntimeFailure, "Unsupported QNN tensor version");
  }
  tensor.v1.memType = QNN_TENSORMEMTYPE_UNDEFINED;
  tensor.v1.clientBuf.data = nullptr;
  tensor.v1.clientBuf.dataSize = 0;
  return {};
}

}  // namespace

Expected<void> VantroDispatchInvocationContextT::DetachInput(int32_t index) {
  VANTRO_RETURN_IF_ERROR(CheckIndex(index, inputs_.size(), "Invalid graph_input_index"));
  return Detach(inputs_[index]);
}

Expected<void> VantroDispatchInvocationContextT::DetachOutput(int32_t index) {
  VANTRO_RETURN_IF_ERROR(CheckIndex(index, outputs_.size(), "Invalid graph_output_index"));
  return Detach(outputs_[index]);
}

Expected<void> VantroDispatchInvocationContextT::Invoke() {
  // Copied through local pointers: stores into the records cannot move
  // them, so nothing is reloaded from the vectors per tensor.
  const size_t num_inputs = inputs_.size();
  const qnn::TensorWrapper* inputs = inputs_.data();
  Qnn_Tensor_t* input_records = input_records_.data();
  for (size_t i = 0; i < num_inputs; ++i) input_records[i] = inputs[i].tensor();

  const size_t num_outputs = outputs_.size();
  const size_t first_dump = num_outputs - num_dump_outputs_;
  qnn::TensorWrapper* outputs = outputs_.data();
  Qnn_Tensor_t* output_records = output_records_.data();
  for (size_t i = 0; i < first_dump; ++i) output_records[i] = outputs[i].tensor();
  for (size_t i = first_dump; i < num_outputs; ++i) {
    // Dump outputs write into the wrapper's own storage (a raw client
    // buffer), whatever was attached.
    outputs[i].AllocateData();
    output_records[i] = outputs[i].tensor();
  }

  const bool vote = auto_vote_;
  if (vote) backend_->ScheduleUpVote();
  const Qnn_ErrorHandle_t result = manager_->Api()->graphExecute(
      graph_, input_records, static_cast<uint32_t>(num_inputs), output_records,
      static_cast<uint32_t>(num_outputs), profile_, nullptr);
  if (vote) backend_->ScheduleDownVote();
  if (result != QNN_SUCCESS) return Error(Status::RuntimeFailure, "Failed to execute graph");

  if (profile_ != nullptr) {
    auto printed = PrintProfilingStatistics();
    if (!printed) {
      return VANTRO_LOCATED_ERROR(printed.GetError().status(), printed.GetError().message());
    }
  }
  for (size_t i = first_dump; i < outputs_.size(); ++i) {
    if (!TryDumpTensor(outputs_[i])) {
      VANTRO_LOG_ERROR("Failed to dump tensor id: %d", static_cast<int>(i));
    }
  }
  return {};
}

bool VantroDispatchInvocationContextT::TryDumpTensor(
    const qnn::TensorWrapper& wrapper) const noexcept {
  // Building the file names can throw (an allocation; on Windows the
  // conversion of a name the code page cannot express): a failed dump like
  // any other, which never fails invoke.
  try {
    return DumpTensor(wrapper).HasValue();
  } catch (...) {
    VANTRO_LOG_ERROR("Failed to write dumped tensor: %s", vantro::qualcomm::CurrentExceptionText());
    return false;
  }
}

Expected<void> VantroDispatchInvocationContextT::PrintProfilingStatistics() const {
  const qnn::QnnApi* api = manager_->Api();
  std::string text = "\nExecute Stats:\n----------------\n";
  const QnnProfile_EventId_t* events = nullptr;
  uint32_t num_events = 0;
  if (api->profileGetEvents(profile_, &events, &num_events) != QNN_SUCCESS) {
    return Error(Status::RuntimeFailure, "Failed to get the profile events");
  }
  for (uint32_t i = 0; i < num_events; ++i) {
    QnnProfile_EventData_t data{};
    if (api->profileGetEventData(events[i], &data) != QNN_SUCCESS) {
      return Error(Status::RuntimeFailure, "Failed to get the event data from profiling result");
    }
    AppendEventLine(&text, "    ", data);
    if (data.type != QNN_HTP_PROFILE_EVENTTYPE_GRAPH_EXECUTE_ACCEL_TIME_CYCLE) continue;
    const QnnProfile_EventId_t* sub_events = nullptr;
    uint32_t num_sub_events = 0;
    if (api->profileGetSubEvents(events[i], &sub_events, &num_sub_events) != QNN_SUCCESS) {
      return Error(Status::RuntimeFailure, "Failed to get the event data from profiling result");
    }
    for (uint32_t j = 0; j < num_sub_events; ++j) {
      QnnProfile_EventData_t sub{};
      if (api->profileGetEventData(sub_events[j], &sub) != QNN_SUCCESS) {
        return Error(Status::RuntimeFailure,
                     "Failed to get the sub event data from profiling result");
      }
      if (sub.type == QNN_PROFILE_EVENTTYPE_NODE &&
          (sub.unit == QNN_PROFILE_EVENTUNIT_MICROSEC || sub.unit == QNN_PROFILE_EVENTUNIT_CYCLES)) {
        AppendEventLine(&text, "        ", sub);
      }
    }
  }
  VANTRO_LOG_INFO("%s", text.c_str());
  return {};
}

Expected<void> VantroDispatchInvocationContextT::DumpTensor(const qnn::TensorWrapper& wrapper) const {
  namespace fs = std::filesystem;
  const fs::path directory(vantro::qualcomm::DumpDirectory());
  std::error_code error;
  fs::create_directories(directory, error);
  if (error) qnn::QnnLog(qnn::kQnnLogError, "ERROR: [Qnn] %s", error.message().c_str());

  const std::string& name = wrapper.name();
  if (!vantro::qualcomm::IsSafeDumpName(name)) {
    VANTRO_LOG_ERROR("Refusing to dump tensor with unsafe name: %s", name.c_str());
    return Error(Status::RuntimeFailure);
  }
  const Qnn_Tensor_t& tensor = wrapper.tensor();
  {
    std::ofstream raw(directory / (name + ".raw"), std::ios::binary | std::ios::trunc);
    if (!raw.is_open()) {
      VANTRO_LOG_ERROR("Failed to write dumped tensor");
      return Error(Status::RuntimeFailure);
    }
    raw.write(static_cast<const char*>(tensor.v1.clientBuf.data),
              static_cast<std::streamsize>(tensor.v1.clientBuf.dataSize));
  }
  float scale = 1.0f;
  int64_t zero_point = 0;
  const Qnn_QuantizeParams_t& quantization = tensor.v1.quantizeParams;
  if (qnn::QnnWord(quantization.encodingDefinition) == QNN_DEFINITION_DEFINED &&
      qnn::QnnWord(quantization.quantizationEncoding) == QNN_QUANTIZATION_ENCODING_SCALE_OFFSET) {
    scale = quantization.scaleOffsetEncoding.scale;
    zero_point = -static_cast<int64_t>(quantization.scaleOffsetEncoding.offset);
  }
  std::ofstream csv(directory / (name + ".csv"), std::ios::trunc);
  csv << scale << "," << zero_point << "\n";
  return {};
}

Expected<void> VantroDispatchInvocationContextT::SetOptions(VantroOptionsT* options) {
  if (options == nullptr) {
    invocation_options_.reset();
    UpdateAutoVote();
    if (!backend_->SetPerformanceMode(manager_->options())) {
      return Error(Status::RuntimeFailure, "Failed to reset performance mode.");
    }
    return {};
  }
  const VantroHostApiTable& host = device_context_.host();
  auto opaque = vantro::internal::GetOpaqueOptions(host, options);
  if (!opaque) {
    return Error(vantro::ToStatus(opaque.GetError()), "Failed to get opaque options");
  }
  auto data = vantro::internal::FindOpaqueOptionsData(host, *opaque,
                                                      VtrGetQualcommOptionsIdentifier());
  if (!data || *data == nullptr) {
    return Error(Status::NotFound, "Failed to find Qualcomm options in VantroOptions");
  }
  VtrQualcommOptionsT* record = nullptr;
  if (VtrCreateQualcommOptionsFromToml(static_cast<const char*>(*data), &record) !=
      kVantroStatusOk) {
    return Error(Status::RuntimeFailure, "Failed to parse Qualcomm options from TOML payload");
  }
  vantro::qualcomm::QualcommOptions qualcomm_options(record);
  qnn::Options new_options;
  const Status mapped = vantro::qualcomm::ApplyQualcommOptions(new_options, qualcomm_options);
  if (mapped != Status::Ok) return VANTRO_LOCATED_ERROR(mapped, "");
  vantro::ClearPendingError();
  if (!backend_->SetPerformanceMode(new_options)) {
    return Error(Status::RuntimeFailure, "Failed to set performance mode.");
  }
  invocation_options_ = std::move(new_options);
  UpdateAutoVote();
  return {};
}
