// The LPAI backend's graph configs: scratch and persistent memory, frame
// rate and real-time class, core affinity, and graph preparation; each a
// custom graph config record pointing at its value record.
#ifndef VANTRO_QNN_API_LPAI_QNN_LPAI_GRAPH_H_
#define VANTRO_QNN_API_LPAI_QNN_LPAI_GRAPH_H_

#include "QnnGraph.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_LPAI_MEM_TYPE_DDR = 1,
  QNN_LPAI_MEM_TYPE_LLC = 2,
  QNN_LPAI_MEM_TYPE_TCM = 3,
  QNN_LPAI_MEM_TYPE_PSRAM = 4,
  QNN_LPAI_MEM_TYPE_UNDEFINED = 0x7FFFFFFF
} QnnLpaiMem_MemType_t;

typedef struct {
  int32_t fd;
  uint32_t offset;
} QnnLpaiMem_MemInfoCustom_t;

typedef enum {
  QNN_LPAI_GRAPH_SET_CFG_SCRATCH_MEM = 1,
  QNN_LPAI_GRAPH_SET_CFG_PERSISTENT_MEM = 101,
  QNN_LPAI_GRAPH_SET_CFG_PERF_CFG = 201,
  QNN_LPAI_GRAPH_SET_CFG_CORE_AFFINITY = 301,
  QNN_LPAI_GRAPH_SET_CFG_UNDEFINED = 0x7FFFFFFF
} QnnLpaiGraph_SetConfigOption_t;

// The option numbers as plain macros, with graph preparation, which has no
// enumerator.
#define QNN_LPAI_GRAPH_SET_CFG_SCRATCH_MEM_DEFAULT 1
#define QNN_LPAI_GRAPH_SET_CFG_PERSISTENT_MEM_DEFAULT 101
#define QNN_LPAI_GRAPH_SET_CFG_PERF_CFG_DEFAULT 201
#define QNN_LPAI_GRAPH_SET_CFG_CORE_AFFINITY_DEFAULT 301
#define QNN_LPAI_GRAPH_SET_CFG_PREPARE_DEFAULT 10001

typedef enum {
  QNN_LPAI_GRAPH_GET_PROP_SCRATCH_MEM_SIZE = 1,
  QNN_LPAI_GRAPH_GET_PROP_PERSISTENT_MEM_SIZE = 101,
  QNN_LPAI_GRAPH_GET_PROP_UNDEFINED = 0x7FFFFFFF
} QnnLpaiGraph_GetPropertyOption_t;

typedef enum {
  QNN_LPAI_GRAPH_CLIENT_PERF_TYPE_REAL_TIME = 1,
  QNN_LPAI_GRAPH_CLIENT_PERF_TYPE_NON_REAL_TIME = 2,
  QNN_LPAI_GRAPH_CLIENT_PERF_TYPE_UNDEFINED = 0x7FFFFFFF
} QnnLpaiGraph_ClientPerfType_t;

typedef struct {
  uint32_t fps;
  uint32_t ftrtRatio;
  QnnLpaiGraph_ClientPerfType_t clientType;
} QnnLpaiGraph_PerfCfg_t;

typedef enum {
  QNN_LPAI_GRAPH_CORE_AFFINITY_SOFT = 1,
  QNN_LPAI_GRAPH_CORE_AFFINITY_HARD = 2,
  QNN_LPAI_GRAPH_CORE_AFFINITY_UNDEFINED = 0x7FFFFFFF
} QnnLpaiGraph_CoreAffinityType_t;

typedef struct {
  QnnLpaiGraph_CoreAffinityType_t affinity;
  uint32_t coreSelection;
} QnnLpaiGraph_CoreAffinity_t;

typedef struct {
  QnnLpaiMem_MemType_t memType;
  uint32_t size;
  void* addr;
} QnnLpaiGraph_Mem_t;

// The record a custom graph config points at: an option and its value
// record.
typedef struct {
  uint32_t option;
  void* config;
} QnnLpaiGraph_CustomConfig_t;

typedef struct {
  uint32_t option;
  void* property;
} QnnLpaiGraph_CustomProperty_t;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_LPAI_QNN_LPAI_GRAPH_H_
