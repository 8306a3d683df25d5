// Test equipment for the real QNN libraries of an SDK: where they are, the
// C++ runtime they need, library directories that present them under the
// plug-in's file names, and what the process has mapped.
#ifndef VANTRO_TESTS_QNN_SDK_SDK_LIBRARIES_H_
#define VANTRO_TESTS_QNN_SDK_SDK_LIBRARIES_H_

#include <map>
#include <string>
#include <vector>

namespace vantro::testing {

// The SDK's lib/x86_64-linux-clang directory this stage was configured with.
std::string SdkLibraryDir();
// SdkLibraryDir()/`file`.
std::string SdkLibrary(const std::string& file);

// Loads the SDK's own C++ runtime globally, once per process: its QNN
// libraries name libc++ without saying where it is.
void LoadSdkRuntime();

// A fresh, empty directory under this build tree for `name`.
std::string ScratchDir(const std::string& name);

// A fresh directory holding one link per entry: file name -> target path.
std::string LibraryDirWith(const std::string& name,
                           const std::map<std::string, std::string>& links);

// The file names of the objects the process has mapped now, as they were
// opened (a link keeps the link's path).
std::vector<std::string> MappedObjects();
// Whether any mapped object was opened from below `directory`.
bool MapsAnythingFrom(const std::string& directory);

}  // namespace vantro::testing

#endif  // VANTRO_TESTS_QNN_SDK_SDK_LIBRARIES_H_
