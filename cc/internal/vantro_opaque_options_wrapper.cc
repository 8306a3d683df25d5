#include "cc/internal/vantro_opaque_options_wrapper.h"

namespace vantro::internal {
namespace {
constexpr char kVantroSourcePath[] = "cc/internal/vantro_opaque_options_wrapper";
}  // namespace

Expected<void*> FindOpaqueOptionsData(const VantroHostApiTable& host,
                                      VantroOpaqueOptionsT* opaque, const char* identifier) {
  if (host.find_opaque_options_data == nullptr) {
    return VANTRO_LOCATED_ERROR(Status::NotFound, "");
  }
  void* data = nullptr;
  const VantroStatus status = host.find_opaque_options_data(opaque, identifier, &data);
  if (status != kVantroStatusOk) return VANTRO_LOCATED_ERROR(FromC(status), "");
  ClearPendingError();
  return data;
}

}  // namespace vantro::internal
