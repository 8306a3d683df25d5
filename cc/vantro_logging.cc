#include "cc/vantro_logging.h"

#include <cstdio>
#include <cstring>

namespace {

// Process-wide, shared by all standard loggers; a plain byte by design.
VantroLogSeverity g_min_severity = kVantroLogInfo;

const char* StandardLoggerName(VantroLogSeverity severity) {
  // Looked up as an unsigned byte: DEBUG (-1) falls outside the table.
  static const char* const kNames[] = {"VERBOSE", "INFO", "WARNING", "ERROR", "SILENT"};
  const auto index = static_cast<unsigned char>(severity);
  return index < 5 ? kNames[index] : "<Unknown severity>";
}

}  // namespace

void VantroStandardLoggerT::Log(VantroLogSeverity severity, const char* format,
                                va_list args) {
  if (g_min_severity > severity) return;
  std::fprintf(stderr, "%s: ", StandardLoggerName(severity));
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
}

VantroLogSeverity VantroStandardLoggerT::GetMinSeverity() { return g_min_severity; }

void VantroStandardLoggerT::SetMinSeverity(VantroLogSeverity severity) {
  g_min_severity = static_cast<VantroLogSeverity>(severity & 0xFF);
}

VantroLoggerT* VantroGetCurrentLogger() {
  static VantroLoggerT* const logger = new VantroStandardLoggerT();
  return logger;
}

VantroStatus VantroGetMinLoggerSeverity(VantroLoggerT* logger, VantroLogSeverity* severity) {
  if (logger == nullptr || severity == nullptr) return kVantroStatusInvalidArgument;
  *severity = logger->GetMinSeverity();
  return kVantroStatusOk;
}

VantroStatus VantroSetMinLoggerSeverity(VantroLoggerT* logger, VantroLogSeverity severity) {
  if (logger == nullptr) return kVantroStatusInvalidArgument;
  logger->SetMinSeverity(severity);
  return kVantroStatusOk;
}

VantroStatus VantroLoggerLog(VantroLoggerT* logger, VantroLogSeverity severity,
                             const char* format, ...) {
  if (logger == nullptr || format == nullptr) return kVantroStatusInvalidArgument;
  va_list args;
  va_start(args, format);
  logger->Log(severity, format, args);
  va_end(args);
  return kVantroStatusOk;
}

namespace vantro {

VantroLogSeverity CurrentMinSeverity() {
  VantroLogSeverity severity;
  if (VantroGetMinLoggerSeverity(VantroGetCurrentLogger(), &severity) != kVantroStatusOk) {
    return kVantroLogVerbose;
  }
  return severity;
}

const char* LogFileName(const char* path, char (&buffer)[64]) {
  const char* base = path;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') base = p + 1;
  }
  const char* dot = std::strrchr(base, '.');
  size_t length = dot != nullptr ? static_cast<size_t>(dot - base) : std::strlen(base);
  if (length >= sizeof(buffer)) length = sizeof(buffer) - 1;
  std::memcpy(buffer, base, length);
  buffer[length] = '\0';
  return buffer;
}

}  // namespace vantro
