// QNN's signals: handles through which a client aborts or times out a
// long-running call.
#ifndef VANTRO_QNN_API_QNN_SIGNAL_H_
#define VANTRO_QNN_API_QNN_SIGNAL_H_

#include "QnnCommon.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_SIGNAL_MIN_ERROR = QNN_MIN_ERROR_SIGNAL,
  QNN_SIGNAL_NO_ERROR = QNN_SUCCESS,
  QNN_SIGNAL_ERROR_UNSUPPORTED = QNN_COMMON_ERROR_NOT_SUPPORTED,
  QNN_SIGNAL_ERROR_SIGNAL_IN_USE = QNN_MIN_ERROR_SIGNAL + 0,
  QNN_SIGNAL_ERROR_SIGNAL_IDLE = QNN_MIN_ERROR_SIGNAL + 1,
  QNN_SIGNAL_ERROR_INVALID_ARGUMENT = QNN_MIN_ERROR_SIGNAL + 2,
  QNN_SIGNAL_ERROR_INVALID_HANDLE = QNN_MIN_ERROR_SIGNAL + 3,
  QNN_SIGNAL_ERROR_TIMEOUT = QNN_MIN_ERROR_SIGNAL + 4,
  QNN_SIGNAL_ERROR_INCOMPATIBLE_SIGNAL_TYPE = QNN_MIN_ERROR_SIGNAL + 5,
  QNN_SIGNAL_ERROR_MEM_ALLOC = QNN_COMMON_ERROR_MEM_ALLOC,
  QNN_SIGNAL_MAX_ERROR = QNN_MAX_ERROR_SIGNAL,
  QNN_SIGNAL_ERROR_UNDEFINED = 0x7FFFFFFF
} QnnSignal_Error_t;

typedef void* QnnSignal_CustomConfig_t;

typedef enum {
  QNN_SIGNAL_CONFIG_OPTION_CUSTOM = 0,
  QNN_SIGNAL_CONFIG_OPTION_ABORT = 1,
  QNN_SIGNAL_CONFIG_OPTION_TIMEOUT = 2,
  QNN_SIGNAL_CONFIG_UNDEFINED = 0x7FFFFFFF
} QnnSignal_ConfigOption_t;

typedef struct {
  QnnSignal_ConfigOption_t option;
  union {
    QnnSignal_CustomConfig_t customConfig;
    uint64_t timeoutDurationUs;
  };
} QnnSignal_Config_t;

typedef Qnn_ErrorHandle_t (*QnnSignal_CreateFn_t)(Qnn_BackendHandle_t backend,
                                                  const QnnSignal_Config_t** config,
                                                  Qnn_SignalHandle_t* signal);
typedef Qnn_ErrorHandle_t (*QnnSignal_SetConfigFn_t)(Qnn_SignalHandle_t signal,
                                                     const QnnSignal_Config_t** config);
typedef Qnn_ErrorHandle_t (*QnnSignal_TriggerFn_t)(Qnn_SignalHandle_t signal);
typedef Qnn_ErrorHandle_t (*QnnSignal_FreeFn_t)(Qnn_SignalHandle_t signal);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_QNN_SIGNAL_H_
