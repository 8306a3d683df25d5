// The owned holder of one graph configuration (declared beside the backend
// contract that produces it).
#include <utility>

#include "vendors/qualcomm/backends/qnn_backend.h"

namespace qnn {

const char* GraphConfigs::AddText(std::string text) {
  texts_.push_back(std::move(text));
  return texts_.back().c_str();
}

void GraphConfigs::AddCustomEntry(const void* record) {
  QnnGraph_Config_t entry{};
  entry.option = QNN_GRAPH_CONFIG_OPTION_CUSTOM;
  // QNN only reads the record; the field's type has no const.
  entry.customConfig = const_cast<void*>(record);
  entries_.push_back(entry);
}

void GraphConfigs::AddEntry(const QnnGraph_Config_t& entry) { entries_.push_back(entry); }

const QnnGraph_Config_t** GraphConfigs::Pointers() {
  pointers_.clear();
  pointers_.reserve(entries_.size() + 1);
  for (const QnnGraph_Config_t& entry : entries_) pointers_.push_back(&entry);
  pointers_.push_back(nullptr);
  return pointers_.data();
}

}  // namespace qnn
