// Log, backend and device handles, versions and build ids, platform info,
// the handing out of the performance infrastructures (the records
// themselves are in sim_infrastructure_htp.cc and _dsp.cc), graph
// configuration and memory de-registration. Every function enters through
// EnterCall first (log and injected failure), then checks its handles: an
// unknown or released handle is refused with kSimInvalidHandle.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "sim/qnn/sim_config_text.h"
#include "sim/qnn/sim_core_functions.h"
#include "sim/qnn/sim_infrastructures.h"
#include "sim/qnn/sim_internal.h"
#include "sim/qnn/sim_state.h"

namespace vantro::sim::internal {
namespace {

constexpr char kLog[] = "log";
constexpr char kBackend[] = "backend";
constexpr char kDevice[] = "device";
constexpr char kGraph[] = "graph";
constexpr char kProfile[] = "profile";
constexpr char kPlatformInfo[] = "platform_info";
constexpr char kPowerConfigId[] = "power_config_id";
constexpr char kMem[] = "mem";

// A log handle is optional wherever QNN takes one.
bool LogAcceptable(const SimState& state, Qnn_LogHandle_t log) {
  return log == nullptr || IsLiveLocked(state, kLog, log);
}

}  // namespace

// ---- shared by the performance infrastructures

Qnn_ErrorHandle_t DestroyPowerConfigId(const char* infrastructure, uint32_t id) {
  const Qnn_ErrorHandle_t entered = EnterCall("destroyPowerConfigId", [&] {
    return absl::StrFormat("infrastructure=%s id=%u", infrastructure, id);
  });
  if (entered != QNN_SUCCESS) return entered;
  return ReleaseId(kPowerConfigId, id) ? QNN_SUCCESS : kSimInvalidHandle;
}

void RecordPowerCall(PowerConfigCall call) {
  // Stamped under the lock, so the records stay in time order.
  StateGuard state;
  call.elapsed_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - state->epoch)
          .count();
  state->power_calls.push_back(std::move(call));
}

// ---- table functions

Qnn_ErrorHandle_t PropertyHasCapability(QnnProperty_Key_t key) {
  const Qnn_ErrorHandle_t entered =
      EnterCall("propertyHasCapability", [&] { return absl::StrFormat("key=%u", key); });
  if (entered != QNN_SUCCESS) return entered;
  StateGuard state;
  const auto it = state->capabilities.find(key);
  return it == state->capabilities.end() ? QNN_SUCCESS : it->second;
}

Qnn_ErrorHandle_t LogCreate(QnnLog_Callback_t callback, QnnLog_Level_t level,
                            Qnn_LogHandle_t* log) {
  const Qnn_ErrorHandle_t entered = EnterCall("logCreate", [&] {
    return absl::StrFormat("level=%u callback=%s", static_cast<uint32_t>(level),
                           callback ? "set" : "null");
  });
  if (entered != QNN_SUCCESS) return entered;
  if (log == nullptr) return kSimInvalidArgument;
  *log = NewHandle(kLog);
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t LogFree(Qnn_LogHandle_t log) {
  const Qnn_ErrorHandle_t entered =
      EnterCall("logFree", [&] { return absl::StrCat("log=", FormatHandle(log)); });
  if (entered != QNN_SUCCESS) return entered;
  return ReleaseHandle(kLog, log) ? QNN_SUCCESS : kSimInvalidHandle;
}

Qnn_ErrorHandle_t BackendCreate(Library library, Qnn_LogHandle_t log,
                                const QnnBackend_Config_t** configs,
                                Qnn_BackendHandle_t* backend) {
  const Qnn_ErrorHandle_t entered = EnterCall("backendCreate", [&] {
    return absl::StrCat("log=", FormatHandle(log),
                        " configs=", BackendConfigsText(library, configs));
  });
  if (entered != QNN_SUCCESS) return entered;
  if (backend == nullptr) return kSimInvalidArgument;
  if (configs != nullptr) {
    for (int i = 0; configs[i] != nullptr; ++i) {
      if (configs[i]->option == QNN_BACKEND_CONFIG_OPTION_CUSTOM &&
          configs[i]->customConfig == nullptr) {
        return kSimInvalidArgument;
      }
    }
  }
  StateGuard state;
  if (!LogAcceptable(*state, log)) return kSimInvalidHandle;
  *backend = NewHandleLocked(*state, kBackend, log);
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t BackendFree(Qnn_BackendHandle_t backend) {
  const Qnn_ErrorHandle_t entered =
      EnterCall("backendFree", [&] { return absl::StrCat("backend=", FormatHandle(backend)); });
  if (entered != QNN_SUCCESS) return entered;
  return ReleaseHandle(kBackend, backend) ? QNN_SUCCESS : kSimInvalidHandle;
}

Qnn_ErrorHandle_t BackendGetApiVersion(Library library, Qnn_ApiVersion_t* version) {
  const Qnn_ErrorHandle_t entered = EnterCall("backendGetApiVersion", {});
  if (entered != QNN_SUCCESS) return entered;
  if (version == nullptr) return kSimInvalidArgument;
  StateGuard state;
  const LibraryConfig& config = state->configs[static_cast<int>(library)];
  *version = Qnn_ApiVersion_t{config.core, config.backend};
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t BackendGetBuildId(Library library, const char** build_id) {
  const Qnn_ErrorHandle_t entered = EnterCall("backendGetBuildId", {});
  if (entered != QNN_SUCCESS) return entered;
  if (build_id == nullptr) return kSimInvalidArgument;
  StateGuard state;
  const LibraryConfig& config = state->configs[static_cast<int>(library)];
  *build_id = config.null_build_id ? nullptr : InternText(*state, config.build_id);
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t BackendRegisterOpPackage(Qnn_BackendHandle_t backend, const char* package_path,
                                           const char* interface_provider, const char* target) {
  const Qnn_ErrorHandle_t entered = EnterCall("backendRegisterOpPackage", [&] {
    return absl::StrCat(
        "backend=", FormatHandle(backend), " package_path=", FormatText(package_path),
        " interface_provider=", FormatText(interface_provider), " target=", FormatText(target));
  });
  if (entered != QNN_SUCCESS) return entered;
  if (!IsLive(kBackend, backend)) return kSimInvalidHandle;
  if (package_path == nullptr || interface_provider == nullptr) return kSimInvalidArgument;
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t DeviceCreate(Library library, Qnn_LogHandle_t log,
                               const QnnDevice_Config_t** configs, Qnn_DeviceHandle_t* device) {
  const Qnn_ErrorHandle_t entered = EnterCall("deviceCreate", [&] {
    return absl::StrCat("log=", FormatHandle(log),
                        " configs=", DeviceConfigsText(library, configs));
  });
  if (entered != QNN_SUCCESS) return entered;
  if (device == nullptr) return kSimInvalidArgument;
  if (configs != nullptr) {
    for (int i = 0; configs[i] != nullptr; ++i) {
      const QnnDevice_Config_t& config = *configs[i];
      if (config.option == QNN_DEVICE_CONFIG_OPTION_CUSTOM && config.customConfig == nullptr) {
        return kSimInvalidArgument;
      }
      if (config.option == QNN_DEVICE_CONFIG_OPTION_PLATFORM_INFO &&
          (config.hardwareInfo == nullptr || (config.hardwareInfo->v1.numHwDevices > 0 &&
                                              config.hardwareInfo->v1.hwDevices == nullptr))) {
        return kSimInvalidArgument;
      }
    }
  }
  StateGuard state;
  if (!LogAcceptable(*state, log)) return kSimInvalidHandle;
  *device = NewHandleLocked(*state, kDevice, log);
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t DeviceFree(Qnn_DeviceHandle_t device) {
  const Qnn_ErrorHandle_t entered =
      EnterCall("deviceFree", [&] { return absl::StrCat("device=", FormatHandle(device)); });
  if (entered != QNN_SUCCESS) return entered;
  return ReleaseHandle(kDevice, device) ? QNN_SUCCESS : kSimInvalidHandle;
}

Qnn_ErrorHandle_t DeviceGetPlatformInfo(Qnn_LogHandle_t log,
                                        const QnnDevice_PlatformInfo_t** info) {
  const Qnn_ErrorHandle_t entered =
      EnterCall("deviceGetPlatformInfo", [&] { return absl::StrCat("log=", FormatHandle(log)); });
  if (entered != QNN_SUCCESS) return entered;
  if (info == nullptr) return kSimInvalidArgument;
  StateGuard state;
  if (!LogAcceptable(*state, log)) return kSimInvalidHandle;
  const PlatformConfig& platform = state->platform;
  if (platform.null_info) {
    *info = nullptr;
    return QNN_SUCCESS;
  }
  auto storage = std::make_unique<PlatformInfoStorage>();
  // Every device is of type 0 with one core, id 0, and no extensions.
  storage->cores.resize(platform.device_ids.size());
  storage->devices.resize(platform.device_ids.size());
  for (size_t i = 0; i < platform.device_ids.size(); ++i) {
    QnnDevice_CoreInfo_t& core = storage->cores[i];
    core.version = QNN_DEVICE_CORE_INFO_VERSION_1;
    core.v1 = QnnDevice_CoreInfoV1_t{0, 0, nullptr};
    QnnDevice_HardwareDeviceInfo_t& device = storage->devices[i];
    device.version = QNN_DEVICE_HARDWARE_DEVICE_INFO_VERSION_1;
    device.v1 = QnnDevice_HardwareDeviceInfoV1_t{platform.device_ids[i], 0, 1, &core, nullptr};
  }
  storage->info.version = QNN_DEVICE_PLATFORM_INFO_VERSION_1;
  storage->info.v1.numHwDevices = static_cast<uint32_t>(storage->devices.size());
  storage->info.v1.hwDevices =
      platform.no_device_array || storage->devices.empty() ? nullptr : storage->devices.data();
  const QnnDevice_PlatformInfo_t* record = &storage->info;
  state->handles[reinterpret_cast<uintptr_t>(record)] = HandleRecord{kPlatformInfo, log};
  state->platform_infos[record] = std::move(storage);
  *info = record;
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t DeviceFreePlatformInfo(Qnn_LogHandle_t log,
                                         const QnnDevice_PlatformInfo_t* info) {
  const Qnn_ErrorHandle_t entered = EnterCall("deviceFreePlatformInfo", [&] {
    return absl::StrCat("log=", FormatHandle(log), " info=", FormatHandle(info));
  });
  if (entered != QNN_SUCCESS) return entered;
  StateGuard state;
  if (!LogAcceptable(*state, log)) return kSimInvalidHandle;
  if (!ReleaseHandleLocked(*state, kPlatformInfo, info)) return kSimInvalidHandle;
  state->platform_infos.erase(info);
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t DeviceGetInfrastructure(Library library,
                                          const QnnDevice_Infrastructure_t* infrastructure) {
  const Qnn_ErrorHandle_t entered = EnterCall("deviceGetInfrastructure", {});
  if (entered != QNN_SUCCESS) return entered;
  if (infrastructure == nullptr) return kSimInvalidArgument;
  // The answer's slot, which QNN's parameter type declares const.
  QnnDevice_Infrastructure_t& answer = *const_cast<QnnDevice_Infrastructure_t*>(infrastructure);
  StateGuard state;
  const bool htp = library == Library::kHtp || library == Library::kSaver;
  if (!htp && library != Library::kDsp) return kSimUnsupported;
  if (state->infrastructure.null_infrastructure) {
    answer = nullptr;
  } else if (htp) {
    answer = HtpInfrastructureLocked(state->infrastructure.htp_type);
  } else {
    answer = DspInfrastructure();
  }
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t GraphSetConfig(Library library, Qnn_GraphHandle_t graph,
                                 const QnnGraph_Config_t** configs) {
  const Qnn_ErrorHandle_t entered = EnterCall("graphSetConfig", [&] {
    return absl::StrCat("graph=", FormatHandle(graph),
                        " configs=", GraphConfigsText(library, configs));
  });
  if (entered != QNN_SUCCESS) return entered;
  if (!IsLive(kGraph, graph)) return kSimInvalidHandle;
  if (configs == nullptr) return kSimInvalidArgument;
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t GraphFinalize(Qnn_GraphHandle_t graph, Qnn_ProfileHandle_t profile,
                                Qnn_SignalHandle_t signal) {
  const Qnn_ErrorHandle_t entered = EnterCall("graphFinalize", [&] {
    return absl::StrCat("graph=", FormatHandle(graph), " profile=", FormatHandle(profile),
                        " signal=", FormatHandle(signal));
  });
  if (entered != QNN_SUCCESS) return entered;
  StateGuard state;
  if (!IsLiveLocked(*state, kGraph, graph)) return kSimInvalidHandle;
  if (profile != nullptr && !IsLiveLocked(*state, kProfile, profile)) return kSimInvalidHandle;
  // The simulation has no signals: any signal handle is unknown.
  if (signal != nullptr) return kSimInvalidHandle;
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t MemDeRegister(const Qnn_MemHandle_t* handles, uint32_t count) {
  const Qnn_ErrorHandle_t entered = EnterCall("memDeRegister", [&] {
    std::vector<std::string> parts;
    for (uint32_t i = 0; handles != nullptr && i < count && i < 64; ++i) {
      parts.push_back(FormatHandle(handles[i]));
    }
    return absl::StrCat(
        "handles=",
        handles == nullptr ? "null" : absl::StrCat("[", absl::StrJoin(parts, ", "), "]"),
        " count=", count);
  });
  if (entered != QNN_SUCCESS) return entered;
  if (handles == nullptr || count == 0) return kSimInvalidArgument;
  StateGuard state;
  // All or nothing: check every handle before releasing any.
  for (uint32_t i = 0; i < count; ++i) {
    if (!IsLiveLocked(*state, kMem, handles[i])) return kSimInvalidHandle;
  }
  for (uint32_t i = 0; i < count; ++i) ReleaseHandleLocked(*state, kMem, handles[i]);
  return QNN_SUCCESS;
}

}  // namespace vantro::sim::internal
