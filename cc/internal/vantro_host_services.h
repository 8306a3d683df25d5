// Thin wrappers over the rest of the host's services the plug-in calls:
// environment options, tensor buffer queries and buffer requirements. Each
// returns the host's status as an Error on failure (a null entry counts as
// NotFound, so a partial host table cannot crash the plug-in) and clears the
// thread's pending error after success.
#ifndef VANTRO_CC_INTERNAL_VANTRO_HOST_SERVICES_H_
#define VANTRO_CC_INTERNAL_VANTRO_HOST_SERVICES_H_

#include <cstddef>
#include <cstdint>

#include "absl/types/span.h"
#include "c/vantro_host_api.h"
#include "cc/vantro_expected.h"

namespace vantro::internal {

// Environment options of an environment handle (entry 0x68).
Expected<VantroEnvironmentOptionsT*> GetEnvironmentOptions(const VantroHostApiTable& host,
                                                           VantroEnvironmentT* environment);
// One environment option by tag (entry 0x70).
Expected<VantroAnyT> GetEnvironmentOption(const VantroHostApiTable& host,
                                          VantroEnvironmentOptionsT* options, int32_t tag);

// Tensor buffer queries (entries 0xB8, 0xC0, 0xC8, 0xD8, 0xF0).
Expected<int32_t> GetTensorBufferType(const VantroHostApiTable& host, VantroTensorBufferT* buffer);
Expected<VantroRankedTensorTypeT> GetTensorBufferTensorType(const VantroHostApiTable& host,
                                                            VantroTensorBufferT* buffer);
Expected<size_t> GetTensorBufferSize(const VantroHostApiTable& host, VantroTensorBufferT* buffer);
Expected<size_t> GetTensorBufferOffset(const VantroHostApiTable& host,
                                       VantroTensorBufferT* buffer);
Expected<void*> GetTensorBufferHostMemory(const VantroHostApiTable& host,
                                          VantroTensorBufferT* buffer);

// Asks the host for a requirements object (entry 0x08), owned by the host.
Expected<VantroTensorBufferRequirementsT*> CreateTensorBufferRequirements(
    const VantroHostApiTable& host, absl::Span<const int32_t> buffer_types, size_t buffer_size);

}  // namespace vantro::internal

#endif  // VANTRO_CC_INTERNAL_VANTRO_HOST_SERVICES_H_
