// Sets our declarations' layout table beside an SDK's, entry by entry.
#ifndef VANTRO_TESTS_QNN_LAYOUT_LAYOUT_COMPARISON_H_
#define VANTRO_TESTS_QNN_LAYOUT_LAYOUT_COMPARISON_H_

#include <string>
#include <vector>

#include "layout_table.h"

namespace qnn_layout {

struct Difference {
  std::string text;
  // False where the SDK may differ: a newer SDK's longer function tables
  // and provider records, and its own API minor and patch numbers.
  bool fails;
};

// Every entry whose value differs, in table order. Tables built from
// different facts (other entries) differ in one failing entry.
std::vector<Difference> CompareLayoutTables(const LayoutTable& ours, const LayoutTable& sdk);

}  // namespace qnn_layout

#endif  // VANTRO_TESTS_QNN_LAYOUT_LAYOUT_COMPARISON_H_
