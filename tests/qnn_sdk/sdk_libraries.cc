#include "tests/qnn_sdk/sdk_libraries.h"

#include <dlfcn.h>
#include <link.h>

#include <filesystem>

#include "absl/strings/match.h"
#include "gtest/gtest.h"

namespace vantro::testing {

namespace fs = std::filesystem;

std::string SdkLibraryDir() { return VANTRO_QNN_SDK_LIB_DIR; }

std::string SdkLibrary(const std::string& file) { return SdkLibraryDir() + "/" + file; }

void LoadSdkRuntime() {
  static const bool loaded = [] {
    // Kept for the life of the process; the loader then satisfies the QNN
    // libraries' libc++ dependencies by soname.
    for (const char* runtime : {"libc++abi.so.1", "libc++.so.1"}) {
      const std::string path = SdkLibrary(runtime);
      if (fs::exists(path) && dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL) == nullptr) {
        ADD_FAILURE() << dlerror();
      }
    }
    return true;
  }();
  (void)loaded;
}

std::string ScratchDir(const std::string& name) {
  const fs::path directory = fs::path(VANTRO_QNN_SDK_SCRATCH_DIR) / name;
  fs::remove_all(directory);
  fs::create_directories(directory);
  return directory.string();
}

std::string LibraryDirWith(const std::string& name,
                           const std::map<std::string, std::string>& links) {
  const std::string directory = ScratchDir(name);
  for (const auto& [file, target] : links) {
    fs::create_symlink(target, fs::path(directory) / file);
  }
  return directory;
}

std::vector<std::string> MappedObjects() {
  std::vector<std::string> names;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
          static_cast<std::vector<std::string>*>(data)->push_back(info->dlpi_name);
        }
        return 0;
      },
      &names);
  return names;
}

bool MapsAnythingFrom(const std::string& directory) {
  for (const std::string& name : MappedObjects()) {
    if (absl::StartsWith(name, directory + "/")) return true;
  }
  return false;
}

}  // namespace vantro::testing
