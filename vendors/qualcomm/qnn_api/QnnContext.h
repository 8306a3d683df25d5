// QNN's context: the container of graphs, created empty or restored from a
// context binary, with the configs, parameters and callbacks its creation
// functions take.
#ifndef VANTRO_QNN_API_QNN_CONTEXT_H_
#define VANTRO_QNN_API_QNN_CONTEXT_H_

#include "QnnCommon.h"
#include "QnnMem.h"
#include "QnnTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_CONTEXT_MIN_ERROR = QNN_MIN_ERROR_CONTEXT,
  QNN_CONTEXT_NO_ERROR = QNN_SUCCESS,
  QNN_CONTEXT_ERROR_UNSUPPORTED_FEATURE = QNN_COMMON_ERROR_NOT_SUPPORTED,
  QNN_CONTEXT_ERROR_MEM_ALLOC = QNN_COMMON_ERROR_MEM_ALLOC,
  QNN_CONTEXT_ERROR_INVALID_ARGUMENT = QNN_MIN_ERROR_CONTEXT + 0,
  QNN_CONTEXT_ERROR_CTX_DOES_NOT_EXIST = QNN_MIN_ERROR_CONTEXT + 1,
  QNN_CONTEXT_ERROR_INVALID_HANDLE = QNN_MIN_ERROR_CONTEXT + 2,
  QNN_CONTEXT_ERROR_NOT_FINALIZED = QNN_MIN_ERROR_CONTEXT + 3,
  QNN_CONTEXT_ERROR_BINARY_VERSION = QNN_MIN_ERROR_CONTEXT + 4,
  QNN_CONTEXT_ERROR_CREATE_FROM_BINARY = QNN_MIN_ERROR_CONTEXT + 5,
  QNN_CONTEXT_ERROR_GET_BINARY_SIZE_FAILED = QNN_MIN_ERROR_CONTEXT + 6,
  QNN_CONTEXT_ERROR_GET_BINARY_FAILED = QNN_MIN_ERROR_CONTEXT + 7,
  QNN_CONTEXT_ERROR_BINARY_CONFIGURATION = QNN_MIN_ERROR_CONTEXT + 8,
  QNN_CONTEXT_ERROR_SET_PROFILE = QNN_MIN_ERROR_CONTEXT + 9,
  QNN_CONTEXT_ERROR_INVALID_CONFIG = QNN_MIN_ERROR_CONTEXT + 10,
  QNN_CONTEXT_ERROR_BINARY_SUBOPTIMAL = QNN_MIN_ERROR_CONTEXT + 11,
  QNN_CONTEXT_ERROR_ABORTED = QNN_MIN_ERROR_CONTEXT + 12,
  QNN_CONTEXT_ERROR_TIMED_OUT = QNN_MIN_ERROR_CONTEXT + 13,
  QNN_CONTEXT_ERROR_INCREMENT_INVALID_BUFFER = QNN_MIN_ERROR_CONTEXT + 14,
  QNN_CONTEXT_MAX_ERROR = QNN_MAX_ERROR_CONTEXT,
  QNN_CONTEXT_ERROR_UNDEFINED = 0x7FFFFFFF
} QnnContext_Error_t;

// A backend-specific record, defined by the backend's own headers.
typedef void* QnnContext_CustomConfig_t;

typedef enum {
  QNN_CONTEXT_CONFIG_OPTION_CUSTOM = 0,
  QNN_CONTEXT_CONFIG_OPTION_PRIORITY = 1,
  QNN_CONTEXT_CONFIG_OPTION_ERROR_REPORTING = 2,
  QNN_CONTEXT_CONFIG_OPTION_OEM_STRING = 3,
  QNN_CONTEXT_CONFIG_ASYNC_EXECUTION_QUEUE_DEPTH = 4,
  QNN_CONTEXT_CONFIG_ENABLE_GRAPHS = 5,
  QNN_CONTEXT_CONFIG_MEMORY_LIMIT_HINT = 6,
  QNN_CONTEXT_CONFIG_PERSISTENT_BINARY = 7,
  QNN_CONTEXT_CONFIG_BINARY_COMPATIBILITY = 8,
  QNN_CONTEXT_CONFIG_OPTION_DEFER_GRAPH_INIT = 9,
  QNN_CONTEXT_CONFIG_GRAPH_RETENTION_ORDER = 10,
  QNN_CONTEXT_CONFIG_UNDEFINED = 0x7FFFFFFF
} QnnContext_ConfigOption_t;

typedef enum {
  QNN_CONTEXT_BINARY_COMPATIBILITY_PERMISSIVE = 0,
  QNN_CONTEXT_BINARY_COMPATIBILITY_STRICT = 1,
  QNN_CONTEXT_BINARY_COMPATIBILITY_TYPE_UNDEFINED = 0x7FFFFFF
} QnnContext_BinaryCompatibilityType_t;

typedef enum {
  QNN_CONTEXT_ASYNC_EXECUTION_QUEUE_DEPTH_TYPE_NUMERIC = 0,
  QNN_CONTEXT_ASYNC_EXECUTION_QUEUE_DEPTH_TYPE_UNDEFINED = 0x7FFFFFF
} QnnContext_AsyncExecutionQueueDepthType_t;

typedef struct {
  QnnContext_AsyncExecutionQueueDepthType_t type;
  union {
    uint32_t depth;
  };
} QnnContext_AsyncExecutionQueueDepth_t;

// One entry of the null-terminated config list given at context creation.
typedef struct {
  QnnContext_ConfigOption_t option;
  union {
    QnnContext_CustomConfig_t customConfig;
    Qnn_Priority_t priority;
    Qnn_ErrorReportingConfig_t errorConfig;
    const char* oemString;
    QnnContext_AsyncExecutionQueueDepth_t asyncExeQueueDepth;
    const char* const* enableGraphs;
    uint64_t memoryLimitHint;
    uint8_t isPersistentBinary;
    QnnContext_BinaryCompatibilityType_t binaryCompatibilityType;
    uint8_t isGraphInitDeferred;
    const char* const* graphRetentionOrder;
  };
} QnnContext_Config_t;

// ------------------------------------------- asynchronous creation from lists

typedef enum {
  QNN_CONTEXT_NOTIFY_TYPE_GRAPH_INIT = 0,
  QNN_CONTEXT_NOTIFY_TYPE_CONTEXT_INIT = 1,
  QNN_CONTEXT_NOTIFY_TYPE_UNDEFINED = 0x7FFFFFF
} QnnContext_createFromBinaryAsyncNotifyType_t;

typedef void (*QnnContext_createFromBinaryNotifyFn_t)(
    Qnn_ContextHandle_t context, Qnn_GraphHandle_t graph, const char* graphName,
    QnnContext_createFromBinaryAsyncNotifyType_t completeType, void* notifyParam,
    Qnn_ErrorHandle_t status);

typedef enum {
  QNN_CONTEXT_PARAMS_VERSION_1 = 1,
  QNN_CONTEXT_PARAMS_VERSION_2 = 2,
  QNN_CONTEXT_PARAMS_VERSION_UNDEFINED = 0x7FFFFFFF
} QnnContext_ParamsVersion_t;

typedef struct {
  const QnnContext_Config_t** config;
  const void* binaryBuffer;
  const Qnn_ContextBinarySize_t binaryBufferSize;
  Qnn_ProfileHandle_t profile;
  QnnContext_createFromBinaryNotifyFn_t notifyFunc;
  void* notifyParam;
} QnnContext_ParamsV1_t;

// ---------------------------------------- binaries supplied through callbacks

typedef struct {
  Qnn_ContextBinarySize_t offset;
  Qnn_ContextBinarySize_t size;
  uint8_t isBackendMappingNeeded;
} Qnn_ContextBinaryDataRequest_t;

typedef struct {
  void* memPtr;
  Qnn_ContextBinarySize_t dataStartOffset;
  Qnn_ContextBinarySize_t alignedSize;
} Qnn_ContextBinaryRawDataResponse_t;

typedef struct {
  Qnn_MemDmaBufInfo_t dmaBuffer;
  Qnn_ContextBinarySize_t dataStartOffset;
  Qnn_ContextBinarySize_t alignedSize;
} Qnn_ContextBinaryDmaDataResponse_t;

typedef struct {
  void* memPtr;
  Qnn_ContextBinarySize_t memSize;
} Qnn_ContextBinaryRawDataMem_t;

typedef struct {
  Qnn_MemDmaBufInfo_t dmaBuffer;
  Qnn_ContextBinarySize_t memSize;
} Qnn_ContextBinaryDmaDataMem_t;

typedef Qnn_ErrorHandle_t (*Qnn_ContextBinaryRawDataProviderFn_t)(
    Qnn_ContextBinaryDataRequest_t request, Qnn_ContextBinaryRawDataResponse_t* response,
    void* notifyParam);
typedef Qnn_ErrorHandle_t (*Qnn_ContextBinaryDmaDataProviderFn_t)(
    Qnn_ContextBinaryDataRequest_t request, Qnn_ContextBinaryDmaDataResponse_t* response,
    void* notifyParam);
typedef Qnn_ErrorHandle_t (*Qnn_ContextBinaryRawDataReleaseFn_t)(
    Qnn_ContextBinaryRawDataMem_t data, void* notifyParam);
typedef Qnn_ErrorHandle_t (*Qnn_ContextBinaryDmaDataReleaseFn_t)(
    Qnn_ContextBinaryDmaDataMem_t data, void* notifyParam);

typedef enum {
  QNN_CONTEXT_CALLBACK_RAW_BUFFER_VERSION_1 = 1,
  QNN_CONTEXT_CALLBACK_RAW_BUFFER_VERSION_UNDEFINED = 0x7FFFFFFF
} Qnn_ContextBinaryRawBufferCallbackVersion_t;

typedef enum {
  QNN_CONTEXT_CALLBACK_DMA_BUFFER_VERSION_1 = 1,
  QNN_CONTEXT_CALLBACK_DMA_BUFFER_VERSION_UNDEFINED = 0x7FFFFFFF
} Qnn_ContextBinaryDmaBufferCallbackVersion_t;

typedef struct {
  Qnn_ContextBinaryRawDataProviderFn_t dataProvide;
  Qnn_ContextBinaryRawDataReleaseFn_t dataRelease;
  void* notifyParam;
} Qnn_ContextBinaryRawBufferCallbackV1_t;

typedef struct {
  Qnn_ContextBinaryDmaDataProviderFn_t dataProvide;
  Qnn_ContextBinaryDmaDataReleaseFn_t dataRelease;
  void* notifyParam;
} Qnn_ContextBinaryDmaBufferCallbackV1_t;

typedef struct {
  Qnn_ContextBinaryRawBufferCallbackVersion_t version;
  union {
    Qnn_ContextBinaryRawBufferCallbackV1_t v1;
  };
} Qnn_ContextBinaryRawBufferCallback_t;

typedef struct {
  Qnn_ContextBinaryDmaBufferCallbackVersion_t version;
  union {
    Qnn_ContextBinaryDmaBufferCallbackV1_t v1;
  };
} Qnn_ContextBinaryDmaBufferCallback_t;

typedef enum {
  QNN_CONTEXT_CALLBACK_RAW_BUFFER = 1,
  QNN_CONTEXT_CALLBACK_DMA_BUFFER = 2,
  QNN_CONTEXT_CALLBACK_UNDEFINED = 0x7FFFFFFF
} Qnn_ContextBinaryCallbackType_t;

typedef struct {
  Qnn_ContextBinaryCallbackType_t type;
  union {
    Qnn_ContextBinaryRawBufferCallback_t rawBufferCallback;
    Qnn_ContextBinaryDmaBufferCallback_t dmaBufferCallback;
  };
} Qnn_ContextBinaryCallback_t;

typedef struct {
  const QnnContext_Config_t** config;
  const void* binaryBuffer;
  const Qnn_ContextBinarySize_t binaryBufferSize;
  Qnn_ProfileHandle_t profile;
  QnnContext_createFromBinaryNotifyFn_t notifyFunc;
  void* notifyParam;
  const Qnn_ContextBinaryCallback_t* callback;
} QnnContext_ParamsV2_t;

typedef struct {
  QnnContext_ParamsVersion_t version;
  union {
    QnnContext_ParamsV1_t v1;
    QnnContext_ParamsV2_t* v2;
  };
} QnnContext_Params_t;

// ------------------------------------------------------- binary sections

typedef enum {
  QNN_CONTEXT_SECTION_UPDATABLE = 1,
  QNN_CONTEXT_SECTION_UPDATABLE_WEIGHTS = 2,
  QNN_CONTEXT_SECTION_UPDATABLE_QUANT_PARAMS = 3,
  QNN_CONTEXT_SECTION_UNDEFINED = 0x7FFFFFFF
} QnnContext_SectionType_t;

typedef enum {
  QNN_CONTEXTMEMTYPE_RAW = 0,
  QNN_CONTEXTMEMTYPE_MEMHANDLE = 1,
  QNN_CONTEXTMEMTYPE_UNDEFINED = 0x7FFFFFFF
} QnnContext_MemType_t;

typedef struct {
  void* data;
  Qnn_ContextBinarySize_t dataSize;
} Qnn_BinaryBuffer_t;

typedef struct {
  QnnContext_MemType_t memType;
  union {
    Qnn_BinaryBuffer_t binaryBuf;
    Qnn_MemHandle_t memHandle;
  };
} QnnContext_BufferV1_t;

typedef enum {
  QNN_CONTEXT_BUFFER_VERSION_1 = 1,
  QNN_CONTEXT_BUFFER_VERSION_UNDEFINED = 0x7FFFFFFF
} QnnContext_BufferVersion_t;

typedef struct {
  QnnContext_BufferVersion_t version;
  union {
    QnnContext_BufferV1_t v1;
  };
} QnnContext_Buffer_t;

typedef void* QnnContext_CustomProperty_t;

typedef enum {
  QNN_CONTEXT_PROPERTY_OPTION_CUSTOM = 0,
  QNN_CONTEXT_PROPERTY_OPTION_UNDEFINED = 0x7FFFFFFF
} QnnContext_PropertyOption_t;

typedef struct {
  QnnContext_PropertyOption_t option;
  union {
    QnnContext_CustomProperty_t customProperty;
  };
} QnnContext_Property_t;

// ------------------------------------------------------------- functions

typedef Qnn_ErrorHandle_t (*QnnContext_CreateFn_t)(Qnn_BackendHandle_t backend,
                                                   Qnn_DeviceHandle_t device,
                                                   const QnnContext_Config_t** config,
                                                   Qnn_ContextHandle_t* context);
typedef Qnn_ErrorHandle_t (*QnnContext_SetConfigFn_t)(Qnn_ContextHandle_t context,
                                                      const QnnContext_Config_t** config);
typedef Qnn_ErrorHandle_t (*QnnContext_GetBinarySizeFn_t)(
    Qnn_ContextHandle_t context, Qnn_ContextBinarySize_t* binaryBufferSize);
typedef Qnn_ErrorHandle_t (*QnnContext_GetBinaryFn_t)(Qnn_ContextHandle_t context,
                                                      void* binaryBuffer,
                                                      Qnn_ContextBinarySize_t binaryBufferSize,
                                                      Qnn_ContextBinarySize_t* writtenBufferSize);
typedef Qnn_ErrorHandle_t (*QnnContext_CreateFromBinaryFn_t)(
    Qnn_BackendHandle_t backend, Qnn_DeviceHandle_t device, const QnnContext_Config_t** config,
    const void* binaryBuffer, Qnn_ContextBinarySize_t binaryBufferSize,
    Qnn_ContextHandle_t* context, Qnn_ProfileHandle_t profile);
typedef Qnn_ErrorHandle_t (*QnnContext_FreeFn_t)(Qnn_ContextHandle_t context,
                                                 Qnn_ProfileHandle_t profile);
typedef Qnn_ErrorHandle_t (*QnnContext_ValidateBinaryFn_t)(
    Qnn_BackendHandle_t backend, Qnn_DeviceHandle_t device, const QnnContext_Config_t** config,
    const void* binaryBuffer, Qnn_ContextBinarySize_t binaryBufferSize);
typedef Qnn_ErrorHandle_t (*QnnContext_CreateFromBinaryWithSignalFn_t)(
    Qnn_BackendHandle_t backend, Qnn_DeviceHandle_t device, const QnnContext_Config_t** config,
    const void* binaryBuffer, Qnn_ContextBinarySize_t binaryBufferSize,
    Qnn_ContextHandle_t* context, Qnn_ProfileHandle_t profile, Qnn_SignalHandle_t signal);
typedef Qnn_ErrorHandle_t (*QnnContext_CreateFromBinaryListAsyncFn_t)(
    Qnn_BackendHandle_t backend, Qnn_DeviceHandle_t device, const QnnContext_Params_t** contextParams,
    const QnnContext_Config_t** listConfig, Qnn_SignalHandle_t signal);
typedef Qnn_ErrorHandle_t (*QnnContext_FinalizeFn_t)(Qnn_ContextHandle_t context,
                                                     Qnn_ProfileHandle_t profile);
typedef Qnn_ErrorHandle_t (*QnnContext_CreateFromBinaryWithCallbackFn_t)(
    Qnn_BackendHandle_t backend, Qnn_DeviceHandle_t device, const QnnContext_Config_t** config,
    const Qnn_ContextBinaryCallback_t* callback, const void* binaryBuffer,
    Qnn_ContextBinarySize_t binaryBufferSize, Qnn_ContextHandle_t* context,
    Qnn_ProfileHandle_t profile, Qnn_SignalHandle_t signal);
typedef Qnn_ErrorHandle_t (*QnnContext_GetBinarySectionSizeFn_t)(
    Qnn_ContextHandle_t context, Qnn_GraphHandle_t graph, QnnContext_SectionType_t section,
    Qnn_ContextBinarySize_t* binaryBufferSize);
typedef Qnn_ErrorHandle_t (*QnnContext_GetBinarySectionFn_t)(
    Qnn_ContextHandle_t context, Qnn_GraphHandle_t graph, QnnContext_SectionType_t section,
    const QnnContext_Buffer_t* binaryBuffer, Qnn_ContextBinarySize_t* writtenBufferSize,
    Qnn_ProfileHandle_t profile, Qnn_SignalHandle_t signal);
typedef Qnn_ErrorHandle_t (*QnnContext_ApplyBinarySectionFn_t)(
    Qnn_ContextHandle_t context, Qnn_GraphHandle_t graph, QnnContext_SectionType_t section,
    const QnnContext_Buffer_t* binaryBuffer, Qnn_ProfileHandle_t profile,
    Qnn_SignalHandle_t signal);
typedef Qnn_ErrorHandle_t (*QnnContext_GetBinarySectionUpdateFn_t)(
    const QnnContext_Buffer_t* contextBinary, const QnnContext_Buffer_t* section,
    const Qnn_Tensor_t** updatedTensors, uint64_t numUpdatedTensors, uint8_t isWeightUpdate,
    Qnn_LogHandle_t logger, Qnn_ProfileHandle_t profile, Qnn_SignalHandle_t signal,
    QnnContext_Buffer_t* sectionUpdate);
typedef Qnn_ErrorHandle_t (*QnnContext_FreeBinarySectionUpdateFn_t)(
    QnnContext_Buffer_t sectionUpdate, Qnn_LogHandle_t logger);
typedef Qnn_ErrorHandle_t (*QnnContext_GetPropertyFn_t)(Qnn_ContextHandle_t context,
                                                        QnnContext_Property_t** properties);
typedef Qnn_ErrorHandle_t (*QnnContext_GetIncrementalBinaryFn_t)(
    Qnn_ContextHandle_t context, const void** binaryBuffer,
    Qnn_ContextBinarySize_t* startOffset, Qnn_ContextBinarySize_t* writtenBufferSize);
typedef Qnn_ErrorHandle_t (*QnnContext_ReleaseIncrementalBinaryFn_t)(
    Qnn_ContextHandle_t context, const void* binaryBuffer, Qnn_ContextBinarySize_t startOffset);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_QNN_CONTEXT_H_
