// QNN's saver backend: a backend library that records every call it
// receives (a C program and the bytes passed) instead of running anything.
// It is initialised with its output settings before its providers are used.
#ifndef VANTRO_QNN_API_SAVER_QNN_SAVER_H_
#define VANTRO_QNN_API_SAVER_QNN_SAVER_H_

#include "QnnCommon.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_SAVER_MIN_ERROR = QNN_MIN_ERROR_BACKEND_SAVER,
  // What the saver answers for queries it cannot answer without hardware.
  QNN_SAVER_ERROR_DUMMY_RETVALUE = QNN_MIN_ERROR_BACKEND_SAVER + 0,
  QNN_SAVER_ERROR_ALREADY_INSTANTIATED = QNN_MIN_ERROR_BACKEND_SAVER + 1,
  QNN_SAVER_MAX_ERROR = QNN_MAX_ERROR_BACKEND_SAVER
} QnnSaver_Error_t;

typedef enum {
  QNN_SAVER_CONFIG_OPTION_OUTPUT_DIRECTORY = 0,
  QNN_SAVER_CONFIG_OPTION_APPEND_TIMESTAMP = 1,
  QNN_SAVER_CONFIG_OPTION_BACKEND_ID = 2,
  QNN_SAVER_CONFIG_OPTION_FILE_CONFIG = 3,
  QNN_SAVER_CONFIG_WRITE_OUTPUT_HEADER = 4,
  QNN_SAVER_CONFIG_WRITE_OUTPUT_FOOTER = 5,
  QNN_SAVER_CONFIG_OPTION_UNDEFINED = 0x7FFFFFFF
} QnnSaver_ConfigOption_t;

typedef struct {
  const char* modelFileName;
  const char* dataFileName;
} QnnSaver_FileConfig_t;

// One entry of the null-terminated list given to QnnSaver_initialize.
typedef struct {
  QnnSaver_ConfigOption_t option;
  union {
    const char* outputDirectory;
    uint8_t appendTimestamp;
    uint32_t backendId;
    QnnSaver_FileConfig_t fileConfig;
    uint8_t writeOutputHeader;
    uint8_t writeOutputFooter;
  };
} QnnSaver_Config_t;

// Exported by the saver library next to QnnInterface_getProviders.
QNN_API Qnn_ErrorHandle_t QnnSaver_initialize(const QnnSaver_Config_t** config);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_SAVER_QNN_SAVER_H_
