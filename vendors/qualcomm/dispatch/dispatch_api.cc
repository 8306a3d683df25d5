// The plug-in's export, its operation table and the table's handlers.
#include "vendors/qualcomm/dispatch/dispatch_api.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "c/options/vantro_qualcomm_options.h"
#include "cc/options/vantro_qualcomm_options.h"
#include "c/vantro_dispatch.h"
#include "cc/internal/vantro_host_services.h"
#include "cc/internal/vantro_opaque_options_wrapper.h"
#include "cc/internal/vantro_options_wrapper.h"
#include "cc/vantro_expected.h"
#include "cc/vantro_logging.h"
#include "vendors/qualcomm/backends/qnn_backend.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/common.h"
#include "vendors/qualcomm/dispatch/current_exception_text.h"
#include "vendors/qualcomm/dispatch/jit_handle.h"
#include "vendors/qualcomm/dispatch/vantro_dispatch_device_context.h"
#include "vendors/qualcomm/dispatch/vantro_dispatch_invocation_context.h"
#include "vendors/qualcomm/qnn_manager.h"

namespace vantro::qualcomm {
namespace {

constexpr VantroApiVersion kDispatchApiVersion = {0, 1, 0};

// All zero until an initialisation succeeds.
char g_build_id[kBuildIdSize];

// The QNN manager and backend of one initialisation. The installed pair is
// replaced by each successful initialisation; every device and invocation
// context created while it was installed shares its ownership, so a
// replaced pair lives on until the last of them goes. The backend goes
// before the manager whose libraries it uses.
struct QnnPair {
  std::unique_ptr<QnnManager> manager;
  std::unique_ptr<qnn::QnnBackend> backend;
  ~QnnPair() {
    backend.reset();
    manager.reset();
  }
};

std::shared_ptr<QnnPair>& InstalledPair() {
  static std::shared_ptr<QnnPair>* const pair = new std::shared_ptr<QnnPair>();
  return *pair;
}

// Reads the vendor options of `options`, or says why there are none.
Expected<QualcommOptions> ReadQualcommOptions(const VantroHostApiTable& host,
                                              VantroOptionsT* options) {
  Expected<QualcommOptions> result = Error(Status::NotFound, "Null Qualcomm options");
  if (options == nullptr) return result;
  auto opaque = internal::GetOpaqueOptions(host, options);
  if (!opaque) return result;
  auto data = internal::FindOpaqueOptionsData(host, *opaque, VtrGetQualcommOptionsIdentifier());
  if (!data || *data == nullptr) return result;
  VtrQualcommOptionsT* record = nullptr;
  if (VtrCreateQualcommOptionsFromToml(static_cast<const char*>(*data), &record) ==
      kVantroStatusOk) {
    result = QualcommOptions(record);
  }
  return result;
}

VantroStatus Initialize(const VantroHostApiTable* host, VantroEnvironmentT* environment,
                        VantroOptionsT* options) {
  if (host == nullptr) return kVantroStatusInvalidArgument;

  std::optional<VantroEnvironmentOptionsT*> environment_options;
  if (auto found = internal::GetEnvironmentOptions(*host, environment)) {
    environment_options = *found;
    if (auto severity =
            internal::GetEnvironmentOption(*host, *found, kVantroEnvOptionLogSeverity)) {
      VantroSetMinLoggerSeverity(
          VantroGetCurrentLogger(),
          static_cast<VantroLogSeverity>(severity->value.int_value & 0xFF));
    }
  }

  qnn::Options qnn_options;
  auto qualcomm_options = ReadQualcommOptions(*host, options);
  if (qualcomm_options) {
    (void)ApplyQualcommOptions(qnn_options, *qualcomm_options);
  } else {
    VANTRO_LOG_ERROR("Failed to parse qnn options, using default settings. %s",
                     qualcomm_options.GetError().message().c_str());
    // Initialisation goes on with the defaults; what a rejected payload
    // parked must not join a later, unrelated error on this thread.
    ClearPendingError();
  }
  qnn_options.SetGraphIOTensorMemType(qnn::GraphIOTensorMemType::kRaw);

  std::optional<std::string> shared_library_dir;
  if (environment_options.has_value()) {
    auto dir = internal::GetEnvironmentOption(*host, *environment_options,
                                              kVantroEnvOptionSharedLibraryDir);
    if (dir && dir->value.str_value != nullptr) shared_library_dir = dir->value.str_value;
  }

  auto manager = QnnManager::Create(qnn_options, shared_library_dir);
  if (!manager) {
    VANTRO_LOG_ERROR("%s", manager.GetError().message().c_str());
    return ToC(ToStatus(manager.GetError()));
  }
  std::unique_ptr<qnn::QnnBackend> backend =
      qnn::CreateBackend((*manager)->Api(), qnn_options, std::nullopt, /*for_compilation=*/false);
  if (backend == nullptr) {
    VANTRO_LOG_ERROR("Failed to initialize QNN backend");
    return kVantroStatusRuntimeFailure;
  }

  auto pair = std::make_shared<QnnPair>();
  pair->manager = std::move(manager).Value();
  pair->backend = std::move(backend);
  // The old pair goes now, backend first, unless contexts still hold it.
  std::shared_ptr<QnnPair> old_pair = std::exchange(InstalledPair(), std::move(pair));
  old_pair.reset();

  const qnn::QnnApi* api = InstalledPair()->manager->Api();
  Qnn_ApiVersion_t version{};
  if (const Qnn_ErrorHandle_t result = api->backendGetApiVersion(&version); result != QNN_SUCCESS) {
    VANTRO_LOG_ERROR("Failed to get QNN API version: %d", static_cast<int>(result));
    return kVantroStatusRuntimeFailure;
  }
  const char* build_id = nullptr;
  if (const Qnn_ErrorHandle_t result = api->backendGetBuildId(&build_id); result != QNN_SUCCESS) {
    VANTRO_LOG_ERROR("Failed to get QNN build ID: %d", static_cast<int>(result));
    return kVantroStatusRuntimeFailure;
  }
  std::snprintf(g_build_id, kBuildIdSize,
                "Qualcomm Dispatch API version %d.%d.%d, QNN API version %d.%d.%d, build id: %s",
                kDispatchApiVersion.major, kDispatchApiVersion.minor, kDispatchApiVersion.patch,
                static_cast<int>(version.coreApiVersion.major),
                static_cast<int>(version.coreApiVersion.minor),
                static_cast<int>(version.coreApiVersion.patch),
                build_id != nullptr ? build_id : "");
  g_build_id[kBuildIdSize - 1] = '\0';
  return kVantroStatusOk;
}

VantroStatus GetVendorId(const char** vendor_id) {
  if (vendor_id == nullptr) return kVantroStatusInvalidArgument;
  *vendor_id = "Qualcomm";
  return kVantroStatusOk;
}

VantroStatus GetBuildId(const char** build_id) {
  if (build_id == nullptr) return kVantroStatusInvalidArgument;
  *build_id = g_build_id;
  return kVantroStatusOk;
}

VantroStatus GetCapabilities(int32_t* capabilities) {
  if (capabilities == nullptr) return kVantroStatusInvalidArgument;
  *capabilities = 1;
  return kVantroStatusOk;
}

int CompareVersions(const VantroApiVersion& a, const VantroApiVersion& b) {
  if (a.major != b.major) return a.major < b.major ? -1 : 1;
  if (a.minor != b.minor) return a.minor < b.minor ? -1 : 1;
  if (a.patch != b.patch) return a.patch < b.patch ? -1 : 1;
  return 0;
}

VantroStatus CheckRuntimeCompatibility(VantroApiVersion host) {
  const VantroApiVersion& ours = kDispatchApiVersion;
  const int order = CompareVersions(host, ours);
  if (order > 0) {
    VANTRO_LOG_ERROR(
        "Incompatible dispatch version. Found Vantro API version %d.%d.%d, but version <= "
        "%d.%d.%d is required.",
        host.major, host.minor, host.patch, ours.major, ours.minor, ours.patch);
    return kVantroStatusIncompatibleVersion;
  }
  if (order < 0) {
    VANTRO_LOG_WARNING(
        "Vantro API version (%d.%d.%d) is older than the dispatch api version (%d.%d.%d). An "
        "update is recommended.",
        host.major, host.minor, host.patch, ours.major, ours.minor, ours.patch);
  }
  return kVantroStatusOk;
}

// ---- Device context handlers.

VantroStatus DeviceContextCreate(const VantroHostApiTable* host, void* /*ignored*/,
                                 VantroDispatchDeviceContextT** device_context) {
  if (host == nullptr || device_context == nullptr) return kVantroStatusInvalidArgument;
  // Both pointers share the ownership of the installed pair (none before
  // the first initialisation).
  const std::shared_ptr<QnnPair>& pair = InstalledPair();
  std::shared_ptr<QnnManager> manager;
  std::shared_ptr<qnn::QnnBackend> backend;
  if (pair != nullptr) {
    manager = std::shared_ptr<QnnManager>(pair, pair->manager.get());
    backend = std::shared_ptr<qnn::QnnBackend>(pair, pair->backend.get());
  }
  *device_context = new VantroDispatchDeviceContextT(host, std::move(manager), std::move(backend));
  return kVantroStatusOk;
}

VantroStatus DeviceContextDestroy(VantroDispatchDeviceContextT* device_context) {
  delete device_context;
  return kVantroStatusOk;
}

VantroStatus RegisterTensorBuffer(VantroDispatchDeviceContextT* device_context,
                                  VantroTensorBufferT* buffer, VantroTensorBufferHandle* handle) {
  if (device_context == nullptr || handle == nullptr) return kVantroStatusInvalidArgument;
  *handle = device_context->RegisterTensorBuffer(buffer);
  return kVantroStatusOk;
}

VantroStatus UnregisterTensorBuffer(VantroDispatchDeviceContextT* device_context,
                                    VantroTensorBufferHandle handle) {
  if (device_context == nullptr) return kVantroStatusInvalidArgument;
  auto result = device_context->UnregisterTensorBuffer(handle);
  if (!result) {
    VANTRO_LOG_ERROR("Failed to unregister buffer: %s", result.GetError().message().c_str());
    return ToC(ToStatus(result.GetError()));
  }
  return kVantroStatusOk;
}

// ---- Invocation context handlers.

VantroStatus InvocationContextCreate(void* /*ignored*/, VantroDispatchDeviceContextT* device_context,
                                     int32_t bytecode_kind, const VantroMemBufferT* bytecode,
                                     const char* function_name, int32_t /*ignored_num_inputs*/,
                                     int32_t /*ignored_num_outputs*/,
                                     VantroDispatchInvocationContextT** invocation_context) {
  if (device_context == nullptr || bytecode == nullptr || invocation_context == nullptr) {
    return kVantroStatusInvalidArgument;
  }
  auto created =
      bytecode_kind == kVantroBytecodeKindJitHandle
          ? VantroDispatchInvocationContextT::CreateFromJitHandle(
                *device_context, static_cast<const JitHandle*>(bytecode->base_addr))
          : VantroDispatchInvocationContextT::CreateFromBytecode(*device_context, *bytecode,
                                                                 function_name);
  if (!created) {
    VANTRO_LOG_ERROR(
        "Failed to create context from context binary: %s for function %s, base address: %p, "
        "size: %zu",
        created.GetError().message().c_str(), function_name != nullptr ? function_name : "",
        bytecode->base_addr, static_cast<size_t>(bytecode->size));
    return ToC(ToStatus(created.GetError()));
  }
  *invocation_context = std::move(created).Value().release();
  return kVantroStatusOk;
}

VantroStatus InvocationContextDestroy(VantroDispatchInvocationContextT* invocation_context) {
  delete invocation_context;
  return kVantroStatusOk;
}

VantroStatus SetHostRecord(VantroDispatchInvocationContextT* invocation_context,
                           const void* record) {
  if (invocation_context == nullptr) return kVantroStatusInvalidArgument;
  invocation_context->SetHostRecord(record);
  return kVantroStatusOk;
}

VantroStatus GetRequirements(VantroDispatchInvocationContextT* invocation_context,
                             const VantroRankedTensorTypeT* tensor_type,
                             VantroTensorBufferRequirementsT** requirements) {
  if (invocation_context == nullptr || tensor_type == nullptr || requirements == nullptr) {
    return kVantroStatusInvalidArgument;
  }
  auto result = invocation_context->GetRequirements(*tensor_type);
  if (!result) {
    VANTRO_LOG_ERROR("Failed to get tensor buffer requirements: %s",
                     result.GetError().message().c_str());
    return ToC(ToStatus(result.GetError()));
  }
  *requirements = *result;
  return kVantroStatusOk;
}

VantroStatus GetInputRequirements(VantroDispatchInvocationContextT* invocation_context,
                                  int32_t /*index*/, const VantroRankedTensorTypeT* tensor_type,
                                  VantroTensorBufferRequirementsT** requirements) {
  return GetRequirements(invocation_context, tensor_type, requirements);
}

VantroStatus GetOutputRequirements(VantroDispatchInvocationContextT* invocation_context,
                                   int32_t /*index*/, const VantroRankedTensorTypeT* tensor_type,
                                   VantroTensorBufferRequirementsT** requirements) {
  return GetRequirements(invocation_context, tensor_type, requirements);
}

VantroStatus AttachInput(VantroDispatchInvocationContextT* invocation_context, int32_t index,
                         VantroTensorBufferHandle handle) {
  if (invocation_context == nullptr) return kVantroStatusInvalidArgument;
  auto result = invocation_context->AttachInput(index, handle);
  if (!result) {
    VANTRO_LOG_ERROR("Failed to attach input buffer: %s", result.GetError().message().c_str());
    return ToC(ToStatus(result.GetError()));
  }
  return kVantroStatusOk;
}

VantroStatus AttachOutput(VantroDispatchInvocationContextT* invocation_context, int32_t index,
                          VantroTensorBufferHandle handle) {
  if (invocation_context == nullptr) return kVantroStatusInvalidArgument;
  auto result = invocation_context->AttachOutput(index, handle);
  if (!result) {
    VANTRO_LOG_ERROR("Failed to attach output buffer: %s", result.GetError().message().c_str());
    return ToC(ToStatus(result.GetError()));
  }
  return kVantroStatusOk;
}

VantroStatus DetachInput(VantroDispatchInvocationContextT* invocation_context, int32_t index,
                         VantroTensorBufferHandle /*handle*/) {
  if (invocation_context == nullptr) return kVantroStatusInvalidArgument;
  auto result = invocation_context->DetachInput(index);
  return result ? kVantroStatusOk : ToC(ToStatus(result.GetError()));
}

VantroStatus DetachOutput(VantroDispatchInvocationContextT* invocation_context, int32_t index,
                          VantroTensorBufferHandle /*handle*/) {
  if (invocation_context == nullptr) return kVantroStatusInvalidArgument;
  auto result = invocation_context->DetachOutput(index);
  return result ? kVantroStatusOk : ToC(ToStatus(result.GetError()));
}

VantroStatus Invoke(VantroDispatchInvocationContextT* invocation_context) {
  if (invocation_context == nullptr) return kVantroStatusInvalidArgument;
  auto result = invocation_context->Invoke();
  if (!result) {
    VANTRO_LOG_ERROR("Failed to execute invocation context: %s",
                     result.GetError().message().c_str());
    return ToC(ToStatus(result.GetError()));
  }
  return kVantroStatusOk;
}

VantroStatus SetOptions(VantroDispatchInvocationContextT* invocation_context,
                        VantroOptionsT* options) {
  if (invocation_context == nullptr) return kVantroStatusInvalidArgument;
  auto result = invocation_context->SetOptions(options);
  if (!result) {
    VANTRO_LOG_ERROR("Failed to set invocation context options: %s",
                     result.GetError().message().c_str());
    return ToC(ToStatus(result.GetError()));
  }
  return kVantroStatusOk;
}

// ---- No exception crosses the table.

// The failure of a handler that threw: one ERROR line naming the action,
// RuntimeFailure, and the message parked as for any other failure. Nothing
// here may throw again (the exception may well be an allocation failure).
VantroStatus FailedByException(const char* action, const char* what) noexcept {
  VANTRO_LOG_ERROR("%s: Unexpected exception: %s", action, what);
  try {
    ToStatus(Status::RuntimeFailure, std::string("Unexpected exception: ") + what);
  } catch (...) {
    // The message stays unparked; the status still crosses.
  }
  return kVantroStatusRuntimeFailure;
}

// Every slot of the table is Guarded<action, handler>::Call: the handler,
// with whatever it throws (bad_alloc, std::system_error from a thread that
// cannot start, a path conversion on Windows) turned into RuntimeFailure.
// `kAction` names the failed action in the handler's own words.
template <const char* kAction, auto kHandler>
struct Guarded;

template <const char* kAction, typename... Args, VantroStatus (*kHandler)(Args...)>
struct Guarded<kAction, kHandler> {
  static VantroStatus Call(Args... args) noexcept {
    try {
      return kHandler(args...);
    } catch (...) {
      return FailedByException(kAction, CurrentExceptionText());
    }
  }
};

constexpr char kInitializeAction[] = "Failed to initialize";
constexpr char kGetVendorIdAction[] = "Failed to get vendor id";
constexpr char kGetBuildIdAction[] = "Failed to get build id";
constexpr char kGetCapabilitiesAction[] = "Failed to get capabilities";
constexpr char kDeviceContextCreateAction[] = "Failed to create device context";
constexpr char kDeviceContextDestroyAction[] = "Failed to destroy device context";
constexpr char kRequirementsAction[] = "Failed to get tensor buffer requirements";
constexpr char kRegisterAction[] = "Failed to register buffer";
constexpr char kUnregisterAction[] = "Failed to unregister buffer";
constexpr char kInvocationContextCreateAction[] = "Failed to create context from context binary";
constexpr char kInvocationContextDestroyAction[] = "Failed to destroy invocation context";
constexpr char kSetHostRecordAction[] = "Failed to set host record";
constexpr char kAttachInputAction[] = "Failed to attach input buffer";
constexpr char kAttachOutputAction[] = "Failed to attach output buffer";
constexpr char kDetachInputAction[] = "Failed to detach input buffer";
constexpr char kDetachOutputAction[] = "Failed to detach output buffer";
constexpr char kInvokeAction[] = "Failed to execute invocation context";
constexpr char kCheckCompatibilityAction[] = "Failed to check runtime compatibility";
constexpr char kSetOptionsAction[] = "Failed to set invocation context options";

constexpr VantroDispatchOperationTable kOperationTable = {
    /*header=*/VANTRO_DISPATCH_TABLE_HEADER,
    /*initialize=*/Guarded<kInitializeAction, Initialize>::Call,
    /*get_vendor_id=*/Guarded<kGetVendorIdAction, GetVendorId>::Call,
    /*get_build_id=*/Guarded<kGetBuildIdAction, GetBuildId>::Call,
    /*get_capabilities=*/Guarded<kGetCapabilitiesAction, GetCapabilities>::Call,
    /*device_context_create=*/Guarded<kDeviceContextCreateAction, DeviceContextCreate>::Call,
    /*device_context_destroy=*/Guarded<kDeviceContextDestroyAction, DeviceContextDestroy>::Call,
    /*get_input_requirements=*/Guarded<kRequirementsAction, GetInputRequirements>::Call,
    /*get_output_requirements=*/Guarded<kRequirementsAction, GetOutputRequirements>::Call,
    /*register_tensor_buffer=*/Guarded<kRegisterAction, RegisterTensorBuffer>::Call,
    /*unregister_tensor_buffer=*/Guarded<kUnregisterAction, UnregisterTensorBuffer>::Call,
    /*invocation_context_create=*/
    Guarded<kInvocationContextCreateAction, InvocationContextCreate>::Call,
    /*invocation_context_destroy=*/
    Guarded<kInvocationContextDestroyAction, InvocationContextDestroy>::Call,
    /*invocation_context_set_host_record=*/Guarded<kSetHostRecordAction, SetHostRecord>::Call,
    /*attach_input=*/Guarded<kAttachInputAction, AttachInput>::Call,
    /*attach_output=*/Guarded<kAttachOutputAction, AttachOutput>::Call,
    /*detach_input=*/Guarded<kDetachInputAction, DetachInput>::Call,
    /*detach_output=*/Guarded<kDetachOutputAction, DetachOutput>::Call,
    /*invoke=*/Guarded<kInvokeAction, Invoke>::Call,
    /*not_provided_0x98=*/{},
    /*check_runtime_compatibility=*/
    Guarded<kCheckCompatibilityAction, CheckRuntimeCompatibility>::Call,
    /*invocation_context_set_options=*/Guarded<kSetOptionsAction, SetOptions>::Call,
    /*not_provided_0xd0=*/{},
};

}  // namespace

char* MutableBuildId() { return g_build_id; }

const VantroDispatchOperationTable& OperationTable() { return kOperationTable; }

}  // namespace vantro::qualcomm

extern "C" VANTRO_DISPATCH_EXPORT VantroStatus VantroDispatchQueryInterface(
    int32_t selector_a, int32_t selector_b, void* /*ignored*/,
    const VantroDispatchOperationTable** table) {
  if (table == nullptr) return kVantroStatusInvalidArgument;
  if (selector_b >= 1 && selector_a == 0) {
    *table = &vantro::qualcomm::OperationTable();
    return kVantroStatusOk;
  }
  return kVantroStatusUnsupported;
}
