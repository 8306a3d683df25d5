// A group's facts as numbers measured on one set of QNN headers: the same
// <group>_facts.inc compiled against our declarations and against an SDK's
// headers gives two tables of the same entries, which CompareLayoutTables
// sets side by side.
#ifndef VANTRO_TESTS_QNN_LAYOUT_LAYOUT_TABLE_H_
#define VANTRO_TESTS_QNN_LAYOUT_LAYOUT_TABLE_H_

#include <cstddef>

namespace qnn_layout {

enum class Quantity {
  kSize,
  kAlignment,
  kOffset,
  kValue,
  // 1 when the headers' type is the one the facts spell (published_type).
  kPublishedType,
};

struct Entry {
  const char* record;  // a record, constant or function type, as the .inc spells it
  const char* item;    // the field's path; "" for the record itself
  Quantity quantity;
  long long value;
  const char* published_type;  // for kPublishedType; nullptr otherwise
};

struct LayoutTable {
  const char* group;
  const char* headers;  // which headers it was measured on
  const Entry* entries;
  std::size_t size;
};

// One function a group and side, each from its own translation unit
// (layout_table.cc compiled with that group's headers and facts).
LayoutTable CoreOwnTable();
LayoutTable CoreSdkTable();
LayoutTable HtpOwnTable();
LayoutTable HtpSdkTable();
LayoutTable DspOwnTable();
LayoutTable DspSdkTable();
LayoutTable GpuIrOwnTable();
LayoutTable GpuIrSdkTable();
LayoutTable LpaiOwnTable();
LayoutTable LpaiSdkTable();

}  // namespace qnn_layout

#endif  // VANTRO_TESTS_QNN_LAYOUT_LAYOUT_TABLE_H_
