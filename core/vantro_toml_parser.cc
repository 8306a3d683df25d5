#include "core/vantro_toml_parser.h"

#include <cstring>
#include <utility>

#include "absl/strings/numbers.h"

namespace vantro {
namespace {

constexpr char kVantroSourcePath[] = "core/vantro_toml_parser";

// Whitespace of the line and list rules: no vertical tab or form feed.
inline bool IsTomlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

inline absl::string_view Trim(absl::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsTomlSpace(text[begin])) ++begin;
  while (end > begin && IsTomlSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

inline bool IsQuote(char c) { return c == '"' || c == '\''; }

// Calls `emit` with every trimmed, non-empty item of a list body, stopping
// early when it returns false. Returns false when stopped.
template <typename Emit>
bool ForEachListItem(absl::string_view body, Emit emit) {
  char quote = 0;
  size_t start = 0;
  for (size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (IsQuote(c)) {
      quote = c;
    } else if (c == ',') {
      absl::string_view item = Trim(body.substr(start, i - start));
      if (!item.empty() && !emit(item)) return false;
      start = i + 1;
    }
  }
  absl::string_view item = Trim(body.substr(start));
  if (!item.empty() && !emit(item)) return false;
  return true;
}

Error InvalidArrayFormat() { return Error(Status::InvalidArgument, "Invalid array format"); }

// The body between the brackets, or an error when `text` is not bracketed.
Expected<absl::string_view> ListBody(absl::string_view text) {
  if (text.empty() || text.front() != '[' || text.back() != ']' || text.size() < 2) {
    return InvalidArrayFormat();
  }
  return text.substr(1, text.size() - 2);
}

}  // namespace

Status ParseToml(absl::string_view text, TomlPairCallback callback) {
  // Held in a local so that whatever the callback captured is released
  // before this function returns, not when the caller's expression ends.
  const TomlPairCallback handle_pair = std::move(callback);
  // A message parked before this parse (by an unrelated operation, or by an
  // earlier failed parse) must not pass for the failing pair's, nor have
  // the next failure's message chained onto it.
  ClearPendingError();
  const char* const data = text.data();
  const size_t size = text.size();
  size_t offset = 0;
  while (offset < size) {
    const void* lf = std::memchr(data + offset, '\n', size - offset);
    const size_t end =
        lf != nullptr ? static_cast<size_t>(static_cast<const char*>(lf) - data) : size;
    absl::string_view line = Trim(absl::string_view(data + offset, end - offset));
    offset = lf != nullptr ? end + 1 : size;

    if (line.empty() || line.front() == '#') continue;
    const size_t equals = line.find('=');
    if (equals == absl::string_view::npos) continue;  // e.g. a [section] header

    const absl::string_view key = Trim(line.substr(0, equals));
    absl::string_view value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }

    const Status status = handle_pair(key, value);
    if (status != Status::Ok) {
      Status pending = Status::Ok;
      const bool left_message = PeekPendingError(&pending, nullptr) && pending == status;
      // The located error takes over the callback's message (and drops one
      // left under another status). Only a message the callback left is
      // worth parking again; a bare status stays bare.
      const Error error = VANTRO_LOCATED_ERROR(status, std::string());
      if (left_message) ToStatus(error);
      return status;
    }
    // A message recorded while this pair was handled must not join a later,
    // unrelated error.
    ClearPendingError();
  }
  return Status::Ok;
}

Expected<bool> ParseTomlBool(absl::string_view text) {
  if (text == "true") return true;
  if (text == "false") return false;
  return Error(Status::InvalidArgument, "Invalid boolean value");
}

Expected<int64_t> ParseTomlInt(absl::string_view text) {
  // SimpleAtoi in base 10: optional sign, digits, surrounding ASCII
  // whitespace; no prefix, separator, fraction or exponent.
  int64_t value = 0;
  if (!absl::SimpleAtoi(text, &value)) {
    return Error(Status::InvalidArgument, "Invalid integer value");
  }
  return value;
}

Expected<absl::string_view> ParseTomlStringView(absl::string_view text) {
  if (text.size() < 2 || !IsQuote(text.front()) || text.back() != text.front()) {
    return Error(Status::InvalidArgument, "Invalid string value");
  }
  return text.substr(1, text.size() - 2);
}

Expected<std::string> ParseTomlString(absl::string_view text) {
  Expected<absl::string_view> view = ParseTomlStringView(text);
  if (!view.HasValue()) return view.GetError();
  return std::string(view.Value());
}

Expected<void> VisitTomlStringList(absl::string_view text,
                                   absl::FunctionRef<void(absl::string_view item)> visit) {
  Expected<absl::string_view> body = ListBody(text);
  if (!body.HasValue()) return body.GetError();
  // The whole list is judged before any item is handed out.
  Expected<void> result;
  ForEachListItem(body.Value(), [&](absl::string_view item) {
    Expected<absl::string_view> content = ParseTomlStringView(item);
    if (content.HasValue()) return true;
    result = content.GetError();
    return false;
  });
  if (!result.HasValue()) return result;
  ForEachListItem(body.Value(), [&](absl::string_view item) {
    visit(item.substr(1, item.size() - 2));
    return true;
  });
  return {};
}

Expected<std::vector<std::string>> ParseTomlStringList(absl::string_view text) {
  std::vector<std::string> items;
  Expected<void> result =
      VisitTomlStringList(text, [&](absl::string_view item) { items.emplace_back(item); });
  if (!result.HasValue()) return result.GetError();
  return items;
}

std::vector<absl::string_view> SplitTomlListItems(absl::string_view body) {
  std::vector<absl::string_view> items;
  ForEachListItem(body, [&](absl::string_view item) {
    items.push_back(item);
    return true;
  });
  return items;
}

}  // namespace vantro
