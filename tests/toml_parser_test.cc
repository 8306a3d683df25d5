#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "absl/strings/string_view.h"
#include "core/vantro_toml_parser.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "tests/support/options_test_support.h"

namespace vantro {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing_support::IsLocatedText;
using testing_support::PeekPending;
using testing_support::Pending;
using testing_support::PendingAfterFailedParse;
using testing_support::ScopedMinSeverity;

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs Collect(absl::string_view text) {
  Pairs pairs;
  Status status = ParseToml(text, [&](absl::string_view key, absl::string_view value) {
    pairs.emplace_back(std::string(key), std::string(value));
    return Status::Ok;
  });
  EXPECT_EQ(status, Status::Ok);
  return pairs;
}

TEST(TomlParserTest, SplitsLinesIntoPairs) {
  struct Case {
    const char* name;
    absl::string_view text;
    Pairs pairs;
  };
  const Case cases[] = {
      {"empty", "", {}},
      {"null text", absl::string_view(nullptr, 0), {}},
      {"blank and comment lines", "\n  \n# a = 1\n\t\r\n   # b = 2\n", {}},
      {"simple", "a = 1\nb = true", {{"a", "1"}, {"b", "true"}}},
      {"crlf like lf", "a = 1\r\nb = x\r\n", {{"a", "1"}, {"b", "x"}}},
      {"no spaces, tabs around", "\ta=1\t\n", {{"a", "1"}}},
      {"hash after value kept", "a = 1 # note", {{"a", "1 # note"}}},
      {"hash inside key kept", "a#b = 1", {{"a#b", "1"}}},
      {"word without equals skipped", "word\na = 1", {{"a", "1"}}},
      {"section header skipped", "[section]\na = 1\n[other.table]\n", {{"a", "1"}}},
      {"empty key", "= 5", {{"", "5"}}},
      {"empty value", "a =", {{"a", ""}}},
      {"second equals in value", "a = b = c", {{"a", "b = c"}}},
      {"double quotes removed", "a = \"x y\"", {{"a", "x y"}}},
      {"single quotes removed", "a = 'x'", {{"a", "x"}}},
      {"mixed quotes kept", "a = \"x'", {{"a", "\"x'"}}},
      {"empty quoted", "a = \"\"", {{"a", ""}}},
      {"lone quote kept", "a = \"", {{"a", "\""}}},
      {"only one pair removed", "a = \"\"x\"\"", {{"a", "\"x\""}}},
      {"backslash kept", "a = \"c:\\dir\\n\"", {{"a", "c:\\dir\\n"}}},
      {"spaces inside quotes kept", "a = \" x \"", {{"a", " x "}}},
      {"key given twice", "a = 1\na = 2", {{"a", "1"}, {"a", "2"}}},
      {"vertical tab is not space", "\va = 1\f", {{"\va", "1\f"}}},
      {"list value whole", "ids = [\"1\", \"2\"]", {{"ids", "[\"1\", \"2\"]"}}},
      {"embedded nul",
       absl::string_view("a = x\0y\nb = 2", 13),
       {{"a", std::string("x\0y", 3)}, {"b", "2"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Collect(c.text), c.pairs);
  }
}

TEST(TomlParserTest, StopsAtTheFirstFailingPair) {
  std::vector<std::string> keys;
  Status status =
      ParseToml("a = 1\nb = 2\nc = 3\nd = 4\ne = 5", [&](absl::string_view key, absl::string_view) {
        keys.emplace_back(key);
        return key == "c" ? Status::NotFound : Status::Ok;
      });
  EXPECT_EQ(status, Status::NotFound);
  EXPECT_THAT(keys, ElementsAre("a", "b", "c"));
}

// A callback that records `message` under `recorded` and returns `returned`.
TomlPairCallback FailWith(Status recorded, std::string message, Status returned) {
  return [=](absl::string_view, absl::string_view) {
    if (!message.empty()) ToStatus(recorded, message);
    return returned;
  };
}

TEST(TomlParserTest, KeepsTheCallbacksMessageInThePendingError) {
  ClearPendingError();
  EXPECT_EQ(ParseToml("a = x", FailWith(Status::InvalidArgument, "Invalid integer value",
                                        Status::InvalidArgument)),
            Status::InvalidArgument);
  Pending pending = PeekPending();
  ASSERT_TRUE(pending.present);
  EXPECT_EQ(pending.status, Status::InvalidArgument);
  EXPECT_TRUE(IsLocatedText(pending.message, "core/vantro_toml_parser", "Invalid integer value"))
      << pending.message;
}

TEST(TomlParserTest, SilentLoggerKeepsThePlainMessage) {
  ScopedMinSeverity silent(kVantroLogSilent);
  ClearPendingError();
  EXPECT_EQ(ParseToml("a = x", FailWith(Status::RuntimeFailure, "broken", Status::RuntimeFailure)),
            Status::RuntimeFailure);
  Pending pending = PeekPending();
  ASSERT_TRUE(pending.present);
  EXPECT_EQ(pending.status, Status::RuntimeFailure);
  EXPECT_EQ(pending.message, "broken");
}

TEST(TomlParserTest, ABareStatusLeavesNoMessage) {
  struct Case {
    const char* name;
    TomlPairCallback callback;
  };
  const Case cases[] = {
      {"no message", FailWith(Status::InvalidArgument, "", Status::InvalidArgument)},
      {"message under another status",
       FailWith(Status::RuntimeFailure, "other", Status::InvalidArgument)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearPendingError();
    EXPECT_EQ(ParseToml("a = 1", c.callback), Status::InvalidArgument);
    EXPECT_FALSE(PeekPending().present) << PeekPending().message;
  }
}

TEST(TomlParserTest, ClearsThePendingErrorAfterEveryAcceptedPair) {
  ToStatus(Status::InvalidArgument, "stale");
  std::vector<bool> pending_seen;
  Status status = ParseToml("a = 1\nb = 2\nc = 3", [&](absl::string_view key, absl::string_view) {
    pending_seen.push_back(PeekPending().present);
    if (key == "a") ToStatus(Status::InvalidArgument, "noted while handling a");
    if (key == "c") return Status::InvalidArgument;
    return Status::Ok;
  });
  EXPECT_EQ(status, Status::InvalidArgument);
  // No pair sees the message parked before the parse, and nothing recorded
  // for an accepted pair survives it, so the failing pair leaves no message.
  EXPECT_THAT(pending_seen, ElementsAre(false, false, false));
  EXPECT_FALSE(PeekPending().present);
}

// A message parked before the parse, under the status the callback fails
// with, is never taken for the callback's: the first pair fails with its own
// message or with none.
TEST(TomlParserTest, AnOlderMessageNeverPassesForTheFailingPairs) {
  struct Case {
    const char* name;
    TomlPairCallback callback;
    std::string message;  // empty: no pending error at all
  };
  const Case cases[] = {
      {"callback leaves no message", FailWith(Status::InvalidArgument, "", Status::InvalidArgument),
       ""},
      {"callback leaves a message",
       FailWith(Status::InvalidArgument, "Invalid integer value", Status::InvalidArgument),
       "Invalid integer value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToStatus(Status::InvalidArgument, "older, unrelated message");
    EXPECT_EQ(ParseToml("a = 1\nb = 2", c.callback), Status::InvalidArgument);
    EXPECT_TRUE(PendingAfterFailedParse(c.message));
  }
  ClearPendingError();
}

// Failed parses in a row on one thread each report the same text: nothing
// of the previous failure is carried into the next.
TEST(TomlParserTest, FailuresInARowDoNotAccumulate) {
  const TomlPairCallback reject = [](absl::string_view, absl::string_view value) {
    Expected<bool> parsed = ParseTomlBool(value);
    return parsed.HasValue() ? Status::Ok : ToStatus(parsed.GetError());
  };
  ClearPendingError();
  for (int failure = 1; failure <= 5; ++failure) {
    SCOPED_TRACE(failure);
    EXPECT_EQ(ParseToml("b = 1\na = true", reject), Status::InvalidArgument);
    EXPECT_TRUE(PendingAfterFailedParse("Invalid boolean value"));
  }
  ClearPendingError();
}

TEST(TomlParserTest, ReleasesTheCallbackBeforeReturning) {
  auto token = std::make_shared<int>(0);
  std::weak_ptr<int> watch = token;
  TomlPairCallback callback = [token](absl::string_view, absl::string_view) { return Status::Ok; };
  token.reset();
  // Both operands belong to one full expression: a callback that lived on in
  // the caller's temporary would still be alive when `watch` is read.
  const bool released = ParseToml("a = 1", std::move(callback)) == Status::Ok && watch.expired();
  EXPECT_TRUE(released);
}

// One row per value-parser input: the expected text of the value, or the
// error message.
struct ValueCase {
  const char* name;
  absl::string_view text;
  bool ok;
  std::string expected;  // value rendered as text, or the error message
};

template <typename T, typename Render>
void RunValueCases(Expected<T> (*parse)(absl::string_view), const std::vector<ValueCase>& cases,
                   Render render) {
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(c.name);
    ClearPendingError();
    Expected<T> result = parse(c.text);
    ASSERT_EQ(result.HasValue(), c.ok);
    if (c.ok) {
      EXPECT_EQ(render(result.Value()), c.expected);
    } else {
      EXPECT_EQ(result.GetError().status(), Status::InvalidArgument);
      EXPECT_EQ(result.GetError().message(), c.expected);
    }
    EXPECT_FALSE(PeekPending().present);  // the value parsers park nothing
  }
}

TEST(TomlParserTest, ParsesBooleans) {
  const std::string bad = "Invalid boolean value";
  RunValueCases<bool>(&ParseTomlBool,
                      {
                          {"true", "true", true, "1"},
                          {"false", "false", true, "0"},
                          {"capital", "True", false, bad},
                          {"one", "1", false, bad},
                          {"spaces", " true", false, bad},
                          {"empty", "", false, bad},
                          {"prefix", "tru", false, bad},
                          {"longer", "falsey", false, bad},
                      },
                      [](bool v) { return std::string(v ? "1" : "0"); });
}

TEST(TomlParserTest, ParsesIntegers) {
  const std::string bad = "Invalid integer value";
  RunValueCases<int64_t>(&ParseTomlInt,
                         {
                             {"plus", "+7", true, "7"},
                             {"minus zero", "-0", true, "0"},
                             {"negative", "-42", true, "-42"},
                             {"leading zeros", "007", true, "7"},
                             {"ascii whitespace", " \t\v\f\r\n12\n\r ", true, "12"},
                             {"max", "9223372036854775807", true, "9223372036854775807"},
                             {"min", "-9223372036854775808", true, "-9223372036854775808"},
                             {"one above max", "9223372036854775808", false, bad},
                             {"one below min", "-9223372036854775809", false, bad},
                             {"hex", "0x10", false, bad},
                             {"exponent", "1e3", false, bad},
                             {"decimal point", "1.0", false, bad},
                             {"separator", "1_000", false, bad},
                             {"empty", "", false, bad},
                             {"lone minus", "-", false, bad},
                             {"lone plus", "+", false, bad},
                             {"two signs", "+-1", false, bad},
                             {"inner space", "1 2", false, bad},
                             {"trailing note", "1 # one", false, bad},
                             {"quoted", "\"5\"", false, bad},
                         },
                         [](int64_t v) { return std::to_string(v); });
}

TEST(TomlParserTest, ParsesStrings) {
  const std::string bad = "Invalid string value";
  RunValueCases<std::string>(&ParseTomlString,
                             {
                                 {"double", "\"abc\"", true, "abc"},
                                 {"single", "'abc'", true, "abc"},
                                 {"empty", "\"\"", true, ""},
                                 {"inner quotes", "\"a'b\"c\"", true, "a'b\"c"},
                                 {"no escapes", "'a\\nb'", true, "a\\nb"},
                                 {"mismatched", "\"abc'", false, bad},
                                 {"unquoted", "abc", false, bad},
                                 {"lone quote", "\"", false, bad},
                                 {"no text", "", false, bad},
                                 {"space outside", " \"a\"", false, bad},
                             },
                             [](const std::string& v) { return v; });
}

TEST(TomlParserTest, ParsesStringLists) {
  struct Case {
    const char* name;
    absl::string_view text;
    bool ok;
    std::vector<std::string> items;
    std::string message;
  };
  const Case cases[] = {
      {"brackets alone", "[]", true, {}, ""},
      {"only spaces", "[   ]", true, {}, ""},
      {"only a comma", "[,]", true, {}, ""},
      {"two kinds of quotes", "['a', \"b\"]", true, {"a", "b"}, ""},
      {"comma inside quotes", "[\"a,b\"]", true, {"a,b"}, ""},
      {"other quote inside", "[\"it's\", 'say \"hi\"']", true, {"it's", "say \"hi\""}, ""},
      {"extra commas", "[,,\"1\",, \"2\",]", true, {"1", "2"}, ""},
      {"empty item", "[\"\"]", true, {""}, ""},
      {"unquoted item", "[a]", false, {}, "Invalid string value"},
      {"second unquoted", "[\"1\", 2]", false, {}, "Invalid string value"},
      {"unbalanced quote", "[\"a, b]", false, {}, "Invalid string value"},
      {"no closing bracket", "[\"a\"", false, {}, "Invalid array format"},
      {"opening bracket only", "[", false, {}, "Invalid array format"},
      {"closing bracket only", "]", false, {}, "Invalid array format"},
      {"empty text", "", false, {}, "Invalid array format"},
      {"not a list", "\"a\"", false, {}, "Invalid array format"},
      {"space before bracket", " []", false, {}, "Invalid array format"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Expected<std::vector<std::string>> result = ParseTomlStringList(c.text);
    ASSERT_EQ(result.HasValue(), c.ok);
    if (c.ok) {
      EXPECT_EQ(result.Value(), c.items);
    } else {
      EXPECT_EQ(result.GetError().status(), Status::InvalidArgument);
      EXPECT_EQ(result.GetError().message(), c.message);
    }
  }
}

TEST(TomlParserTest, VisitHandsOutNothingFromABadList) {
  std::vector<std::string> seen;
  Expected<void> result = VisitTomlStringList(
      "[\"1\", \"2\", x]", [&](absl::string_view item) { seen.emplace_back(item); });
  EXPECT_FALSE(result.HasValue());
  EXPECT_THAT(seen, IsEmpty());
}

TEST(TomlParserTest, ListCannotSpanLines) {
  std::string message;
  Status status =
      ParseToml("ids = [\n\"1\"\n]", [&](absl::string_view key, absl::string_view value) {
        if (key != "ids") return Status::Ok;
        Expected<std::vector<std::string>> list = ParseTomlStringList(value);
        if (list.HasValue()) return Status::Ok;
        message = list.GetError().message();
        return Status::InvalidArgument;
      });
  EXPECT_EQ(status, Status::InvalidArgument);
  EXPECT_EQ(message, "Invalid array format");
}

TEST(TomlParserTest, SplitsListItems) {
  struct Case {
    const char* name;
    absl::string_view body;
    std::vector<absl::string_view> items;
  };
  const Case cases[] = {
      {"empty", "", {}},
      {"blanks and commas", " , ,\t", {}},
      {"trimmed", " 'a' ,\"b\" ", {"'a'", "\"b\""}},
      {"quoted comma", "\"a,b\", c", {"\"a,b\"", "c"}},
      {"other quote is ordinary", "\"a',b\", 'c\",d'", {"\"a',b\"", "'c\",d'"}},
      {"unbalanced runs to the end", "\"a, b", {"\"a, b"}},
      {"unquoted kept", "x, y z", {"x", "y z"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SplitTomlListItems(c.body), c.items);
  }
}

}  // namespace
}  // namespace vantro
