// QNN's device: the hardware a backend runs on, the platform description a
// backend reports, and the per-backend infrastructure (power voting) behind
// an opaque pointer.
#ifndef VANTRO_QNN_API_QNN_DEVICE_H_
#define VANTRO_QNN_API_QNN_DEVICE_H_

#include "QnnCommon.h"
#include "QnnTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_DEVICE_MIN_ERROR = QNN_MIN_ERROR_DEVICE,
  QNN_DEVICE_ERROR_UNSUPPORTED_FEATURE = QNN_COMMON_ERROR_NOT_SUPPORTED,
  QNN_DEVICE_ERROR_MEM_ALLOC = QNN_COMMON_ERROR_MEM_ALLOC,
  QNN_DEVICE_ERROR_INVALID_ARGUMENT = QNN_COMMON_ERROR_INVALID_ARGUMENT,
  QNN_DEVICE_ERROR_INVALID_HANDLE = QNN_MIN_ERROR_DEVICE + 0,
  QNN_DEVICE_ERROR_INVALID_CONFIG = QNN_MIN_ERROR_DEVICE + 1,
  QNN_DEVICE_ERROR_HARDWARE_UNAVAILABLE = QNN_MIN_ERROR_DEVICE + 2,
  QNN_DEVICE_ERROR_ASSOCIATED_TO_CONTEXT = QNN_MIN_ERROR_DEVICE + 3,
  QNN_DEVICE_NO_ERROR = QNN_SUCCESS,
  QNN_DEVICE_MAX_ERROR = QNN_MAX_ERROR_DEVICE,
  QNN_DEVICE_ERROR_UNDEFINED = 0x7FFFFFFF
} QnnDevice_Error_t;

#define QNN_DEVICE_DEFAULT_DEVICE_ID 0xFFFFFFFF
#define QNN_DEVICE_DEFAULT_CORE_ID 0xFFFFFFFF

// Backend-defined extensions of the core and device descriptions; each
// backend's headers define the structs.
typedef struct _QnnDevice_CoreInfoExtension_t* QnnDevice_CoreInfoExtension_t;
typedef struct _QnnDevice_DeviceInfoExtension_t* QnnDevice_DeviceInfoExtension_t;

typedef enum {
  QNN_DEVICE_CORE_INFO_VERSION_1 = 1,
  QNN_DEVICE_CORE_INFO_VERSION_UNDEFINED = 0x7FFFFFFF
} QnnDevice_CoreInfoVersion_t;

typedef struct {
  uint32_t coreId;
  uint32_t coreType;
  QnnDevice_CoreInfoExtension_t coreInfoExtension;
} QnnDevice_CoreInfoV1_t;

typedef struct {
  QnnDevice_CoreInfoVersion_t version;
  union {
    QnnDevice_CoreInfoV1_t v1;
  };
} QnnDevice_CoreInfo_t;

typedef enum {
  QNN_DEVICE_HARDWARE_DEVICE_INFO_VERSION_1 = 1,
  QNN_DEVICE_HARDWARE_DEVICE_INFO_VERSION_UNDEFINED = 0x7FFFFFFF
} QnnDevice_HardwareDeviceInfoVersion_t;

typedef struct {
  uint32_t deviceId;
  uint32_t deviceType;
  uint32_t numCores;
  QnnDevice_CoreInfo_t* cores;
  QnnDevice_DeviceInfoExtension_t deviceInfoExtension;
} QnnDevice_HardwareDeviceInfoV1_t;

// One hardware device of the platform.
typedef struct {
  QnnDevice_HardwareDeviceInfoVersion_t version;
  union {
    QnnDevice_HardwareDeviceInfoV1_t v1;
  };
} QnnDevice_HardwareDeviceInfo_t;

typedef enum {
  QNN_DEVICE_PLATFORM_INFO_VERSION_1 = 1,
  QNN_DEVICE_PLATFORM_INFO_VERSION_UNDEFINED = 0x7FFFFFFF
} QnnDevice_PlatformInfoVersion_t;

typedef struct {
  uint32_t numHwDevices;
  QnnDevice_HardwareDeviceInfo_t* hwDevices;
} QnnDevice_PlatformInfoV1_t;

// The devices a backend can run on, or the ones a device is asked to use.
typedef struct {
  QnnDevice_PlatformInfoVersion_t version;
  union {
    QnnDevice_PlatformInfoV1_t v1;
  };
} QnnDevice_PlatformInfo_t;

typedef void* QnnDevice_CustomConfig_t;

typedef enum {
  QNN_DEVICE_CONFIG_OPTION_CUSTOM = 0,
  QNN_DEVICE_CONFIG_OPTION_PLATFORM_INFO = 1,
  QNN_DEVICE_CONFIG_OPTION_UNDEFINED = 0x7FFFFFFF
} QnnDevice_ConfigOption_t;

// One entry of the null-terminated config list given to deviceCreate.
typedef struct {
  QnnDevice_ConfigOption_t option;
  union {
    QnnDevice_CustomConfig_t customConfig;
    QnnDevice_PlatformInfo_t* hardwareInfo;
  };
} QnnDevice_Config_t;

// What deviceGetInfrastructure hands out; each backend's headers define the
// struct (for HTP and DSP, the power-voting functions).
typedef struct _QnnDevice_Infrastructure_t* QnnDevice_Infrastructure_t;

typedef Qnn_ErrorHandle_t (*QnnDevice_GetPlatformInfoFn_t)(
    Qnn_LogHandle_t logger, const QnnDevice_PlatformInfo_t** platformInfo);
typedef Qnn_ErrorHandle_t (*QnnDevice_FreePlatformInfoFn_t)(
    Qnn_LogHandle_t logger, const QnnDevice_PlatformInfo_t* platformInfo);
typedef Qnn_ErrorHandle_t (*QnnDevice_GetInfrastructureFn_t)(
    const QnnDevice_Infrastructure_t* deviceInfra);
typedef Qnn_ErrorHandle_t (*QnnDevice_CreateFn_t)(Qnn_LogHandle_t logger,
                                                  const QnnDevice_Config_t** config,
                                                  Qnn_DeviceHandle_t* device);
typedef Qnn_ErrorHandle_t (*QnnDevice_SetConfigFn_t)(Qnn_DeviceHandle_t device,
                                                     const QnnDevice_Config_t** config);
typedef Qnn_ErrorHandle_t (*QnnDevice_GetInfoFn_t)(Qnn_DeviceHandle_t device,
                                                   const QnnDevice_PlatformInfo_t** platformInfo);
typedef Qnn_ErrorHandle_t (*QnnDevice_FreeFn_t)(Qnn_DeviceHandle_t device);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_QNN_DEVICE_H_
