// The HTP backend's device: its custom device configs (SoC, architecture,
// signed or secure protection domain), the HTP extension of the platform's
// device descriptions, and the infrastructure that holds its power voting.
// Defines the core's backend-specific device structs, so it cannot share a
// translation unit with another backend's device header.
#ifndef VANTRO_QNN_API_HTP_QNN_HTP_DEVICE_H_
#define VANTRO_QNN_API_HTP_QNN_HTP_DEVICE_H_

#include "HTP/QnnHtpPerfInfrastructure.h"
#include "QnnCommon.h"
#include "QnnDevice.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_HTP_DEVICE_ARCH_NONE = 0,
  QNN_HTP_DEVICE_ARCH_V68 = 68,
  QNN_HTP_DEVICE_ARCH_V69 = 69,
  QNN_HTP_DEVICE_ARCH_V73 = 73,
  QNN_HTP_DEVICE_ARCH_V75 = 75,
  QNN_HTP_DEVICE_ARCH_V79 = 79,
  QNN_HTP_DEVICE_ARCH_V81 = 81,
  QNN_HTP_DEVICE_ARCH_V85 = 85,
  QNN_HTP_DEVICE_ARCH_UNKNOWN = 0x7FFFFFFF
} QnnHtpDevice_Arch_t;

typedef enum {
  QNN_HTP_DEVICE_CONFIG_OPTION_SOC = 0,
  QNN_HTP_DEVICE_CONFIG_OPTION_ARCH = 1,
  QNN_HTP_DEVICE_CONFIG_OPTION_SIGNEDPD = 2,
  QNN_HTP_DEVICE_CONFIG_OPTION_SECUREPD = 3,
  QNN_HTP_DEVICE_CONFIG_OPTION_UNKNOWN = 0x7FFFFFFF
} QnnHtpDevice_ConfigOption_t;

typedef struct {
  uint32_t deviceId;
  QnnHtpDevice_Arch_t arch;
} QnnHtpDevice_Minimum_Arch_t;

typedef struct {
  uint32_t deviceId;
  bool useSignedProcessDomain;
} QnnHtpDevice_UseSignedProcessDomain_t;

typedef struct {
  uint32_t deviceId;
  bool useSecureProcessDomain;
} QnnHtpDevice_UseSecureProcessDomain_t;

// The record a custom device config (QnnDevice_Config_t, option CUSTOM)
// points at.
typedef struct {
  QnnHtpDevice_ConfigOption_t option;
  union {
    uint32_t socModel;
    QnnHtpDevice_Minimum_Arch_t arch;
    QnnHtpDevice_UseSignedProcessDomain_t useSignedProcessDomain;
    QnnHtpDevice_UseSecureProcessDomain_t useSecureProcessDomain;
  };
} QnnHtpDevice_CustomConfig_t;

typedef enum {
  QNN_HTP_DEVICE_TYPE_ON_CHIP = 0,
  QNN_HTP_DEVICE_TYPE_UNKNOWN = 0x7FFFFFFF
} QnnHtpDevice_DeviceType_t;

typedef enum {
  QNN_HTP_CORE_TYPE_NSP = 0,
  QNN_HTP_CORE_TYPE_HPASS = 1,
  QNN_HTP_CORE_TYPE_MAX = 2,
  QNN_HTP_CORE_TYPE_UNKNOWN = 0x7FFFFFFF
} QnnHtpDevice_CoreType_t;

typedef struct {
  size_t vtcmSize;
  uint32_t socModel;
  bool signedPdSupport;
  bool dlbcSupport;
  QnnHtpDevice_Arch_t arch;
} QnnHtpDevice_OnChipDeviceInfoExtension_t;

// What a hardware device's deviceInfoExtension points at on HTP.
typedef struct _QnnDevice_DeviceInfoExtension_t {
  QnnHtpDevice_DeviceType_t devType;
  union {
    QnnHtpDevice_OnChipDeviceInfoExtension_t onChipDevice;
  };
} QnnHtpDevice_DeviceInfoExtension_t;

typedef enum {
  QNN_HTP_DEVICE_INFRASTRUCTURE_TYPE_PERF = 0,
  QNN_HTP_DEVICE_INFRASTRUCTURE_TYPE_UNKNOWN = 0x7FFFFFFF
} QnnHtpDevice_InfrastructureType_t;

typedef struct {
  QnnHtpPerfInfrastructure_CreatePowerConfigIdFn_t createPowerConfigId;
  QnnHtpPerfInfrastructure_DestroyPowerConfigIdFn_t destroyPowerConfigId;
  QnnHtpPerfInfrastructure_SetPowerConfigFn_t setPowerConfig;
  QnnHtpPerfInfrastructure_SetMemoryConfigFn_t setMemoryConfig;
} QnnHtpDevice_PerfInfrastructure_t;

// What deviceGetInfrastructure hands out on HTP.
typedef struct _QnnDevice_Infrastructure_t {
  QnnHtpDevice_InfrastructureType_t infraType;
  union {
    QnnHtpDevice_PerfInfrastructure_t perfInfra;
  };
} QnnHtpDevice_Infrastructure_t;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_HTP_QNN_HTP_DEVICE_H_
