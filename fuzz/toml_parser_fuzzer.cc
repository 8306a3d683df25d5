// Fuzzes the TOML subset reader against a reference written apart from it,
// straight from the subset's rules: the pairs ParseToml hands out (and that
// they are views into the text), an early stop by the callback with exactly
// its message (or none) left for the caller, and every value parser on every
// value.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "absl/strings/string_view.h"
#include "cc/vantro_expected.h"
#include "cc/vantro_logging.h"
#include "core/vantro_toml_parser.h"

namespace {

[[noreturn]] void Fail(const char* what, std::string_view input) {
  std::fprintf(stderr, "toml_parser_fuzzer: %s\ninput: [%.*s]\n", what,
               static_cast<int>(input.size()), input.data());
  std::abort();
}

// ---- Reference.

bool LineSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IntSpace(char c) { return LineSpace(c) || c == '\v' || c == '\f'; }
bool Quote(char c) { return c == '"' || c == '\''; }

std::string_view Trim(std::string_view text, bool (*space)(char)) {
  while (!text.empty() && space(text.front())) text.remove_prefix(1);
  while (!text.empty() && space(text.back())) text.remove_suffix(1);
  return text;
}

std::vector<std::pair<std::string, std::string>> ReferencePairs(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> pairs;
  while (!text.empty()) {
    const size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    text = lf == std::string_view::npos ? std::string_view() : text.substr(lf + 1);
    line = Trim(line, LineSpace);
    if (line.empty() || line.front() == '#') continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view value = Trim(line.substr(equals + 1), LineSpace);
    if (value.size() >= 2 && Quote(value.front()) && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    pairs.emplace_back(std::string(Trim(line.substr(0, equals), LineSpace)), std::string(value));
  }
  return pairs;
}

std::optional<bool> ReferenceBool(std::string_view text) {
  if (text == "true") return true;
  if (text == "false") return false;
  return std::nullopt;
}

std::optional<int64_t> ReferenceInt(std::string_view text) {
  text = Trim(text, IntSpace);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  uint64_t magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (magnitude > (limit - digit) / 10) return std::nullopt;
    magnitude = magnitude * 10 + digit;
  }
  if (!negative) return static_cast<int64_t>(magnitude);
  return magnitude == (uint64_t{1} << 63) ? INT64_MIN : -static_cast<int64_t>(magnitude);
}

std::optional<std::string> ReferenceString(std::string_view text) {
  if (text.size() < 2 || !Quote(text.front()) || text.back() != text.front()) return std::nullopt;
  return std::string(text.substr(1, text.size() - 2));
}

std::vector<std::string> ReferenceSplit(std::string_view body) {
  std::vector<std::string> items;
  std::string current;
  char quote = 0;
  auto finish = [&] {
    std::string_view item = Trim(current, LineSpace);
    if (!item.empty()) items.emplace_back(item);
    current.clear();
  };
  for (char c : body) {
    if (quote == 0 && c == ',') {
      finish();
      continue;
    }
    if (quote != 0 && c == quote) {
      quote = 0;
    } else if (quote == 0 && Quote(c)) {
      quote = c;
    }
    current.push_back(c);
  }
  finish();
  return items;
}

// The list, or the message it fails with.
struct ReferenceList {
  std::vector<std::string> items;
  std::string error;
};
ReferenceList ReferenceStringList(std::string_view text) {
  if (text.size() < 2 || text.front() != '[' || text.back() != ']') {
    return {{}, "Invalid array format"};
  }
  ReferenceList list;
  for (const std::string& item : ReferenceSplit(text.substr(1, text.size() - 2))) {
    auto content = ReferenceString(item);
    if (!content) return {{}, "Invalid string value"};
    list.items.push_back(*content);
  }
  return list;
}

// ---- Checks.

void CheckValueParsers(std::string_view text, std::string_view input) {
  const absl::string_view view(text.data(), text.size());

  const auto parsed_bool = vantro::ParseTomlBool(view);
  const auto expected_bool = ReferenceBool(text);
  if (parsed_bool.HasValue() != expected_bool.has_value() ||
      (expected_bool && parsed_bool.Value() != *expected_bool)) {
    Fail("ParseTomlBool differs", input);
  }
  if (!parsed_bool.HasValue() && parsed_bool.GetError().message() != "Invalid boolean value") {
    Fail("ParseTomlBool message", input);
  }

  const auto parsed_int = vantro::ParseTomlInt(view);
  const auto expected_int = ReferenceInt(text);
  if (parsed_int.HasValue() != expected_int.has_value() ||
      (expected_int && parsed_int.Value() != *expected_int)) {
    Fail("ParseTomlInt differs", input);
  }
  if (!parsed_int.HasValue() && (parsed_int.GetError().message() != "Invalid integer value" ||
                                 parsed_int.GetError().status() != vantro::Status::InvalidArgument)) {
    Fail("ParseTomlInt error", input);
  }

  const auto parsed_string = vantro::ParseTomlString(view);
  const auto parsed_string_view = vantro::ParseTomlStringView(view);
  const auto expected_string = ReferenceString(text);
  if (parsed_string.HasValue() != expected_string.has_value() ||
      parsed_string_view.HasValue() != expected_string.has_value()) {
    Fail("ParseTomlString accepts differently", input);
  }
  if (expected_string) {
    if (parsed_string.Value() != *expected_string ||
        std::string(parsed_string_view.Value()) != *expected_string) {
      Fail("ParseTomlString content differs", input);
    }
    if (parsed_string_view.Value().data() != text.data() + 1) {
      Fail("ParseTomlStringView is not a view into the text", input);
    }
  } else if (parsed_string.GetError().message() != "Invalid string value") {
    Fail("ParseTomlString message", input);
  }

  const auto parsed_list = vantro::ParseTomlStringList(view);
  const ReferenceList expected_list = ReferenceStringList(text);
  if (parsed_list.HasValue() != expected_list.error.empty()) {
    Fail("ParseTomlStringList accepts differently", input);
  }
  if (parsed_list.HasValue()) {
    if (parsed_list.Value() != expected_list.items) Fail("ParseTomlStringList items differ", input);
  } else if (parsed_list.GetError().message() != expected_list.error) {
    Fail("ParseTomlStringList message differs", input);
  }
  std::vector<std::string> visited;
  const auto visit = vantro::VisitTomlStringList(
      view, [&](absl::string_view item) { visited.emplace_back(item); });
  if (visit.HasValue() != parsed_list.HasValue() ||
      (visit.HasValue() && visited != parsed_list.Value()) ||
      (!visit.HasValue() && !visited.empty())) {
    Fail("VisitTomlStringList differs from ParseTomlStringList", input);
  }

  std::vector<std::string> split;
  for (absl::string_view item : vantro::SplitTomlListItems(view)) {
    if (item.data() < text.data() || item.data() + item.size() > text.data() + text.size()) {
      Fail("SplitTomlListItems item outside the body", input);
    }
    split.emplace_back(item);
  }
  if (split != ReferenceSplit(text)) Fail("SplitTomlListItems differs", input);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  VantroSetMinLoggerSeverity(VantroGetCurrentLogger(), kVantroLogSilent);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that reading one byte past the text is caught.
  std::vector<char> bytes(data, data + size);
  const std::string_view text(bytes.data(), bytes.size());
  const auto expected = ReferencePairs(text);

  // Every pair, as views into the text.
  std::vector<std::pair<std::string, std::string>> pairs;
  const vantro::Status status = vantro::ParseToml(
      absl::string_view(text.data(), text.size()),
      [&](absl::string_view key, absl::string_view value) {
        for (absl::string_view part : {key, value}) {
          if (!part.empty() && (part.data() < text.data() ||
                                part.data() + part.size() > text.data() + text.size())) {
            Fail("a pair is not a view into the text", text);
          }
        }
        pairs.emplace_back(std::string(key), std::string(value));
        return vantro::Status::Ok;
      });
  if (status != vantro::Status::Ok) Fail("ParseToml failed with an accepting callback", text);
  if (pairs != expected) Fail("ParseToml pairs differ from the reference", text);

  // A callback that refuses pair k stops the parse there. What the caller
  // then finds pending is the callback's message, exactly, or nothing when
  // it left none: never one parked before the parse.
  if (!expected.empty()) {
    const size_t stop = static_cast<size_t>(data[0]) % expected.size();
    const bool with_message = (data[0] & 0x80) == 0;
    size_t calls = 0;
    vantro::ToStatus(vantro::Status::NotFound, "parked before the parse");
    const vantro::Status stopped = vantro::ParseToml(
        absl::string_view(text.data(), text.size()),
        [&](absl::string_view, absl::string_view) {
          if (calls++ != stop) return vantro::Status::Ok;
          if (!with_message) return vantro::Status::NotFound;
          return vantro::ToStatus(vantro::Status::NotFound, "refused by the callback");
        });
    if (stopped != vantro::Status::NotFound || calls != stop + 1) {
      Fail("a refusing callback did not stop the parse", text);
    }
    vantro::Status pending = vantro::Status::Ok;
    std::string message;
    const bool present = vantro::PeekPendingError(&pending, &message);
    if (with_message &&
        (!present || pending != vantro::Status::NotFound || message != "refused by the callback")) {
      Fail("the callback's message is not what is pending after the parse", text);
    }
    if (!with_message && present) Fail("a message is pending after a bare refusal", text);
    vantro::ClearPendingError();
  }

  CheckValueParsers(text, text);
  for (const auto& [key, value] : pairs) {
    CheckValueParsers(key, text);
    CheckValueParsers(value, text);
  }
  return 0;
}
