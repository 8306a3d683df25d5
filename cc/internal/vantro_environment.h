// The process environment, behind one seam: the plug-in reads and extends
// ADSP_LIBRARY_PATH so that QNN libraries loaded afterwards see it.
#ifndef VANTRO_CC_INTERNAL_VANTRO_ENVIRONMENT_H_
#define VANTRO_CC_INTERNAL_VANTRO_ENVIRONMENT_H_

#include <optional>
#include <string>

namespace vantro {

// Reads variable `name`; nullopt when it is not set.
std::optional<std::string> ReadEnvironmentVariable(const char* name);

// Sets variable `name` to `value` in the process environment (setenv, or
// _putenv_s on Windows); false when the runtime library refused.
[[nodiscard]] bool WriteEnvironmentVariable(const char* name, const char* value);

// Removes variable `name` from the process environment; false when the
// runtime library refused. Lets tests put the environment back.
[[nodiscard]] bool RemoveEnvironmentVariable(const char* name);

}  // namespace vantro

#endif  // VANTRO_CC_INTERNAL_VANTRO_ENVIRONMENT_H_
