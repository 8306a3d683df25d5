// The GPU backend's graph config: the precision kernels compute in and
// switches for its optimisations. Unlike other backends' records it has no
// option word: one record carries every setting.
#ifndef VANTRO_QNN_API_GPU_QNN_GPU_GRAPH_H_
#define VANTRO_QNN_API_GPU_QNN_GPU_GRAPH_H_

#include "QnnGraph.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_GPU_PRECISION_FP32 = 0,
  QNN_GPU_PRECISION_FP16 = 1,
  QNN_GPU_PRECISION_HYBRID = 2,
  QNN_GPU_PRECISION_USER_PROVIDED = 3
} QnnGpu_Precision_t;

typedef struct {
  QnnGpu_Precision_t precision;
  uint8_t disableMemoryOptimizations;
  uint8_t disableNodeOptimizations;
  uint8_t disableQueueRecording;
} QnnGpuGraph_CustomConfig_t;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_GPU_QNN_GPU_GRAPH_H_
