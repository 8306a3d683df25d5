// One group's facts measured on one set of QNN headers. Built once a group
// and side; the build defines
//   VANTRO_QNN_LAYOUT_GROUP    the group's name ("htp")
//   VANTRO_QNN_LAYOUT_HEADERS  the group's header list ("htp_headers.h")
//   VANTRO_QNN_LAYOUT_FACTS    the group's facts ("htp_facts.inc")
//   VANTRO_QNN_LAYOUT_TABLE    the function to export (HtpSdkTable)
//   VANTRO_QNN_LAYOUT_SIDE     what the include path holds, for messages
#include "layout_table.h"

#include <cstdarg>
#include <cstddef>
#include <type_traits>
#include <utility>

#include VANTRO_QNN_LAYOUT_HEADERS

namespace qnn_layout {
namespace {

#define VANTRO_QNN_RECORD(record, size, align)             \
  {#record, "", Quantity::kSize, sizeof(record), nullptr}, \
      {#record, "", Quantity::kAlignment, alignof(record), nullptr},

#define VANTRO_QNN_RECORD_TAG(record, tag) \
  {#record, "", Quantity::kPublishedType, std::is_same<record, struct tag>::value, "struct " #tag},

// The member's name is the table's version, which differs between SDKs;
// fields reach it through the version macro instead.
#define VANTRO_QNN_VERSIONED_MEMBER(record, macro, member, ...)

#define VANTRO_QNN_FIELD(record, path, offset, ...)                     \
  {#record, #path, Quantity::kOffset, offsetof(record, path), nullptr}, \
      {#record, #path, Quantity::kPublishedType,                        \
       std::is_same<decltype(std::declval<record&>().path), __VA_ARGS__>::value, #__VA_ARGS__},

#define VANTRO_QNN_CONSTANT(name, published) \
  {#name, "", Quantity::kValue, static_cast<long long>(name), nullptr},

#define VANTRO_QNN_FUNCTION(name, ...) \
  {#name, "", Quantity::kPublishedType, std::is_same<name, __VA_ARGS__>::value, #__VA_ARGS__},

const Entry kEntries[] = {
#include VANTRO_QNN_LAYOUT_FACTS
};

}  // namespace

LayoutTable VANTRO_QNN_LAYOUT_TABLE() {
  return {VANTRO_QNN_LAYOUT_GROUP, VANTRO_QNN_LAYOUT_SIDE, kEntries,
          sizeof(kEntries) / sizeof(kEntries[0])};
}

}  // namespace qnn_layout
