// QNN-layer diagnostics: lines that carry their own "ERROR: [Qnn] " style
// prefix, filtered by a process-wide threshold that follows the options'
// LogLevel, and the callback handed to QNN's logCreate.
#ifndef VANTRO_VENDORS_QUALCOMM_BACKENDS_QNN_LOG_H_
#define VANTRO_VENDORS_QUALCOMM_BACKENDS_QNN_LOG_H_

#include <cstdarg>
#include <cstdint>

#include "QnnLog.h"

namespace qnn {

// Levels of QnnLog: 1 error, 2 warning, 3 information, 5 debug.
enum : uint32_t {
  kQnnLogError = 1,
  kQnnLogWarning = 2,
  kQnnLogInfo = 3,
  kQnnLogDebug = 5,
};

// Prints one printf-style line and a line feed on the standard error stream
// when `level` is at most the threshold.
void QnnLog(uint32_t level, const char* format, ...)
#if defined(__MINGW32__)
    // MinGW's "printf" means the Microsoft runtime's, which knows no %zu.
    __attribute__((format(gnu_printf, 2, 3)))
#elif defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Sets the process-wide threshold (initially 3).
void SetQnnLogLevel(uint32_t level);
uint32_t GetQnnLogLevel();

// The callback QNN calls with its own messages, possibly from its threads:
// "<ms>ms [<LEVEL>] <message>" on the standard output stream.
void QnnLogCallback(const char* format, QnnLog_Level_t level, uint64_t timestamp, va_list args);

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_BACKENDS_QNN_LOG_H_
