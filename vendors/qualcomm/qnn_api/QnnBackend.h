// QNN's backend: the accelerator's top-level object, created with a list of
// configs; it registers op packages and reports its API and build.
#ifndef VANTRO_QNN_API_QNN_BACKEND_H_
#define VANTRO_QNN_API_QNN_BACKEND_H_

#include "QnnCommon.h"
#include "QnnTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_BACKEND_MIN_ERROR = QNN_MIN_ERROR_BACKEND,
  QNN_BACKEND_NO_ERROR = QNN_SUCCESS,
  QNN_BACKEND_ERROR_MEM_ALLOC = QNN_COMMON_ERROR_MEM_ALLOC,
  QNN_BACKEND_ERROR_UNSUPPORTED_PLATFORM = QNN_COMMON_ERROR_PLATFORM_NOT_SUPPORTED,
  QNN_BACKEND_ERROR_CANNOT_INITIALIZE = QNN_MIN_ERROR_BACKEND + 0,
  QNN_BACKEND_ERROR_TERMINATE_FAILED = QNN_MIN_ERROR_BACKEND + 2,
  QNN_BACKEND_ERROR_NOT_SUPPORTED = QNN_MIN_ERROR_BACKEND + 3,
  QNN_BACKEND_ERROR_INVALID_ARGUMENT = QNN_MIN_ERROR_BACKEND + 4,
  QNN_BACKEND_ERROR_OP_PACKAGE_NOT_FOUND = QNN_MIN_ERROR_BACKEND + 5,
  QNN_BACKEND_ERROR_OP_PACKAGE_IF_PROVIDER_NOT_FOUND = QNN_MIN_ERROR_BACKEND + 6,
  QNN_BACKEND_ERROR_OP_PACKAGE_REGISTRATION_FAILED = QNN_MIN_ERROR_BACKEND + 7,
  QNN_BACKEND_ERROR_OP_PACKAGE_UNSUPPORTED_VERSION = QNN_MIN_ERROR_BACKEND + 8,
  QNN_BACKEND_ERROR_OP_PACKAGE_DUPLICATE = QNN_MIN_ERROR_BACKEND + 9,
  QNN_BACKEND_ERROR_INCONSISTENT_CONFIG = QNN_MIN_ERROR_BACKEND + 10,
  QNN_BACKEND_ERROR_INVALID_HANDLE = QNN_MIN_ERROR_BACKEND + 11,
  QNN_BACKEND_ERROR_INVALID_CONFIG = QNN_MIN_ERROR_BACKEND + 12,
  QNN_BACKEND_MAX_ERROR = QNN_MAX_ERROR_BACKEND,
  QNN_BACKEND_ERROR_UNDEFINED = 0x7FFFFFFF
} QnnBackend_Error_t;

// A backend-specific record, defined by the backend's own headers.
typedef void* QnnBackend_CustomConfig_t;

typedef enum {
  QNN_BACKEND_CONFIG_OPTION_CUSTOM = 0,
  QNN_BACKEND_CONFIG_OPTION_ERROR_REPORTING = 1,
  QNN_BACKEND_CONFIG_OPTION_PLATFORM = 2,
  QNN_BACKEND_CONFIG_OPTION_UNDEFINED = 0x7FFFFFFF
} QnnBackend_ConfigOption_t;

// One entry of the null-terminated config list given to backendCreate.
typedef struct {
  QnnBackend_ConfigOption_t option;
  union {
    QnnBackend_CustomConfig_t customConfig;
    Qnn_ErrorReportingConfig_t errorConfig;
    const char* platformOption;
  };
} QnnBackend_Config_t;

typedef struct {
  const char* packageName;
  const char* name;
  const char* target;
} QnnBackend_OperationName_t;

typedef void* QnnBackend_CustomProperty_t;

typedef enum {
  QNN_BACKEND_PROPERTY_OPTION_CUSTOM = 0,
  QNN_BACKEND_PROPERTY_OPTION_UNDEFINED = 0x7FFFFFFF
} QnnBackend_PropertyOption_t;

typedef struct {
  QnnBackend_PropertyOption_t option;
  union {
    QnnBackend_CustomProperty_t customProperty;
  };
} QnnBackend_Property_t;

typedef Qnn_ErrorHandle_t (*QnnBackend_CreateFn_t)(Qnn_LogHandle_t logger,
                                                   const QnnBackend_Config_t** config,
                                                   Qnn_BackendHandle_t* backend);
typedef Qnn_ErrorHandle_t (*QnnBackend_SetConfigFn_t)(Qnn_BackendHandle_t backend,
                                                      const QnnBackend_Config_t** config);
typedef Qnn_ErrorHandle_t (*QnnBackend_GetApiVersionFn_t)(Qnn_ApiVersion_t* pVersion);
typedef Qnn_ErrorHandle_t (*QnnBackend_GetBuildIdFn_t)(const char** id);
typedef Qnn_ErrorHandle_t (*QnnBackend_RegisterOpPackageFn_t)(Qnn_BackendHandle_t backend,
                                                              const char* packagePath,
                                                              const char* interfaceProvider,
                                                              const char* target);
typedef Qnn_ErrorHandle_t (*QnnBackend_GetSupportedOperationsFn_t)(
    Qnn_BackendHandle_t backend, uint32_t* numOperations,
    const QnnBackend_OperationName_t** operations);
typedef Qnn_ErrorHandle_t (*QnnBackend_ValidateOpConfigFn_t)(Qnn_BackendHandle_t backend,
                                                             Qnn_OpConfig_t opConfig);
typedef Qnn_ErrorHandle_t (*QnnBackend_FreeFn_t)(Qnn_BackendHandle_t backend);
typedef Qnn_ErrorHandle_t (*QnnBackend_GetPropertyFn_t)(Qnn_BackendHandle_t backend,
                                                        QnnBackend_Property_t** properties);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_QNN_BACKEND_H_
