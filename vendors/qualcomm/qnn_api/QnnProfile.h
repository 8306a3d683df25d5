// QNN's profiling: a profile handle collects events (with sub-events) while
// contexts are created and graphs run; each event carries a type, a unit, a
// value and an identifier.
#ifndef VANTRO_QNN_API_QNN_PROFILE_H_
#define VANTRO_QNN_API_QNN_PROFILE_H_

#include "QnnCommon.h"
#include "QnnTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_PROFILE_MIN_ERROR = QNN_MIN_ERROR_PROFILE,
  QNN_PROFILE_NO_ERROR = QNN_SUCCESS,
  QNN_PROFILE_ERROR_UNSUPPORTED = QNN_COMMON_ERROR_NOT_SUPPORTED,
  QNN_PROFILE_ERROR_INVALID_ARGUMENT = QNN_COMMON_ERROR_INVALID_ARGUMENT,
  QNN_PROFILE_ERROR_MEM_ALLOC = QNN_COMMON_ERROR_MEM_ALLOC,
  QNN_PROFILE_ERROR_INVALID_HANDLE = QNN_MIN_ERROR_PROFILE + 0,
  QNN_PROFILE_ERROR_HANDLE_IN_USE = QNN_MIN_ERROR_PROFILE + 1,
  QNN_PROFILE_ERROR_INCOMPATIBLE_EVENT = QNN_MIN_ERROR_PROFILE + 2,
  QNN_PROFILE_MAX_ERROR = QNN_MAX_ERROR_PROFILE,
  QNN_PROFILE_ERROR_UNDEFINED = 0x7FFFFFFF
} QnnProfile_Error_t;

// Names one event of a profile.
typedef uint64_t QnnProfile_EventId_t;

typedef uint32_t QnnProfile_Level_t;
#define QNN_PROFILE_LEVEL_BASIC 1
#define QNN_PROFILE_LEVEL_DETAILED 2
// Backends number their own levels from here.
#define QNN_PROFILE_LEVEL_BACKEND 1000

typedef uint32_t QnnProfile_EventType_t;
#define QNN_PROFILE_EVENTTYPE_INIT 100
#define QNN_PROFILE_EVENTTYPE_FINALIZE 300
#define QNN_PROFILE_EVENTTYPE_EXECUTE 400
#define QNN_PROFILE_EVENTTYPE_NODE 404
#define QNN_PROFILE_EVENTTYPE_EXECUTE_QUEUE_WAIT 405
#define QNN_PROFILE_EVENTTYPE_EXECUTE_PREPROCESS 406
#define QNN_PROFILE_EVENTTYPE_EXECUTE_DEVICE 407
#define QNN_PROFILE_EVENTTYPE_EXECUTE_POSTPROCESS 408
#define QNN_PROFILE_EVENTTYPE_DEINIT 500
#define QNN_PROFILE_EVENTTYPE_TRACE 600
// Backends number their own event types from here.
#define QNN_PROFILE_EVENTTYPE_BACKEND 1000

typedef uint32_t QnnProfile_EventUnit_t;
#define QNN_PROFILE_EVENTUNIT_MICROSEC 1
#define QNN_PROFILE_EVENTUNIT_BYTES 2
#define QNN_PROFILE_EVENTUNIT_CYCLES 3
#define QNN_PROFILE_EVENTUNIT_COUNT 4
#define QNN_PROFILE_EVENTUNIT_OBJECT 5
#define QNN_PROFILE_EVENTUNIT_NONE 6
#define QNN_PROFILE_EVENTUNIT_BACKEND 1000

typedef uint64_t QnnProfile_EventValue_t;

// What profileGetEventData answers for one event.
typedef struct {
  QnnProfile_EventType_t type;
  QnnProfile_EventUnit_t unit;
  QnnProfile_EventValue_t value;
  const char* identifier;
} QnnProfile_EventData_t;

typedef struct {
  Qnn_OpaqueObject_t opaqueObject;
  const char* fileName;
} QnnProfile_BackendOpaqueObject_t;

typedef struct {
  QnnProfile_EventType_t type;
  QnnProfile_EventUnit_t unit;
  union {
    Qnn_Scalar_t value;
    QnnProfile_BackendOpaqueObject_t backendOpaqueObject;
  };
  uint64_t timestamp;
  const char* identifier;
} QnnProfile_ExtendedEventDataV1_t;

typedef enum {
  QNN_PROFILE_DATA_VERSION_1 = 1,
  QNN_PROFILE_DATA_VERSION_UNDEFINED = 0x7FFFFFFF
} QnnProfile_ExtendedEventDataVersion_t;

typedef struct {
  QnnProfile_ExtendedEventDataVersion_t version;
  union {
    QnnProfile_ExtendedEventDataV1_t v1;
  };
} QnnProfile_ExtendedEventData_t;

typedef void* QnnProfile_CustomConfig_t;

typedef enum {
  QNN_PROFILE_CONFIG_OPTION_CUSTOM = 0,
  QNN_PROFILE_CONFIG_OPTION_MAX_EVENTS = 1,
  QNN_PROFILE_CONFIG_OPTION_ENABLE_OPTRACE = 2,
  QNN_PROFILE_CONFIG_OPTION_UNDEFINED = 0x7FFFFFFF
} QnnProfile_ConfigOption_t;

typedef struct {
  QnnProfile_ConfigOption_t option;
  union {
    QnnProfile_CustomConfig_t customConfig;
    uint64_t numMaxEvents;
    uint8_t enableOptrace;
  };
} QnnProfile_Config_t;

typedef Qnn_ErrorHandle_t (*QnnProfile_CreateFn_t)(Qnn_BackendHandle_t backend,
                                                   QnnProfile_Level_t level,
                                                   Qnn_ProfileHandle_t* profile);
typedef Qnn_ErrorHandle_t (*QnnProfile_SetConfigFn_t)(Qnn_ProfileHandle_t profileHandle,
                                                      const QnnProfile_Config_t** config);
// The profile's top-level events; the array stays QNN's.
typedef Qnn_ErrorHandle_t (*QnnProfile_GetEventsFn_t)(Qnn_ProfileHandle_t profileHandle,
                                                      const QnnProfile_EventId_t** profileEventIds,
                                                      uint32_t* numEvents);
typedef Qnn_ErrorHandle_t (*QnnProfile_GetSubEventsFn_t)(
    QnnProfile_EventId_t eventId, const QnnProfile_EventId_t** subEventIds,
    uint32_t* numSubEvents);
typedef Qnn_ErrorHandle_t (*QnnProfile_GetEventDataFn_t)(QnnProfile_EventId_t eventId,
                                                         QnnProfile_EventData_t* eventData);
typedef Qnn_ErrorHandle_t (*QnnProfile_GetExtendedEventDataFn_t)(
    QnnProfile_EventId_t eventId, QnnProfile_ExtendedEventData_t* eventData);
typedef Qnn_ErrorHandle_t (*QnnProfile_FreeFn_t)(Qnn_ProfileHandle_t profile);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_QNN_PROFILE_H_
