// GoogleTest's customisation header, as the Windows stage installs it: the
// regular expressions of GoogleTest are POSIX extended ones on Windows too,
// from the <regex.h> installed beside GoogleTest's headers.
#ifndef GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_
#define GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_

#define GTEST_HAS_POSIX_RE 1

#endif  // GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_
