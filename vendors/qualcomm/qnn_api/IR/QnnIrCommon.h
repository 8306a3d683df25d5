// The IR backend's identity: its backend id and API version.
#ifndef VANTRO_QNN_API_IR_QNN_IR_COMMON_H_
#define VANTRO_QNN_API_IR_QNN_IR_COMMON_H_

#include "QnnCommon.h"

#define QNN_BACKEND_ID_IR 9

#define QNN_IR_API_VERSION_MAJOR 0
#define QNN_IR_API_VERSION_MINOR 1
#define QNN_IR_API_VERSION_PATCH 0

#endif  // VANTRO_QNN_API_IR_QNN_IR_COMMON_H_
