#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "absl/strings/match.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_join.h"
#include "absl/strings/string_view.h"
#include "c/options/vantro_qualcomm_options.h"
#include "cc/options/vantro_qualcomm_options.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "tests/support/options_test_support.h"

namespace vantro {
namespace qualcomm {
namespace {

using testing_support::IsLocatedText;
using testing_support::PeekPending;
using testing_support::Pending;

// Owns a record for the test's scope.
using Record = QualcommOptions;

// Creates a record or fails the test; the pending error must be clear after
// success only if the caller clears it, so it is cleared here.
Record MustCreate(const char* payload) {
  VtrQualcommOptionsT* options = nullptr;
  VantroStatus status = VtrCreateQualcommOptionsFromToml(payload, &options);
  EXPECT_EQ(status, kVantroStatusOk) << payload << "\n" << PeekPending().message;
  ClearPendingError();
  return Record(options);
}

// The payload a record serialises to, or the failing status as text.
std::string Serialized(const VtrQualcommOptionsT* options) {
  const char* identifier = nullptr;
  void* payload = nullptr;
  VtrQualcommOptionsPayloadDeleter deleter = nullptr;
  VantroStatus status = VtrSerializeQualcommOptions(options, &identifier, &payload, &deleter);
  if (status != kVantroStatusOk) return absl::StrCat("<status ", status, ">");
  EXPECT_STREQ(identifier, "qualcomm");
  std::string text(static_cast<const char*>(payload));
  deleter(payload);
  return text;
}

// ---------------------------------------------------------------------------
// The keys as this test knows them, written out independently of the code's
// table: key, kind, default as text, and a reader that renders the getter's
// answer as text.

enum class Kind { kInt32, kUint32, kBool, kUnkept, kString, kList, kPackage };

using Reader = std::function<std::string(const VtrQualcommOptionsT*)>;

struct KeySpec {
  const char* key;
  Kind kind;
  std::string default_text;
  Reader read;
  // For range-checked integer keys: payload values that are accepted.
  std::vector<int64_t> accepted = {};
};

std::string Render(int32_t v) { return std::to_string(v); }
std::string Render(uint32_t v) { return std::to_string(v); }
std::string Render(bool v) { return v ? "true" : "false"; }

template <typename T>
Reader Scalar(VantroStatus (*get)(const VtrQualcommOptionsT*, T*)) {
  return [get](const VtrQualcommOptionsT* o) {
    T value{};
    EXPECT_EQ(get(o, &value), kVantroStatusOk);
    return Render(value);
  };
}

Reader Text(VantroStatus (*get)(const VtrQualcommOptionsT*, const char**)) {
  return [get](const VtrQualcommOptionsT* o) {
    const char* value = nullptr;
    EXPECT_EQ(get(o, &value), kVantroStatusOk);
    return value == nullptr ? std::string("<null>") : std::string(value);
  };
}

// Ids joined by ",", "<unset>" for a null pointer.
std::string ReadIds(const VtrQualcommOptionsT* o) {
  const int32_t* ids = nullptr;
  size_t count = 7;
  EXPECT_EQ(VtrQualcommOptionsGetDumpTensorIds(o, &ids, &count), kVantroStatusOk);
  if (ids == nullptr) return count == 0 ? "<unset>" : "<null with count>";
  return absl::StrJoin(ids, ids + count, ",");
}

// The five fields joined by "|".
std::string ReadPackage(const VtrQualcommOptionsT* o) {
  const char* f[5] = {};
  EXPECT_EQ(VtrQualcommOptionsGetCustomOpPackage(o, &f[0], &f[1], &f[2], &f[3], &f[4]),
            kVantroStatusOk);
  return absl::StrJoin(f, f + 5, "|");
}

const std::vector<KeySpec>& Keys() {
  static const std::vector<KeySpec>* keys = new std::vector<KeySpec>{
      {"log_level", Kind::kInt32, "3", Scalar(&VtrQualcommOptionsGetLogLevel)},
      {"profiling", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetProfiling)},
      {"use_htp_preference", Kind::kUnkept, "", nullptr},
      {"use_qint16_as_quint16", Kind::kUnkept, "", nullptr},
      {"use_int64_bias_as_int32", Kind::kBool, "true",
       Scalar(&VtrQualcommOptionsGetUseInt64BiasAsInt32)},
      {"qnn_backend", Kind::kInt32, "2", Scalar(&VtrQualcommOptionsGetQnnBackend)},
      {"enable_weight_sharing", Kind::kBool, "false",
       Scalar(&VtrQualcommOptionsGetEnableWeightSharing)},
      {"enable_just_in_time", Kind::kBool, "false", Scalar(&VtrQualcommOptionsGetEnableJustInTime)},
      {"op_name_format", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetOpNameFormat)},
      {"use_conv_hmx", Kind::kBool, "true", Scalar(&VtrQualcommOptionsGetUseConvHmx)},
      {"use_fold_relu", Kind::kBool, "true", Scalar(&VtrQualcommOptionsGetUseFoldRelu)},
      {"htp_dlbc", Kind::kBool, "false", Scalar(&VtrQualcommOptionsGetHtpDlbc)},
      {"htp_dlbc_weights", Kind::kBool, "false", Scalar(&VtrQualcommOptionsGetHtpDlbcWeights)},
      {"htp_p_point", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetHtpPPoint)},
      {"htp_weight_sharing_channel_tile_size", Kind::kInt32, "0",
       Scalar(&VtrQualcommOptionsGetHtpWeightSharingChannelTileSize)},
      {"htp_performance_mode", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetHtpPerformanceMode)},
      {"dsp_performance_mode", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetDspPerformanceMode)},
      {"htp_perf_ctrl_mode", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetHtpPerfCtrlMode)},
      {"htp_pd_session",
       Kind::kInt32,
       "0",
       Scalar(&VtrQualcommOptionsGetHtpPdSession),
       {0, 1, 2, 4294967296, 4294967298}},
      {"dsp_perf_ctrl_mode", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetDspPerfCtrlMode)},
      {"dsp_pd_session",
       Kind::kInt32,
       "0",
       Scalar(&VtrQualcommOptionsGetDspPdSession),
       {0, 1, 2, -4294967295}},
      {"dsp_encoding", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetDspEncoding), {0, 1}},
      {"dump_tensor_ids", Kind::kList, "<unset>", &ReadIds},
      {"ir_json_dir", Kind::kString, "", Text(&VtrQualcommOptionsGetIrJsonDir)},
      {"dlc_dir", Kind::kString, "", Text(&VtrQualcommOptionsGetDlcDir)},
      {"graph_transform", Kind::kString, "", Text(&VtrQualcommOptionsGetGraphTransform)},
      {"vtcm_size", Kind::kUint32, "0", Scalar(&VtrQualcommOptionsGetVtcmSize)},
      {"htp_device_id", Kind::kUint32, "0", Scalar(&VtrQualcommOptionsGetHtpDeviceId)},
      {"htp_context_init_acceleration", Kind::kBool, "false",
       Scalar(&VtrQualcommOptionsGetHtpContextInitAcceleration)},
      {"num_hvx_threads", Kind::kUint32, "0", Scalar(&VtrQualcommOptionsGetNumHvxThreads)},
      {"htp_file_read_memory_budget_mb", Kind::kUint32, "0",
       Scalar(&VtrQualcommOptionsGetHtpFileReadMemoryBudgetMb)},
      {"optimization_level", Kind::kInt32, "2", Scalar(&VtrQualcommOptionsGetOptimizationLevel)},
      {"graph_priority", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetGraphPriority)},
      {"saver_output_dir", Kind::kString, "", Text(&VtrQualcommOptionsGetSaverOutputDir)},
      {"schematic_dir", Kind::kString, "", Text(&VtrQualcommOptionsGetSchematicDir)},
      {"graph_io_tensor_mem_type",
       Kind::kInt32,
       "1",
       Scalar(&VtrQualcommOptionsGetGraphIoTensorMemType),
       {0, 1, 4294967297, -4294967296}},
      {"custom_op_package", Kind::kPackage, "||||", &ReadPackage},
      {"lpai_target", Kind::kInt32, "2", Scalar(&VtrQualcommOptionsGetLpaiTarget)},
      {"lpai_fps", Kind::kUint32, "1", Scalar(&VtrQualcommOptionsGetLpaiFps)},
      {"lpai_ftrt_ratio", Kind::kUint32, "10", Scalar(&VtrQualcommOptionsGetLpaiFtrtRatio)},
      {"lpai_client_perf_type", Kind::kInt32, "0",
       Scalar(&VtrQualcommOptionsGetLpaiClientPerfType)},
      {"lpai_core_affinity_type", Kind::kInt32, "0",
       Scalar(&VtrQualcommOptionsGetLpaiCoreAffinityType)},
      {"lpai_core_selection", Kind::kUint32, "0", Scalar(&VtrQualcommOptionsGetLpaiCoreSelection)},
      {"qnn_lib_dir", Kind::kString, "", Text(&VtrQualcommOptionsGetQnnLibDir)},
      {"dsp_skel_dir", Kind::kString, "", Text(&VtrQualcommOptionsGetDspSkelDir)},
  };
  return *keys;
}

TEST(QualcommOptionsTest, KnowsFortyFiveKeys) { EXPECT_EQ(Keys().size(), 45u); }

TEST(QualcommOptionsTest, GettersReportDefaultsWhenNothingWasGiven) {
  const char* payloads[] = {nullptr, "", "# only a comment\n\n   # another\n[qualcomm]\n"};
  for (const char* payload : payloads) {
    SCOPED_TRACE(payload == nullptr ? "<null>" : payload);
    Record record = MustCreate(payload);
    for (const KeySpec& spec : Keys()) {
      if (spec.read == nullptr) continue;
      SCOPED_TRACE(spec.key);
      EXPECT_EQ(spec.read(record.Get()), spec.default_text);
    }
    EXPECT_EQ(Serialized(record.Get()), "");
  }
}

// Each accepted payload and the exact payload its record serialises to,
// which shows every stored slot and nothing else.
TEST(QualcommOptionsTest, StoresWhatThePayloadGives) {
  struct Case {
    const char* name;
    const char* payload;
    const char* serialized;
  };
  const Case cases[] = {
      {"int", "log_level = 5", "log_level = 5\n"},
      {"quoted int", "log_level = \"5\"", "log_level = 5\n"},
      {"negative int32", "htp_p_point = -2147483648", "htp_p_point = -2147483648\n"},
      {"int32 keeps low bits", "log_level = 4294967297", "log_level = 1\n"},
      {"int32 wraps negative", "profiling = 4294967295", "profiling = -1\n"},
      {"uint32 max", "vtcm_size = 4294967295", "vtcm_size = 4294967295\n"},
      {"uint32 from minus one", "lpai_fps = -1", "lpai_fps = 4294967295\n"},
      {"uint32 above 2^31", "htp_device_id = 2147483648", "htp_device_id = 2147483648\n"},
      {"bool off for default-on key", "use_conv_hmx = false", "use_conv_hmx = false\n"},
      {"pd session narrowed into range", "htp_pd_session = 4294967298", "htp_pd_session = 2\n"},
      {"mem type narrowed into range", "graph_io_tensor_mem_type = 4294967297",
       "graph_io_tensor_mem_type = 1\n"},
      {"encoding one", "dsp_encoding = 1", "dsp_encoding = 1\n"},
      {"empty string kept", "dlc_dir =", "dlc_dir = \"\"\n"},
      {"string verbatim", "qnn_lib_dir = 'c:\\qnn\\it''s' # x",
       "qnn_lib_dir = \"'c:\\qnn\\it''s' # x\"\n"},
      {"single-quoted string", "dsp_skel_dir = ' /skel '", "dsp_skel_dir = \" /skel \"\n"},
      {"ids", "dump_tensor_ids = ['1', \" -2 \", \"4294967297\"]",
       "dump_tensor_ids = [\"1\", \"-2\", \"1\"]\n"},
      {"package subset", "custom_op_package = name:P;target:CPU",
       "custom_op_package = "
       "\"name:P;interface_provider:;compile_package_path:;dispatch_package_path:;target:CPU;\"\n"},
      {"package order, repeats, colons, empty segments",
       "custom_op_package = \";;target:a:b;name:X;;name:Y;compile_package_path:/c.so\"",
       "custom_op_package = \"name:Y;interface_provider:;compile_package_path:/c.so;"
       "dispatch_package_path:;target:a:b;\"\n"},
      {"package empty", "custom_op_package =",
       "custom_op_package = "
       "\"name:;interface_provider:;compile_package_path:;dispatch_package_path:;target:;\"\n"},
      {"unknown and miscased keys", "LOG_LEVEL = 1\nunknown = x\n= 3\nlog_level2 = 4", ""},
      {"later pair wins", "log_level = 1\nlog_level = 2", "log_level = 2\n"},
      {"unkept keys", "use_htp_preference = true\nuse_qint16_as_quint16 = false", ""},
      {"table order", "dsp_skel_dir = a\ncustom_op_package = name:n\nlog_level = 0",
       "log_level = 0\ncustom_op_package = "
       "\"name:n;interface_provider:;compile_package_path:;dispatch_package_path:;target:;\"\n"
       "dsp_skel_dir = \"a\"\n"},
      {"crlf and sections", "[qualcomm]\r\nlog_level = 4\r\n# c\r\n", "log_level = 4\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Record record = MustCreate(c.payload);
    EXPECT_EQ(Serialized(record.Get()), c.serialized);
  }
}

TEST(QualcommOptionsTest, ReadsBackAcceptedEdgeValues) {
  Record record = MustCreate(
      "vtcm_size = 4294967295\nlog_level = 4294967297\n"
      "custom_op_package = name:P;target:CPU\ndump_tensor_ids = [\"1\", \"2\"]\n");
  uint32_t vtcm = 0;
  ASSERT_EQ(VtrQualcommOptionsGetVtcmSize(record.Get(), &vtcm), kVantroStatusOk);
  EXPECT_EQ(vtcm, std::numeric_limits<uint32_t>::max());
  int32_t level = 0;
  ASSERT_EQ(VtrQualcommOptionsGetLogLevel(record.Get(), &level), kVantroStatusOk);
  EXPECT_EQ(level, 1);
  EXPECT_EQ(ReadPackage(record.Get()), "P||||CPU");
  EXPECT_EQ(ReadIds(record.Get()), "1,2");
}

// Every rejected payload: status, the message the thread's pending error
// ends in (empty: no pending error at all), and no record handed out.
TEST(QualcommOptionsTest, RejectsMalformedValues) {
  struct Case {
    const char* name;
    const char* payload;
    std::string message;
  };
  const Case cases[] = {
      {"bool as 1", "use_conv_hmx = 1", "Invalid boolean value"},
      {"bool capitalised", "htp_dlbc = True", "Invalid boolean value"},
      {"unkept bool", "use_htp_preference = yes", "Invalid boolean value"},
      {"unkept bool number", "use_qint16_as_quint16 = 0", "Invalid boolean value"},
      {"int word", "log_level = abc", "Invalid integer value"},
      {"int with note", "log_level = 1 # one", "Invalid integer value"},
      {"int hex", "vtcm_size = 0x10", "Invalid integer value"},
      {"int beyond int64", "vtcm_size = 18446744073709551615", "Invalid integer value"},
      {"int empty", "lpai_fps =", "Invalid integer value"},
      {"pd session 3", "htp_pd_session = 3", ""},
      {"pd session minus one", "dsp_pd_session = -1", ""},
      {"mem type 2", "graph_io_tensor_mem_type = 2", ""},
      {"encoding not narrowed", "dsp_encoding = 4294967296", ""},
      {"encoding 2", "dsp_encoding = 2", ""},
      {"ids unquoted", "dump_tensor_ids = [1, 2]", "Invalid string value"},
      {"ids not a list", "dump_tensor_ids = 1", "Invalid array format"},
      {"ids unclosed", "dump_tensor_ids = [\"1\"", "Invalid array format"},
      {"ids bad integer", "dump_tensor_ids = [\"1\", \"x\"]", "Invalid integer value"},
      {"ids list judged before integers", "dump_tensor_ids = [\"x\", 2]", "Invalid string value"},
      {"ids empty", "dump_tensor_ids = []", ""},
      {"ids only commas", "dump_tensor_ids = [ , ]", ""},
      {"package unknown field", "custom_op_package = name:P;version:2", ""},
      {"package segment without colon", "custom_op_package = name", ""},
      {"package field with leading space", "custom_op_package = \" name:P\"", ""},
      {"package field in capitals", "custom_op_package = Name:P", ""},
      {"first failure decides", "log_level = 5\nuse_conv_hmx = x\nlog_level = q",
       "Invalid boolean value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearPendingError();
    VtrQualcommOptionsT* const sentinel = reinterpret_cast<VtrQualcommOptionsT*>(0x1234);
    VtrQualcommOptionsT* options = sentinel;
    EXPECT_EQ(VtrCreateQualcommOptionsFromToml(c.payload, &options), kVantroStatusInvalidArgument);
    EXPECT_EQ(options, sentinel);
    const Pending pending = PeekPending();
    if (c.message.empty()) {
      EXPECT_FALSE(pending.present) << pending.message;
    } else {
      ASSERT_TRUE(pending.present);
      EXPECT_EQ(pending.status, Status::InvalidArgument);
      EXPECT_TRUE(IsLocatedText(pending.message, "core/vantro_toml_parser", c.message))
          << pending.message;
    }
  }
  ClearPendingError();
}

TEST(QualcommOptionsTest, SilentLoggerLeavesTheBareMessage) {
  testing_support::ScopedMinSeverity silent(kVantroLogSilent);
  ClearPendingError();
  VtrQualcommOptionsT* options = nullptr;
  EXPECT_EQ(VtrCreateQualcommOptionsFromToml("use_conv_hmx = 1", &options),
            kVantroStatusInvalidArgument);
  EXPECT_EQ(PeekPending().message, "Invalid boolean value");
  ClearPendingError();
}

// A message parked on the thread before a creation (here one an unrelated
// operation left under the same status) never passes for the failing
// pair's: the creation reports that pair's message or none.
TEST(QualcommOptionsTest, CreationNeverReportsAnOlderMessage) {
  struct Case {
    const char* name;
    const char* payload;
    std::string message;  // empty: no pending error at all
  };
  const Case cases[] = {
      {"first pair out of range", "htp_pd_session = 3\nlog_level = 1", ""},
      {"first pair malformed", "use_conv_hmx = 1", "Invalid boolean value"},
      {"first pair an empty id list", "dump_tensor_ids = []", ""},
      {"first pair a bad package", "custom_op_package = version:2", ""},
      {"after accepted pairs", "log_level = 1\nhtp_dlbc = yes", "Invalid boolean value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToStatus(Status::InvalidArgument, "Invalid JIT handle");
    VtrQualcommOptionsT* options = nullptr;
    EXPECT_EQ(VtrCreateQualcommOptionsFromToml(c.payload, &options), kVantroStatusInvalidArgument);
    EXPECT_EQ(options, nullptr);
    const Pending pending = PeekPending();
    if (c.message.empty()) {
      EXPECT_FALSE(pending.present) << pending.message;
    } else {
      ASSERT_TRUE(pending.present);
      EXPECT_TRUE(IsLocatedText(pending.message, "core/vantro_toml_parser", c.message))
          << pending.message;
    }
  }
  ClearPendingError();
}

// Five failed creations in a row on one thread, nothing cleared between
// them: each leaves the same message, not the previous one extended.
TEST(QualcommOptionsTest, FailedCreationsInARowDoNotAccumulate) {
  ClearPendingError();
  std::vector<size_t> sizes;
  for (int failure = 1; failure <= 5; ++failure) {
    SCOPED_TRACE(failure);
    VtrQualcommOptionsT* options = nullptr;
    EXPECT_EQ(VtrCreateQualcommOptionsFromToml("use_conv_hmx = 1\nlog_level = 2", &options),
              kVantroStatusInvalidArgument);
    const Pending pending = PeekPending();
    ASSERT_TRUE(pending.present);
    EXPECT_TRUE(IsLocatedText(pending.message, "core/vantro_toml_parser", "Invalid boolean value"))
        << pending.message;
    sizes.push_back(pending.message.size());
  }
  EXPECT_THAT(sizes, ::testing::Each(sizes.front()));
  ClearPendingError();
}

// A setter refuses a value that no payload could bring back: creation
// would reject its serialised line. The refusal carries a message of its
// own (nothing parked earlier is chained to it) and leaves the record as it
// was; the edges of each range are accepted and survive the round trip.
TEST(QualcommOptionsTest, SettersRefuseWhatCreationWouldRefuse) {
  using O = VtrQualcommOptionsT;
  const std::string range_01 = " (accepted: 0, 1).";
  const std::string range_012 = " (accepted: 0, 1, 2).";
  const auto out_of_range = [](const char* key, const char* value, const std::string& range) {
    return absl::StrCat("Value of option '", key, "' is out of range: ", value, range);
  };
  struct Case {
    const char* name;
    std::function<VantroStatus(O*)> set;
    std::string message;  // empty: accepted
  };
  const Case cases[] = {
      {"htp pd session 0", [](O* o) { return VtrQualcommOptionsSetHtpPdSession(o, 0); }, ""},
      {"htp pd session 2", [](O* o) { return VtrQualcommOptionsSetHtpPdSession(o, 2); }, ""},
      {"htp pd session 3", [](O* o) { return VtrQualcommOptionsSetHtpPdSession(o, 3); },
       out_of_range("htp_pd_session", "3", range_012)},
      {"htp pd session -1", [](O* o) { return VtrQualcommOptionsSetHtpPdSession(o, -1); },
       out_of_range("htp_pd_session", "-1", range_012)},
      {"dsp pd session 1", [](O* o) { return VtrQualcommOptionsSetDspPdSession(o, 1); }, ""},
      {"dsp pd session 3", [](O* o) { return VtrQualcommOptionsSetDspPdSession(o, 3); },
       out_of_range("dsp_pd_session", "3", range_012)},
      {"dsp pd session min",
       [](O* o) {
         return VtrQualcommOptionsSetDspPdSession(o, std::numeric_limits<int32_t>::min());
       },
       out_of_range("dsp_pd_session", "-2147483648", range_012)},
      {"dsp encoding 0", [](O* o) { return VtrQualcommOptionsSetDspEncoding(o, 0); }, ""},
      {"dsp encoding 1", [](O* o) { return VtrQualcommOptionsSetDspEncoding(o, 1); }, ""},
      {"dsp encoding 2", [](O* o) { return VtrQualcommOptionsSetDspEncoding(o, 2); },
       out_of_range("dsp_encoding", "2", range_01)},
      {"dsp encoding 7", [](O* o) { return VtrQualcommOptionsSetDspEncoding(o, 7); },
       out_of_range("dsp_encoding", "7", range_01)},
      {"dsp encoding -1", [](O* o) { return VtrQualcommOptionsSetDspEncoding(o, -1); },
       out_of_range("dsp_encoding", "-1", range_01)},
      {"mem type 0", [](O* o) { return VtrQualcommOptionsSetGraphIoTensorMemType(o, 0); }, ""},
      {"mem type 1", [](O* o) { return VtrQualcommOptionsSetGraphIoTensorMemType(o, 1); }, ""},
      {"mem type 2", [](O* o) { return VtrQualcommOptionsSetGraphIoTensorMemType(o, 2); },
       out_of_range("graph_io_tensor_mem_type", "2", range_01)},
      {"mem type -1", [](O* o) { return VtrQualcommOptionsSetGraphIoTensorMemType(o, -1); },
       out_of_range("graph_io_tensor_mem_type", "-1", range_01)},
      {"package field with semicolon",
       [](O* o) { return VtrQualcommOptionsSetCustomOpPackage(o, "a;target:x", "", "", "", ""); },
       "Field of option 'custom_op_package' contains an unsupported character (;)."},
      {"package last field with semicolon",
       [](O* o) { return VtrQualcommOptionsSetCustomOpPackage(o, "", "", "", "", "CPU;"); },
       "Field of option 'custom_op_package' contains an unsupported character (;)."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Record record = MustCreate(
        "htp_pd_session = 1\ndsp_pd_session = 2\ndsp_encoding = 1\n"
        "graph_io_tensor_mem_type = 0\ncustom_op_package = name:P");
    const std::string before = Serialized(record.Get());
    ToStatus(Status::InvalidArgument, "Invalid JIT handle");
    const VantroStatus status = c.set(record.Get());
    const Pending pending = PeekPending();
    ClearPendingError();
    if (!c.message.empty()) {
      EXPECT_EQ(status, kVantroStatusInvalidArgument);
      ASSERT_TRUE(pending.present);
      EXPECT_EQ(pending.status, Status::InvalidArgument);
      EXPECT_TRUE(IsLocatedText(pending.message, "c/options/vantro_qualcomm_options", c.message))
          << pending.message;
      EXPECT_EQ(Serialized(record.Get()), before);
      continue;
    }
    ASSERT_EQ(status, kVantroStatusOk);
    const std::string serialized = Serialized(record.Get());
    Record again = MustCreate(serialized.c_str());
    ASSERT_NE(again.Get(), nullptr);
    EXPECT_TRUE(SameQualcommOptions(*record.Get(), *again.Get())) << serialized;
  }
}

TEST(QualcommOptionsTest, RefusesNullAndUnwritableArguments) {
  Record record = MustCreate("");
  VtrQualcommOptionsT* r = record.Get();
  int32_t i = 0;
  const char* s = nullptr;
  const int32_t* ids = nullptr;
  size_t count = 0;
  const char* identifier = nullptr;
  void* payload = nullptr;
  VtrQualcommOptionsPayloadDeleter deleter = nullptr;
  const int32_t one = 1;
  struct Case {
    const char* name;
    std::function<VantroStatus()> call;
  };
  const Case cases[] = {
      {"create out", [] { return VtrCreateQualcommOptionsFromToml("", nullptr); }},
      {"get record", [&] { return VtrQualcommOptionsGetLogLevel(nullptr, &i); }},
      {"get out", [&] { return VtrQualcommOptionsGetLogLevel(r, nullptr); }},
      {"get string out", [&] { return VtrQualcommOptionsGetDlcDir(r, nullptr); }},
      {"set record", [&] { return VtrQualcommOptionsSetLogLevel(nullptr, 1); }},
      {"set string record", [&] { return VtrQualcommOptionsSetDlcDir(nullptr, "x"); }},
      {"set string value", [&] { return VtrQualcommOptionsSetDlcDir(r, nullptr); }},
      {"unkept record", [&] { return VtrQualcommOptionsSetUseHtpPreference(nullptr, true); }},
      {"ids record", [&] { return VtrQualcommOptionsGetDumpTensorIds(nullptr, &ids, &count); }},
      {"ids data out", [&] { return VtrQualcommOptionsGetDumpTensorIds(r, nullptr, &count); }},
      {"ids count out", [&] { return VtrQualcommOptionsGetDumpTensorIds(r, &ids, nullptr); }},
      {"set ids record", [&] { return VtrQualcommOptionsSetDumpTensorIds(nullptr, &one, 1); }},
      {"set ids null", [&] { return VtrQualcommOptionsSetDumpTensorIds(r, nullptr, 0); }},
      {"package out",
       [&] { return VtrQualcommOptionsGetCustomOpPackage(r, &s, &s, nullptr, &s, &s); }},
      {"package record",
       [&] { return VtrQualcommOptionsGetCustomOpPackage(nullptr, &s, &s, &s, &s, &s); }},
      {"set package field",
       [&] { return VtrQualcommOptionsSetCustomOpPackage(r, "a", "b", "c", "d", nullptr); }},
      {"serialize record",
       [&] { return VtrSerializeQualcommOptions(nullptr, &identifier, &payload, &deleter); }},
      {"serialize identifier",
       [&] { return VtrSerializeQualcommOptions(r, nullptr, &payload, &deleter); }},
      {"serialize payload",
       [&] { return VtrSerializeQualcommOptions(r, &identifier, nullptr, &deleter); }},
      {"serialize deleter",
       [&] { return VtrSerializeQualcommOptions(r, &identifier, &payload, nullptr); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.call(), kVantroStatusInvalidArgument);
    EXPECT_FALSE(PeekPending().present);
  }
  EXPECT_EQ(Serialized(r), "");  // nothing above changed the record
}

TEST(QualcommOptionsTest, SettersStoreAndMarkGiven) {
  Record record = MustCreate("");
  VtrQualcommOptionsT* r = record.Get();
  const int32_t ids[] = {7, -8};
  ASSERT_EQ(VtrQualcommOptionsSetLogLevel(r, -5), kVantroStatusOk);
  ASSERT_EQ(VtrQualcommOptionsSetVtcmSize(r, 4000000000u), kVantroStatusOk);
  ASSERT_EQ(VtrQualcommOptionsSetUseFoldRelu(r, true), kVantroStatusOk);       // the default, given
  ASSERT_EQ(VtrQualcommOptionsSetUseHtpPreference(r, true), kVantroStatusOk);  // not kept
  ASSERT_EQ(VtrQualcommOptionsSetDlcDir(r, "/d"), kVantroStatusOk);
  ASSERT_EQ(VtrQualcommOptionsSetDumpTensorIds(r, ids, 2), kVantroStatusOk);
  ASSERT_EQ(VtrQualcommOptionsSetCustomOpPackage(r, "n", "i", "c", "d", "t"), kVantroStatusOk);
  EXPECT_EQ(Serialized(r),
            "log_level = -5\nuse_fold_relu = true\ndump_tensor_ids = [\"7\", \"-8\"]\n"
            "dlc_dir = \"/d\"\nvtcm_size = 4000000000\n"
            "custom_op_package = \"name:n;interface_provider:i;compile_package_path:c;"
            "dispatch_package_path:d;target:t;\"\n");

  // An empty list is no ids, the default: the key reads as not given and is
  // not written, so the payload still creates a record.
  ASSERT_EQ(VtrQualcommOptionsSetDumpTensorIds(r, ids, 0), kVantroStatusOk);
  EXPECT_EQ(ReadIds(r), "<unset>");
  const std::string without_ids = Serialized(r);
  EXPECT_THAT(without_ids, ::testing::Not(::testing::HasSubstr("dump_tensor_ids")));
  Record again = MustCreate(without_ids.c_str());
  ASSERT_NE(again.Get(), nullptr);
  EXPECT_TRUE(SameQualcommOptions(*r, *again.Get()));
}

TEST(QualcommOptionsTest, StringsThatCannotBeWrittenFailSerialisation) {
  struct Case {
    const char* name;
    const char* payload;
    const char* key;
  };
  const Case cases[] = {
      {"inner double quote", "dlc_dir = a\"b", "dlc_dir"},
      {"quote kept by mixed outer quotes", "qnn_lib_dir = \"x'", "qnn_lib_dir"},
      {"carriage return inside", "schematic_dir = a\rb", "schematic_dir"},
      {"package field", "custom_op_package = 'name:\"P\"'", "custom_op_package"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Record record = MustCreate(c.payload);
    const char* identifier = "untouched";
    void* payload = &identifier;
    VtrQualcommOptionsPayloadDeleter deleter = nullptr;
    EXPECT_EQ(VtrSerializeQualcommOptions(record.Get(), &identifier, &payload, &deleter),
              kVantroStatusInvalidArgument);
    EXPECT_STREQ(identifier, "untouched");
    EXPECT_EQ(payload, &identifier);
    EXPECT_EQ(deleter, nullptr);
    const Pending pending = PeekPending();
    ASSERT_TRUE(pending.present);
    EXPECT_EQ(pending.status, Status::InvalidArgument);
    const std::string encoder_message =
        absl::StrCat("Value of option '", c.key,
                     "' contains an unsupported character (\", newline or carriage return).");
    // Outermost first: this module's place, then the encoder's, then the text.
    EXPECT_TRUE(absl::StartsWith(pending.message, "ERROR: [c/options/vantro_qualcomm_options:"))
        << pending.message;
    EXPECT_THAT(pending.message, ::testing::HasSubstr("ERROR: [core/vantro_options_encoder:"));
    EXPECT_TRUE(absl::EndsWith(pending.message, encoder_message)) << pending.message;
    ClearPendingError();
  }
}

TEST(QualcommOptionsTest, WrapperOwnsAndMoves) {
  Expected<Record> created = Record::Create("log_level = 1");
  ASSERT_TRUE(created.HasValue());
  Record first = std::move(created.Value());
  VtrQualcommOptionsT* raw = first.Get();
  ASSERT_NE(raw, nullptr);

  Record second(std::move(first));
  EXPECT_EQ(first.Get(), nullptr);  // NOLINT: moved-from is null by contract
  EXPECT_EQ(second.Get(), raw);

  Record third = MustCreate("log_level = 2");
  third = std::move(second);  // destroys third's own record (the leak checker sees it)
  EXPECT_EQ(third.Get(), raw);
  EXPECT_EQ(second.Get(), nullptr);  // NOLINT

  const char* identifier = nullptr;
  void* payload = nullptr;
  ConcreteOptionsBase::PayloadDeleter deleter = nullptr;
  const ConcreteOptionsBase& base = third;
  ASSERT_EQ(base.Serialize(&identifier, &payload, &deleter), Status::Ok);
  EXPECT_STREQ(identifier, VtrGetQualcommOptionsIdentifier());
  EXPECT_STREQ(static_cast<const char*>(payload), "log_level = 1\n");
  deleter(payload);
  deleter(nullptr);

  EXPECT_EQ(Record().Serialize(&identifier, &payload, &deleter), Status::InvalidArgument);

  Expected<Record> failed = Record::Create("use_conv_hmx = 1");
  ASSERT_FALSE(failed.HasValue());
  EXPECT_EQ(failed.GetError().status(), Status::InvalidArgument);
  EXPECT_THAT(failed.GetError().message(), ::testing::EndsWith("Invalid boolean value"));
}

// ---------------------------------------------------------------------------
// Round trip over generated payloads: every key may appear (some twice, the
// later winning), values sit at their edges, and noise lines are mixed in.
// Any record created from such a payload serialises to a payload that creates
// an equal record, and the getters read what the generator meant.

class PayloadGenerator {
 public:
  explicit PayloadGenerator(uint64_t seed) : rng_(seed) {}

  // Appends a line for `spec` to `payload` and returns the reading the
  // record must then give.
  std::string AddLine(const KeySpec& spec, std::string* payload) {
    std::string value;
    std::string reading;
    switch (spec.kind) {
      case Kind::kInt32:
      case Kind::kUint32: {
        int64_t written;
        if (!spec.accepted.empty()) {
          written = spec.accepted[Pick(spec.accepted.size())];
        } else {
          written = Widened(EdgeInt32());
        }
        const uint32_t low = static_cast<uint32_t>(written);
        reading = spec.kind == Kind::kInt32 ? Render(static_cast<int32_t>(low)) : Render(low);
        value = IntText(written);
        break;
      }
      case Kind::kBool:
      case Kind::kUnkept: {
        const bool b = Pick(2) == 0;
        value = b ? "true" : "false";
        if (Pick(4) == 0) value = absl::StrCat("\"", value, "\"");
        reading = Render(b);
        break;
      }
      case Kind::kString: {
        reading = Text(12);
        value = Quoted(reading);
        break;
      }
      case Kind::kList: {
        std::vector<std::string> items;
        std::vector<std::string> ids;
        const size_t n = 1 + Pick(5);
        for (size_t i = 0; i < n; ++i) {
          const int64_t written = Widened(EdgeInt32());
          ids.push_back(Render(static_cast<int32_t>(static_cast<uint32_t>(written))));
          const char quote = Pick(2) == 0 ? '"' : '\'';
          items.push_back(absl::StrCat(Spaces(), std::string(1, quote), Spaces(),
                                       IntText(written, /*may_quote=*/false), Spaces(),
                                       std::string(1, quote), Spaces()));
          if (Pick(5) == 0) items.push_back(Spaces());  // an empty item, dropped
        }
        value = absl::StrCat("[", absl::StrJoin(items, ","), "]");
        reading = absl::StrJoin(ids, ",");
        break;
      }
      case Kind::kPackage: {
        std::string fields[5];
        static const char* const kNames[5] = {"name", "interface_provider", "compile_package_path",
                                              "dispatch_package_path", "target"};
        std::string text;
        const size_t segments = Pick(8);
        for (size_t i = 0; i < segments; ++i) {
          const size_t f = Pick(5);
          fields[f] = Text(10, /*allow_semicolon=*/false);
          absl::StrAppend(&text, kNames[f], ":", fields[f], ";");
          if (Pick(4) == 0) text += ";";
        }
        if (Pick(2) == 0 && !text.empty()) text.pop_back();  // no trailing ';'
        value = Quoted(text);
        reading = absl::StrJoin(fields, fields + 5, "|");
        break;
      }
    }
    absl::StrAppend(payload, Spaces(), spec.key, Spaces(), "=", Spaces(), value, Spaces(),
                    Pick(3) == 0 ? "\r\n" : "\n");
    return reading;
  }

  // Appends a line that changes nothing.
  void AddNoise(std::string* payload) {
    static const char* const kNoise[] = {"",
                                         "   ",
                                         "# log_level = 9",
                                         "[qualcomm]",
                                         "no_equals",
                                         "unknown_key = 3",
                                         "Log_Level = 7",
                                         "= 1",
                                         "\t# comment"};
    absl::StrAppend(payload, kNoise[Pick(sizeof(kNoise) / sizeof(kNoise[0]))], "\n");
  }

  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

 private:
  int32_t EdgeInt32() {
    static const int32_t kEdges[] = {std::numeric_limits<int32_t>::min(), -1, 0, 1, 2, 9,
                                     std::numeric_limits<int32_t>::max()};
    if (Pick(3) == 0) return static_cast<int32_t>(rng_());
    return kEdges[Pick(sizeof(kEdges) / sizeof(kEdges[0]))];
  }

  // The same low 32 bits, sometimes written as a wider number.
  int64_t Widened(int32_t v) {
    switch (Pick(4)) {
      case 0:
        return static_cast<int64_t>(static_cast<uint32_t>(v));  // uint32 reading
      case 1:
        return static_cast<int64_t>(v) + (int64_t{1} << 32);
      default:
        return v;
    }
  }

  std::string IntText(int64_t v, bool may_quote = true) {
    std::string text = std::to_string(v);
    if (v >= 0 && Pick(5) == 0) text = "+" + text;
    if (may_quote && Pick(6) == 0) text = absl::StrCat("\"", text, "\"");
    return text;
  }

  std::string Spaces() {
    static const char* const kSpaces[] = {"", "", " ", "\t", "  "};
    return kSpaces[Pick(5)];
  }

  // Random bytes that a payload can carry in a value: no double quote, LF,
  // CR or NUL; single quotes, backslashes, '#', '=', ':', spaces and high
  // bytes included. Empty now and then.
  std::string Text(size_t max_length, bool allow_semicolon = true) {
    static const char kAlphabet[] = "ab/_.-09 \t'\\#=:[],\xC3\xA9\x7F\x01\x0B\x0C;";
    std::string text;
    const size_t n = Pick(max_length + 1);
    for (size_t i = 0; i < n; ++i) {
      char c = kAlphabet[Pick(sizeof(kAlphabet) - 1)];
      if (!allow_semicolon && c == ';') c = 'x';
      text.push_back(c);
    }
    return text;
  }

  // A value as a payload writes it: double-quoted, or single-quoted when it
  // holds no single quote, or bare when the parser would leave it intact.
  std::string Quoted(const std::string& text) {
    const bool bare_ok = !text.empty() && !IsSpace(text.front()) && !IsSpace(text.back()) &&
                         text.front() != '"' && text.front() != '\'';
    const size_t choice = Pick(3);
    if (choice == 0 && bare_ok) return text;
    if (choice == 1 && text.find('\'') == std::string::npos) return "'" + text + "'";
    return "\"" + text + "\"";
  }

  static bool IsSpace(char c) { return c == ' ' || c == '\t'; }

  std::mt19937_64 rng_;
};

TEST(QualcommOptionsTest, RoundTripsGeneratedRecords) {
  PayloadGenerator generator(0x5EED0F0C7105ull);
  for (int iteration = 0; iteration < 3000; ++iteration) {
    std::string payload;
    std::vector<std::string> expected(Keys().size());
    std::vector<bool> given(Keys().size(), false);
    // Every key in random order; some left out, some twice.
    std::vector<size_t> order;
    for (size_t k = 0; k < Keys().size(); ++k) {
      if (generator.Pick(3) != 0) order.push_back(k);
      if (generator.Pick(10) == 0) order.push_back(k);
    }
    for (size_t i = order.size(); i > 1; --i) std::swap(order[i - 1], order[generator.Pick(i)]);
    for (size_t k : order) {
      if (generator.Pick(4) == 0) generator.AddNoise(&payload);
      expected[k] = generator.AddLine(Keys()[k], &payload);
      given[k] = true;
    }
    SCOPED_TRACE(absl::StrCat("iteration ", iteration, ", payload:\n", payload));

    Record first = MustCreate(payload.c_str());
    ASSERT_NE(first.Get(), nullptr);
    for (size_t k = 0; k < Keys().size(); ++k) {
      const KeySpec& spec = Keys()[k];
      if (spec.read == nullptr) continue;
      EXPECT_EQ(spec.read(first.Get()), given[k] ? expected[k] : spec.default_text) << spec.key;
    }

    const std::string serialized = Serialized(first.Get());
    Record second = MustCreate(serialized.c_str());
    ASSERT_NE(second.Get(), nullptr);
    ASSERT_TRUE(SameQualcommOptions(*first.Get(), *second.Get())) << serialized;
    for (const KeySpec& spec : Keys()) {
      if (spec.read != nullptr) EXPECT_EQ(spec.read(second.Get()), spec.read(first.Get()));
    }
    EXPECT_EQ(Serialized(second.Get()), serialized);
  }
}

TEST(QualcommOptionsTest, EqualityTellsGivenFromDefault) {
  Record unset = MustCreate("");
  Record given_default = MustCreate("log_level = 3");
  Record other = MustCreate("log_level = 4");
  EXPECT_TRUE(SameQualcommOptions(*unset.Get(), *unset.Get()));
  EXPECT_FALSE(SameQualcommOptions(*unset.Get(), *given_default.Get()));
  EXPECT_FALSE(SameQualcommOptions(*given_default.Get(), *other.Get()));
}

}  // namespace
}  // namespace qualcomm
}  // namespace vantro
