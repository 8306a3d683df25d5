// The QNN system library's DLC reader: composes graphs from a DLC file into
// a backend's context.
#ifndef VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_DLC_H_
#define VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_DLC_H_

#include "QnnGraph.h"
#include "QnnInterface.h"
#include "QnnTypes.h"
#include "System/QnnSystemCommon.h"
#include "System/QnnSystemContext.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void* QnnSystemDlc_Handle_t;

typedef enum {
  QNN_SYSTEM_DLC_MINERROR = QNN_MIN_ERROR_SYSTEM,
  QNN_SYSTEM_DLC_NO_ERROR = QNN_SUCCESS,
  QNN_SYSTEM_DLC_ERROR_UNSUPPORTED_FEATURE = QNN_COMMON_ERROR_NOT_SUPPORTED,
  QNN_SYSTEM_DLC_ERROR_INVALID_HANDLE = QNN_MIN_ERROR_SYSTEM + 0,
  QNN_SYSTEM_DLC_ERROR_INVALID_ARGUMENT = QNN_MIN_ERROR_SYSTEM + 1,
  QNN_SYSTEM_DLC_ERROR_OPERATION_FAILED = QNN_MIN_ERROR_SYSTEM + 2,
  QNN_SYSTEM_DLC_ERROR_MALFORMED_BINARY = QNN_MIN_ERROR_SYSTEM + 10,
  QNN_SYSTEM_DLC_MAXERROR = QNN_MAX_ERROR_SYSTEM
} QnnSystemDlc_Error_t;

typedef enum {
  QNN_SYSTEM_DLC_GRAPH_CONFIG_INFO_VERSION_1 = 1,
  QNN_SYSTEM_DLC_GRAPH_CONFIG_INFO_UNDEFINED = 0x7FFFFFFF
} QnnSystemContext_GraphConfigInfoVersion_t;

typedef struct {
  const char* graphName;
  const QnnGraph_Config_t** graphConfigs;
  uint32_t numConfigs;
} QnnSystemDlc_GraphConfigInfoV1_t;

typedef struct {
  QnnSystemContext_GraphConfigInfoVersion_t version;
  union {
    QnnSystemDlc_GraphConfigInfoV1_t v1;
  };
} QnnSystemDlc_GraphConfigInfo_t;

typedef Qnn_ErrorHandle_t (*QnnSystemDlc_createFromFileFn_t)(Qnn_LogHandle_t logger,
                                                             const char* dlcPath,
                                                             QnnSystemDlc_Handle_t* dlcHandle);
typedef Qnn_ErrorHandle_t (*QnnSystemDlc_createFromBinaryFn_t)(
    Qnn_LogHandle_t logger, const uint8_t* buffer, const Qnn_ContextBinarySize_t bufferSize,
    QnnSystemDlc_Handle_t* dlcHandle);
typedef Qnn_ErrorHandle_t (*QnnSystemDlc_composeGraphsFn_t)(
    QnnSystemDlc_Handle_t dlcHandle, const QnnSystemDlc_GraphConfigInfo_t** graphConfigs,
    const uint32_t numGraphConfigs, Qnn_BackendHandle_t backend, Qnn_ContextHandle_t context,
    QnnInterface_t interfaceProvider, QnnSystemContext_GraphInfoVersion_t graphVersion,
    QnnSystemContext_GraphInfo_t** graphs, uint32_t* numGraphs);
typedef Qnn_ErrorHandle_t (*QnnSystemDlc_getOpMappingsFn_t)(QnnSystemDlc_Handle_t dlcHandle,
                                                            const Qnn_OpMapping_t** opMappings,
                                                            uint32_t* numOpMappings);
typedef Qnn_ErrorHandle_t (*QnnSystemDlc_freeFn_t)(QnnSystemDlc_Handle_t dlcHandle);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_DLC_H_
