// Results the simulated QNN's context area (system contexts, contexts from
// binaries, graphs and execution) answers with when it refuses a call on
// its own, beside kSimInvalidHandle and kSimInvalidArgument of sim_qnn.h.
#ifndef VANTRO_SIM_QNN_SIM_CONTEXT_AREA_H_
#define VANTRO_SIM_QNN_SIM_CONTEXT_AREA_H_

#include "QnnCommon.h"

namespace vantro::sim {

// The bytes are not a simulated context binary the simulation can load.
inline constexpr Qnn_ErrorHandle_t kSimBadContextBinary = 0x5201;
// graphRetrieve: the context holds no graph of that name.
inline constexpr Qnn_ErrorHandle_t kSimGraphNotFound = 0x5202;
// graphExecute: a tensor is not one of the graph's, or is listed twice, or
// the tensor counts differ from the graph's.
inline constexpr Qnn_ErrorHandle_t kSimTensorMismatch = 0x5203;
// graphExecute: a tensor has no usable buffer (memory type not raw, null
// data, a buffer smaller than the tensor, or a record version QNN does not
// know).
inline constexpr Qnn_ErrorHandle_t kSimTensorUnusable = 0x5204;

}  // namespace vantro::sim

#endif  // VANTRO_SIM_QNN_SIM_CONTEXT_AREA_H_
