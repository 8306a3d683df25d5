// QNN's logging: the levels and the callback through which a QNN library
// hands its messages to the client.
#ifndef VANTRO_QNN_API_QNN_LOG_H_
#define VANTRO_QNN_API_QNN_LOG_H_

#include <stdarg.h>

#include "QnnCommon.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_LOG_MIN_ERROR = QNN_MIN_ERROR_LOG,
  QNN_LOG_NO_ERROR = QNN_SUCCESS,
  QNN_LOG_ERROR_MEM_ALLOC = QNN_COMMON_ERROR_MEM_ALLOC,
  QNN_LOG_ERROR_INITIALIZATION = QNN_MIN_ERROR_LOG + 2,
  QNN_LOG_ERROR_INVALID_ARGUMENT = QNN_MIN_ERROR_LOG + 3,
  QNN_LOG_ERROR_INVALID_HANDLE = QNN_MIN_ERROR_LOG + 4,
  QNN_LOG_MAX_ERROR = QNN_MAX_ERROR_LOG,
  QNN_LOG_ERROR_UNDEFINED = 0x7FFFFFFF
} QnnLog_Error_t;

typedef enum {
  QNN_LOG_LEVEL_ERROR = 1,
  QNN_LOG_LEVEL_WARN = 2,
  QNN_LOG_LEVEL_INFO = 3,
  QNN_LOG_LEVEL_VERBOSE = 4,
  QNN_LOG_LEVEL_DEBUG = 5,
  QNN_LOG_LEVEL_MAX = 0x7FFFFFFF
} QnnLog_Level_t;

// Receives one printf-style message; may be called from QNN's own threads.
typedef void (*QnnLog_Callback_t)(const char* fmt, QnnLog_Level_t level, uint64_t timestamp,
                                  va_list args);

typedef Qnn_ErrorHandle_t (*QnnLog_CreateFn_t)(QnnLog_Callback_t callback,
                                               QnnLog_Level_t maxLogLevel,
                                               Qnn_LogHandle_t* logger);
typedef Qnn_ErrorHandle_t (*QnnLog_SetLogLevelFn_t)(Qnn_LogHandle_t logger,
                                                    QnnLog_Level_t maxLogLevel);
typedef Qnn_ErrorHandle_t (*QnnLog_FreeFn_t)(Qnn_LogHandle_t logger);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_QNN_LOG_H_
