#include "core/vantro_options_encoder.h"

#include "absl/strings/str_cat.h"

namespace vantro {
namespace {

constexpr char kVantroSourcePath[] = "core/vantro_options_encoder";

bool IsForbiddenKeyByte(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '#' || c == '=';
}

bool IsForbiddenValueByte(char c) { return c == '"' || c == '\n' || c == '\r'; }

}  // namespace

Expected<void> ValidateOptionKey(absl::string_view key) {
  if (key.empty()) {
    return VANTRO_LOCATED_ERROR(Status::InvalidArgument, "Option key must not be empty.");
  }
  for (char c : key) {
    if (IsForbiddenKeyByte(c)) {
      return VANTRO_LOCATED_ERROR(
          Status::InvalidArgument,
          absl::StrCat("Option key contains an unsupported character: ", key));
    }
  }
  return {};
}

Expected<void> ValidateOptionValue(absl::string_view key, absl::string_view value) {
  for (char c : value) {
    if (IsForbiddenValueByte(c)) {
      return VANTRO_LOCATED_ERROR(
          Status::InvalidArgument,
          absl::StrCat("Value of option '", key,
                       "' contains an unsupported character (\", newline or carriage return)."));
    }
  }
  return {};
}

Expected<void> AppendBoolOption(std::string* out, absl::string_view key, bool value) {
  VANTRO_RETURN_IF_ERROR(ValidateOptionKey(key));
  absl::StrAppend(out, key, value ? " = true\n" : " = false\n");
  return {};
}

Expected<void> AppendIntOption(std::string* out, absl::string_view key, int64_t value) {
  VANTRO_RETURN_IF_ERROR(ValidateOptionKey(key));
  absl::StrAppend(out, key, " = ", value, "\n");
  return {};
}

Expected<void> AppendStringOption(std::string* out, absl::string_view key,
                                  absl::string_view value) {
  VANTRO_RETURN_IF_ERROR(ValidateOptionKey(key));
  VANTRO_RETURN_IF_ERROR(ValidateOptionValue(key, value));
  absl::StrAppend(out, key, " = \"", value, "\"\n");
  return {};
}

Expected<void> AppendStringListOption(std::string* out, absl::string_view key,
                                      absl::Span<const absl::string_view> items) {
  VANTRO_RETURN_IF_ERROR(ValidateOptionKey(key));
  size_t size = key.size() + 6;  // " = [" and "]\n"
  for (absl::string_view item : items) {
    VANTRO_RETURN_IF_ERROR(ValidateOptionValue(key, item));
    size += item.size() + 4;  // quotes and ", "
  }
  // Every check has passed, so the line is now written whole.
  out->reserve(out->size() + size);
  absl::StrAppend(out, key, " = [");
  for (size_t i = 0; i < items.size(); ++i) {
    absl::StrAppend(out, i == 0 ? "\"" : ", \"", items[i], "\"");
  }
  out->append("]\n");
  return {};
}

}  // namespace vantro
