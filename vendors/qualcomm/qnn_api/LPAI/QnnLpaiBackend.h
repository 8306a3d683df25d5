// The LPAI backend's custom backend config (its execution target and
// hardware version) and the properties it reports.
#ifndef VANTRO_QNN_API_LPAI_QNN_LPAI_BACKEND_H_
#define VANTRO_QNN_API_LPAI_QNN_LPAI_BACKEND_H_

#include "QnnBackend.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_LPAI_BACKEND_CUSTOM_CFG_HW_INFO = 0,
  QNN_LPAI_BACKEND_CUSTOM_CFG_UNDEFINED = 0x7FFFFFFF
} QnnLpaiBackend_CustomConfigOption_t;

typedef enum {
  QNN_LPAI_BACKEND_TARGET_X86 = 0,
  QNN_LPAI_BACKEND_TARGET_ARM = 1,
  QNN_LPAI_BACKEND_TARGET_ADSP = 2,
  QNN_LPAI_BACKEND_TARGET_TENSILICA = 3,
  QNN_LPAI_BACKEND_TARGET_UNKNOWN = 0x7FFFFFFF
} QnnLpaiBackend_Target_t;

typedef enum {
  QNN_LPAI_BACKEND_HW_VERSION_NA = 0,
  QNN_LPAI_BACKEND_HW_VERSION_V1 = 1,
  QNN_LPAI_BACKEND_HW_VERSION_V2 = 2,
  QNN_LPAI_BACKEND_HW_VERSION_V3 = 3,
  QNN_LPAI_BACKEND_HW_VERSION_V4 = 4,
  QNN_LPAI_BACKEND_HW_VERSION_V5 = 5,
  QNN_LPAI_BACKEND_HW_VERSION_V5_1 = 0x10005,
  QNN_LPAI_BACKEND_HW_VERSION_V6 = 6,
  QNN_LPAI_BACKEND_HW_VERSION_V7 = 7,
  QNN_LPAI_BACKEND_HW_VERSION_DEFAULT = QNN_LPAI_BACKEND_HW_VERSION_V6,
  QNN_LPAI_BACKEND_HW_VERSION_UNKNOWN = 0x7FFFFFFF
} QnnLpaiBackend_HwVersion_t;

// The record a custom backend config points at: an option and the record
// that option takes (for HW_INFO, a QnnLpaiBackend_CustomConfigHwInfo_t).
typedef struct {
  uint32_t option;
  void* config;
} QnnLpaiBackend_CustomConfig_t;

typedef struct {
  QnnLpaiBackend_Target_t lpaiTarget;
  QnnLpaiBackend_HwVersion_t hwVersion;
} QnnLpaiBackend_CustomConfigHwInfo_t;

typedef enum {
  QNN_LPAI_BACKEND_GET_PROP_ALIGNMENT_REQ = 0,
  QNN_LPAI_BACKEND_GET_PROP_REQUIRE_PERSISTENT_BINARY = 1,
  QNN_LPAI_BACKEND_GET_PROP_ENPU_CORE_NUM = 200,
  QNN_LPAI_BACKEND_GET_PROP_ENPU_CORE_INFO = 300,
  QNN_LPAI_BACKEND_GET_PROP_UNDEFINED = 0x7FFFFFFF
} QnnLpaiBackend_GetPropertyOption_t;

typedef struct {
  uint32_t startAddrAlignment;
  uint32_t sizeAlignment;
} QnnLpaiBackend_BufferAlignmentReq_t;

typedef struct {
  uint32_t coreIndex;
  uint32_t macCnt;
  uint32_t version;
} QnnLpaiBackend_eNPUCoreInfo_t;

typedef struct {
  uint32_t option;
  void* property;
} QnnLpaiBackend_CustomProperty_t;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_LPAI_QNN_LPAI_BACKEND_H_
