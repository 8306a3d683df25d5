// The fatal check: reached only by a misuse inside the plug-in.
#ifndef VANTRO_CC_VANTRO_CHECK_H_
#define VANTRO_CC_VANTRO_CHECK_H_

namespace vantro {

// Prints "Vantro check failed: <condition> at <path>:<line>" and aborts.
[[noreturn]] void CheckFailed(const char* condition, const char* path, int line);

}  // namespace vantro

#define VANTRO_CHECK_AT(condition, path) \
  ((condition) ? (void)0 : ::vantro::CheckFailed(#condition, (path), __LINE__))

#define VANTRO_CHECK(condition) VANTRO_CHECK_AT(condition, __FILE__)

#endif  // VANTRO_CC_VANTRO_CHECK_H_
