// The loader's Windows layer against real DLLs: path forms and the ".so"
// fallback, the search path of absolute loads, RTLD_NOLOAD, the program's own
// module, unloading, and the error texts built from the system's messages.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "absl/strings/ascii.h"
#include "absl/strings/match.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_replace.h"
#include "cc/internal/vantro_shared_library.h"
#include "gtest/gtest.h"

// Exported by this program, so that its own module has a symbol to find.
extern "C" __declspec(dllexport) int VantroLoaderTestProgramSymbol() { return 5; }

namespace vantro {
namespace {

using IntFunction = int (*)();

// `path` as the system spells it in full (a drive, backslashes).
std::string FullPath(const std::string& path) {
  char buffer[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
  return length == 0 || length >= MAX_PATH ? std::string() : std::string(buffer, length);
}

std::string WithSlashes(const std::string& path) {
  return absl::StrReplaceAll(path, {{"\\", "/"}});
}

// The system's message for `code`, asked for the way the loader asks.
std::string RawSystemMessage(DWORD code) {
  LPSTR buffer = nullptr;
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                          FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                      nullptr, code, 0x400, reinterpret_cast<LPSTR>(&buffer), 0,
                                      nullptr);
  std::string text = length == 0 ? std::string() : std::string(buffer, length);
  if (buffer != nullptr) LocalFree(buffer);
  return text;
}

std::string TrimmedSystemMessage(DWORD code) {
  return std::string(absl::StripTrailingAsciiWhitespace(RawSystemMessage(code)));
}

bool IsModuleLoaded(const std::string& windows_path) {
  return GetModuleHandleA(windows_path.c_str()) != nullptr;
}

// Works from the directory above the probe DLLs, so that relative paths
// have a known meaning, and puts the old directory back.
class WindowsLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char old[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, old);
    ASSERT_GT(length, 0u);
    old_directory_.assign(old, length);
    probe_dir_ = FullPath(VANTRO_WINDOWS_PROBE_DIR);
    ASSERT_FALSE(probe_dir_.empty());
    ASSERT_TRUE(SetCurrentDirectoryA(FullPath(probe_dir_ + "\\..").c_str()));
    for (const char* name : {"vantro_probe.dll", "vantro_probe_dependent.dll",
                             "vantro_probe_helper.dll"}) {
      ASSERT_FALSE(IsModuleLoaded(Probe(name))) << name << " is loaded before the test";
    }
  }
  void TearDown() override { SetCurrentDirectoryA(old_directory_.c_str()); }

  // The probe DLL `name` by absolute Windows path.
  std::string Probe(const char* name) const { return absl::StrCat(probe_dir_, "\\", name); }

  std::string probe_dir_;
  std::string old_directory_;
};

TEST_F(WindowsLoaderTest, OpensEveryPathFormAndUnloadsOnDestruction) {
  const std::string sim_qnn_dir = FullPath(VANTRO_SIM_QNN_DIR);
  struct Case {
    const char* name;
    std::string path;           // as handed to Load
    std::string module;         // the module it must open, by Windows path
    const char* symbol;         // an export of that module
  };
  const Case cases[] = {
      {"absolute, forward slashes", WithSlashes(Probe("vantro_probe.dll")),
       Probe("vantro_probe.dll"), "VantroProbeAnswer"},
      {"absolute, backslashes", Probe("vantro_probe.dll"), Probe("vantro_probe.dll"),
       "VantroProbeAnswer"},
      {"relative, forward slashes", "probe/vantro_probe.dll", Probe("vantro_probe.dll"),
       "VantroProbeAnswer"},
      {"absolute .so falls back to .dll", WithSlashes(Probe("vantro_probe.so")),
       Probe("vantro_probe.dll"), "VantroProbeAnswer"},
      {"relative .so falls back to .dll", "probe/vantro_probe.so", Probe("vantro_probe.dll"),
       "VantroProbeAnswer"},
      {"a file named .so opens under its own name",
       WithSlashes(absl::StrCat(sim_qnn_dir, "\\libQnnGpu.so")),
       absl::StrCat(sim_qnn_dir, "\\libQnnGpu.so"), "QnnInterface_getProviders"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    {
      Expected<SharedLibrary> library = SharedLibrary::Load(c.path, kRtldLazy | kRtldDeepBind);
      ASSERT_TRUE(library.HasValue()) << library.GetError().message();
      EXPECT_EQ(library->kind(), HandleKind::kPath);
      EXPECT_EQ(library->path(), c.path);  // the caller's separators and name
      EXPECT_EQ(library->handle(), static_cast<void*>(GetModuleHandleA(c.module.c_str())));
      EXPECT_EQ(SharedLibrary::LoaderErrorText(), "");
      Expected<IntFunction> symbol = library->LookupSymbol<IntFunction>(c.symbol);
      EXPECT_TRUE(symbol.HasValue()) << symbol.GetError().message();
    }
    EXPECT_FALSE(IsModuleLoaded(c.module));
  }
}

TEST_F(WindowsLoaderTest, AbsolutePathsResolveImportsFromTheLibrarysOwnDirectory) {
  {
    Expected<SharedLibrary> library =
        SharedLibrary::Load(WithSlashes(Probe("vantro_probe_dependent.dll")), kRtldLazy);
    ASSERT_TRUE(library.HasValue()) << library.GetError().message();
    Expected<IntFunction> value = library->LookupSymbol<IntFunction>("VantroProbeDependentValue");
    ASSERT_TRUE(value.HasValue()) << value.GetError().message();
    EXPECT_EQ(value.Value()(), 8);
  }
  EXPECT_FALSE(IsModuleLoaded(Probe("vantro_probe_dependent.dll")));
  EXPECT_FALSE(IsModuleLoaded(Probe("vantro_probe_helper.dll")));

  // A relative path goes through the standard search order, which does not
  // include the probe directory, so the import cannot be resolved.
  Expected<SharedLibrary> relative =
      SharedLibrary::Load("probe/vantro_probe_dependent.dll", kRtldLazy);
  EXPECT_FALSE(relative.HasValue());
  EXPECT_FALSE(IsModuleLoaded(Probe("vantro_probe_dependent.dll")));
}

TEST_F(WindowsLoaderTest, MissingLibraryTextsCarryTheSystemMessage) {
  const std::string not_found = TrimmedSystemMessage(ERROR_MOD_NOT_FOUND);
  ASSERT_FALSE(not_found.empty());
  struct Case {
    const char* name;
    std::string path;
    std::string loader_text;
  };
  const std::string missing = Probe("vantro_missing");
  const Case cases[] = {
      {".so with its fallback", WithSlashes(missing + ".so"),
       absl::StrCat("Failed to load library '", missing, ".so' or fallback '", missing,
                    ".dll': ", not_found)},
      {".dll has no fallback", WithSlashes(missing + ".dll"),
       absl::StrCat("Failed to load library '", missing, ".dll': ", not_found)},
      {".so.1 has no fallback", WithSlashes(missing + ".so.1"),
       absl::StrCat("Failed to load library '", missing, ".so.1': ", not_found)},
      {"relative .so with its fallback", "probe/vantro_missing.so",
       absl::StrCat("Failed to load library 'probe\\vantro_missing.so' or fallback "
                    "'probe\\vantro_missing.dll': ",
                    not_found)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Expected<SharedLibrary> library = SharedLibrary::Load(c.path, kRtldLazy);
    ASSERT_FALSE(library.HasValue());
    EXPECT_EQ(library.GetError().status(), Status::DynamicLoadingFailure);
    EXPECT_EQ(SharedLibrary::LoaderErrorText(), c.loader_text);
    EXPECT_EQ(library.GetError().message(),
              absl::StrCat("Could not load shared library ", c.path, ": ", c.loader_text, "."));
  }
}

TEST_F(WindowsLoaderTest, MissingSymbolTextCarriesTheSystemMessage) {
  const std::string not_found = TrimmedSystemMessage(ERROR_PROC_NOT_FOUND);
  ASSERT_FALSE(not_found.empty());
  Expected<SharedLibrary> library = SharedLibrary::Load(Probe("vantro_probe.dll"), kRtldLazy);
  ASSERT_TRUE(library.HasValue()) << library.GetError().message();

  Expected<IntFunction> symbol = library->LookupSymbol<IntFunction>("VantroNoSuchSymbol");
  ASSERT_FALSE(symbol.HasValue());
  EXPECT_EQ(symbol.GetError().status(), Status::DynamicLoadingFailure);
  const std::string loader_text =
      absl::StrCat("Failed to find symbol 'VantroNoSuchSymbol': ", not_found);
  EXPECT_EQ(SharedLibrary::LoaderErrorText(), loader_text);
  // A located error: "ERROR: [<file>:<line>]", a line break, then the text.
  const std::string message = symbol.GetError().message();
  constexpr absl::string_view kPrefix = "ERROR: [cc/internal/vantro_shared_library:";
  const std::string suffix =
      absl::StrCat("]\n\xE2\x94\x94 Could not load symbol VantroNoSuchSymbol: ", loader_text, ".");
  ASSERT_TRUE(absl::StartsWith(message, kPrefix)) << message;
  ASSERT_TRUE(absl::EndsWith(message, suffix)) << message;
  const absl::string_view line(message.data() + kPrefix.size(),
                               message.size() - kPrefix.size() - suffix.size());
  EXPECT_FALSE(line.empty());
  EXPECT_TRUE(std::all_of(line.begin(), line.end(), absl::ascii_isdigit)) << message;

  // The next lookup starts from a clean text.
  ASSERT_TRUE(library->LookupSymbol<IntFunction>("VantroProbeAnswer").HasValue());
  EXPECT_EQ(SharedLibrary::LoaderErrorText(), "");
}

TEST(WindowsSystemMessageTest, TrailingWhiteSpaceOfTheSystemsTextIsTrimmed) {
  // What the system hands out ends in a line break; none of it may reach the
  // loader's texts, which end in ": <message>." on one line.
  for (DWORD code : {ERROR_MOD_NOT_FOUND, ERROR_PROC_NOT_FOUND}) {
    SCOPED_TRACE(code);
    const std::string raw = RawSystemMessage(code);
    const std::string trimmed = TrimmedSystemMessage(code);
    ASSERT_FALSE(trimmed.empty());
    EXPECT_NE(raw, trimmed);  // the system's text ends in "\r\n"
    EXPECT_FALSE(absl::ascii_isspace(static_cast<unsigned char>(trimmed.back())));
    EXPECT_EQ(windows_loader::SystemMessageText(code, raw.c_str()), trimmed);
  }
}

TEST_F(WindowsLoaderTest, NoLoadFindsOnlyALoadedModuleAndHoldsAReference) {
  const std::string probe = Probe("vantro_probe.dll");
  Expected<SharedLibrary> early = SharedLibrary::Load(WithSlashes(probe), kRtldNoLoad);
  ASSERT_FALSE(early.HasValue());
  EXPECT_EQ(SharedLibrary::LoaderErrorText(),
            absl::StrCat("Failed to load library '", probe,
                         "': ", TrimmedSystemMessage(ERROR_MOD_NOT_FOUND)));
  EXPECT_FALSE(IsModuleLoaded(probe));

  auto loaded = std::make_unique<Expected<SharedLibrary>>(
      SharedLibrary::Load(WithSlashes(probe), kRtldLazy));
  ASSERT_TRUE(loaded->HasValue()) << loaded->GetError().message();
  Expected<SharedLibrary> found =
      SharedLibrary::Load(WithSlashes(probe), kRtldLazy | kRtldNoLoad);
  ASSERT_TRUE(found.HasValue()) << found.GetError().message();
  EXPECT_EQ(found->handle(), (*loaded)->handle());

  // The module stays until both references are gone.
  loaded.reset();
  EXPECT_TRUE(IsModuleLoaded(probe));
  ASSERT_TRUE(found->LookupSymbol<IntFunction>("VantroProbeAnswer").HasValue());
  found = SharedLibrary();
  EXPECT_FALSE(IsModuleLoaded(probe));
}

TEST_F(WindowsLoaderTest, MoveAssignmentUnloadsTheOldLibraryFirst) {
  Expected<SharedLibrary> first = SharedLibrary::Load(Probe("vantro_probe.dll"), kRtldLazy);
  Expected<SharedLibrary> second =
      SharedLibrary::Load(Probe("vantro_probe_dependent.dll"), kRtldLazy);
  ASSERT_TRUE(first.HasValue() && second.HasValue());
  SharedLibrary held = std::move(first.Value());
  held = std::move(second.Value());
  EXPECT_FALSE(IsModuleLoaded(Probe("vantro_probe.dll")));
  EXPECT_TRUE(IsModuleLoaded(Probe("vantro_probe_dependent.dll")));
  EXPECT_EQ(second->kind(), HandleKind::kInvalid);
  EXPECT_EQ(second->handle(), nullptr);
  EXPECT_TRUE(second->path().empty());
}

TEST_F(WindowsLoaderTest, TheProgramsOwnModuleIsFoundAndNeverUnloaded) {
  {
    Expected<SharedLibrary> program = SharedLibrary::LoadImpl(HandleKind::kProgram, "", 0);
    ASSERT_TRUE(program.HasValue());
    EXPECT_EQ(program->handle(), SharedLibrary::ProgramHandle());
    Expected<IntFunction> symbol =
        program->LookupSymbol<IntFunction>("VantroLoaderTestProgramSymbol");
    ASSERT_TRUE(symbol.HasValue()) << symbol.GetError().message();
    EXPECT_EQ(symbol.Value()(), 5);
  }
  // Opened by its own path, the program is the module the system gives out
  // for it, and destroying that library leaves the program alone.
  char exe[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  ASSERT_GT(length, 0u);
  {
    Expected<SharedLibrary> by_path =
        SharedLibrary::Load(WithSlashes(std::string(exe, length)), kRtldLazy);
    ASSERT_TRUE(by_path.HasValue()) << by_path.GetError().message();
    EXPECT_EQ(by_path->handle(), static_cast<void*>(GetModuleHandleA(nullptr)));
  }
  EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA(exe));
  Expected<SharedLibrary> again = SharedLibrary::LoadImpl(HandleKind::kProgram, "", 0);
  ASSERT_TRUE(again.HasValue());
  EXPECT_TRUE(again->LookupSymbol<IntFunction>("VantroLoaderTestProgramSymbol").HasValue());
}

TEST_F(WindowsLoaderTest, ErrorTextsStayOnTheirThread) {
  Expected<SharedLibrary> here = SharedLibrary::Load(Probe("vantro_missing_here.dll"), kRtldLazy);
  ASSERT_FALSE(here.HasValue());
  const std::string text = SharedLibrary::LoaderErrorText();
  std::string there_text;
  std::thread there([&] {
    Expected<SharedLibrary> library =
        SharedLibrary::Load(Probe("vantro_missing_there.dll"), kRtldLazy);
    there_text = SharedLibrary::LoaderErrorText();
  });
  there.join();
  EXPECT_NE(there_text.find("vantro_missing_there.dll"), std::string::npos) << there_text;
  EXPECT_EQ(SharedLibrary::LoaderErrorText(), text);
}

}  // namespace
}  // namespace vantro
