# Cross build for Windows x86-64 with Debian's MinGW-w64 (the -posix thread
# model: the win32 one has no std::mutex or std::thread). Binaries run under
# Wine through CMAKE_CROSSCOMPILING_EMULATOR (scripts/wine_run.sh).
#
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DVANTRO_MINGW_PREFIXES="<abseil prefix>;<googletest prefix>" ...
#
# VANTRO_MINGW_PREFIXES lists install prefixes of libraries cross-built for
# this target; packages are searched there and in the MinGW sysroot only,
# never among the build machine's own libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VANTRO_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VANTRO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTRO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTRO_MINGW_TRIPLE}-windres)

# try_compile projects see the prefixes too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VANTRO_MINGW_PREFIXES)
set(CMAKE_FIND_ROOT_PATH /usr/${VANTRO_MINGW_TRIPLE} ${VANTRO_MINGW_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The MinGW runtime (libgcc, libstdc++, winpthread) is linked into every
# binary, so executables and DLLs run without runtime DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Programs run under Wine through a small wrapper that tries a lost test
# listing again (see the script).
find_program(VANTRO_WINE NAMES wine)
if(VANTRO_WINE)
  get_filename_component(VANTRO_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine_run.sh ABSOLUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VANTRO_WINE_RUN})
endif()
