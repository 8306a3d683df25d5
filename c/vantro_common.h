// Plain C types shared by the plug-in and its host: status codes, log
// severities, the API version record and the opaque host object types.
#ifndef VANTRO_C_VANTRO_COMMON_H_
#define VANTRO_C_VANTRO_COMMON_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Status of every boundary call; the numbering is shared with the host, and
// codes the host returns are carried unchanged.
typedef int32_t VantroStatus;
enum {
  kVantroStatusOk = 0,
  kVantroStatusInvalidArgument = 1,
  kVantroStatusRuntimeFailure = 3,
  kVantroStatusUnsupported = 5,
  kVantroStatusNotFound = 6,
  kVantroStatusDynamicLoadingFailure = 502,
  kVantroStatusIncompatibleVersion = 4001,
};

// Log severity: a signed byte.
typedef int8_t VantroLogSeverity;
enum {
  kVantroLogDebug = -1,
  kVantroLogVerbose = 0,
  kVantroLogInfo = 1,
  kVantroLogWarning = 2,
  kVantroLogError = 3,
  kVantroLogSilent = 4,
};

// API version, passed by value to the compatibility check.
typedef struct VantroApiVersion {
  int32_t major;
  int32_t minor;
  int32_t patch;
} VantroApiVersion;

// Opaque host objects; the plug-in never frees them.
typedef struct VantroOptionsT VantroOptionsT;
typedef struct VantroOpaqueOptionsT VantroOpaqueOptionsT;
typedef struct VantroEnvironmentT VantroEnvironmentT;
typedef struct VantroEnvironmentOptionsT VantroEnvironmentOptionsT;
typedef struct VantroTensorBufferT VantroTensorBufferT;
typedef struct VantroTensorBufferRequirementsT VantroTensorBufferRequirementsT;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_C_VANTRO_COMMON_H_
