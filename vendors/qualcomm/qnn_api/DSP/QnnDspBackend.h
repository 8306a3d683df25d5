// The DSP backend's custom backend configs: convolution settings, the
// signed protection domain and the DSP architecture.
#ifndef VANTRO_QNN_API_DSP_QNN_DSP_BACKEND_H_
#define VANTRO_QNN_API_DSP_QNN_DSP_BACKEND_H_

#include "QnnBackend.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_DSP_BACKEND_CONFIG_OPTION_FOLD_RELU_ACTIVATION_INTO_CONV_OFF = 0,
  QNN_DSP_BACKEND_CONFIG_OPTION_SHORT_DEPTH_CONV_ON_HMX_OFF = 1,
  QNN_DSP_BACKEND_CONFIG_OPTION_USE_SIGNED_PROCESS_DOMAIN = 2,
  QNN_DSP_BACKEND_CONFIG_OPTION_ARCH = 3,
  QNN_DSP_BACKEND_CONFIG_OPTION_UNKNOWN = 0x7FFFFFFF
} QnnDspBackend_ConfigOption_t;

typedef enum {
  QNN_DSP_BACKEND_DSP_ARCH_NONE = 0,
  QNN_DSP_BACKEND_DSP_ARCH_V65 = 65,
  QNN_DSP_BACKEND_DSP_ARCH_V66 = 66,
  QNN_DSP_BACKEND_DSP_ARCH_V68 = 68,
  QNN_DSP_BACKEND_DSP_ARCH_V69 = 69,
  QNN_DSP_BACKEND_DSP_ARCH_V73 = 73,
  QNN_DSP_BACKEND_DSP_ARCH_UNKNOWN = 0x7FFFFFFF
} QnnDspBackend_DspArch_t;

// The record a custom backend config (QnnBackend_Config_t, option CUSTOM)
// points at.
typedef struct QnnDspBackend_CustomConfig {
  QnnDspBackend_ConfigOption_t option;
  union {
    bool foldReluActivationIntoConvOff;
    bool shortDepthConvOnHmxOff;
    bool useSignedProcessDomain;
    QnnDspBackend_DspArch_t arch;
  };
} QnnDspBackend_CustomConfig_t;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_DSP_QNN_DSP_BACKEND_H_
