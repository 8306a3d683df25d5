// The DSP backend's device infrastructure: what deviceGetInfrastructure
// hands out on DSP, its power-voting functions. Defines the core's
// backend-specific infrastructure struct, so it cannot share a translation
// unit with another backend's device header.
#ifndef VANTRO_QNN_API_DSP_QNN_DSP_DEVICE_H_
#define VANTRO_QNN_API_DSP_QNN_DSP_DEVICE_H_

#include "DSP/QnnDspPerfInfrastructure.h"
#include "QnnDevice.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _QnnDevice_Infrastructure_t {
  QnnDspPerfInfrastructure_CreatePowerConfigIdFn_t createPowerConfigId;
  QnnDspPerfInfrastructure_DestroyPowerConfigIdFn_t destroyPowerConfigId;
  QnnDspPerfInfrastructure_SetPowerConfigFn_t setPowerConfig;
  QnnDspPerfInfrastructure_SetMemoryConfigFn_t setMemoryConfig;
  QnnDspPerfInfrastructure_SetThreadConfigFn_t setThreadConfig;
} QnnDspDevice_Infrastructure_t;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_DSP_QNN_DSP_DEVICE_H_
