// Environment helpers for tests that change a variable and put it back.
#ifndef VANTRO_TESTS_SUPPORT_ENVIRONMENT_TEST_SUPPORT_H_
#define VANTRO_TESTS_SUPPORT_ENVIRONMENT_TEST_SUPPORT_H_

#include <optional>
#include <string>

#include "cc/internal/vantro_environment.h"

namespace vantro {

// Sets `name` to `value`, or removes it when there is no value: the way a
// variable read with ReadEnvironmentVariable is restored. False on failure.
[[nodiscard]] inline bool SetOrRemoveEnvironmentVariable(const char* name,
                                                         const std::optional<std::string>& value) {
  return value.has_value() ? WriteEnvironmentVariable(name, value->c_str())
                           : RemoveEnvironmentVariable(name);
}

}  // namespace vantro

#endif  // VANTRO_TESTS_SUPPORT_ENVIRONMENT_TEST_SUPPORT_H_
