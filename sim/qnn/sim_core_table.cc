// The function tables and provider lists the simulated libraries hand out.
// Each backend library gets its own table, so a call knows which library it
// came through; HTP and DSP differ in their performance infrastructure, the
// saver behaves like HTP. Provider lists are built once per distinct
// setting and kept for the life of the process, because the plug-in reads
// them without any lock long after the query.
#include <cstdint>
#include <string>

#include "absl/strings/str_format.h"
#include "sim/qnn/sim_core_functions.h"
#include "sim/qnn/sim_internal.h"
#include "sim/qnn/sim_state.h"

namespace vantro::sim::internal {
namespace {

template <Library kLibrary>
QnnCoreApi MakeCoreApi() {
  QnnCoreApi api{};
  api.propertyHasCapability = &PropertyHasCapability;
  api.logCreate = &LogCreate;
  api.logFree = &LogFree;
  api.backendCreate = [](QnnLogHandle log, const QnnBackendConfig** configs,
                         QnnBackendHandle* backend) {
    return BackendCreate(kLibrary, log, configs, backend);
  };
  api.backendFree = &BackendFree;
  api.backendGetApiVersion = [](QnnApiVersion* version) {
    return BackendGetApiVersion(kLibrary, version);
  };
  api.backendGetBuildId = [](const char** build_id) {
    return BackendGetBuildId(kLibrary, build_id);
  };
  api.backendRegisterOpPackage = &BackendRegisterOpPackage;
  api.deviceCreate = [](QnnLogHandle log, const QnnDeviceConfig** configs,
                        QnnDeviceHandle* device) {
    return DeviceCreate(kLibrary, log, configs, device);
  };
  api.deviceFree = &DeviceFree;
  api.deviceGetPlatformInfo = &DeviceGetPlatformInfo;
  api.deviceFreePlatformInfo = &DeviceFreePlatformInfo;
  api.deviceGetInfrastructure = [](QnnDeviceInfrastructure* infrastructure) {
    return DeviceGetInfrastructure(kLibrary, infrastructure);
  };
  api.contextCreateFromBinary = &ContextCreateFromBinary;
  api.contextFree = &ContextFree;
  api.graphRetrieve = &GraphRetrieve;
  api.graphSetConfig = [](QnnGraphHandle graph, const QnnGraphConfig** configs) {
    return GraphSetConfig(kLibrary, graph, configs);
  };
  api.graphFinalize = &GraphFinalize;
  api.graphExecute = &GraphExecute;
  api.profileCreate = &ProfileCreate;
  api.profileGetEvents = &ProfileGetEvents;
  api.profileGetSubEvents = &ProfileGetSubEvents;
  api.profileGetEventData = &ProfileGetEventData;
  api.profileFree = &ProfileFree;
  api.memDeRegister = &MemDeRegister;
  return api;
}

const char* ProviderName(Library library) {
  switch (library) {
    case Library::kSystem:
      return "VantroSim_QnnSystem";
    case Library::kHtp:
      return "VantroSim_QnnHtp";
    case Library::kDsp:
      return "VantroSim_QnnDsp";
    case Library::kGpu:
      return "VantroSim_QnnGpu";
    case Library::kIr:
      return "VantroSim_QnnIr";
    case Library::kLpai:
      return "VantroSim_QnnLpai";
    case Library::kSaver:
      return "VantroSim_QnnSaver";
  }
  return "";
}

bool SameVersion(const QnnVersion& a, const QnnVersion& b) {
  return a.major == b.major && a.minor == b.minor && a.patch == b.patch;
}

// The list for the library's current settings, shared with earlier queries
// that saw the same settings. The caller holds the lock.
ProviderSet& ProviderSetLocked(SimState& state, Library library) {
  const LibraryConfig& config = state.configs[static_cast<int>(library)];
  const uint32_t count = config.provider_count > 2 ? 2 : config.provider_count;
  for (ProviderSet& set : state.provider_sets) {
    if (set.library == library && SameVersion(set.core, config.core) &&
        SameVersion(set.backend, config.backend) && set.count == count &&
        set.null_first == config.null_provider &&
        set.capability_query == state.capability_query) {
      return set;
    }
  }
  ProviderSet& set = state.provider_sets.emplace_back();
  set.library = library;
  set.core = config.core;
  set.backend = config.backend;
  set.count = count;
  set.null_first = config.null_provider;
  set.capability_query = state.capability_query;
  for (QnnInterfaceProvider& record : set.records) {
    record.provider_name = ProviderName(library);
    record.api_version = QnnApiVersion{config.core, config.backend};
    record.api = CoreApiFor(library, state.capability_query);
  }
  for (uint32_t i = 0; i < count; ++i) set.list[i] = &set.records[i];
  if (set.null_first) set.list[0] = nullptr;
  return set;
}

QnnSystemApi SystemApiTable() {
  QnnSystemApi api{};
  api.systemContextCreate = &SystemContextCreate;
  api.systemContextGetBinaryInfo = &SystemContextGetBinaryInfo;
  api.systemContextFree = &SystemContextFree;
  return api;
}

SystemProviderSet& SystemProviderSetLocked(SimState& state) {
  const LibraryConfig& config = state.configs[static_cast<int>(Library::kSystem)];
  const uint32_t count = config.provider_count > 2 ? 2 : config.provider_count;
  for (SystemProviderSet& set : state.system_provider_sets) {
    if (SameVersion(set.version, config.core) && set.count == count &&
        set.null_first == config.null_provider) {
      return set;
    }
  }
  SystemProviderSet& set = state.system_provider_sets.emplace_back();
  set.version = config.core;
  set.count = count;
  set.null_first = config.null_provider;
  for (QnnSystemInterfaceProvider& record : set.records) {
    record.provider_name = ProviderName(Library::kSystem);
    record.system_api_version = config.core;
    record.api = SystemApiTable();
  }
  for (uint32_t i = 0; i < count; ++i) set.list[i] = &set.records[i];
  if (set.null_first) set.list[0] = nullptr;
  return set;
}

bool IsBackendLibrary(int library) {
  return library >= static_cast<int>(Library::kHtp) &&
         library <= static_cast<int>(Library::kSaver);
}

}  // namespace

QnnCoreApi CoreApiFor(Library library, bool capability_query) {
  QnnCoreApi api{};
  switch (library) {
    case Library::kHtp:
      api = MakeCoreApi<Library::kHtp>();
      break;
    case Library::kDsp:
      api = MakeCoreApi<Library::kDsp>();
      break;
    case Library::kGpu:
      api = MakeCoreApi<Library::kGpu>();
      break;
    case Library::kIr:
      api = MakeCoreApi<Library::kIr>();
      break;
    case Library::kLpai:
      api = MakeCoreApi<Library::kLpai>();
      break;
    case Library::kSaver:
      api = MakeCoreApi<Library::kSaver>();
      break;
    case Library::kSystem:
      return api;  // the system library has no core table
  }
  if (!capability_query) api.propertyHasCapability = nullptr;
  return api;
}

const QnnInterfaceProvider* const* Providers(Library library, uint32_t* count) {
  if (!IsBackendLibrary(static_cast<int>(library))) {
    if (count != nullptr) *count = 0;
    return nullptr;
  }
  StateGuard state;
  ProviderSet& set = ProviderSetLocked(*state, library);
  if (count != nullptr) *count = set.count;
  return set.list.data();
}

extern "C" QnnResult VantroSimQnnGetProviders(int library,
                                              const QnnInterfaceProvider*** providers,
                                              uint32_t* count) {
  const char* file_name =
      IsBackendLibrary(library) ? LibraryFileName(static_cast<Library>(library)) : "?";
  const QnnResult entered =
      EnterCall(QNN_INTERFACE_GET_PROVIDERS_NAME, [&] { return std::string(file_name); });
  if (entered != QNN_SUCCESS) return entered;
  if (!IsBackendLibrary(library)) return kSimUnsupported;
  if (providers == nullptr || count == nullptr) return kSimInvalidArgument;
  StateGuard state;
  const LibraryConfig& config = state->configs[library];
  if (config.get_providers_result != QNN_SUCCESS) return config.get_providers_result;
  ProviderSet& set = ProviderSetLocked(*state, static_cast<Library>(library));
  *providers = set.list.data();
  *count = set.count;
  return QNN_SUCCESS;
}

extern "C" QnnResult VantroSimQnnGetSystemProviders(const QnnSystemInterfaceProvider*** providers,
                                                    uint32_t* count) {
  const QnnResult entered = EnterCall(QNN_SYSTEM_INTERFACE_GET_PROVIDERS_NAME, [] {
    return std::string(LibraryFileName(Library::kSystem));
  });
  if (entered != QNN_SUCCESS) return entered;
  if (providers == nullptr || count == nullptr) return kSimInvalidArgument;
  StateGuard state;
  const LibraryConfig& config = state->configs[static_cast<int>(Library::kSystem)];
  if (config.get_providers_result != QNN_SUCCESS) return config.get_providers_result;
  SystemProviderSet& set = SystemProviderSetLocked(*state);
  *providers = set.list.data();
  *count = set.count;
  return QNN_SUCCESS;
}

}  // namespace vantro::sim::internal
