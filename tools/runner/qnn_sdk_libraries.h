// An installed QNN SDK made usable by the plug-in: the libraries of one of
// its platform directories, reachable under the file names the plug-in
// loads ("QnnSystem.dll", "QnnHtp.dll", ...), in a private directory that
// goes away with the object.
#ifndef VANTRO_TOOLS_RUNNER_QNN_SDK_LIBRARIES_H_
#define VANTRO_TOOLS_RUNNER_QNN_SDK_LIBRARIES_H_

#include <memory>
#include <string>
#include <vector>

#include "cc/internal/vantro_shared_library.h"
#include "cc/vantro_expected.h"

namespace vantro::runner {

// The SDK library directory of the platform this runner was built for, as
// the SDK names it under lib/ ("x86_64-linux-clang", ...).
const char* DefaultQnnSdkPlatform();

// The name the plug-in loads for an SDK library file, or the file's own
// name when the plug-in has no other name for it ("libQnnHtp.so" gives
// "QnnHtp.dll"; "libQnnGpu.so" and "QnnHtp.dll" stay as they are).
std::string PluginNameOfSdkLibrary(const std::string& file_name);

class QnnSdkLibraries {
 public:
  // Links (or, where links cannot be made, copies) every file of
  // `sdk_root`/lib/`platform` into a new private directory, the QNN
  // libraries under the plug-in's names and every other file (the
  // backends' helper libraries, the C++ runtime) under its own. When the
  // directory ships a C++ runtime (libc++), it is loaded first, globally,
  // so that the QNN libraries use that copy rather than the system's.
  [[nodiscard]] static Expected<std::unique_ptr<QnnSdkLibraries>> Create(
      const std::string& sdk_root, const std::string& platform);

  QnnSdkLibraries(const QnnSdkLibraries&) = delete;
  QnnSdkLibraries& operator=(const QnnSdkLibraries&) = delete;
  // Unloads the runtime it loaded and removes the private directory.
  ~QnnSdkLibraries();

  // The private directory, to be used as qnn_lib_dir.
  const std::string& directory() const { return directory_; }

 private:
  QnnSdkLibraries() = default;

  std::string directory_;
  std::vector<SharedLibrary> runtime_;
};

}  // namespace vantro::runner

#endif  // VANTRO_TOOLS_RUNNER_QNN_SDK_LIBRARIES_H_
