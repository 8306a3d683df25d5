// The HTP backend's power voting: power-config records (a DCVS vote, RPC
// latency and polling settings, ...) applied to a power-config id.
#ifndef VANTRO_QNN_API_HTP_QNN_HTP_PERF_INFRASTRUCTURE_H_
#define VANTRO_QNN_API_HTP_QNN_HTP_PERF_INFRASTRUCTURE_H_

#include "QnnCommon.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_HTP_PERF_INFRASTRUCTURE_MIN_ERROR = QNN_MIN_ERROR_PERF_INFRASTRUCTURE,
  QNN_HTP_PERF_INFRASTRUCTURE_NO_ERROR = QNN_SUCCESS,
  QNN_HTP_PERF_INFRASTRUCTURE_ERROR_INVALID_HANDLE_PTR = QNN_MIN_ERROR_PERF_INFRASTRUCTURE + 0,
  QNN_HTP_PERF_INFRASTRUCTURE_ERROR_INVALID_INPUT = QNN_MIN_ERROR_PERF_INFRASTRUCTURE + 1,
  QNN_HTP_PERF_INFRASTRUCTURE_ERROR_UNSUPPORTED_CONFIG = QNN_MIN_ERROR_PERF_INFRASTRUCTURE + 2,
  QNN_HTP_PERF_INFRASTRUCTURE_ERROR_TRANSPORT = QNN_MIN_ERROR_PERF_INFRASTRUCTURE + 3,
  QNN_HTP_PERF_INFRASTRUCTURE_ERROR_UNSUPPORTED = QNN_MIN_ERROR_PERF_INFRASTRUCTURE + 4,
  QNN_HTP_PERF_INFRASTRUCTURE_ERROR_MEM_ALLOC = QNN_MIN_ERROR_PERF_INFRASTRUCTURE + 5,
  QNN_HTP_PERF_INFRASTRUCTURE_ERROR_FAILED = QNN_MIN_ERROR_PERF_INFRASTRUCTURE + 6,
  QNN_HTP_PERF_INFRASTRUCTURE_MAX_ERROR = QNN_MAX_ERROR_PERF_INFRASTRUCTURE,
  QNN_HTP_PERF_INFRASTRUCTURE_ERROR_UNDEFINED = 0x7FFFFFFF
} QnnHtpPerfInfrastructure_Error_t;

// The longest RPC polling time, in microseconds.
#define QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIG_MAX_RPC_POLLING_TIME 9999

// Words of a DCVS vote: each "set" flag says whether its value counts.
typedef uint32_t QnnHtpPerfInfrastructure_SetDcvsEnable_t;
typedef uint32_t QnnHtpPerfInfrastructure_DcvsEnable_t;
typedef uint32_t QnnHtpPerfInfrastructure_SetSleepLatency_t;
typedef uint32_t QnnHtpPerfInfrastructure_SleepLatency_t;
typedef uint32_t QnnHtpPerfInfrastructure_SetSleepDisable_t;
typedef uint32_t QnnHtpPerfInfrastructure_SleepDisable_t;
typedef uint32_t QnnHtpPerfInfrastructure_SetBusParams_t;
typedef uint32_t QnnHtpPerfInfrastructure_SetCoreParams_t;
typedef uint32_t QnnHtpPerfInfrastructure_RpcControlLatency_t;
typedef uint32_t QnnHtpPerfInfrastructure_RpcPollingTime_t;
typedef uint32_t QnnHtpPerfInfrastructure_HmxTimeoutIntervalUs_t;
typedef uint32_t QnnHtpPerfInfrastructure_HmxDefault_Vote_t;
typedef uint32_t QnnHtpPerfInfrastructure_AdaptivePollingTime_t;
typedef uint32_t QnnHtpPerfInfrastructure_DdrPerfMode_t;
typedef uint32_t QnnHtpPerfInfrastructure_MemGrowSize_t;

typedef enum {
  QNN_HTP_PERF_INFRASTRUCTURE_CLK_PERF_HIGH = 0,
  QNN_HTP_PERF_INFRASTRUCTURE_CLK_PERF_LOW = 1,
  QNN_HTP_PERF_INFRASTRUCTURE_CLK_PERF_UNKNOWN = 0x7FFFFFFF
} QnnHtpPerfInfrastructure_ClkPerfMode_t;

// Voltage corners of the bus and core clocks.
typedef enum {
  DCVS_VOLTAGE_CORNER_DISABLE = 0x10,
  DCVS_VOLTAGE_VCORNER_MIN_VOLTAGE_CORNER = 0x20,
  DCVS_VOLTAGE_VCORNER_SVS2 = 0x30,
  DCVS_VOLTAGE_VCORNER_SVS = 0x40,
  DCVS_VOLTAGE_VCORNER_SVS_PLUS = 0x50,
  DCVS_VOLTAGE_VCORNER_NOM = 0x60,
  DCVS_VOLTAGE_VCORNER_NOM_PLUS = 0x70,
  DCVS_VOLTAGE_VCORNER_TURBO = 0x80,
  DCVS_VOLTAGE_VCORNER_TURBO_PLUS = 0x90,
  DCVS_VOLTAGE_VCORNER_TURBO_L2 = 0x92,
  DCVS_VOLTAGE_VCORNER_TURBO_L3 = 0x93,
  DCVS_VOLTAGE_VCORNER_TURBO_L4 = 0x94,
  DCVS_VOLTAGE_VCORNER_TURBO_L5 = 0x95,
  DCVS_VOLTAGE_VCORNER_MAX_VOLTAGE_CORNER = 0xA0,
  DCVS_VOLTAGE_VCORNER_UNKNOWN = 0x7FFFFFFF
} QnnHtpPerfInfrastructure_VoltageCorner_t;

// Voltage corners of the HMX clock.
typedef enum {
  DCVS_EXP_VCORNER_DISABLE = 0,
  DCVS_EXP_VCORNER_MIN = 0x100,
  DCVS_EXP_VCORNER_LOW_SVS_D2 = 0x134,
  DCVS_EXP_VCORNER_LOW_SVS_D1 = 0x138,
  DCVS_EXP_VCORNER_LOW_SVS = 0x140,
  DCVS_EXP_VCORNER_LOW_SVS_L0 = 0x14C,
  DCVS_EXP_VCORNER_SVS = 0x180,
  DCVS_EXP_VCORNER_SVS_L0 = 0x190,
  DCVS_EXP_VCORNER_SVS_L1 = 0x1C0,
  DCVS_EXP_VCORNER_SVS_L2 = 0x1E0,
  DCVS_EXP_VCORNER_NOM = 0x200,
  DCVS_EXP_VCORNER_NOM_L1 = 0x240,
  DCVS_EXP_VCORNER_NOM_L2 = 0x250,
  DCVS_EXP_VCORNER_TUR = 0x280,
  DCVS_EXP_VCORNER_TUR_L1 = 0x2A0,
  DCVS_EXP_VCORNER_TUR_L2 = 0x2B0,
  DCVS_EXP_VCORNER_TUR_L3 = 0x2C0,
  DCVS_EXP_VCORNER_MAX = 0xFFFF,
  DCVS_EXP_VCORNER_UNKNOWN = 0x7FFFFFFF
} QnnHtpPerfInfrastructure_ExpVoltageCorner_t;

typedef enum {
  QNN_HTP_PERF_INFRASTRUCTURE_POWERMODE_ADJUST_UP_DOWN = 0x1,
  QNN_HTP_PERF_INFRASTRUCTURE_POWERMODE_ADJUST_ONLY_UP = 0x2,
  QNN_HTP_PERF_INFRASTRUCTURE_POWERMODE_POWER_SAVER_MODE = 0x4,
  QNN_HTP_PERF_INFRASTRUCTURE_POWERMODE_POWER_SAVER_AGGRESSIVE_MODE = 0x8,
  QNN_HTP_PERF_INFRASTRUCTURE_POWERMODE_PERFORMANCE_MODE = 0x10,
  QNN_HTP_PERF_INFRASTRUCTURE_POWERMODE_DUTY_CYCLE_MODE = 0x20,
  QNN_HTP_PERF_INFRASTRUCTURE_POWERMODE_UNKNOWN = 0x7FFFFFFF
} QnnHtpPerfInfrastructure_PowerMode_t;

typedef enum {
  QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_V3 = 1,
  QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_RPC_CONTROL_LATENCY = 2,
  QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_RPC_POLLING_TIME = 3,
  QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_HMX_TIMEOUT_INTERVAL_US = 4,
  QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_HMX_V2 = 5,
  QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_ADAPTIVE_POLLING_TIME = 6,
  QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DDR_PERF_MODE = 7,
  QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_UNKNOWN = 0x7FFFFFFF
} QnnHtpPerfInfrastructure_PowerConfigOption_t;

typedef enum {
  QNN_HTP_PERF_INFRASTRUCTURE_MEMORY_CONFIGOPTION_GROW_SIZE = 1,
  QNN_HTP_PERF_INFRASTRUCTURE_MEMORY_CONFIGOPTION_UNKNOWN = 0x7FFFFFFF
} QnnHtpPerfInfrastructure_MemoryConfigOption_t;

// A DCVS vote: power mode, sleep settings, and bus and core voltage
// corners.
typedef struct {
  uint32_t contextId;
  QnnHtpPerfInfrastructure_SetDcvsEnable_t setDcvsEnable;
  QnnHtpPerfInfrastructure_DcvsEnable_t dcvsEnable;
  QnnHtpPerfInfrastructure_PowerMode_t powerMode;
  QnnHtpPerfInfrastructure_SetSleepLatency_t setSleepLatency;
  QnnHtpPerfInfrastructure_SleepLatency_t sleepLatency;
  QnnHtpPerfInfrastructure_SetSleepDisable_t setSleepDisable;
  QnnHtpPerfInfrastructure_SleepDisable_t sleepDisable;
  QnnHtpPerfInfrastructure_SetBusParams_t setBusParams;
  QnnHtpPerfInfrastructure_VoltageCorner_t busVoltageCornerMin;
  QnnHtpPerfInfrastructure_VoltageCorner_t busVoltageCornerTarget;
  QnnHtpPerfInfrastructure_VoltageCorner_t busVoltageCornerMax;
  QnnHtpPerfInfrastructure_SetCoreParams_t setCoreParams;
  QnnHtpPerfInfrastructure_VoltageCorner_t coreVoltageCornerMin;
  QnnHtpPerfInfrastructure_VoltageCorner_t coreVoltageCornerTarget;
  QnnHtpPerfInfrastructure_VoltageCorner_t coreVoltageCornerMax;
} QnnHtpPerfInfrastructure_DcvsV3_t;

typedef struct {
  QnnHtpPerfInfrastructure_HmxDefault_Vote_t hmxPickDefault;
  QnnHtpPerfInfrastructure_ExpVoltageCorner_t hmxVoltageCornerMin;
  QnnHtpPerfInfrastructure_ExpVoltageCorner_t hmxVoltageCornerTarget;
  QnnHtpPerfInfrastructure_ExpVoltageCorner_t hmxVoltageCornerMax;
  QnnHtpPerfInfrastructure_ClkPerfMode_t hmxPerfMode;
} QnnHtpPerfInfrastructure_HmxV2_t;

// One power-config record: the option says which member is valid.
typedef struct {
  QnnHtpPerfInfrastructure_PowerConfigOption_t option;
  union {
    QnnHtpPerfInfrastructure_DcvsV3_t dcvsV3Config;
    QnnHtpPerfInfrastructure_RpcControlLatency_t rpcControlLatencyConfig;
    QnnHtpPerfInfrastructure_RpcPollingTime_t rpcPollingTimeConfig;
    QnnHtpPerfInfrastructure_HmxTimeoutIntervalUs_t hmxTimeoutIntervalUsConfig;
    QnnHtpPerfInfrastructure_HmxV2_t hmxV2Config;
    QnnHtpPerfInfrastructure_AdaptivePollingTime_t adaptivePollingTimeConfig;
    QnnHtpPerfInfrastructure_DdrPerfMode_t ddrPerfModeConfig;
  };
} QnnHtpPerfInfrastructure_PowerConfig_t;

typedef struct {
  QnnHtpPerfInfrastructure_MemoryConfigOption_t option;
  union {
    QnnHtpPerfInfrastructure_MemGrowSize_t memGrowSizeConfig;
  };
} QnnHtpPerfInfrastructure_MemoryConfig_t;

typedef Qnn_ErrorHandle_t (*QnnHtpPerfInfrastructure_CreatePowerConfigIdFn_t)(
    uint32_t deviceId, uint32_t coreId, uint32_t* powerConfigId);
typedef Qnn_ErrorHandle_t (*QnnHtpPerfInfrastructure_DestroyPowerConfigIdFn_t)(
    uint32_t powerConfigId);
// Applies a null-terminated list of records to `powerConfigId`.
typedef Qnn_ErrorHandle_t (*QnnHtpPerfInfrastructure_SetPowerConfigFn_t)(
    uint32_t powerConfigId, const QnnHtpPerfInfrastructure_PowerConfig_t** config);
typedef Qnn_ErrorHandle_t (*QnnHtpPerfInfrastructure_SetMemoryConfigFn_t)(
    uint32_t deviceId, uint32_t coreId, const QnnHtpPerfInfrastructure_MemoryConfig_t** config);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_HTP_QNN_HTP_PERF_INFRASTRUCTURE_H_
