// The QNN system library's own logger.
#ifndef VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_LOG_H_
#define VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_LOG_H_

#include "QnnLog.h"
#include "System/QnnSystemCommon.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef Qnn_ErrorHandle_t (*QnnSystemLog_createFn_t)(QnnLog_Callback_t callback,
                                                     QnnLog_Level_t maxLogLevel,
                                                     Qnn_LogHandle_t* logger);
typedef Qnn_ErrorHandle_t (*QnnSystemLog_setLogLevelFn_t)(Qnn_LogHandle_t logger,
                                                          QnnLog_Level_t maxLogLevel);
typedef Qnn_ErrorHandle_t (*QnnSystemLog_freeFn_t)(Qnn_LogHandle_t logger);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_LOG_H_
