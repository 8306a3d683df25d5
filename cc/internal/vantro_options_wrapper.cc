#include "cc/internal/vantro_options_wrapper.h"

namespace vantro::internal {
namespace {
constexpr char kVantroSourcePath[] = "cc/internal/vantro_options_wrapper";
}  // namespace

Expected<VantroOpaqueOptionsT*> GetOpaqueOptions(const VantroHostApiTable& host,
                                                 VantroOptionsT* options) {
  if (host.get_opaque_options == nullptr) {
    return VANTRO_LOCATED_ERROR(Status::NotFound, "");
  }
  VantroOpaqueOptionsT* opaque = nullptr;
  const VantroStatus status = host.get_opaque_options(options, &opaque);
  if (status != kVantroStatusOk) return VANTRO_LOCATED_ERROR(FromC(status), "");
  ClearPendingError();
  return opaque;
}

}  // namespace vantro::internal
