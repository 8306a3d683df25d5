// Writer of vendor options: each call appends one line of the flat TOML
// subset ("key = value\n") that the TOML parser reads back, or appends
// nothing and fails.
#ifndef VANTRO_CORE_VANTRO_OPTIONS_ENCODER_H_
#define VANTRO_CORE_VANTRO_OPTIONS_ENCODER_H_

#include <cstdint>
#include <string>

#include "absl/strings/string_view.h"
#include "absl/types/span.h"
#include "cc/vantro_expected.h"

namespace vantro {

// Checks that a key can stand on the left of " = ": non-empty and free of
// space, tab, LF, CR, '#' and '='.
[[nodiscard]] Expected<void> ValidateOptionKey(absl::string_view key);

// Checks that a value can be written between double quotes without escaping:
// no double quote, LF or CR. `key` only names the option in the message.
[[nodiscard]] Expected<void> ValidateOptionValue(absl::string_view key, absl::string_view value);

// Appends "key = true\n" or "key = false\n".
[[nodiscard]] Expected<void> AppendBoolOption(std::string* out, absl::string_view key, bool value);

// Appends "key = <decimal>\n"; callers widen 32-bit fields themselves.
[[nodiscard]] Expected<void> AppendIntOption(std::string* out, absl::string_view key,
                                             int64_t value);

// Appends "key = \"value\"\n" with the value bytes unchanged.
[[nodiscard]] Expected<void> AppendStringOption(std::string* out, absl::string_view key,
                                                absl::string_view value);

// Appends "key = [\"a\", \"b\"]\n"; every item is checked before anything is
// written.
[[nodiscard]] Expected<void> AppendStringListOption(std::string* out, absl::string_view key,
                                                    absl::Span<const absl::string_view> items);

}  // namespace vantro

#endif  // VANTRO_CORE_VANTRO_OPTIONS_ENCODER_H_
