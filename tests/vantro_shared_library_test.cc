// The shared-library loader against the simulated QNN libraries on disk,
// and the Windows layer's string rules.
#include "cc/internal/vantro_shared_library.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "absl/strings/match.h"
#include "absl/strings/str_cat.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "vendors/qualcomm/qnn_interface.h"

namespace vantro {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;

std::string SimPath(const char* file_name) {
  return absl::StrCat(VANTRO_SIM_QNN_DIR, "/", file_name);
}

bool IsLoaded(const std::string& file_name) {
  const std::vector<std::string> loaded = sim::LoadedLibraries();
  return std::find(loaded.begin(), loaded.end(), file_name) != loaded.end();
}

constexpr int kLocalMode = kRtldLazy | kRtldDeepBind;

TEST(SharedLibraryTest, LoadsByPathResolvesSymbolsAndUnloadsOnDestruction) {
  const std::string path = SimPath("QnnHtp.dll");
  {
    Expected<SharedLibrary> library = SharedLibrary::Load(path, kLocalMode);
    ASSERT_TRUE(library.HasValue()) << library.GetError().message();
    EXPECT_EQ(library->kind(), HandleKind::kPath);
    EXPECT_EQ(library->path(), path);
    EXPECT_NE(library->handle(), nullptr);
    EXPECT_TRUE(IsLoaded("QnnHtp.dll"));

    auto get_providers =
        library->LookupSymbol<decltype(&QnnInterface_getProviders)>("QnnInterface_getProviders");
    ASSERT_TRUE(get_providers.HasValue()) << get_providers.GetError().message();
    const QnnInterface_t** providers = nullptr;
    uint32_t count = 0;
    EXPECT_EQ(get_providers.Value()(&providers, &count), QNN_SUCCESS);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(SharedLibrary::LoaderErrorText(), "");
  }
  EXPECT_FALSE(IsLoaded("QnnHtp.dll"));
}

TEST(SharedLibraryTest, StoredPathKeepsTheCallersSeparators) {
  const std::string path = absl::StrCat(VANTRO_SIM_QNN_DIR, "//./QnnDsp.dll");
  Expected<SharedLibrary> library = SharedLibrary::Load(path, kLocalMode);
  ASSERT_TRUE(library.HasValue()) << library.GetError().message();
  EXPECT_EQ(library->path(), path);
}

TEST(SharedLibraryTest, MissingLibraryNamesThePathAndTheLoaderText) {
  const std::string path = SimPath("QnnNoSuchLibrary.dll");
  Expected<SharedLibrary> library = SharedLibrary::Load(path, kLocalMode);
  ASSERT_FALSE(library.HasValue());
  EXPECT_EQ(library.GetError().status(), Status::DynamicLoadingFailure);
  const std::string loader_text = SharedLibrary::LoaderErrorText();
  EXPECT_THAT(loader_text, HasSubstr("QnnNoSuchLibrary.dll"));
  EXPECT_EQ(library.GetError().message(),
            absl::StrCat("Could not load shared library ", path, ": ", loader_text, "."));
}

TEST(SharedLibraryTest, LoadImplRefusesInvalidKindAndEmptyPath) {
  Expected<SharedLibrary> invalid = SharedLibrary::LoadImpl(HandleKind::kInvalid, "x", 0);
  ASSERT_FALSE(invalid.HasValue());
  EXPECT_EQ(invalid.GetError().status(), Status::DynamicLoadingFailure);
  EXPECT_EQ(invalid.GetError().message(),
            "This is a logic error. LoadImpl should not be called with HandleKind::kInvalid");

  Expected<SharedLibrary> empty = SharedLibrary::Load("", kLocalMode);
  ASSERT_FALSE(empty.HasValue());
  EXPECT_EQ(empty.GetError().status(), Status::DynamicLoadingFailure);
  EXPECT_EQ(empty.GetError().message(), "Cannot not load shared library: empty path.");
}

TEST(SharedLibraryTest, MissingSymbolCarriesTheLoaderLocation) {
  Expected<SharedLibrary> library = SharedLibrary::Load(SimPath("QnnSystem.dll"), kLocalMode);
  ASSERT_TRUE(library.HasValue()) << library.GetError().message();
  auto symbol = library->LookupSymbol<void (*)()>("QnnNoSuchSymbol");
  ASSERT_FALSE(symbol.HasValue());
  EXPECT_EQ(symbol.GetError().status(), Status::DynamicLoadingFailure);
  const std::string loader_text = SharedLibrary::LoaderErrorText();
  EXPECT_THAT(loader_text, HasSubstr("QnnNoSuchSymbol"));
  EXPECT_THAT(symbol.GetError().message(),
              StartsWith("ERROR: [cc/internal/vantro_shared_library:"));
  EXPECT_TRUE(absl::EndsWith(
      symbol.GetError().message(),
      absl::StrCat("]\n\xE2\x94\x94 Could not load symbol QnnNoSuchSymbol: ", loader_text,
                   ".")))
      << symbol.GetError().message();
  EXPECT_THAT(symbol.GetError().message(),
              MatchesRegex("ERROR: \\[cc/internal/vantro_shared_library:[0-9]+\\]\n.*"));
}

TEST(SharedLibraryTest, EveryLookupClearsTheLoaderText) {
  Expected<SharedLibrary> library = SharedLibrary::Load(SimPath("QnnSystem.dll"), kLocalMode);
  ASSERT_TRUE(library.HasValue());
  ASSERT_FALSE(library->LookupSymbol<void (*)()>("QnnNoSuchSymbol").HasValue());
  ASSERT_NE(SharedLibrary::LoaderErrorText(), "");
  ASSERT_TRUE(library
                  ->LookupSymbol<decltype(&QnnSystemInterface_getProviders)>(
                      "QnnSystemInterface_getProviders")
                  .HasValue());
  EXPECT_EQ(SharedLibrary::LoaderErrorText(), "");
}

TEST(SharedLibraryTest, LoaderTextIsPerThread) {
  ASSERT_FALSE(SharedLibrary::Load(SimPath("QnnNoSuchLibrary.dll"), kLocalMode).HasValue());
  ASSERT_NE(SharedLibrary::LoaderErrorText(), "");
  std::string other_thread_text = "unset";
  std::thread([&] { other_thread_text = SharedLibrary::LoaderErrorText(); }).join();
  EXPECT_EQ(other_thread_text, "");
  EXPECT_NE(SharedLibrary::LoaderErrorText(), "");
}

TEST(SharedLibraryTest, ModeBitsReachDlopen) {
  const std::string path = SimPath("QnnIr.dll");
  // RTLD_NOLOAD finds only a library that is loaded already.
  ASSERT_FALSE(IsLoaded("QnnIr.dll"));
  EXPECT_FALSE(SharedLibrary::Load(path, kRtldLazy | kRtldNoLoad).HasValue());

  Expected<SharedLibrary> local = SharedLibrary::Load(path, kLocalMode);
  ASSERT_TRUE(local.HasValue());
  EXPECT_EQ(dlsym(RTLD_DEFAULT, "QnnInterface_getProviders"), nullptr)
      << "a local library must not join the global scope";
  Expected<SharedLibrary> again = SharedLibrary::Load(path, kRtldLazy | kRtldNoLoad);
  EXPECT_TRUE(again.HasValue());

  Expected<SharedLibrary> global = SharedLibrary::Load(path, kRtldLazy | kRtldGlobal);
  ASSERT_TRUE(global.HasValue());
  // A symbol found through the global scope pins its library for the rest
  // of the process, so look in a forked child.
  EXPECT_EXIT(
      std::exit(dlsym(RTLD_DEFAULT, "QnnInterface_getProviders") != nullptr ? 0 : 1),
      ::testing::ExitedWithCode(0), "");
}

TEST(SharedLibraryTest, MoveConstructionTransfersOwnership) {
  const std::string path = SimPath("QnnLpai.dll");
  Expected<SharedLibrary> loaded = SharedLibrary::Load(path, kLocalMode);
  ASSERT_TRUE(loaded.HasValue());
  SharedLibrary source = std::move(loaded.Value());
  void* handle = source.handle();

  SharedLibrary target(std::move(source));
  EXPECT_EQ(target.kind(), HandleKind::kPath);
  EXPECT_EQ(target.path(), path);
  EXPECT_EQ(target.handle(), handle);
  EXPECT_EQ(source.kind(), HandleKind::kInvalid);  // NOLINT: moved-from state is specified
  EXPECT_EQ(source.path(), "");
  EXPECT_EQ(source.handle(), nullptr);

  { SharedLibrary discarded(std::move(source)); }  // a moved-from library unloads nothing
  EXPECT_TRUE(IsLoaded("QnnLpai.dll"));
  ASSERT_TRUE(
      target.LookupSymbol<decltype(&QnnInterface_getProviders)>("QnnInterface_getProviders")
          .HasValue());
}

TEST(SharedLibraryTest, LookupThroughAnEmptyLibraryFailsInsteadOfSearchingTheProcess) {
  // glibc's dlsym treats a null handle as "search everything"; an empty
  // library must not find, say, malloc.
  SharedLibrary empty;
  auto symbol = empty.LookupSymbol<void* (*)(size_t)>("malloc");
  ASSERT_FALSE(symbol.HasValue());
  EXPECT_EQ(symbol.GetError().status(), Status::DynamicLoadingFailure);
  EXPECT_EQ(SharedLibrary::LoaderErrorText(), "Invalid handle or symbol name");
  EXPECT_THAT(symbol.GetError().message(),
              HasSubstr("Could not load symbol malloc: Invalid handle or symbol name."));
}

TEST(SharedLibraryTest, MoveAssignmentUnloadsTheOldLibraryFirst) {
  Expected<SharedLibrary> htp = SharedLibrary::Load(SimPath("QnnHtp.dll"), kLocalMode);
  Expected<SharedLibrary> dsp = SharedLibrary::Load(SimPath("QnnDsp.dll"), kLocalMode);
  ASSERT_TRUE(htp.HasValue());
  ASSERT_TRUE(dsp.HasValue());
  SharedLibrary target = std::move(htp.Value());
  ASSERT_TRUE(IsLoaded("QnnHtp.dll"));

  target = std::move(dsp.Value());
  EXPECT_FALSE(IsLoaded("QnnHtp.dll"));
  EXPECT_TRUE(IsLoaded("QnnDsp.dll"));
  EXPECT_EQ(target.path(), SimPath("QnnDsp.dll"));
  EXPECT_EQ(dsp.Value().kind(), HandleKind::kInvalid);

  target = SharedLibrary();
  EXPECT_FALSE(IsLoaded("QnnDsp.dll"));
  EXPECT_EQ(target.kind(), HandleKind::kInvalid);
}

TEST(SharedLibraryTest, ProgramHandleResolvesTheProgramAndIsNeverUnloaded) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    Expected<SharedLibrary> program = SharedLibrary::LoadImpl(HandleKind::kProgram, "", 0);
    ASSERT_TRUE(program.HasValue());
    EXPECT_EQ(program->kind(), HandleKind::kProgram);
    EXPECT_EQ(program->path(), "");
    EXPECT_EQ(program->handle(), SharedLibrary::ProgramHandle());
    // The program's own scope: the C runtime it links.
    EXPECT_TRUE(program->LookupSymbol<void* (*)(size_t)>("malloc").HasValue());
  }
}

TEST(SharedLibraryTest, AnUnknownKindOpensNothingAndLookupsFail) {
  Expected<SharedLibrary> other =
      SharedLibrary::LoadImpl(static_cast<HandleKind>(7), "QnnHtp.dll", kLocalMode);
  ASSERT_TRUE(other.HasValue());
  EXPECT_EQ(other->handle(), nullptr);
  EXPECT_FALSE(IsLoaded("QnnHtp.dll"));
  EXPECT_FALSE(other->LookupSymbol<void* (*)(size_t)>("malloc").HasValue());
}

// ---------------------------------------------------------------- Windows

namespace wl = windows_loader;

TEST(WindowsLoaderNamesTest, PlansAttemptsByPathForm) {
  struct Case {
    const char* name;
    const char* path;
    int mode;
    std::vector<wl::OpenAttempt> attempts;
  };
  const std::vector<Case> cases = {
      {"so name gets a dll fallback", "libQnnGpu.so", kRtldLazy,
       {{"libQnnGpu.so", wl::OpenCall::kLoadLibrary},
        {"libQnnGpu.dll", wl::OpenCall::kLoadLibrary}}},
      {"dll name has one attempt", "QnnHtp.dll", kRtldLazy | kRtldDeepBind,
       {{"QnnHtp.dll", wl::OpenCall::kLoadLibrary}}},
      {"relative path uses the search order", "a/b/QnnHtp.dll", kRtldLazy,
       {{"a\\b\\QnnHtp.dll", wl::OpenCall::kLoadLibrary}}},
      {"drive path is absolute", "C:/q/QnnHtp.dll", kRtldLazy,
       {{"C:\\q\\QnnHtp.dll", wl::OpenCall::kLoadLibraryEx}}},
      {"drive-relative path is not absolute", "C:QnnHtp.dll", kRtldLazy,
       {{"C:QnnHtp.dll", wl::OpenCall::kLoadLibrary}}},
      {"unc root is absolute", "//server/share/QnnHtp.dll", kRtldLazy,
       {{"\\\\server\\share\\QnnHtp.dll", wl::OpenCall::kLoadLibraryEx}}},
      {"single root is not absolute", "/q/QnnHtp.dll", kRtldLazy,
       {{"\\q\\QnnHtp.dll", wl::OpenCall::kLoadLibrary}}},
      {"absolute so path falls back absolutely", "D:\\x\\libQnnGpu.so", kRtldLazy,
       {{"D:\\x\\libQnnGpu.so", wl::OpenCall::kLoadLibraryEx},
        {"D:\\x\\libQnnGpu.dll", wl::OpenCall::kLoadLibraryEx}}},
      {"versioned so has no fallback", "libQnnGpu.so.1", kRtldLazy,
       {{"libQnnGpu.so.1", wl::OpenCall::kLoadLibrary}}},
      {"so only at the end counts", "a.so/QnnHtp.dll", kRtldLazy,
       {{"a.so\\QnnHtp.dll", wl::OpenCall::kLoadLibrary}}},
      {"noload asks for a loaded module", "C:/q/libQnnGpu.so", kRtldLazy | kRtldNoLoad,
       {{"C:\\q\\libQnnGpu.so", wl::OpenCall::kGetModuleHandleEx},
        {"C:\\q\\libQnnGpu.dll", wl::OpenCall::kGetModuleHandleEx}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<wl::OpenAttempt> attempts = wl::PlanOpen(c.path, c.mode);
    ASSERT_EQ(attempts.size(), c.attempts.size());
    for (size_t i = 0; i < attempts.size(); ++i) {
      EXPECT_EQ(attempts[i].name, c.attempts[i].name) << i;
      EXPECT_EQ(attempts[i].call, c.attempts[i].call) << i;
    }
  }
}

TEST(WindowsLoaderNamesTest, FailureTextsNameTheFallbackOnlyWhenItDiffers) {
  EXPECT_EQ(wl::OpenFailureText("libQnnGpu.so", wl::FallbackName("libQnnGpu.so"),
                                "The specified module could not be found."),
            "Failed to load library 'libQnnGpu.so' or fallback 'libQnnGpu.dll': The "
            "specified module could not be found.");
  EXPECT_EQ(wl::OpenFailureText("QnnHtp.dll", wl::FallbackName("QnnHtp.dll"), "gone"),
            "Failed to load library 'QnnHtp.dll': gone");
  EXPECT_EQ(wl::SymbolFailureText("QnnInterface_getProviders", "not found"),
            "Failed to find symbol 'QnnInterface_getProviders': not found");
}

TEST(WindowsLoaderNamesTest, SystemMessagesAreTrimmed) {
  EXPECT_EQ(wl::SystemMessageText(0, "ignored"), "No error");
  EXPECT_EQ(wl::SystemMessageText(126, "The specified module could not be found.\r\n"),
            "The specified module could not be found.");
  EXPECT_EQ(wl::SystemMessageText(5, "Access is denied. \t\r\n "), "Access is denied.");
  EXPECT_EQ(wl::SystemMessageText(5, "  leading kept"), "  leading kept");
  EXPECT_EQ(wl::SystemMessageText(317, nullptr), "Unknown error 317");
}

TEST(WindowsLoaderNamesTest, PathRules) {
  EXPECT_EQ(wl::ToBackslashes("a/b//c\\d"), "a\\b\\\\c\\d");
  EXPECT_EQ(wl::FallbackName("x.so"), "x.dll");
  EXPECT_EQ(wl::FallbackName(".so"), ".dll");
  EXPECT_EQ(wl::FallbackName("x.so.so"), "x.so.dll");
  EXPECT_EQ(wl::FallbackName("x.sox"), "x.sox");
  EXPECT_EQ(wl::FallbackName("so"), "so");
  EXPECT_TRUE(wl::IsAbsolutePath("c:\\x"));
  EXPECT_TRUE(wl::IsAbsolutePath("Z:/x"));
  EXPECT_TRUE(wl::IsAbsolutePath("\\\\?\\C:\\x"));
  EXPECT_FALSE(wl::IsAbsolutePath("1:\\x"));
  EXPECT_FALSE(wl::IsAbsolutePath("C:"));
  EXPECT_FALSE(wl::IsAbsolutePath("\\x"));
  EXPECT_FALSE(wl::IsAbsolutePath(""));
}

}  // namespace
}  // namespace vantro
