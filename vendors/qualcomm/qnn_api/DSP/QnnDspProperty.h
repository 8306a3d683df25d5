// The DSP backend's own capability keys (QnnProperty.h's custom group).
#ifndef VANTRO_QNN_API_DSP_QNN_DSP_PROPERTY_H_
#define VANTRO_QNN_API_DSP_QNN_DSP_PROPERTY_H_

#include "QnnProperty.h"

// Whether the device runs graphs in an unsigned protection domain.
#define QNN_PROPERTY_CUSTOM_DSP_UNSIGNED_PD_SUPPORT (QNN_PROPERTY_GROUP_CUSTOM + 1)

#endif  // VANTRO_QNN_API_DSP_QNN_DSP_PROPERTY_H_
