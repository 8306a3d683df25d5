// The performance infrastructures deviceGetInfrastructure hands out: the
// HTP record (sim_infrastructure_htp.cc) and the DSP record
// (sim_infrastructure_dsp.cc). QNN's HTP and DSP headers define
// QnnDevice_Infrastructure_t's struct differently, so each lives in its own
// translation unit and the rest of the simulation sees only the opaque
// pointer.
#ifndef VANTRO_SIM_QNN_SIM_INFRASTRUCTURES_H_
#define VANTRO_SIM_QNN_SIM_INFRASTRUCTURES_H_

#include <cstdint>

#include "QnnDevice.h"
#include "sim/qnn/sim_qnn.h"

namespace vantro::sim::internal {

// The HTP record with `infra_type` as its type word, one per word asked
// for and kept for the life of the process (the plug-in keeps the pointer
// as long as its controller lives). The caller holds StateMutex.
QnnDevice_Infrastructure_t HtpInfrastructureLocked(uint32_t infra_type);

// The DSP record; it never changes.
QnnDevice_Infrastructure_t DspInfrastructure();

// Shared by both records (sim_backend.cc): destroyPowerConfigId, logged
// with the infrastructure's name ("htp", "dsp"), and the keeping of a
// successful setPowerConfig call for PowerConfigCalls(), stamped with the
// time since Reset().
Qnn_ErrorHandle_t DestroyPowerConfigId(const char* infrastructure, uint32_t id);
void RecordPowerCall(PowerConfigCall call);

}  // namespace vantro::sim::internal

#endif  // VANTRO_SIM_QNN_SIM_INFRASTRUCTURES_H_
