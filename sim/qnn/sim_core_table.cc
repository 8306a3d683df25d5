// The function tables and provider records the simulated libraries hand
// out: QNN's QnnInterface_t and QnnSystemInterface_t with the table of the
// headers in use, in QNN's member order; members the simulation does not
// implement stay null. Each backend library gets its own table, so a call
// knows which library it came through; HTP and DSP differ in their
// performance infrastructure, the saver behaves like HTP. Provider lists
// are built once per distinct setting and kept for the life of the
// process, because the plug-in reads them without any lock long after the
// query.
#include <cstdint>
#include <string>

#include "GPU/QnnGpuCommon.h"
#include "IR/QnnIrCommon.h"
#include "QnnInterface.h"
#include "System/QnnSystemInterface.h"
#include "sim/qnn/sim_backend_ids.h"
#include "sim/qnn/sim_core_functions.h"
#include "sim/qnn/sim_internal.h"
#include "sim/qnn/sim_state.h"

namespace vantro::sim::internal {
namespace {

// The HTP, DSP and LPAI ids are checked where their headers are included.
static_assert(kGpuBackendId == QNN_BACKEND_ID_GPU, "the GPU provider's backend id");
static_assert(kIrBackendId == QNN_BACKEND_ID_IR, "the IR provider's backend id");

using SystemTable = decltype(QnnSystemInterface_t::QNN_SYSTEM_INTERFACE_VER_NAME);

template <Library kLibrary>
CoreTable MakeCoreTable() {
  CoreTable table{};
  table.propertyHasCapability = &PropertyHasCapability;
  table.logCreate = &LogCreate;
  table.logFree = &LogFree;
  table.backendCreate = [](Qnn_LogHandle_t log, const QnnBackend_Config_t** configs,
                           Qnn_BackendHandle_t* backend) {
    return BackendCreate(kLibrary, log, configs, backend);
  };
  table.backendFree = &BackendFree;
  table.backendGetApiVersion = [](Qnn_ApiVersion_t* version) {
    return BackendGetApiVersion(kLibrary, version);
  };
  table.backendGetBuildId = [](const char** build_id) {
    return BackendGetBuildId(kLibrary, build_id);
  };
  table.backendRegisterOpPackage = &BackendRegisterOpPackage;
  table.deviceCreate = [](Qnn_LogHandle_t log, const QnnDevice_Config_t** configs,
                          Qnn_DeviceHandle_t* device) {
    return DeviceCreate(kLibrary, log, configs, device);
  };
  table.deviceFree = &DeviceFree;
  table.deviceGetPlatformInfo = &DeviceGetPlatformInfo;
  table.deviceFreePlatformInfo = &DeviceFreePlatformInfo;
  table.deviceGetInfrastructure = [](const QnnDevice_Infrastructure_t* infrastructure) {
    return DeviceGetInfrastructure(kLibrary, infrastructure);
  };
  table.contextCreateFromBinary = &ContextCreateFromBinary;
  table.contextFree = &ContextFree;
  table.graphRetrieve = &GraphRetrieve;
  table.graphSetConfig = [](Qnn_GraphHandle_t graph, const QnnGraph_Config_t** configs) {
    return GraphSetConfig(kLibrary, graph, configs);
  };
  table.graphFinalize = &GraphFinalize;
  table.graphExecute = &GraphExecute;
  table.profileCreate = &ProfileCreate;
  table.profileGetEvents = &ProfileGetEvents;
  table.profileGetSubEvents = &ProfileGetSubEvents;
  table.profileGetEventData = &ProfileGetEventData;
  table.profileFree = &ProfileFree;
  table.memDeRegister = &MemDeRegister;
  return table;
}

// What each library's provider records carry as their backend id.
uint32_t BackendIdOf(Library library) {
  switch (library) {
    case Library::kHtp:
      return kHtpBackendId;
    case Library::kDsp:
      return kDspBackendId;
    case Library::kGpu:
      return kGpuBackendId;
    case Library::kIr:
      return kIrBackendId;
    case Library::kLpai:
      return kLpaiBackendId;
    case Library::kSaver:
      return kSaverBackendId;
    case Library::kSystem:
      break;
  }
  return QNN_BACKEND_ID_NULL;  // the system library names no backend
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

bool SameVersion(const Qnn_Version_t& a, const Qnn_Version_t& b) {
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
  for (QnnInterface_t& record : set.records) {
    record.backendId = BackendIdOf(library);
    record.providerName = ProviderName(library);
    record.apiVersion = Qnn_ApiVersion_t{config.core, config.backend};
    record.QNN_INTERFACE_VER_NAME = CoreTableFor(library, state.capability_query);
  }
  for (uint32_t i = 0; i < count; ++i) set.list[i] = &set.records[i];
  if (set.null_first) set.list[0] = nullptr;
  return set;
}

SystemTable MakeSystemTable() {
  SystemTable table{};
  table.systemContextCreate = &SystemContextCreate;
  table.systemContextGetBinaryInfo = &SystemContextGetBinaryInfo;
  table.systemContextFree = &SystemContextFree;
  return table;
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
  for (QnnSystemInterface_t& record : set.records) {
    record.backendId = BackendIdOf(Library::kSystem);
    record.providerName = ProviderName(Library::kSystem);
    record.systemApiVersion = config.core;
    record.QNN_SYSTEM_INTERFACE_VER_NAME = MakeSystemTable();
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

CoreTable CoreTableFor(Library library, bool capability_query) {
  CoreTable table{};
  switch (library) {
    case Library::kHtp:
      table = MakeCoreTable<Library::kHtp>();
      break;
    case Library::kDsp:
      table = MakeCoreTable<Library::kDsp>();
      break;
    case Library::kGpu:
      table = MakeCoreTable<Library::kGpu>();
      break;
    case Library::kIr:
      table = MakeCoreTable<Library::kIr>();
      break;
    case Library::kLpai:
      table = MakeCoreTable<Library::kLpai>();
      break;
    case Library::kSaver:
      table = MakeCoreTable<Library::kSaver>();
      break;
    case Library::kSystem:
      return table;  // the system library has no core table
  }
  if (!capability_query) table.propertyHasCapability = nullptr;
  return table;
}

const QnnInterface_t* const* Providers(Library library, uint32_t* count) {
  if (!IsBackendLibrary(static_cast<int>(library))) {
    if (count != nullptr) *count = 0;
    return nullptr;
  }
  StateGuard state;
  ProviderSet& set = ProviderSetLocked(*state, library);
  if (count != nullptr) *count = set.count;
  return set.list.data();
}

extern "C" Qnn_ErrorHandle_t VantroSimQnnGetProviders(int library,
                                                      const QnnInterface_t*** providers,
                                                      uint32_t* count) {
  const char* file_name =
      IsBackendLibrary(library) ? LibraryFileName(static_cast<Library>(library)) : "?";
  const Qnn_ErrorHandle_t entered =
      EnterCall("QnnInterface_getProviders", [&] { return std::string(file_name); });
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

extern "C" Qnn_ErrorHandle_t VantroSimQnnGetSystemProviders(
    const QnnSystemInterface_t*** providers, uint32_t* count) {
  const Qnn_ErrorHandle_t entered = EnterCall("QnnSystemInterface_getProviders", [] {
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
