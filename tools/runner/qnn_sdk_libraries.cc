#include "tools/runner/qnn_sdk_libraries.h"

#include <cstdint>
#include <filesystem>
#include <random>
#include <system_error>
#include <utility>

#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"

namespace vantro::runner {
namespace {

namespace fs = std::filesystem;

// The SDK's Linux and Android file names of the QNN libraries and the
// names the plug-in loads them by.
struct LibraryName {
  const char* sdk;
  const char* plugin;
};
constexpr LibraryName kLibraryNames[] = {
    {"libQnnSystem.so", "QnnSystem.dll"}, {"libQnnHtp.so", "QnnHtp.dll"},
    {"libQnnDsp.so", "QnnDsp.dll"},       {"libQnnIr.so", "QnnIr.dll"},
    {"libQnnLpai.so", "QnnLpai.dll"},     {"libQnnSaver.so", "QnnSaver.dll"},
};

// The C++ runtime an SDK may ship beside its libraries, in load order.
constexpr const char* kRuntimeFiles[] = {"libc++abi.so.1", "libc++.so.1"};

Expected<fs::path> NewPrivateDirectory() {
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);
  if (error) return Error(Status::RuntimeFailure, "no temporary directory: " + error.message());
  std::random_device random;
  for (int attempt = 0; attempt < 16; ++attempt) {
    const uint64_t tag = (uint64_t{random()} << 32) ^ random();
    const fs::path directory = base / absl::StrFormat("vantro_qnn_sdk_%016x", tag);
    if (fs::create_directory(directory, error)) return directory;
    if (error) break;
  }
  return Error(Status::RuntimeFailure,
               absl::StrCat("cannot create a directory in ", base.string(),
                            error ? ": " + error.message() : std::string()));
}

// A link where the file system allows one, else a copy.
Expected<void> Place(const fs::path& source, const fs::path& target) {
  std::error_code error;
  fs::create_symlink(source, target, error);
  if (!error) return {};
  fs::copy_file(source, target, fs::copy_options::overwrite_existing, error);
  if (!error) return {};
  return Error(Status::RuntimeFailure,
               absl::StrCat("cannot place ", source.string(), " as ", target.string(), ": ",
                            error.message()));
}

}  // namespace

const char* DefaultQnnSdkPlatform() {
#if defined(_WIN32) && defined(_M_ARM64)
  return "aarch64-windows-msvc";
#elif defined(_WIN32)
  return "x86_64-windows-msvc";
#elif defined(__ANDROID__)
  return "aarch64-android";
#elif defined(__aarch64__)
  return "aarch64-oe-linux-gcc11.2";
#else
  return "x86_64-linux-clang";
#endif
}

std::string PluginNameOfSdkLibrary(const std::string& file_name) {
  for (const LibraryName& name : kLibraryNames) {
    if (file_name == name.sdk) return name.plugin;
  }
  return file_name;
}

Expected<std::unique_ptr<QnnSdkLibraries>> QnnSdkLibraries::Create(const std::string& sdk_root,
                                                                   const std::string& platform) {
  const fs::path source = fs::path(sdk_root) / "lib" / platform;
  std::error_code error;
  if (!fs::is_directory(source, error)) {
    return Error(Status::NotFound,
                 absl::StrCat("the QNN SDK has no library directory ", source.string()));
  }
  Expected<fs::path> directory = NewPrivateDirectory();
  if (!directory) return directory.GetError();
  std::unique_ptr<QnnSdkLibraries> libraries(new QnnSdkLibraries());
  libraries->directory_ = directory->string();

  for (const fs::directory_entry& entry : fs::directory_iterator(source, error)) {
    if (!entry.is_regular_file(error) && !entry.is_symlink(error)) continue;
    const std::string name = entry.path().filename().string();
    const fs::path absolute = fs::absolute(entry.path(), error);
    if (auto placed = Place(absolute, *directory / name); !placed) return placed.GetError();
    const std::string plugin_name = PluginNameOfSdkLibrary(name);
    if (plugin_name != name) {
      if (auto placed = Place(absolute, *directory / plugin_name); !placed) {
        return placed.GetError();
      }
    }
  }
  if (error) {
    return Error(Status::RuntimeFailure,
                 absl::StrCat("cannot list ", source.string(), ": ", error.message()));
  }

  for (const char* runtime : kRuntimeFiles) {
    const fs::path path = *directory / runtime;
    if (!fs::exists(path, error)) continue;
    Expected<SharedLibrary> loaded = SharedLibrary::Load(path.string(), kRtldLazy | kRtldGlobal);
    if (!loaded) return loaded.GetError();
    libraries->runtime_.push_back(std::move(loaded).Value());
  }
  return libraries;
}

QnnSdkLibraries::~QnnSdkLibraries() {
  // The QNN libraries that use the runtime are gone by now: the plug-in
  // session that loaded them ends first.
  while (!runtime_.empty()) runtime_.pop_back();
  std::error_code error;
  fs::remove_all(directory_, error);
}

}  // namespace vantro::runner
