// Internal view of the plug-in's entry point: the operation table and the
// process-wide build-identification text.
#ifndef VANTRO_VENDORS_QUALCOMM_DISPATCH_DISPATCH_API_H_
#define VANTRO_VENDORS_QUALCOMM_DISPATCH_DISPATCH_API_H_

#include <cstddef>

#include "c/vantro_dispatch.h"

namespace vantro::qualcomm {

inline constexpr size_t kBuildIdSize = 256;

// The constant table handed out by VantroDispatchQueryInterface.
const VantroDispatchOperationTable& OperationTable();

// The 256-byte build-identification buffer.
char* MutableBuildId();

}  // namespace vantro::qualcomm

#endif  // VANTRO_VENDORS_QUALCOMM_DISPATCH_DISPATCH_API_H_
