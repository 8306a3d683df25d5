// The core's table functions (sim_backend.cc, sim_profile.cc), gathered by
// sim_core_table.cc into one QnnCoreApi per library. Functions whose answer
// or record decoding depends on the library take it first.
#ifndef VANTRO_SIM_QNN_SIM_CORE_FUNCTIONS_H_
#define VANTRO_SIM_QNN_SIM_CORE_FUNCTIONS_H_

#include <cstdint>

#include "sim/qnn/sim_qnn.h"
#include "vendors/qualcomm/qnn_api/qnn_api.h"

namespace vantro::sim::internal {

// The function table of one backend library, with or without the
// capability query.
QnnCoreApi CoreApiFor(Library library, bool capability_query);

// sim_backend.cc
QnnResult PropertyHasCapability(uint32_t key);
QnnResult LogCreate(QnnLogCallback callback, uint32_t level, QnnLogHandle* log);
QnnResult LogFree(QnnLogHandle log);
QnnResult BackendCreate(Library library, QnnLogHandle log, const QnnBackendConfig** configs,
                        QnnBackendHandle* backend);
QnnResult BackendFree(QnnBackendHandle backend);
QnnResult BackendGetApiVersion(Library library, QnnApiVersion* version);
QnnResult BackendGetBuildId(Library library, const char** build_id);
QnnResult BackendRegisterOpPackage(QnnBackendHandle backend, const char* package_path,
                                   const char* interface_provider, const char* target);
QnnResult DeviceCreate(Library library, QnnLogHandle log, const QnnDeviceConfig** configs,
                       QnnDeviceHandle* device);
QnnResult DeviceFree(QnnDeviceHandle device);
QnnResult DeviceGetPlatformInfo(QnnLogHandle log, const QnnDevicePlatformInfo** info);
QnnResult DeviceFreePlatformInfo(QnnLogHandle log, const QnnDevicePlatformInfo* info);
QnnResult DeviceGetInfrastructure(Library library, QnnDeviceInfrastructure* infrastructure);
QnnResult GraphSetConfig(Library library, QnnGraphHandle graph, const QnnGraphConfig** configs);
QnnResult GraphFinalize(QnnGraphHandle graph, QnnProfileHandle profile, QnnSignalHandle signal);
QnnResult MemDeRegister(const QnnMemHandle* handles, uint32_t count);

// sim_profile.cc
QnnResult ProfileCreate(QnnBackendHandle backend, uint32_t level, QnnProfileHandle* profile);
QnnResult ProfileGetEvents(QnnProfileHandle profile, const QnnProfileEventId** events,
                           uint32_t* num_events);
QnnResult ProfileGetSubEvents(QnnProfileEventId event, const QnnProfileEventId** events,
                              uint32_t* num_events);
QnnResult ProfileGetEventData(QnnProfileEventId event, QnnProfileEventData* data);
QnnResult ProfileFree(QnnProfileHandle profile);

}  // namespace vantro::sim::internal

#endif  // VANTRO_SIM_QNN_SIM_CORE_FUNCTIONS_H_
