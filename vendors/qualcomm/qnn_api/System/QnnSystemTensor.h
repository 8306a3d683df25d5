// The QNN system library's tensor helper.
#ifndef VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_TENSOR_H_
#define VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_TENSOR_H_

#include "QnnTypes.h"
#include "System/QnnSystemCommon.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_SYSTEM_TENSOR_MIN_ERROR = QNN_MIN_ERROR_SYSTEM,
  QNN_SYSTEM_TENSOR_NO_ERROR = QNN_SUCCESS,
  QNN_SYSTEM_TENSOR_ERROR_UNSUPPORTED_FEATURE = QNN_COMMON_ERROR_NOT_SUPPORTED,
  QNN_SYSTEM_TENSOR_ERROR_INVALID_ARGUMENT = QNN_MIN_ERROR_SYSTEM + 1,
  QNN_SYSTEM_TENSOR_ERROR_INVALID_TENSOR = QNN_MIN_ERROR_SYSTEM + 2,
  QNN_SYSTEM_TENSOR_MAX_ERROR = QNN_MAX_ERROR_SYSTEM
} QnnSystemTensor_Error_t;

typedef Qnn_ErrorHandle_t (*QnnSystemTensor_getMemoryFootprintFn_t)(Qnn_Tensor_t tensor,
                                                                    uint64_t* footprint);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_TENSOR_H_
