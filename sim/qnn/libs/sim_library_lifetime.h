// Tells the simulation when this thin library is loaded and unloaded, so
// tests can see which QNN libraries the plug-in holds.
#ifndef VANTRO_SIM_QNN_LIBS_SIM_LIBRARY_LIFETIME_H_
#define VANTRO_SIM_QNN_LIBS_SIM_LIBRARY_LIFETIME_H_

#include "sim/qnn/sim_internal.h"

namespace {
struct LibraryLifetime {
  LibraryLifetime() { vantro::sim::internal::VantroSimQnnLibraryLoaded(VANTRO_SIM_FILE_NAME); }
  ~LibraryLifetime() { vantro::sim::internal::VantroSimQnnLibraryUnloaded(VANTRO_SIM_FILE_NAME); }
};
const LibraryLifetime kLifetime;
}  // namespace

#if defined(_WIN32)
#define VANTRO_SIM_ENTRY extern "C" __declspec(dllexport)
#else
#define VANTRO_SIM_ENTRY extern "C" __attribute__((visibility("default")))
#endif

#endif  // VANTRO_SIM_QNN_LIBS_SIM_LIBRARY_LIFETIME_H_
