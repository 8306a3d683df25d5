// The HTP backend's graph configs: optimisation settings, VTCM size, HVX
// threads, finalize settings and the other records a custom graph config
// (QnnGraph_Config_t, option CUSTOM) points at.
#ifndef VANTRO_QNN_API_HTP_QNN_HTP_GRAPH_H_
#define VANTRO_QNN_API_HTP_QNN_HTP_GRAPH_H_

#include "QnnGraph.h"
#include "QnnTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_HTP_GRAPH_OPTIMIZATION_TYPE_SCHEDULE_THRESHOLD = 1,
  QNN_HTP_GRAPH_OPTIMIZATION_TYPE_FINALIZE_RETRIES = 2,
  QNN_HTP_GRAPH_OPTIMIZATION_TYPE_FINALIZE_OPTIMIZATION_FLAG = 3,
  QNN_HTP_GRAPH_OPTIMIZATION_TYPE_ENABLE_DLBC = 4,
  QNN_HTP_GRAPH_OPTIMIZATION_TYPE_ENABLE_DLBC_WEIGHTS = 5,
  QNN_HTP_GRAPH_OPTIMIZATION_TYPE_ENABLE_SPARSE_WEIGHTS_COMPRESSION = 6,
  QNN_HTP_GRAPH_OPTIMIZATION_TYPE_ENABLE_SLC_ALLOCATOR = 7,
  QNN_HTP_GRAPH_OPTIMIZATION_TYPE_UNKNOWN = 0x7FFFFFFF
} QnnHtpGraph_OptimizationType_t;

// An optimisation setting: its type and a value whose meaning the type
// gives (a level, a count, or 1.0 for "on").
typedef struct {
  QnnHtpGraph_OptimizationType_t type;
  float floatValue;
} QnnHtpGraph_OptimizationOption_t;

typedef enum {
  QNN_HTP_GRAPH_CONCURRENCY_OPTION_NONE = 0,
  QNN_HTP_GRAPH_CONCURRENCY_OPTION_DEFAULT = QNN_HTP_GRAPH_CONCURRENCY_OPTION_NONE,
  QNN_HTP_GRAPH_CONCURRENCY_OPTION_ALL_SHARED = 1,
  QNN_HTP_GRAPH_CONCURRENCY_OPTION_UNKNOWN = 0x7FFFFFFF
} QnnHtpGraph_ConcurrencyOption_t;

typedef struct {
  uint32_t sizeInBytes;
  uint32_t offsetInBytes;
  uint32_t sizeTotalInBytes;
  uint32_t reserved[3];
} QnnHtpGraph_VtcmConfig_t;

typedef struct {
  QnnHtpGraph_ConcurrencyOption_t concurrency;
  QnnHtpGraph_VtcmConfig_t vtcmConfig;
  uint32_t reserved[4];
} QnnHtpGraph_ParallelGraphExecutionConfig_t;

typedef struct QnnHtp_HmxBoundingInfo {
  float targetHmxFreqHz;
  float targetDspCoreFreq;
} QnnHtp_HmxBoundingInfo_t;

// A named finalize setting with a scalar value.
typedef struct {
  const char* key;
  Qnn_Scalar_t value;
} QnnHtpGraph_FinalizeConfig_t;

typedef enum {
  QNN_HTP_GRAPH_CONFIG_OPTION_OPTIMIZATION = 1,
  QNN_HTP_GRAPH_CONFIG_OPTION_PRECISION = 2,
  QNN_HTP_GRAPH_CONFIG_OPTION_VTCM_SIZE_IN_MB = 3,
  QNN_HTP_GRAPH_CONFIG_OPTION_VTCM_SIZE = QNN_HTP_GRAPH_CONFIG_OPTION_VTCM_SIZE_IN_MB,
  QNN_HTP_GRAPH_CONFIG_OPTION_FOLD_RELU_ACTIVATION_INTO_CONV_OFF = 4,
  QNN_HTP_GRAPH_CONFIG_OPTION_SHORT_DEPTH_CONV_ON_HMX_OFF = 5,
  QNN_HTP_GRAPH_CONFIG_OPTION_NUM_HVX_THREADS = 6,
  QNN_HTP_GRAPH_CONFIG_OPTION_FINALIZE_CONFIG = 7,
  QNN_HTP_GRAPH_CONFIG_OPTION_NUM_CORES = 8,
  QNN_HTP_GRAPH_CONFIG_OPTION_PARALLEL_GRAPH_EXECUTION_CONFIG = 9,
  QNN_HTP_GRAPH_CONFIG_OPTION_VTCM_SIZE_IN_BYTES = 10,
  QNN_HTP_GRAPH_CONFIG_OPTION_HMX_BOUNDING = 11,
  QNN_HTP_GRAPH_CONFIG_OPTION_WEIGHTS_PACKING = 12,
  QNN_HTP_GRAPH_CONFIG_OPTION_ASSUME_SAME_QUANT = 13,
  QNN_HTP_GRAPH_CONFIG_OPTION_SHARE_IO_BUFFER = 14,
  QNN_HTP_GRAPH_CONFIG_OPTION_ADVANCED_ACTIVATION_FUSION = 15,
  QNN_HTP_GRAPH_CONFIG_OPTION_HIGH_PRECISION_SIGMOID = 16,
  QNN_HTP_GRAPH_CONFIG_OPTION_MONOLITHIC_LSTM = 17,
  QNN_HTP_GRAPH_CONFIG_OPTION_RESERVED = 0x7FFF0000,
  QNN_HTP_GRAPH_CONFIG_OPTION_UNKNOWN = 0x7FFFFFFF
} QnnHtpGraph_ConfigOption_t;

// The record a custom graph config points at; the option says which member
// is valid.
typedef struct {
  QnnHtpGraph_ConfigOption_t option;
  union {
    QnnHtpGraph_OptimizationOption_t optimizationOption;
    Qnn_Precision_t precision;
    uint32_t vtcmSizeInMB;
    bool foldReluActivationIntoConvOff;
    bool shortDepthConvOnHmxOff;
    uint64_t numHvxThreads;
    void* reserved;
    QnnHtpGraph_FinalizeConfig_t finalizeConfig;
    uint32_t numCores;
    QnnHtpGraph_ParallelGraphExecutionConfig_t parallelGraphExecutionConfig;
    uint32_t vtcmSizeInBytes;
    struct QnnHtp_HmxBoundingInfo hmxBoundingInfo;
    bool weightsPacking;
    bool assumeSameQuant;
    bool shareIOBuffer;
    bool advancedActivationFusion;
    bool highPrecisionSigmoid;
    bool monolithicLstm;
  };
} QnnHtpGraph_CustomConfig_t;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_HTP_QNN_HTP_GRAPH_H_
