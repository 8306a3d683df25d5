// Thin wrapper over the host's lookup of vendor data in opaque options.
#ifndef VANTRO_CC_INTERNAL_VANTRO_OPAQUE_OPTIONS_WRAPPER_H_
#define VANTRO_CC_INTERNAL_VANTRO_OPAQUE_OPTIONS_WRAPPER_H_

#include "c/vantro_host_api.h"
#include "cc/vantro_expected.h"

namespace vantro::internal {

// The data registered under `identifier` (host entry 0x58); may be null when
// the host reports success without data. A null entry is NotFound.
Expected<void*> FindOpaqueOptionsData(const VantroHostApiTable& host,
                                      VantroOpaqueOptionsT* opaque, const char* identifier);

}  // namespace vantro::internal

#endif  // VANTRO_CC_INTERNAL_VANTRO_OPAQUE_OPTIONS_WRAPPER_H_
