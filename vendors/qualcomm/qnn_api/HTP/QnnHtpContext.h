// The HTP backend's context configs: weight sharing, multi-context groups,
// the file-read memory budget, initialisation acceleration and the other
// records a custom context config (QnnContext_Config_t, option CUSTOM)
// points at; and the properties an HTP context reports.
#ifndef VANTRO_QNN_API_HTP_QNN_HTP_CONTEXT_H_
#define VANTRO_QNN_API_HTP_QNN_HTP_CONTEXT_H_

#include "QnnContext.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_HTP_CONTEXT_CONFIG_OPTION_WEIGHT_SHARING_ENABLED = 1,
  QNN_HTP_CONTEXT_CONFIG_OPTION_REGISTER_MULTI_CONTEXTS = 2,
  QNN_HTP_CONTEXT_CONFIG_OPTION_FILE_READ_MEMORY_BUDGET = 3,
  QNN_HTP_CONTEXT_CONFIG_OPTION_DSP_MEMORY_PROFILING_ENABLED = 4,
  QNN_HTP_CONTEXT_CONFIG_OPTION_SHARE_RESOURCES = 5,
  QNN_HTP_CONTEXT_CONFIG_OPTION_IO_MEM_ESTIMATION = 6,
  QNN_HTP_CONTEXT_CONFIG_OPTION_PREPARE_ONLY = 7,
  QNN_HTP_CONTEXT_CONFIG_OPTION_INIT_ACCELERATION = 8,
  QNN_HTP_CONTEXT_CONFIG_OPTION_SKIP_VALIDATION_ON_BINARY_SECTION = 9,
  QNN_HTP_CONTEXT_CONFIG_OPTION_SHARE_RESOURCES_OPTIMIZATION_TYPE = 10,
  QNN_HTP_CONTEXT_CONFIG_OPTION_USE_EXTENDED_UDMA = 11,
  QNN_HTP_CONTEXT_CONFIG_OPTION_REGISTER_CONCURRENT_RESOURCE_SHARING = 12,
  QNN_HTP_CONTEXT_CONFIG_OPTION_LORA_WEIGHT_SHARING_ENABLED = 13,
  QNN_HTP_CONTEXT_CONFIG_OPTION_RESERVED_14 = 14,
  QNN_HTP_CONTEXT_CONFIG_OPTION_RESERVED_15 = 15,
  QNN_HTP_CONTEXT_CONFIG_OPTION_UNKNOWN = 0x7FFFFFFF
} QnnHtpContext_ConfigOption_t;

typedef enum {
  SEQUENTIAL_WITH_VA_OPTIMIZATION = 0,
  SEQUENTIAL_WITHOUT_VA_OPTIMIZATION = 1,
  CONCURRENT_OPTIMIZATION = 2
} QnnHtpContext_ShareResourcesOptimizationType_t;

typedef struct {
  Qnn_ContextHandle_t firstGroupHandle;
  uint64_t maxSpillFillBuffer;
} QnnHtpContext_GroupRegistration_t;

// The record a custom context config points at; the option says which
// member is valid.
typedef struct QnnHtpContext_CustomConfig {
  QnnHtpContext_ConfigOption_t option;
  union {
    bool weightSharingEnabled;
    QnnHtpContext_GroupRegistration_t groupRegistration;
    uint64_t fileReadMemoryBudgetInMb;
    bool dspMemoryProfilingEnabled;
    bool shareResources;
    bool ioMemEstimation;
    bool isPrepareOnly;
    bool initAcceleration;
    bool skipValidationOnBinarySection;
    QnnHtpContext_ShareResourcesOptimizationType_t shareResOptType;
    bool useExtendedUdma;
    QnnHtpContext_GroupRegistration_t concurrentGroupRegistration;
    bool loraWeightSharingEnabled;
  };
} QnnHtpContext_CustomConfig_t;

typedef enum {
  QNN_HTP_CONTEXT_GET_PROP_BUFFER_START_ALIGNMENT = 1,
  QNN_HTP_CONTEXT_GET_PROP_MAX_SPILLFILL_BUFFER_SIZE = 2,
  QNN_HTP_CONTEXT_GET_PROP_WEIGHTS_BUFFER_SIZE = 3,
  QNN_HTP_CONTEXT_GET_PROP_RESERVED_4 = 4,
  QNN_HTP_CONTEXT_GET_PROP_RESERVED_5 = 5,
  QNN_HTP_CONTEXT_GET_PROP_UNDEFINED = 0x7FFFFFFF
} QnnHtpContext_GetPropertyOption_t;

typedef struct {
  QnnHtpContext_GetPropertyOption_t option;
  union {
    uint64_t bufferStartAlignment;
    uint64_t spillfillBufferSize;
    uint64_t weightsBufferSize;
  };
} QnnHtpContext_CustomProperty_t;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_HTP_QNN_HTP_CONTEXT_H_
