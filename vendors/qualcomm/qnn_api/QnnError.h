// QNN's error texts: a message, and a verbose one the client frees, for a
// result word.
#ifndef VANTRO_QNN_API_QNN_ERROR_H_
#define VANTRO_QNN_API_QNN_ERROR_H_

#include "QnnCommon.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_ERROR_MIN_ERROR = QNN_MIN_ERROR_ERROR,
  QNN_ERROR_NO_ERROR = QNN_SUCCESS,
  QNN_ERROR_INVALID_ARGUMENT = QNN_MIN_ERROR_ERROR + 0,
  QNN_ERROR_INVALID_ERROR_HANDLE = QNN_MIN_ERROR_ERROR + 1,
  QNN_ERROR_MAX_ERROR = QNN_MAX_ERROR_ERROR,
  QNN_ERROR_UNDEFINED = 0x7FFFFFFF
} QnnError_Error_t;

typedef Qnn_ErrorHandle_t (*QnnError_GetMessageFn_t)(Qnn_ErrorHandle_t errorHandle,
                                                     const char** errorMessage);
typedef Qnn_ErrorHandle_t (*QnnError_GetVerboseMessageFn_t)(Qnn_ErrorHandle_t errorHandle,
                                                            const char** errorMessage);
typedef Qnn_ErrorHandle_t (*QnnError_FreeVerboseMessageFn_t)(const char* errorMessage);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_QNN_ERROR_H_
