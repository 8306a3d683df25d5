// The HTP backend's own capability keys (QnnProperty.h's custom group).
#ifndef VANTRO_QNN_API_HTP_QNN_HTP_PROPERTY_H_
#define VANTRO_QNN_API_HTP_QNN_HTP_PROPERTY_H_

#include "QnnProperty.h"

// Whether the device runs graphs in an unsigned protection domain.
#define QNN_PROPERTY_CUSTOM_HTP_UNSIGNED_PD_SUPPORT (QNN_PROPERTY_GROUP_CUSTOM + 1)

#endif  // VANTRO_QNN_API_HTP_QNN_HTP_PROPERTY_H_
