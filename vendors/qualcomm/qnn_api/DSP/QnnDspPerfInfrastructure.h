// The DSP backend's power voting: one-word power-config records (DCVS,
// sleep, voltage corners, RPC settings) applied to a power-config id, and
// its memory and thread settings.
#ifndef VANTRO_QNN_API_DSP_QNN_DSP_PERF_INFRASTRUCTURE_H_
#define VANTRO_QNN_API_DSP_QNN_DSP_PERF_INFRASTRUCTURE_H_

#include "QnnCommon.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_DSP_PERF_INFRASTRUCTURE_MIN_ERROR = QNN_MIN_ERROR_PERF_INFRASTRUCTURE,
  QNN_DSP_PERF_INFRASTRUCTURE_NO_ERROR = QNN_SUCCESS,
  QNN_DSP_PERF_INFRASTRUCTURE_ERROR_INVALID_HANDLE_PTR = QNN_MIN_ERROR_PERF_INFRASTRUCTURE + 0,
  QNN_DSP_PERF_INFRASTRUCTURE_ERROR_INVALID_INPUT = QNN_MIN_ERROR_PERF_INFRASTRUCTURE + 1,
  QNN_DSP_PERF_INFRASTRUCTURE_ERROR_UNSUPPORTED_CONFIG = QNN_MIN_ERROR_PERF_INFRASTRUCTURE + 2,
  QNN_DSP_PERF_INFRASTRUCTURE_ERROR_TRANSPORT = QNN_MIN_ERROR_PERF_INFRASTRUCTURE + 3,
  QNN_DSP_PERF_INFRASTRUCTURE_ERROR_UNSUPPORTED = QNN_MIN_ERROR_PERF_INFRASTRUCTURE + 4,
  QNN_DSP_PERF_INFRASTRUCTURE_ERROR_FAILED = QNN_MIN_ERROR_PERF_INFRASTRUCTURE + 5,
  QNN_DSP_PERF_INFRASTRUCTURE_MAX_ERROR = QNN_MAX_ERROR_PERF_INFRASTRUCTURE,
  QNN_DSP_PERF_INFRASTRUCTURE_ERROR_UNDEFINED = 0x7FFFFFFF
} QnnDspPerfInfrastructure_Error_t;

// The longest RPC polling time, in microseconds.
#define QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIG_MAX_RPC_POLLING_TIME 9999

typedef uint32_t QnnDspPerfInfrastructure_DcvsEnable_t;
typedef uint32_t QnnDspPerfInfrastructure_SleepLatency_t;
typedef uint32_t QnnDspPerfInfrastructure_SleepDisable_t;
typedef uint32_t QnnDspPerfInfrastructure_VoltageCorner_t;
typedef uint32_t QnnDspPerfInfrastructure_RpcControlLatency_t;
typedef uint32_t QnnDspPerfInfrastructure_RpcPollingTime_t;
typedef uint32_t QnnDspPerfInfrastructure_HmxTimeoutIntervalUs_t;
typedef uint32_t QnnDspPerfInfrastructure_MemGrowSize_t;
typedef uint32_t QnnDspPerfInfrastructure_VtcmSize_t;
typedef uint32_t QnnDspPerfInfrastructure_HvxThreadNumber_t;

typedef enum {
  QNN_DSP_PERF_INFRASTRUCTURE_POWERMODE_ADJUST_UP_DOWN = 0x1,
  QNN_DSP_PERF_INFRASTRUCTURE_POWERMODE_ADJUST_ONLY_UP = 0x2,
  QNN_DSP_PERF_INFRASTRUCTURE_POWERMODE_POWER_SAVER_MODE = 0x4,
  QNN_DSP_PERF_INFRASTRUCTURE_POWERMODE_POWER_SAVER_AGGRESSIVE_MODE = 0x8,
  QNN_DSP_PERF_INFRASTRUCTURE_POWERMODE_PERFORMANCE_MODE = 0x10,
  QNN_DSP_PERF_INFRASTRUCTURE_POWERMODE_DUTY_CYCLE_MODE = 0x20,
  QNN_DSP_PERF_INFRASTRUCTURE_POWERMODE_UNKNOWN = 0x7FFFFFFF
} QnnDspPerfInfrastructure_PowerMode_t;

typedef enum {
  QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_ENABLE = 1,
  QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_SLEEP_LATENCY = 2,
  QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_SLEEP_DISABLE = 3,
  QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_POWER_MODE = 4,
  QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_VOLTAGE_CORNER = 5,
  QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_BUS_VOLTAGE_CORNER = 6,
  QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_CORE_VOLTAGE_CORNER = 7,
  QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_RPC_CONTROL_LATENCY = 9,
  QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_RPC_POLLING_TIME = 10,
  QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_HMX_TIMEOUT_INTERVAL_US = 11,
  QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_UNKNOWN = 0x7FFFFFFF
} QnnDspPerfInfrastructure_PowerConfigOption_t;

typedef enum {
  QNN_DSP_PERF_INFRASTRUCTURE_MEMORY_CONFIGOPTION_GROW_SIZE = 1,
  QNN_DSP_PERF_INFRASTRUCTURE_MEMORY_CONFIGOPTION_VTCM_SIZE = 2,
  QNN_DSP_PERF_INFRASTRUCTURE_MEMORY_CONFIGOPTION_VTCM_USAGE_FACTOR = 3,
  QNN_DSP_PERF_INFRASTRUCTURE_MEMORY_CONFIGOPTION_UNKNOWN = 0x7FFFFFFF
} QnnDspPerfInfrastructure_MemoryConfigOption_t;

typedef enum {
  QNN_DSP_PERF_INFRASTRUCTURE_THREAD_CONFIGOPTION_NUMBER_OF_HVX_THREADS = 1,
  QNN_DSP_PERF_INFRASTRUCTURE_THREAD_CONFIGOPTION_UNKNOWN = 0x7FFFFFFF
} QnnDspPerfInfrastructure_ThreadConfigOption_t;

typedef enum {
  QNN_DSP_PERF_INFRASTRUCTURE_VTCM_USE_FULL = 1,
  QNN_DSP_PERF_INFRASTRUCTURE_VTCM_USE_MIN = 2,
  QNN_DSP_PERF_INFRASTRUCTURE_VTCM_USE_UNKNOWN = 0x7FFFFFFF
} QnnDspPerfInfrastructure_VtcmUsageFactor_t;

// One power-config record: the option (named `config` here) says which
// one-word member is valid.
typedef struct {
  QnnDspPerfInfrastructure_PowerConfigOption_t config;
  union {
    QnnDspPerfInfrastructure_DcvsEnable_t dcvsEnableConfig;
    QnnDspPerfInfrastructure_SleepLatency_t sleepLatencyConfig;
    QnnDspPerfInfrastructure_SleepDisable_t sleepDisableConfig;
    QnnDspPerfInfrastructure_PowerMode_t dcvsPowerModeConfig;
    QnnDspPerfInfrastructure_VoltageCorner_t dcvsVoltageCornerMinConfig;
    QnnDspPerfInfrastructure_VoltageCorner_t dcvsVoltageCornerTargetConfig;
    QnnDspPerfInfrastructure_VoltageCorner_t dcvsVoltageCornerMaxConfig;
    QnnDspPerfInfrastructure_VoltageCorner_t busVoltageCornerMinConfig;
    QnnDspPerfInfrastructure_VoltageCorner_t busVoltageCornerTargetConfig;
    QnnDspPerfInfrastructure_VoltageCorner_t busVoltageCornerMaxConfig;
    QnnDspPerfInfrastructure_VoltageCorner_t coreVoltageCornerMinConfig;
    QnnDspPerfInfrastructure_VoltageCorner_t coreVoltageCornerTargetConfig;
    QnnDspPerfInfrastructure_VoltageCorner_t coreVoltageCornerMaxConfig;
    QnnDspPerfInfrastructure_RpcControlLatency_t rpcControlLatencyConfig;
    QnnDspPerfInfrastructure_RpcPollingTime_t rpcPollingTimeConfig;
    QnnDspPerfInfrastructure_HmxTimeoutIntervalUs_t hmxTimeoutIntervalUsConfig;
  };
} QnnDspPerfInfrastructure_PowerConfig_t;

typedef struct {
  QnnDspPerfInfrastructure_MemoryConfigOption_t config;
  union {
    QnnDspPerfInfrastructure_MemGrowSize_t memGrowSizeConfig;
    QnnDspPerfInfrastructure_VtcmSize_t vtcmSizeInMB;
    QnnDspPerfInfrastructure_VtcmUsageFactor_t vtcmUsageConfig;
  };
} QnnDspPerfInfrastructure_MemoryConfig_t;

typedef struct {
  QnnDspPerfInfrastructure_ThreadConfigOption_t config;
  union {
    QnnDspPerfInfrastructure_HvxThreadNumber_t numHvxThreads;
  };
} QnnDspPerfInfrastructure_ThreadConfig_t;

typedef Qnn_ErrorHandle_t (*QnnDspPerfInfrastructure_CreatePowerConfigIdFn_t)(
    uint32_t* powerConfigId);
typedef Qnn_ErrorHandle_t (*QnnDspPerfInfrastructure_DestroyPowerConfigIdFn_t)(
    uint32_t powerConfigId);
// Applies a null-terminated list of records to `powerConfigId`.
typedef Qnn_ErrorHandle_t (*QnnDspPerfInfrastructure_SetPowerConfigFn_t)(
    uint32_t powerConfigId, const QnnDspPerfInfrastructure_PowerConfig_t** config);
typedef Qnn_ErrorHandle_t (*QnnDspPerfInfrastructure_SetMemoryConfigFn_t)(
    const QnnDspPerfInfrastructure_MemoryConfig_t** config);
typedef Qnn_ErrorHandle_t (*QnnDspPerfInfrastructure_SetThreadConfigFn_t)(
    const QnnDspPerfInfrastructure_ThreadConfig_t** config);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_DSP_QNN_DSP_PERF_INFRASTRUCTURE_H_
