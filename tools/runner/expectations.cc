#include "tools/runner/expectations.h"

#include <cmath>
#include <limits>
#include <map>

#include "absl/strings/ascii.h"
#include "absl/strings/numbers.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_split.h"
#include "absl/strings/strip.h"

namespace vantro::runner {
namespace {

bool ParseNumber(absl::string_view word, double* value) {
  const std::string lower = absl::AsciiStrToLower(word);
  if (lower == "nan" || lower == "-nan" || lower == "+nan") {
    *value = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  if (lower == "inf" || lower == "+inf") {
    *value = std::numeric_limits<double>::infinity();
    return true;
  }
  if (lower == "-inf") {
    *value = -std::numeric_limits<double>::infinity();
    return true;
  }
  return absl::SimpleAtod(word, value) && std::isfinite(*value);
}

std::vector<absl::string_view> Words(absl::string_view line) {
  return absl::StrSplit(line, absl::ByAnyChar(" \t,"), absl::SkipEmpty());
}

bool Matches(double actual, double expected, double tolerance) {
  if (std::isnan(expected)) return std::isnan(actual);
  if (std::isinf(expected)) return actual == expected;
  return std::isfinite(actual) && std::fabs(actual - expected) <= tolerance;
}

}  // namespace

Expected<std::vector<OutputExpectation>> ParseExpectations(absl::string_view text) {
  std::vector<OutputExpectation> expectations;
  std::map<std::string, int> first_line;
  double tolerance = 1e-6;
  std::string statement;
  int statement_line = 0;
  int line_number = 0;
  const std::vector<absl::string_view> lines = absl::StrSplit(text, '\n');
  for (size_t i = 0; i < lines.size(); ++i) {
    ++line_number;
    absl::string_view line = lines[i];
    if (const size_t hash = line.find('#'); hash != absl::string_view::npos) {
      line = line.substr(0, hash);
    }
    line = absl::StripAsciiWhitespace(line);
    if (statement.empty()) statement_line = line_number;
    const bool continued = absl::ConsumeSuffix(&line, "\\");
    absl::StrAppend(&statement, " ", line);
    if (continued && i + 1 < lines.size()) continue;

    std::vector<absl::string_view> words = Words(statement);
    const std::string where = absl::StrCat("line ", statement_line, ": ");
    statement.clear();
    if (words.empty()) continue;
    if (words[0] == "tolerance") {
      double value = 0;
      if (words.size() != 2 || !ParseNumber(words[1], &value) || !(value >= 0) ||
          std::isinf(value)) {
        return Error(Status::InvalidArgument,
                     absl::StrCat(where, "\"tolerance\" takes one finite number >= 0"));
      }
      tolerance = value;
      continue;
    }
    OutputExpectation expectation;
    expectation.name = std::string(words[0]);
    expectation.tolerance = tolerance;
    if (words.size() < 2) {
      return Error(Status::InvalidArgument,
                   absl::StrCat(where, "output \"", expectation.name, "\" lists no values"));
    }
    for (size_t w = 1; w < words.size(); ++w) {
      double value = 0;
      if (!ParseNumber(words[w], &value)) {
        return Error(Status::InvalidArgument,
                     absl::StrCat(where, "\"", words[w], "\" is not a number"));
      }
      expectation.values.push_back(value);
    }
    auto [it, inserted] = first_line.emplace(expectation.name, statement_line);
    if (!inserted) {
      return Error(Status::InvalidArgument,
                   absl::StrCat(where, "output \"", expectation.name,
                                "\" was already given on line ", it->second));
    }
    expectations.push_back(std::move(expectation));
  }
  return expectations;
}

ExpectationResult CheckExpectations(const std::vector<OutputExpectation>& expectations,
                                    const std::vector<ActualOutput>& outputs,
                                    size_t max_value_mismatches) {
  ExpectationResult result;
  for (const OutputExpectation& expected : expectations) {
    const ActualOutput* actual = nullptr;
    for (const ActualOutput& output : outputs) {
      if (output.name == expected.name) actual = &output;
    }
    if (actual == nullptr) {
      result.mismatches.push_back(
          absl::StrCat(expected.name, ": the run has no output of that name"));
      continue;
    }
    ++result.outputs_checked;
    if (actual->values.size() != expected.values.size()) {
      result.mismatches.push_back(absl::StrFormat("%s: got %d values, expected %d", expected.name,
                                                  actual->values.size(), expected.values.size()));
      continue;
    }
    size_t differing = 0;
    for (size_t i = 0; i < expected.values.size(); ++i) {
      ++result.values_checked;
      if (Matches(actual->values[i], expected.values[i], expected.tolerance)) continue;
      if (++differing <= max_value_mismatches) {
        result.mismatches.push_back(
            absl::StrFormat("%s[%d]: got %.9g, expected %.9g (tolerance %g)", expected.name, i,
                            actual->values[i], expected.values[i], expected.tolerance));
      }
    }
    if (differing > max_value_mismatches) {
      result.mismatches.push_back(absl::StrFormat("%s: %d more values differ", expected.name,
                                                  differing - max_value_mismatches));
    }
  }
  return result;
}

}  // namespace vantro::runner
