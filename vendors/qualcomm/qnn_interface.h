// The QNN interface the plug-in drives: QNN's core and system headers, and
// the plug-in's names for the two function tables the providers carry.
// The tables' types follow the headers in use (ours or an installed SDK's),
// reached through the version-named member as QNN clients do.
#ifndef VANTRO_VENDORS_QUALCOMM_QNN_INTERFACE_H_
#define VANTRO_VENDORS_QUALCOMM_QNN_INTERFACE_H_

#include "QnnInterface.h"
#include "System/QnnSystemInterface.h"

namespace qnn {

// The core function table of a backend (or saver) provider.
using QnnApi = decltype(QnnInterface_t::QNN_INTERFACE_VER_NAME);
// The function table of a system provider.
using QnnSystemApi = decltype(QnnSystemInterface_t::QNN_SYSTEM_INTERFACE_VER_NAME);

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_QNN_INTERFACE_H_
