#include "cc/internal/vantro_environment.h"

// Each platform file defines ReadEnvironmentVariable,
// WriteEnvironmentVariable and RemoveEnvironmentVariable.
#if defined(_WIN32)
#include "cc/internal/vantro_environment_windows.inc"
#else
#include "cc/internal/vantro_environment_posix.inc"
#endif
