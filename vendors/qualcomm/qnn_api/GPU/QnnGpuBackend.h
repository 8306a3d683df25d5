// The GPU backend's custom backend configs: kernel tuning and its cache,
// weight sharing, kernel profiling.
#ifndef VANTRO_QNN_API_GPU_QNN_GPU_BACKEND_H_
#define VANTRO_QNN_API_GPU_QNN_GPU_BACKEND_H_

#include "QnnBackend.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_GPU_BACKEND_CONFIG_OPTION_ENABLE_TUNING_MODE = 0,
  QNN_GPU_BACKEND_CONFIG_OPTION_PERFORMANCE_CACHE_DIR = 1,
  QNN_GPU_BACKEND_CONFIG_OPTION_INVALIDATE_PERFORMANCE_CACHE = 2,
  QNN_GPU_BACKEND_CONFIG_OPTION_WEIGHT_SHARING_ENABLED = 3,
  QNN_GPU_BACKEND_CONFIG_OPTION_DISABLE_KERNEL_PROFILING = 4,
  QNN_GPU_BACKEND_CONFIG_OPTION_UNDEFINED = 0x7FFFFFFF
} QnnGpuBackend_ConfigOption_t;

typedef struct {
  QnnGpuBackend_ConfigOption_t option;
  union {
    uint8_t enableTuningMode;
    const char* performanceCacheDir;
    uint8_t invalidatePerformanceCache;
    uint8_t weightSharingEnabled;
    uint8_t disableKernelProfiling;
  };
} QnnGpuBackend_CustomConfig_t;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_GPU_QNN_GPU_BACKEND_H_
