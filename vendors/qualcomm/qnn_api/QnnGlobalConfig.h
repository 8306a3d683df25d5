// QNN's process-wide settings (the SoC model).
#ifndef VANTRO_QNN_API_QNN_GLOBAL_CONFIG_H_
#define VANTRO_QNN_API_QNN_GLOBAL_CONFIG_H_

#include "QnnCommon.h"
#include "QnnTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_GLOBAL_CONFIG_MIN_ERROR = QNN_MIN_ERROR_GLOBAL_CONFIG,
  QNN_GLOBAL_CONFIG_NO_ERROR = QNN_SUCCESS,
  QNN_GLOBAL_CONFIG_ERROR_INVALID_CONFIG = QNN_MIN_ERROR_GLOBAL_CONFIG + 0,
  QNN_GLOBAL_CONFIG_MAX_ERROR = QNN_MAX_ERROR_GLOBAL_CONFIG,
  QNN_GLOBAL_CONFIG_ERROR_UNDEFINED = 0x7FFFFFFF
} QnnGlobalConfig_Error_t;

typedef enum {
  QNN_GLOBAL_CONFIG_OPTION_SOC_MODEL = 0,
  QNN_GLOBAL_CONFIG_OPTION_UNDEFINED = 0x7FFFFFFF
} QnnGlobalConfig_ConfigOption_t;

typedef struct {
  QnnGlobalConfig_ConfigOption_t option;
  union {
    Qnn_SocModel_t socModel;
  };
} QnnGlobalConfig_t;

typedef Qnn_ErrorHandle_t (*QnnGlobalConfig_SetFn_t)(const QnnGlobalConfig_t** config);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_QNN_GLOBAL_CONFIG_H_
