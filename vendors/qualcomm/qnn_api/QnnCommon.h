// Our declarations of QNN's published interface, written from the layout
// facts of the QNN SDK: same names, layouts, values and table order as
// QNN publishes, so that the plug-in and real QNN libraries agree byte for
// byte. tests/qnn_layout checks every record and constant declared here.
//
// This file: what every other QNN header builds on: the result word, the
// opaque handles, the core API version these declarations describe and the
// ranges in which each module numbers its errors.
#ifndef VANTRO_QNN_API_QNN_COMMON_H_
#define VANTRO_QNN_API_QNN_COMMON_H_

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Visibility of the entry points a QNN library exports.
#if defined(_WIN32)
#define QNN_API
#else
#define QNN_API __attribute__((visibility("default")))
#endif

// The core API version of the tables declared here. Libraries offering a
// newer minor version extend the table at its end.
#define QNN_API_VERSION_MAJOR 2
#define QNN_API_VERSION_MINOR 32
#define QNN_API_VERSION_PATCH 0

// Result of every QNN call: 0 is success; the low 16 bits carry the error
// code, the upper bits may carry backend detail.
typedef uint64_t Qnn_ErrorHandle_t;
#define QNN_SUCCESS 0
#define QNN_GET_ERROR_CODE(errorHandle) ((errorHandle) & 0xFFFF)

// Opaque handles; QNN owns what they designate.
typedef void* Qnn_Handle_t;
typedef Qnn_Handle_t Qnn_LogHandle_t;
typedef Qnn_Handle_t Qnn_BackendHandle_t;
typedef Qnn_Handle_t Qnn_DeviceHandle_t;
typedef Qnn_Handle_t Qnn_ContextHandle_t;
typedef Qnn_Handle_t Qnn_GraphHandle_t;
typedef Qnn_Handle_t Qnn_ProfileHandle_t;
typedef Qnn_Handle_t Qnn_SignalHandle_t;
typedef Qnn_Handle_t Qnn_MemHandle_t;
typedef Qnn_Handle_t Qnn_OpPackageHandle_t;

// The backend id of a provider that names no backend.
#define QNN_BACKEND_ID_NULL 0

// Each module numbers its errors inside its own range.
#define QNN_MIN_ERROR_COMMON 1000
#define QNN_MAX_ERROR_COMMON 1999
#define QNN_MIN_ERROR_PROPERTY 2000
#define QNN_MAX_ERROR_PROPERTY 2999
#define QNN_MIN_ERROR_OP_PACKAGE 3000
#define QNN_MAX_ERROR_OP_PACKAGE 3999
#define QNN_MIN_ERROR_BACKEND 4000
#define QNN_MIN_ERROR_BACKEND_SAVER 4950
#define QNN_MAX_ERROR_BACKEND_SAVER 4998
#define QNN_MAX_ERROR_BACKEND 4999
#define QNN_MIN_ERROR_CONTEXT 5000
#define QNN_MAX_ERROR_CONTEXT 5999
#define QNN_MIN_ERROR_GRAPH 6000
#define QNN_MAX_ERROR_GRAPH 6999
#define QNN_MIN_ERROR_TENSOR 7000
#define QNN_MAX_ERROR_TENSOR 7999
#define QNN_MIN_ERROR_MEM 8000
#define QNN_MAX_ERROR_MEM 8999
#define QNN_MIN_ERROR_SIGNAL 9000
#define QNN_MAX_ERROR_SIGNAL 9999
#define QNN_MIN_ERROR_ERROR 10000
#define QNN_MAX_ERROR_ERROR 10999
#define QNN_MIN_ERROR_LOG 11000
#define QNN_MAX_ERROR_LOG 11999
#define QNN_MIN_ERROR_PROFILE 12000
#define QNN_MAX_ERROR_PROFILE 12999
#define QNN_MIN_ERROR_PERF_INFRASTRUCTURE 13000
#define QNN_MAX_ERROR_PERF_INFRASTRUCTURE 13999
#define QNN_MIN_ERROR_DEVICE 14000
#define QNN_MAX_ERROR_DEVICE 14999
#define QNN_MIN_ERROR_GLOBAL_CONFIG 15000
#define QNN_MAX_ERROR_GLOBAL_CONFIG 15999
#define QNN_MIN_ERROR_SYSTEM 30000
#define QNN_MAX_ERROR_SYSTEM 49999
#define QNN_MIN_ERROR_INTERFACE 60000
#define QNN_MAX_ERROR_INTERFACE 60999

// Errors any module may answer.
typedef enum {
  QNN_COMMON_MIN_ERROR = QNN_MIN_ERROR_COMMON,
  QNN_COMMON_ERROR_NOT_SUPPORTED = QNN_MIN_ERROR_COMMON + 0,
  QNN_COMMON_ERROR_MEM_ALLOC = QNN_MIN_ERROR_COMMON + 2,
  QNN_COMMON_ERROR_SYSTEM = QNN_MIN_ERROR_COMMON + 3,
  QNN_COMMON_ERROR_INVALID_ARGUMENT = QNN_MIN_ERROR_COMMON + 4,
  QNN_COMMON_ERROR_OPERATION_NOT_PERMITTED = QNN_MIN_ERROR_COMMON + 5,
  QNN_COMMON_ERROR_PLATFORM_NOT_SUPPORTED = QNN_MIN_ERROR_COMMON + 6,
  QNN_COMMON_ERROR_SYSTEM_COMMUNICATION = QNN_MIN_ERROR_COMMON + 7,
  QNN_COMMON_ERROR_INCOMPATIBLE_BINARIES = QNN_MIN_ERROR_COMMON + 8,
  QNN_COMMON_ERROR_LOADING_BINARIES = QNN_MIN_ERROR_COMMON + 9,
  QNN_COMMON_ERROR_RESOURCE_UNAVAILABLE = QNN_MIN_ERROR_COMMON + 10,
  QNN_COMMON_ERROR_SYSTEM_COMMUNICATION_FATAL = QNN_MIN_ERROR_COMMON + 11,
  QNN_COMMON_ERROR_GENERAL = QNN_MIN_ERROR_COMMON + 100,
  QNN_COMMON_MAX_ERROR = QNN_MAX_ERROR_COMMON,
  QNN_COMMON_ERROR_UNDEFINED = 0x7FFFFFFF
} QnnCommon_Error_t;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_QNN_COMMON_H_
