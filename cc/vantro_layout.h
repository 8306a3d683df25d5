// Element counts of host tensor layouts.
#ifndef VANTRO_CC_VANTRO_LAYOUT_H_
#define VANTRO_CC_VANTRO_LAYOUT_H_

#include <cstdint>

#include "c/vantro_host_api.h"
#include "cc/vantro_expected.h"

namespace vantro {

inline uint32_t LayoutRank(const VantroLayoutT& layout) {
  return layout.rank_and_flags & VANTRO_LAYOUT_RANK_MASK;
}
inline bool LayoutHasStrides(const VantroLayoutT& layout) {
  return (layout.rank_and_flags & VANTRO_LAYOUT_HAS_STRIDES) != 0;
}

// The number of elements: the product of the first rank dimensions (1 for
// rank 0). A rank above 8, a negative dimension or a product that overflows
// 64 bits is InvalidArgument.
Expected<uint64_t> NumElements(const VantroLayoutT& layout);

}  // namespace vantro

#endif  // VANTRO_CC_VANTRO_LAYOUT_H_
