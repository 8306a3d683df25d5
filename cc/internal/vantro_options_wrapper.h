// Thin wrappers over the host's options services: the opaque options of an
// options handle and the data registered under a vendor identifier.
#ifndef VANTRO_CC_INTERNAL_VANTRO_OPTIONS_WRAPPER_H_
#define VANTRO_CC_INTERNAL_VANTRO_OPTIONS_WRAPPER_H_

#include "c/vantro_host_api.h"
#include "cc/vantro_expected.h"

namespace vantro::internal {

// The opaque options of `options` (host entry 0x50). A null entry is
// NotFound; a host failure carries the host's status and this file's place.
Expected<VantroOpaqueOptionsT*> GetOpaqueOptions(const VantroHostApiTable& host,
                                                 VantroOptionsT* options);

}  // namespace vantro::internal

#endif  // VANTRO_CC_INTERNAL_VANTRO_OPTIONS_WRAPPER_H_
