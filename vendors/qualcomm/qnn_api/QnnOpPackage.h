// QNN's op packages: libraries of custom operations a backend loads through
// their interface provider. Only the package side's records are declared;
// the infrastructure records a backend hands a package stay opaque.
#ifndef VANTRO_QNN_API_QNN_OP_PACKAGE_H_
#define VANTRO_QNN_API_QNN_OP_PACKAGE_H_

#include "QnnCommon.h"
#include "QnnLog.h"
#include "QnnTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_OP_PACKAGE_MIN_ERROR = QNN_MIN_ERROR_OP_PACKAGE,
  QNN_OP_PACKAGE_NO_ERROR = QNN_SUCCESS,
  QNN_OP_PACKAGE_ERROR_UNSUPPORTED_FEATURE = QNN_COMMON_ERROR_NOT_SUPPORTED,
  QNN_OP_PACKAGE_ERROR_LIBRARY_ALREADY_INITIALIZED = QNN_MIN_ERROR_OP_PACKAGE + 0,
  QNN_OP_PACKAGE_ERROR_LIBRARY_NOT_INITIALIZED = QNN_MIN_ERROR_OP_PACKAGE + 1,
  QNN_OP_PACKAGE_ERROR_INVALID_HANDLE = QNN_MIN_ERROR_OP_PACKAGE + 2,
  QNN_OP_PACKAGE_ERROR_INVALID_INFRASTRUCTURE = QNN_MIN_ERROR_OP_PACKAGE + 100,
  QNN_OP_PACKAGE_ERROR_INVALID_INFO = QNN_MIN_ERROR_OP_PACKAGE + 101,
  QNN_OP_PACKAGE_ERROR_VALIDATION_FAILURE = QNN_MIN_ERROR_OP_PACKAGE + 110,
  QNN_OP_PACKAGE_ERROR_INVALID_ARGUMENT = QNN_MIN_ERROR_OP_PACKAGE + 200,
  QNN_OP_PACKAGE_ERROR_GENERAL = QNN_COMMON_ERROR_GENERAL,
  QNN_OP_PACKAGE_MAX_ERROR = QNN_MAX_ERROR_OP_PACKAGE,
  QNN_OP_PACKAGE_ERROR_UNDEFINED = 0x7FFFFFFF
} QnnOpPackage_Error_t;

#define QNN_OP_PACKAGE_RESERVED_INFO_SIZE 12

// Backend-side objects a package only passes around.
typedef struct _QnnOpPackage_GlobalInfrastructure_t* QnnOpPackage_GlobalInfrastructure_t;
typedef struct _QnnOpPackage_GraphInfrastructure_t* QnnOpPackage_GraphInfrastructure_t;
typedef struct _QnnOpPackage_Node_t* QnnOpPackage_Node_t;
typedef struct _QnnOpPackage_OpImpl_t* QnnOpPackage_OpImpl_t;
// Descriptions a package points at from its info; not read by this code.
typedef struct _QnnOpPackage_OperationInfo_t QnnOpPackage_OperationInfo_t;
typedef struct _QnnOpPackage_Optimization_t QnnOpPackage_Optimization_t;
typedef struct _QnnOpPackage_PackageInfo_t QnnOpPackage_PackageInfo_t;

typedef struct {
  const char* packageName;
  const char** operationNames;
  const QnnOpPackage_OperationInfo_t* operationInfo;
  uint32_t numOperations;
  const QnnOpPackage_Optimization_t* optimizations;
  uint32_t numOptimizations;
  const char* sdkBuildId;
  const Qnn_ApiVersion_t* sdkApiVersion;
  const QnnOpPackage_PackageInfo_t* packageInfo;
  const Qnn_Version_t* opsetVersion;
  size_t reserved[QNN_OP_PACKAGE_RESERVED_INFO_SIZE];
} QnnOpPackage_Info_t;

typedef Qnn_ErrorHandle_t (*QnnOpPackage_InitFn_t)(
    QnnOpPackage_GlobalInfrastructure_t infrastructure);
typedef Qnn_ErrorHandle_t (*QnnOpPackage_TerminateFn_t)();
typedef Qnn_ErrorHandle_t (*QnnOpPackage_GetInfoFn_t)(const QnnOpPackage_Info_t** info);
typedef Qnn_ErrorHandle_t (*QnnOpPackage_ValidateOpConfigFn_t)(Qnn_OpConfig_t opConfig);
typedef Qnn_ErrorHandle_t (*QnnOpPackage_CreateOpImplFn_t)(
    QnnOpPackage_GraphInfrastructure_t graphInfrastructure, QnnOpPackage_Node_t node,
    QnnOpPackage_OpImpl_t* operation);
typedef Qnn_ErrorHandle_t (*QnnOpPackage_FreeOpImplFn_t)(QnnOpPackage_OpImpl_t operation);
typedef Qnn_ErrorHandle_t (*QnnOpPackage_LogInitializeFn_t)(QnnLog_Callback_t callback,
                                                            QnnLog_Level_t maxLogLevel);
typedef Qnn_ErrorHandle_t (*QnnOpPackage_LogSetLevelFn_t)(QnnLog_Level_t maxLogLevel);
typedef Qnn_ErrorHandle_t (*QnnOpPackage_LogTerminateFn_t)(void);
typedef Qnn_ErrorHandle_t (*QnnOpPackage_CreateFn_t)(
    QnnOpPackage_GlobalInfrastructure_t infrastructure, QnnLog_Callback_t callback,
    QnnLog_Level_t maxLogLevel, Qnn_OpPackageHandle_t* opPackage);
typedef Qnn_ErrorHandle_t (*QnnOpPackage_ValidateOpConfigHandleFn_t)(
    Qnn_OpPackageHandle_t opPackage, Qnn_OpConfig_t opConfig);
typedef Qnn_ErrorHandle_t (*QnnOpPackage_CreateOpImplHandleFn_t)(
    Qnn_OpPackageHandle_t opPackage, QnnOpPackage_GraphInfrastructure_t graphInfrastructure,
    QnnOpPackage_Node_t node, QnnOpPackage_OpImpl_t* operation);
typedef Qnn_ErrorHandle_t (*QnnOpPackage_FreeOpImplHandleFn_t)(Qnn_OpPackageHandle_t opPackage,
                                                               QnnOpPackage_OpImpl_t operation);
typedef Qnn_ErrorHandle_t (*QnnOpPackage_LogSetLevelHandleFn_t)(Qnn_OpPackageHandle_t opPackage,
                                                                QnnLog_Level_t maxLogLevel);
typedef Qnn_ErrorHandle_t (*QnnOpPackage_FreeFn_t)(Qnn_OpPackageHandle_t opPackage);

typedef struct {
  QnnOpPackage_InitFn_t init;
  QnnOpPackage_TerminateFn_t terminate;
  QnnOpPackage_GetInfoFn_t getInfo;
  QnnOpPackage_ValidateOpConfigFn_t validateOpConfig;
  QnnOpPackage_CreateOpImplFn_t createOpImpl;
  QnnOpPackage_FreeOpImplFn_t freeOpImpl;
  QnnOpPackage_LogInitializeFn_t logInitialize;
  QnnOpPackage_LogSetLevelFn_t logSetLevel;
  QnnOpPackage_LogTerminateFn_t logTerminate;
} QnnOpPackage_ImplementationV1_4_t;

typedef struct {
  QnnOpPackage_CreateFn_t create;
  QnnOpPackage_GetInfoFn_t getInfo;
  QnnOpPackage_ValidateOpConfigHandleFn_t validateOpConfig;
  QnnOpPackage_CreateOpImplHandleFn_t createOpImpl;
  QnnOpPackage_FreeOpImplHandleFn_t freeOpImpl;
  QnnOpPackage_LogSetLevelHandleFn_t logSetLevel;
  QnnOpPackage_FreeFn_t free;
} QnnOpPackage_ImplementationV2_0_t;

// What a package's interface provider fills in.
typedef struct {
  Qnn_Version_t interfaceVersion;
  union {
    QnnOpPackage_ImplementationV1_4_t v1_4;
    QnnOpPackage_ImplementationV2_0_t v2_0;
  };
} QnnOpPackage_Interface_t;

typedef Qnn_ErrorHandle_t (*QnnOpPackage_InterfaceProvider_t)(QnnOpPackage_Interface_t* packageInterface);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_QNN_OP_PACKAGE_H_
