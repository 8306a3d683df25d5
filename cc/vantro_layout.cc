#include "cc/vantro_layout.h"

#include "absl/strings/str_cat.h"

namespace vantro {
namespace {
constexpr char kVantroSourcePath[] = "cc/vantro_layout";
}  // namespace

Expected<uint64_t> NumElements(const VantroLayoutT& layout) {
  const uint32_t rank = LayoutRank(layout);
  if (rank > kVantroMaxRank) {
    return VANTRO_LOCATED_ERROR(Status::InvalidArgument,
                                absl::StrCat("Rank ", rank, " exceeds the maximum of 8"));
  }
  uint64_t count = 1;
  for (uint32_t i = 0; i < rank; ++i) {
    const int32_t dimension = layout.dimensions[i];
    if (dimension < 0) {
      return VANTRO_LOCATED_ERROR(Status::InvalidArgument,
                                  absl::StrCat("Negative dimension ", dimension));
    }
    const uint64_t d = static_cast<uint64_t>(dimension);
    if (d != 0 && count > UINT64_MAX / d) {
      return VANTRO_LOCATED_ERROR(Status::InvalidArgument, "Element count overflows");
    }
    count *= d;
  }
  return count;
}

}  // namespace vantro
