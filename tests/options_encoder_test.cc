#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "absl/strings/string_view.h"
#include "core/vantro_options_encoder.h"
#include "gtest/gtest.h"
#include "tests/support/options_test_support.h"

namespace vantro {
namespace {

using testing_support::IsLocatedText;
using testing_support::ScopedMinSeverity;

constexpr absl::string_view kPath = "core/vantro_options_encoder";
constexpr absl::string_view kPrefix = "earlier = 1\n";

using Append = std::function<Expected<void>(std::string*)>;

Append Bool(absl::string_view key, bool value) {
  return [=](std::string* out) { return AppendBoolOption(out, key, value); };
}
Append Int(absl::string_view key, int64_t value) {
  return [=](std::string* out) { return AppendIntOption(out, key, value); };
}
Append Str(absl::string_view key, absl::string_view value) {
  return [=](std::string* out) { return AppendStringOption(out, key, value); };
}
Append List(absl::string_view key, std::vector<absl::string_view> items) {
  return [=](std::string* out) { return AppendStringListOption(out, key, items); };
}

TEST(OptionsEncoderTest, AppendsExactlyOneLine) {
  struct Case {
    const char* name;
    Append append;
    absl::string_view line;
  };
  const Case cases[] = {
      {"bool true", Bool("use_conv_hmx", true), "use_conv_hmx = true\n"},
      {"bool false", Bool("htp_dlbc", false), "htp_dlbc = false\n"},
      {"int", Int("log_level", 3), "log_level = 3\n"},
      {"int zero", Int("k", 0), "k = 0\n"},
      {"int minus one", Int("k", -1), "k = -1\n"},
      {"int uint32 max", Int("k", 4294967295), "k = 4294967295\n"},
      {"int64 min", Int("k", std::numeric_limits<int64_t>::min()), "k = -9223372036854775808\n"},
      {"int64 max", Int("k", std::numeric_limits<int64_t>::max()), "k = 9223372036854775807\n"},
      {"string", Str("dlc_dir", "/tmp/dlc"), "dlc_dir = \"/tmp/dlc\"\n"},
      {"string empty", Str("dlc_dir", ""), "dlc_dir = \"\"\n"},
      {"string verbatim quote backslash hash", Str("k", "it's \\a # b = c"),
       "k = \"it's \\a # b = c\"\n"},
      {"string high bytes", Str("k", "\xC3\xA9\t"), "k = \"\xC3\xA9\t\"\n"},
      {"list", List("dump_tensor_ids", {"4", "17"}), "dump_tensor_ids = [\"4\", \"17\"]\n"},
      {"list one", List("k", {"a"}), "k = [\"a\"]\n"},
      {"list empty", List("k", {}), "k = []\n"},
      {"list empty item", List("k", {"", "'"}), "k = [\"\", \"'\"]\n"},
      {"key with quote and dot", Bool("a.\"b\"[c]", true), "a.\"b\"[c] = true\n"},
      {"key with high bytes", Int("\xC3\xA9", 1), "\xC3\xA9 = 1\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out(kPrefix);
    Expected<void> result = c.append(&out);
    ASSERT_TRUE(result.HasValue()) << result.GetError().message();
    EXPECT_EQ(out, std::string(kPrefix) + std::string(c.line));
  }
}

TEST(OptionsEncoderTest, RejectsAndLeavesTheBufferAlone) {
  const std::string value_message =
      "Value of option 'k' contains an unsupported character (\", newline or carriage return).";
  struct Case {
    const char* name;
    Append append;
    std::string message;
  };
  const Case cases[] = {
      {"empty key", Bool("", true), "Option key must not be empty."},
      {"empty key before bad value", Str("", "\""), "Option key must not be empty."},
      {"empty key list", List("", {"\n"}), "Option key must not be empty."},
      {"key with space", Int("a b", 1), "Option key contains an unsupported character: a b"},
      {"key with hash", Bool("a#b", true), "Option key contains an unsupported character: a#b"},
      {"key with equals", Str("a=b", "v"), "Option key contains an unsupported character: a=b"},
      {"key ending in tab", Int("ab\t", 1), "Option key contains an unsupported character: ab\t"},
      {"key with lf", Int("a\nb", 1), "Option key contains an unsupported character: a\nb"},
      {"key with cr", List("a\r", {}), "Option key contains an unsupported character: a\r"},
      {"bad key before bad value", Str("a b", "\""),
       "Option key contains an unsupported character: a b"},
      {"value with double quote", Str("k", "a\"b"), value_message},
      {"value with lf", Str("k", "a\nb"), value_message},
      {"value with cr", Str("k", "a\rb"), value_message},
      {"third list item", List("k", {"ok", "fine", "x\"y", "\n"}), value_message},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out(kPrefix);
    Expected<void> result = c.append(&out);
    ASSERT_FALSE(result.HasValue());
    EXPECT_EQ(result.GetError().status(), Status::InvalidArgument);
    EXPECT_TRUE(IsLocatedText(result.GetError().message(), kPath, c.message))
        << result.GetError().message();
    EXPECT_EQ(out, kPrefix);
  }
}

TEST(OptionsEncoderTest, ValidatorsAloneAcceptWhatTheAppendsAccept) {
  EXPECT_TRUE(ValidateOptionKey("k.x").HasValue());
  EXPECT_FALSE(ValidateOptionKey("").HasValue());
  EXPECT_TRUE(ValidateOptionValue("k", "'\\#=").HasValue());
  EXPECT_TRUE(ValidateOptionValue("k", "").HasValue());
  EXPECT_FALSE(ValidateOptionValue("k", "\"").HasValue());
}

TEST(OptionsEncoderTest, SilentLoggerLeavesThePlainMessage) {
  ScopedMinSeverity silent(kVantroLogSilent);
  std::string out;
  Expected<void> result = AppendBoolOption(&out, "", true);
  ASSERT_FALSE(result.HasValue());
  EXPECT_EQ(result.GetError().message(), "Option key must not be empty.");
  EXPECT_TRUE(out.empty());
}

TEST(OptionsEncoderTest, AFailureDoesNotAffectLaterCalls) {
  std::string out;
  ASSERT_FALSE(AppendStringOption(&out, "k", "\"").HasValue());
  ASSERT_TRUE(AppendStringOption(&out, "k", "v").HasValue());
  ClearPendingError();
  EXPECT_EQ(out, "k = \"v\"\n");
}

}  // namespace
}  // namespace vantro
