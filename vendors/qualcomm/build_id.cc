#include "vendors/qualcomm/build_id.h"

#include "absl/strings/numbers.h"
#include "absl/strings/string_view.h"

namespace vantro::qualcomm {
namespace {

// An optional "-" and decimal digits that fit a signed 32-bit number, at the
// front of `text`, which moves past them.
bool ConsumeInt32(absl::string_view& text, int32_t* value) {
  size_t length = 0;
  if (length < text.size() && text[length] == '-') ++length;
  const size_t digits_start = length;
  while (length < text.size() && text[length] >= '0' && text[length] <= '9') ++length;
  if (length == digits_start) return false;
  if (!absl::SimpleAtoi(text.substr(0, length), value)) return false;  // overflow
  text.remove_prefix(length);
  return true;
}

bool ConsumeChar(absl::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

}  // namespace

std::optional<BuildIdVersion> ParseBuildIdVersion(const char* build_id) {
  if (build_id == nullptr) return std::nullopt;
  absl::string_view text(build_id);
  BuildIdVersion v;
  if (!ConsumeChar(text, 'v') || !ConsumeInt32(text, &v.major) || !ConsumeChar(text, '.') ||
      !ConsumeInt32(text, &v.minor) || !ConsumeChar(text, '.') || !ConsumeInt32(text, &v.patch)) {
    return std::nullopt;
  }
  return v;
}

}  // namespace vantro::qualcomm
