// QNN's registered memory: buffers the client shares with a backend (ION,
// DMA-BUF or backend-defined), registered once and then named by handle in
// tensors.
#ifndef VANTRO_QNN_API_QNN_MEM_H_
#define VANTRO_QNN_API_QNN_MEM_H_

#include "QnnCommon.h"
#include "QnnTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  QNN_MEM_MIN_ERROR = QNN_MIN_ERROR_MEM,
  QNN_MEM_NO_ERROR = QNN_SUCCESS,
  QNN_MEM_ERROR_NOT_SUPPORTED = QNN_COMMON_ERROR_NOT_SUPPORTED,
  QNN_MEM_ERROR_INVALID_ARGUMENT = QNN_MIN_ERROR_MEM + 0,
  QNN_MEM_ERROR_INVALID_HANDLE = QNN_MIN_ERROR_MEM + 1,
  QNN_MEM_ERROR_ALREADY_REGISTERED = QNN_MIN_ERROR_MEM + 2,
  QNN_MEM_ERROR_MAPPING = QNN_MIN_ERROR_MEM + 3,
  QNN_MEM_ERROR_INVALID_SHAPE = QNN_MIN_ERROR_MEM + 4,
  QNN_MEM_ERROR_UNSUPPORTED_MEMTYPE = QNN_MIN_ERROR_MEM + 5,
  QNN_MEM_MAX_ERROR = QNN_MAX_ERROR_MEM,
  QNN_MEM_ERROR_UNDEFINED = 0x7FFFFFFF
} QnnMem_Error_t;

// The file descriptor of a buffer that has none.
#define QNN_MEM_INVALID_FD -1

typedef enum {
  QNN_MEM_TYPE_ION = 1,
  QNN_MEM_TYPE_CUSTOM = 2,
  QNN_MEM_TYPE_DMA_BUF = 3,
  QNN_MEM_TYPE_UNDEFINED = 0x7FFFFFFF
} Qnn_MemType_t;

typedef struct {
  uint32_t numDim;
  uint32_t* dimSize;
  const char* shapeConfig;
} Qnn_MemShape_t;

typedef struct {
  int32_t fd;
} Qnn_MemIonInfo_t;

typedef void* Qnn_MemInfoCustom_t;

typedef struct {
  int32_t fd;
  void* data;
} Qnn_MemDmaBufInfo_t;

// Describes one buffer to register.
typedef struct {
  Qnn_MemShape_t memShape;
  Qnn_DataType_t dataType;
  Qnn_MemType_t memType;
  union {
    Qnn_MemIonInfo_t ionInfo;
    Qnn_MemInfoCustom_t customInfo;
    Qnn_MemDmaBufInfo_t dmaBufInfo;
  };
} Qnn_MemDescriptor_t;

typedef Qnn_ErrorHandle_t (*QnnMem_RegisterFn_t)(Qnn_ContextHandle_t context,
                                                 const Qnn_MemDescriptor_t* memDescriptors,
                                                 uint32_t numDescriptors,
                                                 Qnn_MemHandle_t* memHandles);
typedef Qnn_ErrorHandle_t (*QnnMem_DeRegisterFn_t)(const Qnn_MemHandle_t* memHandles,
                                                   uint32_t numHandles);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_QNN_API_QNN_MEM_H_
