// Reader of the flat TOML subset in which vendor options travel: ParseToml
// splits a text into key/value pairs in one pass over views of the input,
// and the value parsers type one value each.
#ifndef VANTRO_CORE_VANTRO_TOML_PARSER_H_
#define VANTRO_CORE_VANTRO_TOML_PARSER_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "absl/functional/function_ref.h"
#include "absl/strings/string_view.h"
#include "cc/vantro_expected.h"

namespace vantro {

// Receives one pair; the views point into the parsed text and live only for
// the call. A non-Ok status stops the parse.
using TomlPairCallback = std::function<Status(absl::string_view key, absl::string_view value)>;

// Hands every "key = value" line of `text` to `callback`, in order. Blank
// lines, "#" comments and lines without "=" are skipped; one pair of matching
// outer quotes is removed from the value. Returns the first non-Ok status of
// the callback or Ok. The thread's pending error starts empty: on failure it
// holds the failing pair's message under this parser's location, or nothing
// when the callback left no message.
[[nodiscard]] Status ParseToml(absl::string_view text, TomlPairCallback callback);

// "true" or "false", exactly; anything else is "Invalid boolean value".
[[nodiscard]] Expected<bool> ParseTomlBool(absl::string_view text);

// A base-10 signed 64-bit integer, surrounding ASCII whitespace allowed;
// anything else is "Invalid integer value".
[[nodiscard]] Expected<int64_t> ParseTomlInt(absl::string_view text);

// The bytes between one pair of matching single or double quotes, unchanged;
// anything else is "Invalid string value".
[[nodiscard]] Expected<std::string> ParseTomlString(absl::string_view text);

// As ParseTomlString, but a view into `text` instead of a copy.
[[nodiscard]] Expected<absl::string_view> ParseTomlStringView(absl::string_view text);

// A one-line list of quoted strings: "[" items "]" ("Invalid array format"
// otherwise); the first bad item fails the list with its error.
[[nodiscard]] Expected<std::vector<std::string>> ParseTomlStringList(absl::string_view text);

// As ParseTomlStringList, but hands each item's content to `visit` (in order,
// after the whole list was found well-formed) instead of copying it.
[[nodiscard]] Expected<void> VisitTomlStringList(
    absl::string_view text, absl::FunctionRef<void(absl::string_view item)> visit);

// Cuts a list body at the commas outside quotes; items are trimmed and empty
// ones dropped. Unbalanced quotes are left for ParseTomlString to judge.
std::vector<absl::string_view> SplitTomlListItems(absl::string_view body);

}  // namespace vantro

#endif  // VANTRO_CORE_VANTRO_TOML_PARSER_H_
