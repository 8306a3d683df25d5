// The GPU backend's identity: its backend id and API version.
#ifndef VANTRO_QNN_API_GPU_QNN_GPU_COMMON_H_
#define VANTRO_QNN_API_GPU_QNN_GPU_COMMON_H_

#include "QnnCommon.h"

#define QNN_BACKEND_ID_GPU 4

#define QNN_GPU_API_VERSION_MAJOR 3
#define QNN_GPU_API_VERSION_MINOR 12
#define QNN_GPU_API_VERSION_PATCH 0

#endif  // VANTRO_QNN_API_GPU_QNN_GPU_COMMON_H_
