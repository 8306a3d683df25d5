// The core's table functions (sim_backend.cc, sim_profile.cc), gathered by
// sim_core_table.cc into one core table per library. Functions whose answer
// or record decoding depends on the library take it first. Parameters are
// those of QNN's published function types.
#ifndef VANTRO_SIM_QNN_SIM_CORE_FUNCTIONS_H_
#define VANTRO_SIM_QNN_SIM_CORE_FUNCTIONS_H_

#include <cstdint>

#include "QnnInterface.h"
#include "sim/qnn/sim_qnn.h"

namespace vantro::sim::internal {

// The core table type of the headers in use (ours name it
// QnnInterface_ImplementationV2_32_t; a newer SDK's carries more members).
using CoreTable = decltype(QnnInterface_t::QNN_INTERFACE_VER_NAME);

// The function table of one backend library, with or without the
// capability query. Members the simulation does not implement are null.
CoreTable CoreTableFor(Library library, bool capability_query);

// sim_backend.cc
Qnn_ErrorHandle_t PropertyHasCapability(QnnProperty_Key_t key);
Qnn_ErrorHandle_t LogCreate(QnnLog_Callback_t callback, QnnLog_Level_t level,
                            Qnn_LogHandle_t* log);
Qnn_ErrorHandle_t LogFree(Qnn_LogHandle_t log);
Qnn_ErrorHandle_t BackendCreate(Library library, Qnn_LogHandle_t log,
                                const QnnBackend_Config_t** configs,
                                Qnn_BackendHandle_t* backend);
Qnn_ErrorHandle_t BackendFree(Qnn_BackendHandle_t backend);
Qnn_ErrorHandle_t BackendGetApiVersion(Library library, Qnn_ApiVersion_t* version);
Qnn_ErrorHandle_t BackendGetBuildId(Library library, const char** build_id);
Qnn_ErrorHandle_t BackendRegisterOpPackage(Qnn_BackendHandle_t backend, const char* package_path,
                                           const char* interface_provider, const char* target);
Qnn_ErrorHandle_t DeviceCreate(Library library, Qnn_LogHandle_t log,
                               const QnnDevice_Config_t** configs, Qnn_DeviceHandle_t* device);
Qnn_ErrorHandle_t DeviceFree(Qnn_DeviceHandle_t device);
Qnn_ErrorHandle_t DeviceGetPlatformInfo(Qnn_LogHandle_t log,
                                        const QnnDevice_PlatformInfo_t** info);
Qnn_ErrorHandle_t DeviceFreePlatformInfo(Qnn_LogHandle_t log,
                                         const QnnDevice_PlatformInfo_t* info);
// QNN's out parameter is declared const; the answer is written through it.
Qnn_ErrorHandle_t DeviceGetInfrastructure(Library library,
                                          const QnnDevice_Infrastructure_t* infrastructure);
Qnn_ErrorHandle_t GraphSetConfig(Library library, Qnn_GraphHandle_t graph,
                                 const QnnGraph_Config_t** configs);
Qnn_ErrorHandle_t GraphFinalize(Qnn_GraphHandle_t graph, Qnn_ProfileHandle_t profile,
                                Qnn_SignalHandle_t signal);
Qnn_ErrorHandle_t MemDeRegister(const Qnn_MemHandle_t* handles, uint32_t count);

// sim_profile.cc
Qnn_ErrorHandle_t ProfileCreate(Qnn_BackendHandle_t backend, QnnProfile_Level_t level,
                                Qnn_ProfileHandle_t* profile);
Qnn_ErrorHandle_t ProfileGetEvents(Qnn_ProfileHandle_t profile,
                                   const QnnProfile_EventId_t** events, uint32_t* num_events);
Qnn_ErrorHandle_t ProfileGetSubEvents(QnnProfile_EventId_t event,
                                      const QnnProfile_EventId_t** events, uint32_t* num_events);
Qnn_ErrorHandle_t ProfileGetEventData(QnnProfile_EventId_t event, QnnProfile_EventData_t* data);
Qnn_ErrorHandle_t ProfileFree(Qnn_ProfileHandle_t profile);

}  // namespace vantro::sim::internal

#endif  // VANTRO_SIM_QNN_SIM_CORE_FUNCTIONS_H_
