// The QNN system library's profile serialisation: writes profiling events
// to a target (a file).
#ifndef VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_PROFILE_H_
#define VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_PROFILE_H_

#include "QnnProfile.h"
#include "System/QnnSystemCommon.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void* QnnSystemProfile_SerializationTargetHandle_t;

typedef enum {
  QNN_SYSTEM_PROFILE_NO_ERROR = QNN_SUCCESS,
  QNN_SYSTEM_PROFILE_ERROR_UNSUPPORTED_FEATURE = QNN_COMMON_ERROR_NOT_SUPPORTED,
  QNN_SYSTEM_PROFILE_ERROR_INVALID_HANDLE = QNN_SYSTEM_COMMON_MIN_ERROR + 0,
  QNN_SYSTEM_PROFILE_ERROR_INVALID_ARGUMENT = QNN_SYSTEM_COMMON_MIN_ERROR + 1,
  QNN_SYSTEM_PROFILE_ERROR_MEM_ALLOC = QNN_SYSTEM_PROFILE_MIN_ERROR + 0
} QnnSystemProfile_Error_t;

typedef enum {
  QNN_SYSTEM_PROFILE_SERIALIZATION_TARGET_FILE = 1,
  QNN_SYSTEM_PROFILE_SERIALIZATION_TARGET_UNDEFINED = 0x7FFFFFFF
} QnnSystemProfile_SerializationTargetType_t;

typedef struct {
  const char* fileName;
  const char* fileDirectory;
} QnnSystemProfile_SerializationTargetFile_t;

typedef struct {
  QnnSystemProfile_SerializationTargetType_t type;
  union {
    QnnSystemProfile_SerializationTargetFile_t file;
  };
} QnnSystemProfile_SerializationTarget_t;

typedef enum {
  QNN_SYSTEM_PROFILE_SERIALIZATION_TARGET_CONFIG_MAX_NUM_MESSAGES = 0,
  QNN_SYSTEM_PROFILE_SERIALIZATION_TARGET_CONFIG_SERIALIZATION_HEADER = 1,
  QNN_SYSTEM_PROFILE_SERIALIZATION_TARGET_CONFIG_UNDEFINED = 0x7FFFFFFF
} QnnSystemProfile_SerializationTargetConfigType_t;

typedef struct {
  const char* appName;
  const char* appVersion;
  const char* backendVersion;
} QnnSystemProfile_SerializationFileHeader_t;

typedef struct {
  QnnSystemProfile_SerializationTargetConfigType_t type;
  union {
    uint32_t maxNumMessages;
    QnnSystemProfile_SerializationFileHeader_t serializationHeader;
  };
} QnnSystemProfile_SerializationTargetConfig_t;

typedef enum {
  QNN_SYSTEM_PROFILE_VISIBILITY_PUBLIC = 0,
  QNN_SYSTEM_PROFILE_VISIBILITY_PRIVATE = 1
} QnnSystemProfile_Visibility_t;

typedef enum {
  QNN_SYSTEM_PROFILE_METHOD_TYPE_NONE = 0,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_BACKEND_EXECUTE = 1,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_BACKEND_FINALIZE = 2,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_BACKEND_EXECUTE_ASYNC = 3,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_BACKEND_CREATE_FROM_BINARY = 4,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_BACKEND_DEINIT = 5,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_APP_CONTEXT_CREATE = 6,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_APP_COMPOSE_GRAPHS = 7,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_APP_EXECUTE_IPS = 8,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_BACKEND_GRAPH_COMPONENT = 9,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_APP_BACKEND_LIB_LOAD = 10,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_BACKEND_APPLY_BINARY_SECTION = 11,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_CONTEXT_FINALIZE = 12,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_CONTEXT_GET_BINARY_SIZE = 13,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_CONTEXT_GET_BINARY = 14,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_CONTEXT_GET_BINARY_SECTION_SIZE = 15,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_BACKEND_FINALIZE_TENSOR_UPDATES = 16,
  QNN_SYSTEM_PROFILE_METHOD_TYPE_BACKEND_UPDATE_BINARY_SECTION = 17
} QnnSystemProfile_MethodType_t;

typedef enum {
  QNN_SYSTEM_PROFILE_EVENT_DATA = 0,
  QNN_SYSTEM_PROFILE_EXTENDED_EVENT_DATA = 1,
  QNN_SYSTEM_PROFILE_EVENT_DATA_UNDEFINED = 0x7FFFFFFF
} QnnSystemProfile_EventDataType_t;

typedef struct {
  uint64_t startTime;
  uint64_t stopTime;
  uint64_t startMem;
  uint64_t stopMem;
  QnnSystemProfile_MethodType_t methodType;
  QnnSystemProfile_Visibility_t visibility;
  const char* graphName;
} QnnSystemProfile_HeaderV1_t;

typedef struct QnnSystemProfile_ProfileEventV1_t {
  QnnSystemProfile_EventDataType_t type;
  union {
    QnnProfile_EventData_t eventData;
    QnnProfile_ExtendedEventData_t extendedEventData;
  };
  struct QnnSystemProfile_ProfileEventV1_t* profileSubEventData;
  uint32_t numSubEvents;
} QnnSystemProfile_ProfileEventV1_t;

typedef struct {
  QnnSystemProfile_HeaderV1_t header;
  QnnSystemProfile_ProfileEventV1_t* profilingEvents;
  uint32_t numProfilingEvents;
} QnnSystemProfile_ProfileDataV1_t;

typedef enum {
  QNN_SYSTEM_PROFILE_DATA_VERSION_1 = 1,
  QNN_SYSTEM_PROFILE_DATA_VERSION_UNDEFINED = 0x7FFFFFFF
} QnnSystemProfile_ProfileDataVersion_t;

typedef struct {
  QnnSystemProfile_ProfileDataVersion_t version;
  union {
    QnnSystemProfile_ProfileDataV1_t v1;
  };
} QnnSystemProfile_ProfileData_t;

typedef Qnn_ErrorHandle_t (*QnnSystemProfile_createSerializationTargetFn_t)(
    QnnSystemProfile_SerializationTarget_t serializationTargetInfo,
    QnnSystemProfile_SerializationTargetConfig_t* configs, uint32_t numConfigs,
    QnnSystemProfile_SerializationTargetHandle_t* serializationTarget);
typedef Qnn_ErrorHandle_t (*QnnSystemProfile_serializeEventDataFn_t)(
    QnnSystemProfile_SerializationTargetHandle_t serializationTarget,
    const QnnSystemProfile_ProfileData_t** profilingData, uint32_t numProfileData);
typedef Qnn_ErrorHandle_t (*QnnSystemProfile_freeSerializationTargetFn_t)(
    QnnSystemProfile_SerializationTargetHandle_t serializationTarget);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_PROFILE_H_
