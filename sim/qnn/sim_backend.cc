// Log, backend and device handles, versions and build ids, platform info,
// the HTP and DSP performance infrastructures, graph configuration and
// memory de-registration. Every function enters through EnterCall first
// (log and injected failure), then checks its handles: an unknown or
// released handle is refused with kSimInvalidHandle.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "sim/qnn/sim_config_text.h"
#include "sim/qnn/sim_core_functions.h"
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
bool LogAcceptable(const SimState& state, QnnLogHandle log) {
  return log == nullptr || IsLiveLocked(state, kLog, log);
}

std::string VersionText(const QnnVersion& v) {
  return absl::StrFormat("%u.%u.%u", v.major, v.minor, v.patch);
}

// ---- performance infrastructures

void RecordPowerCall(bool htp, uint32_t id, const QnnHtpPowerConfig* const* htp_configs,
                     const QnnDspPowerConfig* const* dsp_configs) {
  PowerConfigCall call;
  call.htp = htp;
  call.power_config_id = id;
  if (htp_configs != nullptr) {
    for (int i = 0; htp_configs[i] != nullptr; ++i) call.htp_configs.push_back(*htp_configs[i]);
  }
  if (dsp_configs != nullptr) {
    for (int i = 0; dsp_configs[i] != nullptr; ++i) call.dsp_configs.push_back(*dsp_configs[i]);
  }
  // Stamped under the lock, so the records stay in time order.
  StateGuard state;
  call.elapsed_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - state->epoch)
          .count();
  state->power_calls.push_back(std::move(call));
}

QnnResult HtpCreatePowerConfigId(uint32_t device_id, uint32_t core_id, uint32_t* id) {
  const QnnResult entered = EnterCall("createPowerConfigId", [&] {
    return absl::StrFormat("infrastructure=htp device_id=%u core_id=%u", device_id, core_id);
  });
  if (entered != QNN_SUCCESS) return entered;
  if (id == nullptr) return kSimInvalidArgument;
  *id = NewId(kPowerConfigId);
  return QNN_SUCCESS;
}

QnnResult DspCreatePowerConfigId(uint32_t* id) {
  const QnnResult entered =
      EnterCall("createPowerConfigId", [] { return std::string("infrastructure=dsp"); });
  if (entered != QNN_SUCCESS) return entered;
  if (id == nullptr) return kSimInvalidArgument;
  *id = NewId(kPowerConfigId);
  return QNN_SUCCESS;
}

QnnResult DestroyPowerConfigId(const char* infrastructure, uint32_t id) {
  const QnnResult entered = EnterCall("destroyPowerConfigId", [&] {
    return absl::StrFormat("infrastructure=%s id=%u", infrastructure, id);
  });
  if (entered != QNN_SUCCESS) return entered;
  return ReleaseId(kPowerConfigId, id) ? QNN_SUCCESS : kSimInvalidHandle;
}

QnnResult HtpDestroyPowerConfigId(uint32_t id) { return DestroyPowerConfigId("htp", id); }
QnnResult DspDestroyPowerConfigId(uint32_t id) { return DestroyPowerConfigId("dsp", id); }

QnnResult HtpSetPowerConfig(uint32_t id, const QnnHtpPowerConfig** configs) {
  const QnnResult entered = EnterCall("setPowerConfig", [&] {
    return absl::StrFormat("infrastructure=htp id=%u configs=%s", id, HtpPowerConfigsText(configs));
  });
  if (entered != QNN_SUCCESS) return entered;
  if (!IsLiveId(kPowerConfigId, id)) return kSimInvalidHandle;
  if (configs == nullptr) return kSimInvalidArgument;
  RecordPowerCall(/*htp=*/true, id, configs, nullptr);
  return QNN_SUCCESS;
}

QnnResult DspSetPowerConfig(uint32_t id, const QnnDspPowerConfig** configs) {
  const QnnResult entered = EnterCall("setPowerConfig", [&] {
    return absl::StrFormat("infrastructure=dsp id=%u configs=%s", id, DspPowerConfigsText(configs));
  });
  if (entered != QNN_SUCCESS) return entered;
  if (!IsLiveId(kPowerConfigId, id)) return kSimInvalidHandle;
  if (configs == nullptr) return kSimInvalidArgument;
  RecordPowerCall(/*htp=*/false, id, nullptr, configs);
  return QNN_SUCCESS;
}

const QnnDspPerfInfrastructure kDspInfrastructure = {&DspCreatePowerConfigId,
                                                     &DspDestroyPowerConfigId, &DspSetPowerConfig};

// One record per type word asked for, kept for the process: the plug-in
// keeps the pointer for as long as its controller lives.
const QnnHtpDeviceInfrastructure* HtpInfrastructureLocked(SimState& state, uint32_t type) {
  auto& slot = state.htp_infrastructures[type];
  if (!slot) {
    slot = std::make_unique<QnnHtpDeviceInfrastructure>();
    slot->type = type;
    slot->perf = QnnHtpPerfInfrastructure{&HtpCreatePowerConfigId, &HtpDestroyPowerConfigId,
                                          &HtpSetPowerConfig};
  }
  return slot.get();
}

}  // namespace

QnnResult PropertyHasCapability(uint32_t key) {
  const QnnResult entered =
      EnterCall("propertyHasCapability", [&] { return absl::StrFormat("key=%u", key); });
  if (entered != QNN_SUCCESS) return entered;
  StateGuard state;
  const auto it = state->capabilities.find(key);
  return it == state->capabilities.end() ? QNN_SUCCESS : it->second;
}

QnnResult LogCreate(QnnLogCallback callback, uint32_t level, QnnLogHandle* log) {
  const QnnResult entered = EnterCall("logCreate", [&] {
    return absl::StrFormat("level=%u callback=%s", level, callback ? "set" : "null");
  });
  if (entered != QNN_SUCCESS) return entered;
  if (log == nullptr) return kSimInvalidArgument;
  *log = static_cast<QnnLogHandle>(NewHandle(kLog));
  return QNN_SUCCESS;
}

QnnResult LogFree(QnnLogHandle log) {
  const QnnResult entered =
      EnterCall("logFree", [&] { return absl::StrCat("log=", FormatHandle(log)); });
  if (entered != QNN_SUCCESS) return entered;
  return ReleaseHandle(kLog, log) ? QNN_SUCCESS : kSimInvalidHandle;
}

QnnResult BackendCreate(Library library, QnnLogHandle log, const QnnBackendConfig** configs,
                        QnnBackendHandle* backend) {
  const QnnResult entered = EnterCall("backendCreate", [&] {
    return absl::StrCat("log=", FormatHandle(log),
                        " configs=", BackendConfigsText(library, configs));
  });
  if (entered != QNN_SUCCESS) return entered;
  if (backend == nullptr) return kSimInvalidArgument;
  if (configs != nullptr) {
    for (int i = 0; configs[i] != nullptr; ++i) {
      if (configs[i]->option == QNN_BACKEND_CONFIG_OPTION_CUSTOM && configs[i]->custom == nullptr) {
        return kSimInvalidArgument;
      }
    }
  }
  StateGuard state;
  if (!LogAcceptable(*state, log)) return kSimInvalidHandle;
  *backend = static_cast<QnnBackendHandle>(NewHandleLocked(*state, kBackend, log));
  return QNN_SUCCESS;
}

QnnResult BackendFree(QnnBackendHandle backend) {
  const QnnResult entered =
      EnterCall("backendFree", [&] { return absl::StrCat("backend=", FormatHandle(backend)); });
  if (entered != QNN_SUCCESS) return entered;
  return ReleaseHandle(kBackend, backend) ? QNN_SUCCESS : kSimInvalidHandle;
}

QnnResult BackendGetApiVersion(Library library, QnnApiVersion* version) {
  const QnnResult entered = EnterCall("backendGetApiVersion", {});
  if (entered != QNN_SUCCESS) return entered;
  if (version == nullptr) return kSimInvalidArgument;
  StateGuard state;
  const LibraryConfig& config = state->configs[static_cast<int>(library)];
  *version = QnnApiVersion{config.core, config.backend};
  return QNN_SUCCESS;
}

QnnResult BackendGetBuildId(Library library, const char** build_id) {
  const QnnResult entered = EnterCall("backendGetBuildId", {});
  if (entered != QNN_SUCCESS) return entered;
  if (build_id == nullptr) return kSimInvalidArgument;
  StateGuard state;
  const LibraryConfig& config = state->configs[static_cast<int>(library)];
  *build_id = config.null_build_id ? nullptr : InternText(*state, config.build_id);
  return QNN_SUCCESS;
}

QnnResult BackendRegisterOpPackage(QnnBackendHandle backend, const char* package_path,
                                   const char* interface_provider, const char* target) {
  const QnnResult entered = EnterCall("backendRegisterOpPackage", [&] {
    return absl::StrCat(
        "backend=", FormatHandle(backend), " package_path=", FormatText(package_path),
        " interface_provider=", FormatText(interface_provider), " target=", FormatText(target));
  });
  if (entered != QNN_SUCCESS) return entered;
  if (!IsLive(kBackend, backend)) return kSimInvalidHandle;
  if (package_path == nullptr || interface_provider == nullptr) return kSimInvalidArgument;
  return QNN_SUCCESS;
}

QnnResult DeviceCreate(Library library, QnnLogHandle log, const QnnDeviceConfig** configs,
                       QnnDeviceHandle* device) {
  const QnnResult entered = EnterCall("deviceCreate", [&] {
    return absl::StrCat("log=", FormatHandle(log),
                        " configs=", DeviceConfigsText(library, configs));
  });
  if (entered != QNN_SUCCESS) return entered;
  if (device == nullptr) return kSimInvalidArgument;
  if (configs != nullptr) {
    for (int i = 0; configs[i] != nullptr; ++i) {
      const QnnDeviceConfig& config = *configs[i];
      if (config.option == QNN_DEVICE_CONFIG_OPTION_CUSTOM && config.custom == nullptr) {
        return kSimInvalidArgument;
      }
      if (config.option == QNN_DEVICE_CONFIG_OPTION_PLATFORM_INFO &&
          (config.platform_info == nullptr || (config.platform_info->num_hw_devices > 0 &&
                                               config.platform_info->hw_devices == nullptr))) {
        return kSimInvalidArgument;
      }
    }
  }
  StateGuard state;
  if (!LogAcceptable(*state, log)) return kSimInvalidHandle;
  *device = static_cast<QnnDeviceHandle>(NewHandleLocked(*state, kDevice, log));
  return QNN_SUCCESS;
}

QnnResult DeviceFree(QnnDeviceHandle device) {
  const QnnResult entered =
      EnterCall("deviceFree", [&] { return absl::StrCat("device=", FormatHandle(device)); });
  if (entered != QNN_SUCCESS) return entered;
  return ReleaseHandle(kDevice, device) ? QNN_SUCCESS : kSimInvalidHandle;
}

QnnResult DeviceGetPlatformInfo(QnnLogHandle log, const QnnDevicePlatformInfo** info) {
  const QnnResult entered =
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
  for (uint32_t id : platform.device_ids) {
    storage->devices.push_back(QnnDeviceHardwareInfo{1, id, 0, 1});
  }
  storage->info.version = 1;
  storage->info.num_hw_devices = static_cast<uint32_t>(storage->devices.size());
  storage->info.hw_devices =
      platform.no_device_array || storage->devices.empty() ? nullptr : storage->devices.data();
  const QnnDevicePlatformInfo* record = &storage->info;
  state->handles[reinterpret_cast<uintptr_t>(record)] = HandleRecord{kPlatformInfo, log};
  state->platform_infos[record] = std::move(storage);
  *info = record;
  return QNN_SUCCESS;
}

QnnResult DeviceFreePlatformInfo(QnnLogHandle log, const QnnDevicePlatformInfo* info) {
  const QnnResult entered = EnterCall("deviceFreePlatformInfo", [&] {
    return absl::StrCat("log=", FormatHandle(log), " info=", FormatHandle(info));
  });
  if (entered != QNN_SUCCESS) return entered;
  StateGuard state;
  if (!LogAcceptable(*state, log)) return kSimInvalidHandle;
  if (!ReleaseHandleLocked(*state, kPlatformInfo, info)) return kSimInvalidHandle;
  state->platform_infos.erase(info);
  return QNN_SUCCESS;
}

QnnResult DeviceGetInfrastructure(Library library, QnnDeviceInfrastructure* infrastructure) {
  const QnnResult entered = EnterCall("deviceGetInfrastructure", {});
  if (entered != QNN_SUCCESS) return entered;
  if (infrastructure == nullptr) return kSimInvalidArgument;
  StateGuard state;
  const bool htp = library == Library::kHtp || library == Library::kSaver;
  if (!htp && library != Library::kDsp) return kSimUnsupported;
  if (state->infrastructure.null_infrastructure) {
    *infrastructure = nullptr;
    return QNN_SUCCESS;
  }
  if (htp) {
    *infrastructure = HtpInfrastructureLocked(*state, state->infrastructure.htp_type);
  } else {
    *infrastructure = &kDspInfrastructure;
  }
  return QNN_SUCCESS;
}

QnnResult GraphSetConfig(Library library, QnnGraphHandle graph, const QnnGraphConfig** configs) {
  const QnnResult entered = EnterCall("graphSetConfig", [&] {
    return absl::StrCat("graph=", FormatHandle(graph),
                        " configs=", GraphConfigsText(library, configs));
  });
  if (entered != QNN_SUCCESS) return entered;
  if (!IsLive(kGraph, graph)) return kSimInvalidHandle;
  if (configs == nullptr) return kSimInvalidArgument;
  return QNN_SUCCESS;
}

QnnResult GraphFinalize(QnnGraphHandle graph, QnnProfileHandle profile, QnnSignalHandle signal) {
  const QnnResult entered = EnterCall("graphFinalize", [&] {
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

QnnResult MemDeRegister(const QnnMemHandle* handles, uint32_t count) {
  const QnnResult entered = EnterCall("memDeRegister", [&] {
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
