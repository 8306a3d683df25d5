// The DSP backend's graph configs: optimisation, encoding, priority and
// precision records a custom graph config points at.
#ifndef VANTRO_QNN_API_DSP_QNN_DSP_GRAPH_H_
#define VANTRO_QNN_API_DSP_QNN_DSP_GRAPH_H_

#include "QnnGraph.h"
#include "QnnTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_DSP_GRAPH_OPTIMIZATION_TYPE_SCHEDULE_THRESHOLD = 1,
  QNN_DSP_GRAPH_OPTIMIZATION_TYPE_FINALIZE_RETRIES = 2,
  QNN_DSP_GRAPH_OPTIMIZATION_TYPE_FINALIZE_OPTIMIZATION_FLAG = 3,
  QNN_DSP_GRAPH_OPTIMIZATION_TYPE_ENABLE_DLBC = 4,
  QNN_DSP_GRAPH_OPTIMIZATION_TYPE_UNKNOWN = 0x7FFFFFFF
} QnnDspGraph_OptimizationType_t;

typedef struct {
  QnnDspGraph_OptimizationType_t type;
  float floatValue;
} QnnDspGraph_OptimizationOption_t;

typedef enum {
  QNN_DSP_GRAPH_CONFIG_OPTION_OPTIMIZATION = 1,
  QNN_DSP_GRAPH_CONFIG_OPTION_ENCODING = 2,
  QNN_DSP_GRAPH_CONFIG_OPTION_PRIORITY = 3,
  QNN_DSP_GRAPH_CONFIG_OPTION_PRECISION = 4,
  QNN_DSP_GRAPH_CONFIG_OPTION_UNKNOWN = 0x7FFFFFFF
} QnnDspGraph_ConfigOption_t;

// How the graph's quantisation encodings are fixed. QNN publishes the
// misspelt names too, as aliases.
typedef enum {
  QNN_DSP_GRAPH_ENCODING_DYNAMIC = 1,
  QNN_DSP_GRAPH_ENCOING_DYNAMIC = QNN_DSP_GRAPH_ENCODING_DYNAMIC,
  QNN_DSP_GRAPH_ENCODING_STATIC = 2,
  QNN_DSP_GRAPH_ENCOING_STATIC = QNN_DSP_GRAPH_ENCODING_STATIC,
  QNN_DSP_GRAPH_ENCODING_UNKNOWN = 0x7FFFFFFF,
  QNN_DSP_GRAPH_ENCOING_UNKNOW = QNN_DSP_GRAPH_ENCODING_UNKNOWN
} QnnDspGraph_Encoding_t;

typedef struct {
  QnnDspGraph_ConfigOption_t option;
  union {
    QnnDspGraph_OptimizationOption_t optimizationOption;
    QnnDspGraph_Encoding_t encoding;
    Qnn_Priority_t priority;
    Qnn_Precision_t precision;
  };
} QnnDspGraph_CustomConfig_t;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_DSP_QNN_DSP_GRAPH_H_
