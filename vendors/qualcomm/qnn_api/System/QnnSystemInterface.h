// The QNN system library's interface: the function table it hands out
// through QnnSystemInterface_getProviders, in QNN's member order, and the
// provider record that carries it with the system API version.
#ifndef VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_INTERFACE_H_
#define VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_INTERFACE_H_

#include "QnnTypes.h"
#include "System/QnnSystemCommon.h"
#include "System/QnnSystemContext.h"
#include "System/QnnSystemDlc.h"
#include "System/QnnSystemLog.h"
#include "System/QnnSystemProfile.h"
#include "System/QnnSystemTensor.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_SYSTEM_INTERFACE_MIN_ERROR = QNN_MIN_ERROR_SYSTEM,
  QNN_SYSTEM_INTERFACE_NO_ERROR = QNN_SUCCESS,
  QNN_SYSTEM_INTERFACE_ERROR_NOT_SUPPORTED = QNN_COMMON_ERROR_NOT_SUPPORTED,
  QNN_SYSTEM_INTERFACE_ERROR_INVALID_PARAMETER = QNN_COMMON_ERROR_INVALID_ARGUMENT,
  QNN_SYSTEM_INTERFACE_MAX_ERROR = QNN_MAX_ERROR_SYSTEM
} QnnSystemInterface_Error_t;

// The system table of API 1.7; later minor versions append members.
typedef struct {
  QnnSystemContext_CreateFn_t systemContextCreate;
  QnnSystemContext_GetBinaryInfoFn_t systemContextGetBinaryInfo;
  QnnSystemContext_GetMetaDataFn_t systemContextGetMetaData;
  QnnSystemContext_FreeFn_t systemContextFree;
  QnnSystemTensor_getMemoryFootprintFn_t systemTensorGetMemoryFootprint;
  QnnSystemLog_createFn_t systemLogCreate;
  QnnSystemLog_setLogLevelFn_t systemLogSetLogLevel;
  QnnSystemLog_freeFn_t systemLogFree;
  QnnSystemDlc_createFromFileFn_t systemDlcCreateFromFile;
  QnnSystemDlc_createFromBinaryFn_t systemDlcCreateFromBinary;
  QnnSystemDlc_composeGraphsFn_t systemDlcComposeGraphs;
  QnnSystemDlc_getOpMappingsFn_t systemDlcGetOpMappings;
  QnnSystemDlc_freeFn_t systemDlcFree;
  QnnSystemProfile_createSerializationTargetFn_t systemProfileCreateSerializationTarget;
  QnnSystemProfile_serializeEventDataFn_t systemProfileSerializeEventData;
  QnnSystemProfile_freeSerializationTargetFn_t systemProfileFreeSerializationTarget;
} QnnSystemInterface_ImplementationV1_7_t;

#define QNN_SYSTEM_INTERFACE_VER_NAME v1_7
#define QNN_SYSTEM_INTERFACE_VER_TYPE QnnSystemInterface_ImplementationV1_7_t

// One provider of the system library.
typedef struct {
  uint32_t backendId;
  const char* providerName;
  Qnn_Version_t systemApiVersion;
  union {
    QNN_SYSTEM_INTERFACE_VER_TYPE QNN_SYSTEM_INTERFACE_VER_NAME;
  };
} QnnSystemInterface_t;

// The entry point the system library exports: the list of its providers.
QNN_API Qnn_ErrorHandle_t QnnSystemInterface_getProviders(
    const QnnSystemInterface_t*** providerList, uint32_t* numProviders);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_INTERFACE_H_
