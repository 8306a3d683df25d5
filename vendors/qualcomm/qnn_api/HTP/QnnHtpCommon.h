// The HTP backend's identity: its backend id, its API version and the
// context-blob version it writes.
#ifndef VANTRO_QNN_API_HTP_QNN_HTP_COMMON_H_
#define VANTRO_QNN_API_HTP_QNN_HTP_COMMON_H_

#include "QnnCommon.h"

#define QNN_BACKEND_ID_HTP 6

#define QNN_HTP_API_VERSION_MAJOR 5
#define QNN_HTP_API_VERSION_MINOR 43
#define QNN_HTP_API_VERSION_PATCH 0

#define QNN_HTP_CONTEXT_BLOB_VERSION_MAJOR 3
#define QNN_HTP_CONTEXT_BLOB_VERSION_MINOR 3
#define QNN_HTP_CONTEXT_BLOB_VERSION_PATCH 4

#endif  // VANTRO_QNN_API_HTP_QNN_HTP_COMMON_H_
