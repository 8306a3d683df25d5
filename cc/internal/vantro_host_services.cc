#include "cc/internal/vantro_host_services.h"

namespace vantro::internal {
namespace {

// Calls one host entry with an out value; a null entry is NotFound.
template <typename Out, typename Fn, typename... Args>
Expected<Out> CallHost(Fn entry, Args... args) {
  if (entry == nullptr) return Error(Status::NotFound);
  Out out{};
  const VantroStatus status = entry(args..., &out);
  if (status != kVantroStatusOk) return Error(FromC(status));
  ClearPendingError();
  return out;
}

}  // namespace

Expected<VantroEnvironmentOptionsT*> GetEnvironmentOptions(const VantroHostApiTable& host,
                                                           VantroEnvironmentT* environment) {
  return CallHost<VantroEnvironmentOptionsT*>(host.get_environment_options, environment);
}

Expected<VantroAnyT> GetEnvironmentOption(const VantroHostApiTable& host,
                                          VantroEnvironmentOptionsT* options, int32_t tag) {
  return CallHost<VantroAnyT>(host.get_environment_option, options, tag);
}

Expected<int32_t> GetTensorBufferType(const VantroHostApiTable& host,
                                      VantroTensorBufferT* buffer) {
  return CallHost<int32_t>(host.get_tensor_buffer_type, buffer);
}

Expected<VantroRankedTensorTypeT> GetTensorBufferTensorType(const VantroHostApiTable& host,
                                                            VantroTensorBufferT* buffer) {
  return CallHost<VantroRankedTensorTypeT>(host.get_tensor_buffer_tensor_type, buffer);
}

Expected<size_t> GetTensorBufferSize(const VantroHostApiTable& host,
                                     VantroTensorBufferT* buffer) {
  return CallHost<size_t>(host.get_tensor_buffer_size, buffer);
}

Expected<size_t> GetTensorBufferOffset(const VantroHostApiTable& host,
                                       VantroTensorBufferT* buffer) {
  return CallHost<size_t>(host.get_tensor_buffer_offset, buffer);
}

Expected<void*> GetTensorBufferHostMemory(const VantroHostApiTable& host,
                                          VantroTensorBufferT* buffer) {
  return CallHost<void*>(host.get_tensor_buffer_host_memory, buffer);
}

Expected<VantroTensorBufferRequirementsT*> CreateTensorBufferRequirements(
    const VantroHostApiTable& host, absl::Span<const int32_t> buffer_types,
    size_t buffer_size) {
  return CallHost<VantroTensorBufferRequirementsT*>(
      host.create_tensor_buffer_requirements, static_cast<int32_t>(buffer_types.size()),
      buffer_types.data(), buffer_size, int32_t{0}, static_cast<const uint32_t*>(nullptr));
}

}  // namespace vantro::internal
