// Shared inside the simulated QNN: the state lock, call entry (log and
// injected failures), the handle registry, and the functions each area of
// the simulation provides to the function tables.
#ifndef VANTRO_SIM_QNN_SIM_INTERNAL_H_
#define VANTRO_SIM_QNN_SIM_INTERNAL_H_

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "QnnContext.h"
#include "QnnInterface.h"
#include "QnnTypes.h"
#include "Saver/QnnSaver.h"
#include "System/QnnSystemContext.h"
#include "System/QnnSystemInterface.h"
#include "sim/qnn/sim_qnn.h"

namespace vantro::sim::internal {

// Guards all simulation state. The functions declared in this header take
// it themselves: call them without holding it. The context area may guard
// its own state with it too.
std::mutex& StateMutex();

// Called first by every table function and entry point. Records the call
// when the log is on (`detail` is only invoked then) and returns the
// injected result for this occurrence, or QNN_SUCCESS.
Qnn_ErrorHandle_t EnterCall(const char* name, const std::function<std::string()>& detail = {});

// Handle registry: a fresh non-null handle of `kind`, its release (false
// when the handle is not alive), and a liveness check.
void* NewHandle(const char* kind);
bool ReleaseHandle(const char* kind, const void* handle);
bool IsLive(const char* kind, const void* handle);

// Handles may have an owner (a graph its context, a context its backend), so
// an area can check or release what belongs to a handle. NewHandle with an
// owner; RegisterHandle adopts a real address (a record the caller reads)
// and returns false when it is live already; HandleOwner is null for a
// handle that is not alive or has no owner.
void* NewHandle(const char* kind, const void* owner);
bool RegisterHandle(const char* kind, const void* handle, const void* owner = nullptr);
const void* HandleOwner(const char* kind, const void* handle);
std::vector<const void*> LiveHandlesOwnedBy(const char* kind, const void* owner);

// Numeric handles (power-config ids): never 0, never reused.
uint32_t NewId(const char* kind);
bool ReleaseId(const char* kind, uint32_t id);
bool IsLiveId(const char* kind, uint32_t id);

// Text forms shared by the call-log details: "null" or "0x<hex>", and a
// quoted, C-escaped text or "null".
std::string FormatHandle(const void* handle);
std::string FormatText(const char* text);

// Milliseconds since Reset() (or since first use).
double ElapsedMs();

// The provider list of a backend library as its current settings give it.
const QnnInterface_t* const* Providers(Library library, uint32_t* count);

// Called by the thin libraries when they are loaded and unloaded.
extern "C" VANTRO_SIM_QNN_API void VantroSimQnnLibraryLoaded(const char* file_name);
extern "C" VANTRO_SIM_QNN_API void VantroSimQnnLibraryUnloaded(const char* file_name);

// Entry points forwarded by the thin libraries.
extern "C" VANTRO_SIM_QNN_API Qnn_ErrorHandle_t VantroSimQnnGetProviders(
    int library, const QnnInterface_t*** providers, uint32_t* count);
extern "C" VANTRO_SIM_QNN_API Qnn_ErrorHandle_t VantroSimQnnGetSystemProviders(
    const QnnSystemInterface_t*** providers, uint32_t* count);
extern "C" VANTRO_SIM_QNN_API Qnn_ErrorHandle_t VantroSimQnnSaverInitialize(
    const QnnSaver_Config_t** configs);

// ---- Context binaries, graphs and execution (sim_context_binary.cc,
// sim_graph.cc). The core table points at these.
Qnn_ErrorHandle_t SystemContextCreate(QnnSystemContext_Handle_t* context);
Qnn_ErrorHandle_t SystemContextGetBinaryInfo(QnnSystemContext_Handle_t context, void* binary,
                                             uint64_t binary_size,
                                             const QnnSystemContext_BinaryInfo_t** info,
                                             Qnn_ContextBinarySize_t* info_size);
Qnn_ErrorHandle_t SystemContextFree(QnnSystemContext_Handle_t context);
Qnn_ErrorHandle_t ContextCreateFromBinary(Qnn_BackendHandle_t backend, Qnn_DeviceHandle_t device,
                                          const QnnContext_Config_t** configs, const void* binary,
                                          Qnn_ContextBinarySize_t binary_size,
                                          Qnn_ContextHandle_t* context,
                                          Qnn_ProfileHandle_t profile);
Qnn_ErrorHandle_t ContextFree(Qnn_ContextHandle_t context, Qnn_ProfileHandle_t profile);
Qnn_ErrorHandle_t GraphRetrieve(Qnn_ContextHandle_t context, const char* graph_name,
                                Qnn_GraphHandle_t* graph);
Qnn_ErrorHandle_t GraphExecute(Qnn_GraphHandle_t graph, const Qnn_Tensor_t* inputs,
                               uint32_t num_inputs, Qnn_Tensor_t* outputs, uint32_t num_outputs,
                               Qnn_ProfileHandle_t profile, Qnn_SignalHandle_t signal);
// Settings of that area, reset by Reset(). These three are called without
// StateMutex held (from Reset() and the scenario file) and must take no
// function of this header but StateMutex().
void ResetContextArea();
void SetBinaryInfoVersionsImpl(uint32_t binary_info_version, uint32_t graph_info_version);
void SetExecutionEnabledImpl(bool enabled);

}  // namespace vantro::sim::internal

#endif  // VANTRO_SIM_QNN_SIM_INTERNAL_H_
