// The QNN system context: reads a context binary's metadata (its graphs
// with their input and output tensors, and the context's own tensors)
// without a backend.
#ifndef VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_CONTEXT_H_
#define VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_CONTEXT_H_

#include "QnnDevice.h"
#include "QnnTypes.h"
#include "System/QnnSystemCommon.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void* QnnSystemContext_Handle_t;

#define QNN_SYSTEM_CONTEXT_MIN_ERROR 30000
#define QNN_SYSTEM_CONTEXT_MAX_ERROR 30999

typedef enum {
  QNN_SYSTEM_CONTEXT_MINERROR = QNN_MIN_ERROR_SYSTEM,
  QNN_SYSTEM_CONTEXT_NO_ERROR = QNN_SUCCESS,
  QNN_SYSTEM_CONTEXT_ERROR_UNSUPPORTED_FEATURE = QNN_COMMON_ERROR_NOT_SUPPORTED,
  QNN_SYSTEM_CONTEXT_ERROR_INVALID_HANDLE = QNN_MIN_ERROR_SYSTEM + 0,
  QNN_SYSTEM_CONTEXT_ERROR_INVALID_ARGUMENT = QNN_MIN_ERROR_SYSTEM + 1,
  QNN_SYSTEM_CONTEXT_ERROR_OPERATION_FAILED = QNN_MIN_ERROR_SYSTEM + 2,
  QNN_SYSTEM_CONTEXT_ERROR_MALFORMED_BINARY = QNN_MIN_ERROR_SYSTEM + 10,
  QNN_SYSTEM_CONTEXT_MAXERROR = QNN_MAX_ERROR_SYSTEM
} QnnSystemContext_Error_t;

// ----------------------------------------------------------------- graphs

// Version 1: the graph's name and its input and output tensors.
typedef struct {
  const char* graphName;
  uint32_t numGraphInputs;
  Qnn_Tensor_t* graphInputs;
  uint32_t numGraphOutputs;
  Qnn_Tensor_t* graphOutputs;
} QnnSystemContext_GraphInfoV1_t;

// Version 2 adds the tensors whose contents may be updated.
typedef struct {
  const char* graphName;
  uint32_t numGraphInputs;
  Qnn_Tensor_t* graphInputs;
  uint32_t numGraphOutputs;
  Qnn_Tensor_t* graphOutputs;
  uint32_t numUpdateableTensors;
  Qnn_Tensor_t* updateableTensors;
} QnnSystemContext_GraphInfoV2_t;

// Version 3 adds the graph's blob and the range of its operations.
typedef struct {
  const char* graphName;
  uint32_t numGraphInputs;
  Qnn_Tensor_t* graphInputs;
  uint32_t numGraphOutputs;
  Qnn_Tensor_t* graphOutputs;
  uint32_t numUpdateableTensors;
  Qnn_Tensor_t* updateableTensors;
  uint32_t graphBlobInfoSize;
  void* graphBlobInfo;
  uint32_t startOpIndex;
  uint32_t endOpIndex;
} QnnSystemContext_GraphInfoV3_t;

typedef enum {
  QNN_SYSTEM_CONTEXT_GRAPH_INFO_VERSION_1 = 1,
  QNN_SYSTEM_CONTEXT_GRAPH_INFO_VERSION_2 = 2,
  QNN_SYSTEM_CONTEXT_GRAPH_INFO_VERSION_3 = 3,
  QNN_SYSTEM_CONTEXT_GRAPH_INFO_UNDEFINED = 0x7FFFFFFF
} QnnSystemContext_GraphInfoVersion_t;

typedef struct {
  QnnSystemContext_GraphInfoVersion_t version;
  union {
    QnnSystemContext_GraphInfoV1_t graphInfoV1;
    QnnSystemContext_GraphInfoV2_t graphInfoV2;
    QnnSystemContext_GraphInfoV3_t graphInfoV3;
  };
} QnnSystemContext_GraphInfo_t;

// ---------------------------------------------------------------- binaries

// Versions 1 and 2 share their leading fields; version 2 adds the platform.
typedef struct {
  uint32_t backendId;
  const char* buildId;
  Qnn_Version_t coreApiVersion;
  Qnn_Version_t backendApiVersion;
  const char* socVersion;
  Qnn_Version_t hwInfoBlobVersion;
  Qnn_Version_t contextBlobVersion;
  uint32_t hwInfoBlobSize;
  void* hwInfoBlob;
  uint64_t contextBlobSize;
  uint32_t numContextTensors;
  Qnn_Tensor_t* contextTensors;
  uint32_t numGraphs;
  QnnSystemContext_GraphInfo_t* graphs;
} QnnSystemContext_BinaryInfoV1_t;

typedef struct {
  uint32_t backendId;
  const char* buildId;
  Qnn_Version_t coreApiVersion;
  Qnn_Version_t backendApiVersion;
  const char* socVersion;
  Qnn_Version_t hwInfoBlobVersion;
  Qnn_Version_t contextBlobVersion;
  uint32_t hwInfoBlobSize;
  void* hwInfoBlob;
  uint64_t contextBlobSize;
  uint32_t numContextTensors;
  Qnn_Tensor_t* contextTensors;
  uint32_t numGraphs;
  QnnSystemContext_GraphInfo_t* graphs;
  QnnDevice_PlatformInfo_t* platformInfo;
} QnnSystemContext_BinaryInfoV2_t;

// Version 3 drops the hardware-info blob, so its later fields move.
typedef struct {
  uint32_t backendId;
  const char* buildId;
  Qnn_Version_t coreApiVersion;
  Qnn_Version_t backendApiVersion;
  const char* socVersion;
  Qnn_Version_t contextBlobVersion;
  uint64_t contextBlobSize;
  uint32_t numContextTensors;
  Qnn_Tensor_t* contextTensors;
  uint32_t numGraphs;
  QnnSystemContext_GraphInfo_t* graphs;
  QnnDevice_PlatformInfo_t* platformInfo;
  uint32_t contextMetadataSize;
  void* contextMetadata;
  uint32_t socModel;
} QnnSystemContext_BinaryInfoV3_t;

typedef enum {
  QNN_SYSTEM_CONTEXT_BINARY_INFO_VERSION_1 = 1,
  QNN_SYSTEM_CONTEXT_BINARY_INFO_VERSION_2 = 2,
  QNN_SYSTEM_CONTEXT_BINARY_INFO_VERSION_3 = 3,
  QNN_SYSTEM_CONTEXT_BINARY_INFO_UNDEFINED = 0x7FFFFFFF
} QnnSystemContext_BinaryInfoVersion_t;

// A context binary's metadata; owned by the system context that read it.
typedef struct {
  QnnSystemContext_BinaryInfoVersion_t version;
  union {
    QnnSystemContext_BinaryInfoV1_t contextBinaryInfoV1;
    QnnSystemContext_BinaryInfoV2_t contextBinaryInfoV2;
    QnnSystemContext_BinaryInfoV3_t contextBinaryInfoV3;
  };
} QnnSystemContext_BinaryInfo_t;

typedef Qnn_ErrorHandle_t (*QnnSystemContext_CreateFn_t)(QnnSystemContext_Handle_t* sysCtxHandle);
// Reads `binaryBuffer`; the record stays valid until the system context is
// freed.
typedef Qnn_ErrorHandle_t (*QnnSystemContext_GetBinaryInfoFn_t)(
    QnnSystemContext_Handle_t sysCtxHandle, void* binaryBuffer, uint64_t binaryBufferSize,
    const QnnSystemContext_BinaryInfo_t** binaryInfo, Qnn_ContextBinarySize_t* binaryInfoSize);
typedef Qnn_ErrorHandle_t (*QnnSystemContext_GetMetaDataFn_t)(
    QnnSystemContext_Handle_t sysCtxHandle, const void* binaryBuffer, uint64_t binaryBufferSize,
    const QnnSystemContext_BinaryInfo_t** binaryInfo);
typedef Qnn_ErrorHandle_t (*QnnSystemContext_FreeFn_t)(QnnSystemContext_Handle_t sysCtxHandle);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_SYSTEM_QNN_SYSTEM_CONTEXT_H_
