// Tests of the simulated QNN itself: what the plug-in's tests rely on must
// hold when the thin libraries are opened the way the plug-in opens them.
#include "sim/qnn/sim_qnn.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "vendors/qualcomm/qnn_interface.h"
#include "Saver/QnnSaver.h"
#include "HTP/QnnHtpDevice.h"
#include "HTP/QnnHtpProperty.h"

namespace vantro::sim {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

// A simulated library opened from VANTRO_SIM_QNN_DIR, closed when it goes.
class OpenedLibrary {
 public:
  explicit OpenedLibrary(Library library)
      : path_(std::string(VANTRO_SIM_QNN_DIR) + "/" + LibraryFileName(library)),
        handle_(dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
  ~OpenedLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  OpenedLibrary(const OpenedLibrary&) = delete;
  OpenedLibrary& operator=(const OpenedLibrary&) = delete;

  bool ok() const { return handle_ != nullptr; }
  template <typename F>
  F Symbol(const char* name) const {
    return reinterpret_cast<F>(dlsym(handle_, name));
  }

  // The provider list of a backend library.
  Qnn_ErrorHandle_t Providers(const QnnInterface_t*** list, uint32_t* count) const {
    auto get = Symbol<decltype(&QnnInterface_getProviders)>("QnnInterface_getProviders");
    return get == nullptr ? 0xDEAD : get(list, count);
  }

  // The core table of the library's first provider (null when none).
  const qnn::QnnApi* Api() const {
    const QnnInterface_t** list = nullptr;
    uint32_t count = 0;
    if (Providers(&list, &count) != QNN_SUCCESS || count == 0 || list[0] == nullptr) {
      return nullptr;
    }
    return &list[0]->QNN_INTERFACE_VER_NAME;
  }

 private:
  std::string path_;
  void* handle_;
};

class SimQnnTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
};

bool IsLoaded(const std::string& file_name) {
  for (const std::string& loaded : LoadedLibraries()) {
    if (loaded == file_name) return true;
  }
  return false;
}

TEST_F(SimQnnTest, OpenedLibrariesOfferTheConfiguredVersionsAndAreTracked) {
  struct Case {
    Library library;
    Qnn_Version_t backend;
  };
  const Case cases[] = {
      {Library::kHtp, {5, 52, 0}}, {Library::kDsp, {5, 0, 1}},   {Library::kGpu, {3, 16, 0}},
      {Library::kIr, {0, 1, 0}},   {Library::kLpai, {2, 37, 0}}, {Library::kSaver, {1, 1, 0}},
  };
  for (const Case& c : cases) {
    const std::string name = LibraryFileName(c.library);
    SCOPED_TRACE(name);
    {
      OpenedLibrary library(c.library);
      ASSERT_TRUE(library.ok()) << dlerror();
      EXPECT_TRUE(IsLoaded(name));
      const QnnInterface_t** list = nullptr;
      uint32_t count = 0;
      ASSERT_EQ(library.Providers(&list, &count), QNN_SUCCESS);
      ASSERT_EQ(count, 1u);
      ASSERT_NE(list[0], nullptr);
      const Qnn_ApiVersion_t& version = list[0]->apiVersion;
      EXPECT_EQ(version.coreApiVersion.major, 2u);
      EXPECT_EQ(version.coreApiVersion.minor, 41u);
      EXPECT_EQ(version.coreApiVersion.patch, 0u);
      EXPECT_EQ(version.backendApiVersion.major, c.backend.major);
      EXPECT_EQ(version.backendApiVersion.minor, c.backend.minor);
      EXPECT_EQ(version.backendApiVersion.patch, c.backend.patch);

      Qnn_ApiVersion_t queried{};
      ASSERT_EQ(list[0]->QNN_INTERFACE_VER_NAME.backendGetApiVersion(&queried), QNN_SUCCESS);
      EXPECT_EQ(queried.backendApiVersion.minor, c.backend.minor);
      const char* build_id = nullptr;
      ASSERT_EQ(list[0]->QNN_INTERFACE_VER_NAME.backendGetBuildId(&build_id), QNN_SUCCESS);
      EXPECT_STREQ(build_id, "v2.41.0.250101");
    }
    EXPECT_FALSE(IsLoaded(name));
  }

  OpenedLibrary system(Library::kSystem);
  ASSERT_TRUE(system.ok()) << dlerror();
  auto get =
      system.Symbol<decltype(&QnnSystemInterface_getProviders)>("QnnSystemInterface_getProviders");
  ASSERT_NE(get, nullptr);
  const QnnSystemInterface_t** list = nullptr;
  uint32_t count = 0;
  ASSERT_EQ(get(&list, &count), QNN_SUCCESS);
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(list[0]->systemApiVersion.major, 1u);
  EXPECT_EQ(list[0]->systemApiVersion.minor, 16u);
  EXPECT_NE(list[0]->QNN_SYSTEM_INTERFACE_VER_NAME.systemContextCreate, nullptr);
  EXPECT_THAT(CallNames(), ::testing::Contains("QnnSystemInterface_getProviders"));
}

TEST_F(SimQnnTest, ProviderListsFollowTheConfiguration) {
  OpenedLibrary library(Library::kHtp);
  ASSERT_TRUE(library.ok()) << dlerror();
  // A list handed out earlier stays readable after the settings change.
  const QnnInterface_t** first = nullptr;
  uint32_t first_count = 0;
  ASSERT_EQ(library.Providers(&first, &first_count), QNN_SUCCESS);

  struct Case {
    const char* name;
    uint32_t provider_count;
    bool null_provider;
    Qnn_ErrorHandle_t result;
    uint32_t expected_count;
  };
  const Case cases[] = {
      {"none", 0, false, QNN_SUCCESS, 0},
      {"two", 2, false, QNN_SUCCESS, 2},
      {"null entry", 1, true, QNN_SUCCESS, 1},
      {"query fails", 1, false, 0x1234, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LibraryConfig config = GetLibraryConfig(Library::kHtp);
    config.provider_count = c.provider_count;
    config.null_provider = c.null_provider;
    config.get_providers_result = c.result;
    config.core = {2, 42, 7};
    SetLibraryConfig(Library::kHtp, config);
    const QnnInterface_t** list = nullptr;
    uint32_t count = 99;
    ASSERT_EQ(library.Providers(&list, &count), c.result);
    if (c.result != QNN_SUCCESS) continue;
    ASSERT_EQ(count, c.expected_count);
    for (uint32_t i = 0; i < count; ++i) {
      if (c.null_provider && i == 0) {
        EXPECT_EQ(list[i], nullptr);
      } else {
        ASSERT_NE(list[i], nullptr);
        EXPECT_EQ(list[i]->apiVersion.coreApiVersion.minor, 42u);
        EXPECT_EQ(list[i]->apiVersion.coreApiVersion.patch, 7u);
      }
    }
  }
  EXPECT_EQ(first_count, 1u);
  EXPECT_EQ(first[0]->apiVersion.coreApiVersion.minor, 41u);
}

TEST_F(SimQnnTest, CapabilityQueryAndBuildIdCanBeScripted) {
  OpenedLibrary library(Library::kDsp);
  ASSERT_TRUE(library.ok()) << dlerror();
  const qnn::QnnApi* api = library.Api();
  ASSERT_NE(api, nullptr);
  ASSERT_NE(api->propertyHasCapability, nullptr);
  EXPECT_EQ(api->propertyHasCapability(QNN_PROPERTY_CUSTOM_HTP_UNSIGNED_PD_SUPPORT), 0u);
  SetCapability(QNN_PROPERTY_CUSTOM_HTP_UNSIGNED_PD_SUPPORT, 1);
  EXPECT_EQ(api->propertyHasCapability(QNN_PROPERTY_CUSTOM_HTP_UNSIGNED_PD_SUPPORT), 1u);

  SetCapabilityQueryAvailable(false);
  LibraryConfig config = GetLibraryConfig(Library::kDsp);
  config.null_build_id = true;
  SetLibraryConfig(Library::kDsp, config);
  const qnn::QnnApi* without = library.Api();
  ASSERT_NE(without, nullptr);
  EXPECT_EQ(without->propertyHasCapability, nullptr);
  const char* build_id = "unchanged";
  EXPECT_EQ(without->backendGetBuildId(&build_id), QNN_SUCCESS);
  EXPECT_EQ(build_id, nullptr);
}

TEST_F(SimQnnTest, FailuresFireAtTheirOccurrenceAndAreLogged) {
  OpenedLibrary library(Library::kHtp);
  const qnn::QnnApi* api = library.Api();
  ASSERT_NE(api, nullptr);
  FailCall("logCreate", 0x77, 2);
  FailCall("deviceFree", 0x99, 0);  // every call
  Qnn_LogHandle_t logs[3] = {};
  EXPECT_EQ(api->logCreate(nullptr, QNN_LOG_LEVEL_INFO, &logs[0]), QNN_SUCCESS);
  EXPECT_EQ(api->logCreate(nullptr, QNN_LOG_LEVEL_INFO, &logs[1]), 0x77u);
  EXPECT_EQ(api->logCreate(nullptr, QNN_LOG_LEVEL_VERBOSE, &logs[2]), QNN_SUCCESS);
  EXPECT_EQ(logs[1], nullptr);  // a failed call hands out nothing
  EXPECT_EQ(LiveHandles()["log"], 2);
  Qnn_DeviceHandle_t device = nullptr;
  ASSERT_EQ(api->deviceCreate(logs[0], nullptr, &device), QNN_SUCCESS);
  EXPECT_EQ(api->deviceFree(device), 0x99u);
  EXPECT_EQ(api->deviceFree(device), 0x99u);
  ClearFailures();
  EXPECT_EQ(api->deviceFree(device), QNN_SUCCESS);

  // Entry points fail the same way.
  FailCall("QnnInterface_getProviders", 0x55);
  const QnnInterface_t** list = nullptr;
  uint32_t count = 0;
  EXPECT_EQ(library.Providers(&list, &count), 0x55u);
  EXPECT_EQ(library.Providers(&list, &count), QNN_SUCCESS);

  const std::vector<Call> calls = Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0].name, "QnnInterface_getProviders");
  EXPECT_EQ(calls[0].detail, "QnnHtp.dll");
  EXPECT_EQ(calls[1].name, "logCreate");
  EXPECT_EQ(calls[1].detail, "level=3 callback=null");
  EXPECT_EQ(CountCalls("logCreate"), 3u);
  EXPECT_EQ(CountCalls("deviceFree"), 3u);
  for (Qnn_LogHandle_t log : {logs[0], logs[2]}) EXPECT_EQ(api->logFree(log), QNN_SUCCESS);

  SetCallLogEnabled(false);
  ClearCalls();
  EXPECT_EQ(api->logCreate(nullptr, QNN_LOG_LEVEL_INFO, &logs[0]), QNN_SUCCESS);
  EXPECT_THAT(Calls(), IsEmpty());
  EXPECT_EQ(api->logFree(logs[0]), QNN_SUCCESS);
}

TEST_F(SimQnnTest, HandlesAreCountedByKindAndRefusedOnceReleased) {
  OpenedLibrary library(Library::kHtp);
  const qnn::QnnApi* api = library.Api();
  ASSERT_NE(api, nullptr);
  const int before = LiveHandleCount();
  Qnn_LogHandle_t log = nullptr;
  Qnn_BackendHandle_t backend = nullptr;
  Qnn_DeviceHandle_t device = nullptr;
  Qnn_ProfileHandle_t profile = nullptr;
  ASSERT_EQ(api->logCreate(nullptr, QNN_LOG_LEVEL_INFO, &log), QNN_SUCCESS);
  ASSERT_EQ(api->backendCreate(log, nullptr, &backend), QNN_SUCCESS);
  ASSERT_EQ(api->deviceCreate(log, nullptr, &device), QNN_SUCCESS);
  ASSERT_EQ(api->profileCreate(backend, QNN_PROFILE_LEVEL_BASIC, &profile), QNN_SUCCESS);
  uint32_t id = 0;
  QnnDevice_Infrastructure_t infrastructure = nullptr;
  ASSERT_EQ(api->deviceGetInfrastructure(&infrastructure), QNN_SUCCESS);
  const auto* htp = static_cast<const QnnHtpDevice_Infrastructure_t*>(infrastructure);
  ASSERT_EQ(htp->perfInfra.createPowerConfigId(0, 0, &id), QNN_SUCCESS);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(LiveHandleCount(), before + 5);
  std::map<std::string, int> live = LiveHandles();
  EXPECT_EQ(live["log"], 1);
  EXPECT_EQ(live["backend"], 1);
  EXPECT_EQ(live["device"], 1);
  EXPECT_EQ(live["profile"], 1);
  EXPECT_EQ(live["power_config_id"], 1);

  // A handle of the wrong kind is as unknown as a released one.
  EXPECT_EQ(api->backendFree(reinterpret_cast<Qnn_BackendHandle_t>(device)), kSimInvalidHandle);
  EXPECT_EQ(api->backendRegisterOpPackage(backend, "pkg.so", "Provider", "CPU"), QNN_SUCCESS);

  EXPECT_EQ(htp->perfInfra.destroyPowerConfigId(id), QNN_SUCCESS);
  EXPECT_EQ(api->profileFree(profile), QNN_SUCCESS);
  EXPECT_EQ(api->deviceFree(device), QNN_SUCCESS);
  EXPECT_EQ(api->backendFree(backend), QNN_SUCCESS);
  EXPECT_EQ(api->logFree(log), QNN_SUCCESS);
  EXPECT_EQ(LiveHandleCount(), before);

  struct Case {
    const char* name;
    Qnn_ErrorHandle_t result;
  };
  const QnnHtpPerfInfrastructure_PowerConfig_t* no_configs[] = {nullptr};
  const Case after_release[] = {
      {"logFree", api->logFree(log)},
      {"backendFree", api->backendFree(backend)},
      {"deviceFree", api->deviceFree(device)},
      {"profileFree", api->profileFree(profile)},
      {"destroyPowerConfigId", htp->perfInfra.destroyPowerConfigId(id)},
      {"setPowerConfig", htp->perfInfra.setPowerConfig(id, no_configs)},
      {"backendCreate with a released log", api->backendCreate(log, nullptr, &backend)},
      {"profileCreate on a released backend",
       api->profileCreate(backend, QNN_PROFILE_LEVEL_BASIC, &profile)},
      {"backendRegisterOpPackage", api->backendRegisterOpPackage(backend, "p", "i", "CPU")},
  };
  for (const Case& c : after_release) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.result, kSimInvalidHandle);
  }
  EXPECT_EQ(LiveHandleCount(), before);
}

TEST_F(SimQnnTest, PlatformInfoAnswersAsConfigured) {
  OpenedLibrary library(Library::kHtp);
  const qnn::QnnApi* api = library.Api();
  ASSERT_NE(api, nullptr);
  SetPlatformConfig(PlatformConfig{{0, 1}, false, false});
  const QnnDevice_PlatformInfo_t* info = nullptr;
  ASSERT_EQ(api->deviceGetPlatformInfo(nullptr, &info), QNN_SUCCESS);
  ASSERT_NE(info, nullptr);
  ASSERT_EQ(info->v1.numHwDevices, 2u);
  ASSERT_NE(info->v1.hwDevices, nullptr);
  EXPECT_EQ(info->v1.hwDevices[1].v1.deviceId, 1u);
  EXPECT_EQ(LiveHandles()["platform_info"], 1);
  EXPECT_EQ(api->deviceFreePlatformInfo(nullptr, info), QNN_SUCCESS);
  EXPECT_EQ(api->deviceFreePlatformInfo(nullptr, info), kSimInvalidHandle);

  SetPlatformConfig(PlatformConfig{{4, 5, 6}, false, true});
  ASSERT_EQ(api->deviceGetPlatformInfo(nullptr, &info), QNN_SUCCESS);
  EXPECT_EQ(info->v1.numHwDevices, 3u);
  EXPECT_EQ(info->v1.hwDevices, nullptr);
  EXPECT_EQ(api->deviceFreePlatformInfo(nullptr, info), QNN_SUCCESS);

  SetPlatformConfig(PlatformConfig{{0}, true, false});
  info = reinterpret_cast<const QnnDevice_PlatformInfo_t*>(&info);
  ASSERT_EQ(api->deviceGetPlatformInfo(nullptr, &info), QNN_SUCCESS);
  EXPECT_EQ(info, nullptr);
  EXPECT_EQ(LiveHandles()["platform_info"], 0);
}

TEST_F(SimQnnTest, ProfilesReportTheSetEventsUntilFreed) {
  OpenedLibrary library(Library::kHtp);
  const qnn::QnnApi* api = library.Api();
  ASSERT_NE(api, nullptr);
  ProfileEvent execute{
      "EXECUTE", QNN_PROFILE_EVENTTYPE_EXECUTE, QNN_PROFILE_EVENTUNIT_MICROSEC, 2500, {}};
  execute.sub_events.push_back(
      {"conv", QNN_PROFILE_EVENTTYPE_NODE, QNN_PROFILE_EVENTUNIT_CYCLES, 777, {}});
  SetProfileEvents({{"INIT", 1, QNN_PROFILE_EVENTUNIT_MICROSEC, 1500, {}}, execute});

  Qnn_BackendHandle_t backend = nullptr;
  ASSERT_EQ(api->backendCreate(nullptr, nullptr, &backend), QNN_SUCCESS);
  Qnn_ProfileHandle_t profile = nullptr;
  EXPECT_EQ(api->profileCreate(backend, 0, &profile), kSimInvalidArgument);
  ASSERT_EQ(api->profileCreate(backend, QNN_PROFILE_LEVEL_DETAILED, &profile), QNN_SUCCESS);
  const QnnProfile_EventId_t* events = nullptr;
  uint32_t count = 0;
  ASSERT_EQ(api->profileGetEvents(profile, &events, &count), QNN_SUCCESS);
  ASSERT_EQ(count, 2u);
  QnnProfile_EventData_t data{};
  ASSERT_EQ(api->profileGetEventData(events[0], &data), QNN_SUCCESS);
  EXPECT_STREQ(data.identifier, "INIT");
  EXPECT_EQ(data.value, 1500u);
  EXPECT_EQ(data.unit, QNN_PROFILE_EVENTUNIT_MICROSEC);
  ASSERT_EQ(api->profileGetEventData(events[1], &data), QNN_SUCCESS);
  EXPECT_EQ(data.type, QNN_PROFILE_EVENTTYPE_EXECUTE);
  const QnnProfile_EventId_t* subs = nullptr;
  uint32_t sub_count = 0;
  ASSERT_EQ(api->profileGetSubEvents(events[1], &subs, &sub_count), QNN_SUCCESS);
  ASSERT_EQ(sub_count, 1u);
  ASSERT_EQ(api->profileGetEventData(subs[0], &data), QNN_SUCCESS);
  EXPECT_STREQ(data.identifier, "conv");
  EXPECT_EQ(data.value, 777u);
  const QnnProfile_EventId_t stale = subs[0];

  ASSERT_EQ(api->profileFree(profile), QNN_SUCCESS);
  EXPECT_EQ(api->profileGetEventData(stale, &data), kSimInvalidHandle);
  EXPECT_EQ(api->profileGetEvents(profile, &events, &count), kSimInvalidHandle);
  EXPECT_EQ(api->backendFree(backend), QNN_SUCCESS);
}

TEST_F(SimQnnTest, SaverInitializeRecordsTheDirectoryAndAnswersAsConfigured) {
  OpenedLibrary library(Library::kSaver);
  auto initialize = library.Symbol<decltype(&QnnSaver_initialize)>("QnnSaver_initialize");
  ASSERT_NE(initialize, nullptr);
  QnnSaver_Config_t config{}; config.option = QNN_SAVER_CONFIG_OPTION_OUTPUT_DIRECTORY; config.outputDirectory = "/tmp/saver_out";
  const QnnSaver_Config_t* configs[] = {&config, nullptr};
  ASSERT_EQ(initialize(configs), QNN_SUCCESS);
  EXPECT_EQ(SaverOutputDirectory(), "/tmp/saver_out");
  EXPECT_EQ(Calls().back().detail, "configs=[{option=0 output_directory=\"/tmp/saver_out\"}]");

  LibraryConfig saver = GetLibraryConfig(Library::kSaver);
  saver.saver_initialize_result = 0x10005;
  SetLibraryConfig(Library::kSaver, saver);
  EXPECT_EQ(initialize(configs), 0x10005u);
}

// The scenario file reaches the simulation through the environment, as it
// does in a separate process.
class ScenarioFileTest : public SimQnnTest {
 protected:
  void TearDown() override {
    unsetenv("VANTRO_SIM_QNN_SCENARIO");
    std::remove(path_.c_str());
    Reset();
  }
  void Load(const std::string& text) {
    std::ofstream(path_) << text;
    setenv("VANTRO_SIM_QNN_SCENARIO", path_.c_str(), 1);
    Reset();
  }
  std::string path_ = ::testing::TempDir() + "sim_qnn_scenario.txt";
};

TEST_F(ScenarioFileTest, SetsVersionsProvidersFailuresPlatformAndEvents) {
  ::testing::internal::CaptureStderr();
  Load(
      "# a scripted run\n"
      "htp.core = 2.42.1\n"
      "htp.backend = 5.53.0\n"
      "system.core = 1.17.0\n"
      "backends.build_id = v2.41.3.99\n"
      "dsp.provider_count = 2\n"
      "gpu.null_provider = true\n"
      "lpai.get_providers_result = 0x10\n"
      "saver.initialize_result = 0x10005\n"
      "fail = backendCreate 0x3e8 2\n"
      "platform.devices = 0, 1, 7\n"
      "infrastructure.htp_type = 3\n"
      "capability = 2002 1\n"
      "profile.event = INIT 1 1 1500\n"
      "profile.sub_event = conv 404 3 20\n"
      "htp.colour = blue\n"
      "no equals sign\n");
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(errors, HasSubstr("sim_qnn_scenario.txt:16: cannot use `htp.colour = blue`"));
  EXPECT_THAT(errors, HasSubstr(":17: expected `key = value`"));

  const LibraryConfig htp = GetLibraryConfig(Library::kHtp);
  EXPECT_EQ(htp.core.minor, 42u);
  EXPECT_EQ(htp.core.patch, 1u);
  EXPECT_EQ(htp.backend.minor, 53u);
  EXPECT_EQ(htp.build_id, "v2.41.3.99");
  EXPECT_EQ(GetLibraryConfig(Library::kSystem).core.minor, 17u);
  EXPECT_EQ(GetLibraryConfig(Library::kSystem).build_id, "v2.41.0.250101");
  EXPECT_EQ(GetLibraryConfig(Library::kDsp).provider_count, 2u);
  EXPECT_EQ(GetLibraryConfig(Library::kDsp).build_id, "v2.41.3.99");
  EXPECT_TRUE(GetLibraryConfig(Library::kGpu).null_provider);
  EXPECT_EQ(GetLibraryConfig(Library::kLpai).get_providers_result, 0x10u);
  EXPECT_EQ(GetLibraryConfig(Library::kSaver).saver_initialize_result, 0x10005u);

  OpenedLibrary library(Library::kHtp);
  const qnn::QnnApi* api = library.Api();
  ASSERT_NE(api, nullptr);
  const QnnDevice_PlatformInfo_t* info = nullptr;
  ASSERT_EQ(api->deviceGetPlatformInfo(nullptr, &info), QNN_SUCCESS);
  ASSERT_EQ(info->v1.numHwDevices, 3u);
  EXPECT_EQ(info->v1.hwDevices[2].v1.deviceId, 7u);
  EXPECT_EQ(api->deviceFreePlatformInfo(nullptr, info), QNN_SUCCESS);
  QnnDevice_Infrastructure_t infrastructure = nullptr;
  ASSERT_EQ(api->deviceGetInfrastructure(&infrastructure), QNN_SUCCESS);
  EXPECT_EQ(static_cast<const QnnHtpDevice_Infrastructure_t*>(infrastructure)->infraType, 3u);
  EXPECT_EQ(api->propertyHasCapability(QNN_PROPERTY_CUSTOM_HTP_UNSIGNED_PD_SUPPORT), 1u);

  Qnn_BackendHandle_t backend = nullptr;
  ASSERT_EQ(api->backendCreate(nullptr, nullptr, &backend), QNN_SUCCESS);
  Qnn_ProfileHandle_t profile = nullptr;
  ASSERT_EQ(api->profileCreate(backend, QNN_PROFILE_LEVEL_BASIC, &profile), QNN_SUCCESS);
  const QnnProfile_EventId_t* events = nullptr;
  uint32_t count = 0;
  ASSERT_EQ(api->profileGetEvents(profile, &events, &count), QNN_SUCCESS);
  ASSERT_EQ(count, 1u);
  const QnnProfile_EventId_t* subs = nullptr;
  ASSERT_EQ(api->profileGetSubEvents(events[0], &subs, &count), QNN_SUCCESS);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(api->profileFree(profile), QNN_SUCCESS);
  EXPECT_EQ(api->backendFree(backend), QNN_SUCCESS);

  // The armed failure counts from the Reset that read it: the backend
  // above was the first call.
  Qnn_BackendHandle_t second = nullptr;
  EXPECT_EQ(api->backendCreate(nullptr, nullptr, &second), 0x3e8u);

  // Without the variable, Reset brings the defaults back.
  unsetenv("VANTRO_SIM_QNN_SCENARIO");
  Reset();
  EXPECT_EQ(GetLibraryConfig(Library::kHtp).core.minor, 41u);
  EXPECT_EQ(GetLibraryConfig(Library::kDsp).build_id, "v2.41.0.250101");
}

TEST_F(ScenarioFileTest, AMissingFileIsReportedAndChangesNothing) {
  setenv("VANTRO_SIM_QNN_SCENARIO", "/nonexistent/scenario.txt", 1);
  ::testing::internal::CaptureStderr();
  Reset();
  EXPECT_THAT(::testing::internal::GetCapturedStderr(),
              HasSubstr("cannot read the scenario file /nonexistent/scenario.txt"));
  EXPECT_EQ(GetLibraryConfig(Library::kHtp).backend.minor, 52u);
}

// The voting threads call the performance infrastructure while the host's
// threads make other calls; run under ThreadSanitizer this shows the state
// is guarded.
TEST_F(SimQnnTest, ConcurrentCallsKeepEveryRecord) {
  OpenedLibrary library(Library::kHtp);
  const qnn::QnnApi* api = library.Api();
  ASSERT_NE(api, nullptr);
  QnnDevice_Infrastructure_t infrastructure = nullptr;
  ASSERT_EQ(api->deviceGetInfrastructure(&infrastructure), QNN_SUCCESS);
  const auto* htp = static_cast<const QnnHtpDevice_Infrastructure_t*>(infrastructure);
  constexpr int kThreads = 4;
  constexpr int kCalls = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      uint32_t id = 0;
      htp->perfInfra.createPowerConfigId(0, 0, &id);
      QnnHtpPerfInfrastructure_PowerConfig_t config{};
      config.option = QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_RPC_POLLING_TIME;
      const QnnHtpPerfInfrastructure_PowerConfig_t* list[] = {&config, nullptr};
      for (int i = 0; i < kCalls; ++i) {
        htp->perfInfra.setPowerConfig(id, list);
        Qnn_LogHandle_t log = nullptr;
        api->logCreate(nullptr, QNN_LOG_LEVEL_INFO, &log);
        api->logFree(log);
      }
      htp->perfInfra.destroyPowerConfigId(id);
    });
  }
  for (int i = 0; i < kCalls; ++i) {
    (void)Calls();
    (void)LiveHandles();
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(PowerConfigCalls().size(), static_cast<size_t>(kThreads * kCalls));
  EXPECT_EQ(CountCalls("logFree"), static_cast<uint32_t>(kThreads * kCalls));
  EXPECT_EQ(LiveHandles()["log"], 0);
  EXPECT_EQ(LiveHandles()["power_config_id"], 0);
}

}  // namespace
}  // namespace vantro::sim
