// Expected output values (--expect FILE) and the check of a run against
// them.
//
// The file is text, one statement per line; "#" starts a comment, blank
// lines are skipped:
//
//   tolerance 1e-5            absolute tolerance for the outputs that follow
//                             (1e-6 until the first such line)
//   out 1.6 -0.7 -3.5         an output by name and all its values, as real
//                             numbers (quantised outputs are compared
//                             dequantised), separated by blanks or commas;
//                             "nan", "inf" and "-inf" are allowed
//   out \                     a line ending in "\" goes on on the next one
//     4 5 6
//
// A value matches when |actual - expected| <= tolerance; NaN matches only
// NaN, an infinity only the same infinity. Outputs the file does not name
// are not checked.
#ifndef VANTRO_TOOLS_RUNNER_EXPECTATIONS_H_
#define VANTRO_TOOLS_RUNNER_EXPECTATIONS_H_

#include <cstddef>
#include <string>
#include <vector>

#include "absl/strings/string_view.h"
#include "cc/vantro_expected.h"

namespace vantro::runner {

struct OutputExpectation {
  std::string name;
  double tolerance = 1e-6;
  std::vector<double> values;
};

// One output's values as the run produced them.
struct ActualOutput {
  std::string name;
  std::vector<double> values;
};

struct ExpectationResult {
  // Outputs checked and values compared.
  size_t outputs_checked = 0;
  size_t values_checked = 0;
  // One line per problem, e.g. "out[2]: got -3.4, expected -3.5 (tolerance 1e-05)".
  std::vector<std::string> mismatches;
  bool passed() const { return mismatches.empty(); }
};

// Parses the text of an expectations file; errors name the line.
[[nodiscard]] Expected<std::vector<OutputExpectation>> ParseExpectations(absl::string_view text);

// Compares the run's outputs with the expectations. An expected output the
// run does not have, or whose value count differs, is a mismatch; at most
// `max_value_mismatches` differing values are listed per output (the rest
// are counted in one closing line).
ExpectationResult CheckExpectations(const std::vector<OutputExpectation>& expectations,
                                    const std::vector<ActualOutput>& outputs,
                                    size_t max_value_mismatches = 8);

}  // namespace vantro::runner

#endif  // VANTRO_TOOLS_RUNNER_EXPECTATIONS_H_
