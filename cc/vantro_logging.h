// The plug-in's logger and the log-line convention: every line starts with
// "[<file>:<line>] ", and every log site asks the minimum severity before it
// formats anything.
#ifndef VANTRO_CC_VANTRO_LOGGING_H_
#define VANTRO_CC_VANTRO_LOGGING_H_

#include <cstdarg>

#include "c/vantro_common.h"

// The logger interface the plug-in prints through.
class VantroLoggerT {
 public:
  virtual ~VantroLoggerT() = default;
  virtual void Log(VantroLogSeverity severity, const char* format, va_list args) = 0;
  virtual VantroLogSeverity GetMinSeverity() = 0;
  virtual void SetMinSeverity(VantroLogSeverity severity) = 0;
  virtual const char* GetIdentifier() = 0;
};

// Writes "<SEVERITY>: <text>\n" to the standard error stream. The minimum
// severity is one process-wide byte shared by all instances.
class VantroStandardLoggerT final : public VantroLoggerT {
 public:
  void Log(VantroLogSeverity severity, const char* format, va_list args) override;
  VantroLogSeverity GetMinSeverity() override;
  void SetMinSeverity(VantroLogSeverity severity) override;
  const char* GetIdentifier() override { return "VantroDefaultLogger"; }
};

// The current logger: created on first use, never replaced or destroyed.
VantroLoggerT* VantroGetCurrentLogger();

// Reads the logger's minimum severity; InvalidArgument for a null logger or
// out pointer.
VantroStatus VantroGetMinLoggerSeverity(VantroLoggerT* logger, VantroLogSeverity* severity);
// Sets the logger's minimum severity; InvalidArgument for a null logger.
VantroStatus VantroSetMinLoggerSeverity(VantroLoggerT* logger, VantroLogSeverity severity);
// Prints one line; InvalidArgument for a null logger or format.
VantroStatus VantroLoggerLog(VantroLoggerT* logger, VantroLogSeverity severity,
                             const char* format, ...)
#if defined(__MINGW32__)
    // MinGW's "printf" means the Microsoft runtime's, which knows no %zu.
    __attribute__((format(gnu_printf, 3, 4)))
#elif defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

namespace vantro {

// The minimum severity of the current logger, 0 when it cannot tell.
VantroLogSeverity CurrentMinSeverity();

// Whether a line of `severity` would be printed.
inline bool ShouldLog(VantroLogSeverity severity) {
  return CurrentMinSeverity() <= severity;
}

// The file name of a source path, without directories and extension.
const char* LogFileName(const char* path, char (&buffer)[64]);

}  // namespace vantro

// Logs one line with the "[file:line] " prefix at `severity`, formatting
// nothing when the line is filtered out.
#define VANTRO_LOG(severity, format, ...)                                      \
  do {                                                                         \
    if (::vantro::ShouldLog(severity)) {                                       \
      char vantro_log_name_[64];                                               \
      VantroLoggerLog(VantroGetCurrentLogger(), (severity), "[%s:%d] " format, \
                      ::vantro::LogFileName(__FILE__, vantro_log_name_),       \
                      __LINE__, ##__VA_ARGS__);                                \
    }                                                                          \
  } while (0)

#define VANTRO_LOG_DEBUG(...) VANTRO_LOG(kVantroLogDebug, __VA_ARGS__)
#define VANTRO_LOG_VERBOSE(...) VANTRO_LOG(kVantroLogVerbose, __VA_ARGS__)
#define VANTRO_LOG_INFO(...) VANTRO_LOG(kVantroLogInfo, __VA_ARGS__)
#define VANTRO_LOG_WARNING(...) VANTRO_LOG(kVantroLogWarning, __VA_ARGS__)
#define VANTRO_LOG_ERROR(...) VANTRO_LOG(kVantroLogError, __VA_ARGS__)

#endif  // VANTRO_CC_VANTRO_LOGGING_H_
