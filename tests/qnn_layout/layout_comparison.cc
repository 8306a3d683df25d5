#include "layout_comparison.h"

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace qnn_layout {
namespace {

using Key = std::tuple<std::string, std::string, Quantity>;

Key KeyOf(const Entry& entry) { return Key(entry.record, entry.item, entry.quantity); }

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A newer SDK appends members to its versioned function tables, and so to
// the provider records that hold them.
bool MayGrowInTheSdk(const std::string& record) {
  return record == "QnnInterface_t" || record == "QnnSystemInterface_t" ||
         record == "decltype(QnnInterface_t::QNN_INTERFACE_VER_NAME)" ||
         record == "decltype(QnnSystemInterface_t::QNN_SYSTEM_INTERFACE_VER_NAME)";
}

// The API release a set of headers describes; another SDK's headers
// describe another release of the same major version.
bool IsReleaseNumber(const std::string& constant) {
  return EndsWith(constant, "_API_VERSION_MINOR") || EndsWith(constant, "_API_VERSION_PATCH");
}

const char* QuantityName(Quantity quantity) {
  switch (quantity) {
    case Quantity::kSize:
      return "size";
    case Quantity::kAlignment:
      return "alignment";
    case Quantity::kOffset:
      return "offset";
    case Quantity::kValue:
      return "value";
    case Quantity::kPublishedType:
      return "type";
  }
  return "?";
}

std::string Subject(const LayoutTable& table, const Entry& entry) {
  std::string subject = std::string(table.group) + ": " + entry.record;
  if (*entry.item != '\0') subject += std::string(".") + entry.item;
  return subject + ": " + QuantityName(entry.quantity);
}

Difference Compare(const LayoutTable& table, const Entry& ours, const Entry& sdk) {
  const std::string subject = Subject(table, ours);
  if (ours.quantity == Quantity::kPublishedType) {
    const std::string type = std::string("`") + ours.published_type + "`";
    return {subject + (ours.value ? ": ours is " + type + ", the SDK's is not"
                                  : ": the SDK's is " + type + ", ours is not"),
            true};
  }
  std::string text =
      subject + ": ours " + std::to_string(ours.value) + ", SDK " + std::to_string(sdk.value);
  if (ours.quantity == Quantity::kSize && MayGrowInTheSdk(ours.record) && sdk.value > ours.value) {
    return {text + " (a newer table, longer at its end)", false};
  }
  if (ours.quantity == Quantity::kValue && IsReleaseNumber(ours.record)) {
    return {text + " (another API release)", false};
  }
  return {text, true};
}

}  // namespace

std::vector<Difference> CompareLayoutTables(const LayoutTable& ours, const LayoutTable& sdk) {
  std::map<Key, const Entry*> sdk_entries;
  for (std::size_t i = 0; i < sdk.size; ++i) sdk_entries[KeyOf(sdk.entries[i])] = &sdk.entries[i];

  std::vector<Difference> differences;
  for (std::size_t i = 0; i < ours.size; ++i) {
    const Entry& entry = ours.entries[i];
    auto found = sdk_entries.find(KeyOf(entry));
    if (found == sdk_entries.end()) {
      differences.push_back({Subject(ours, entry) + ": missing from the SDK's table", true});
      continue;
    }
    if (found->second->value != entry.value) {
      differences.push_back(Compare(ours, entry, *found->second));
    }
    sdk_entries.erase(found);
  }
  for (std::size_t i = 0; i < sdk.size; ++i) {
    if (sdk_entries.count(KeyOf(sdk.entries[i])) != 0) {
      differences.push_back({Subject(sdk, sdk.entries[i]) + ": missing from our table", true});
    }
  }
  return differences;
}

}  // namespace qnn_layout
