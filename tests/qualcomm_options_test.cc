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
#include "absl/strings/str_split.h"
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
using testing_support::PendingAfterFailedParse;

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

// A value as a setter takes it; the key's kind says which member counts.
struct SetterValue {
  int64_t number = 0;  // int32 and uint32 keys take its low 32 bits
  bool flag = false;
  std::string text;
  std::vector<int32_t> ids;
  std::string fields[5];
};

using Writer = std::function<VantroStatus(VtrQualcommOptionsT*, const SetterValue&)>;

struct KeySpec {
  const char* key;
  Kind kind;
  std::string default_text;
  Reader read;
  Writer write;
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

// Writers that hand a setter the member of a SetterValue its parameter takes.
Writer Set(VantroStatus (*set)(VtrQualcommOptionsT*, int32_t)) {
  return [set](VtrQualcommOptionsT* o, const SetterValue& v) {
    return set(o, static_cast<int32_t>(static_cast<uint32_t>(v.number)));
  };
}
Writer Set(VantroStatus (*set)(VtrQualcommOptionsT*, uint32_t)) {
  return [set](VtrQualcommOptionsT* o, const SetterValue& v) {
    return set(o, static_cast<uint32_t>(v.number));
  };
}
Writer Set(VantroStatus (*set)(VtrQualcommOptionsT*, bool)) {
  return [set](VtrQualcommOptionsT* o, const SetterValue& v) { return set(o, v.flag); };
}
Writer Set(VantroStatus (*set)(VtrQualcommOptionsT*, const char*)) {
  return [set](VtrQualcommOptionsT* o, const SetterValue& v) { return set(o, v.text.c_str()); };
}

// The writers of the id list and of the package.
VantroStatus WriteIds(VtrQualcommOptionsT* o, const SetterValue& v) {
  static const int32_t kNone = 0;  // a valid pointer for the empty list
  return VtrQualcommOptionsSetDumpTensorIds(o, v.ids.empty() ? &kNone : v.ids.data(), v.ids.size());
}

VantroStatus WritePackage(VtrQualcommOptionsT* o, const SetterValue& v) {
  return VtrQualcommOptionsSetCustomOpPackage(o, v.fields[0].c_str(), v.fields[1].c_str(),
                                              v.fields[2].c_str(), v.fields[3].c_str(),
                                              v.fields[4].c_str());
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
      {"log_level", Kind::kInt32, "3", Scalar(&VtrQualcommOptionsGetLogLevel),
       Set(&VtrQualcommOptionsSetLogLevel)},
      {"profiling", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetProfiling),
       Set(&VtrQualcommOptionsSetProfiling)},
      {"use_htp_preference", Kind::kUnkept, "", nullptr,
       Set(&VtrQualcommOptionsSetUseHtpPreference)},
      {"use_qint16_as_quint16", Kind::kUnkept, "", nullptr,
       Set(&VtrQualcommOptionsSetUseQint16AsQuint16)},
      {"use_int64_bias_as_int32", Kind::kBool, "true",
       Scalar(&VtrQualcommOptionsGetUseInt64BiasAsInt32),
       Set(&VtrQualcommOptionsSetUseInt64BiasAsInt32)},
      {"qnn_backend", Kind::kInt32, "2", Scalar(&VtrQualcommOptionsGetQnnBackend),
       Set(&VtrQualcommOptionsSetQnnBackend)},
      {"enable_weight_sharing", Kind::kBool, "false",
       Scalar(&VtrQualcommOptionsGetEnableWeightSharing),
       Set(&VtrQualcommOptionsSetEnableWeightSharing)},
      {"enable_just_in_time", Kind::kBool, "false", Scalar(&VtrQualcommOptionsGetEnableJustInTime),
       Set(&VtrQualcommOptionsSetEnableJustInTime)},
      {"op_name_format", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetOpNameFormat),
       Set(&VtrQualcommOptionsSetOpNameFormat)},
      {"use_conv_hmx", Kind::kBool, "true", Scalar(&VtrQualcommOptionsGetUseConvHmx),
       Set(&VtrQualcommOptionsSetUseConvHmx)},
      {"use_fold_relu", Kind::kBool, "true", Scalar(&VtrQualcommOptionsGetUseFoldRelu),
       Set(&VtrQualcommOptionsSetUseFoldRelu)},
      {"htp_dlbc", Kind::kBool, "false", Scalar(&VtrQualcommOptionsGetHtpDlbc),
       Set(&VtrQualcommOptionsSetHtpDlbc)},
      {"htp_dlbc_weights", Kind::kBool, "false", Scalar(&VtrQualcommOptionsGetHtpDlbcWeights),
       Set(&VtrQualcommOptionsSetHtpDlbcWeights)},
      {"htp_p_point", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetHtpPPoint),
       Set(&VtrQualcommOptionsSetHtpPPoint)},
      {"htp_weight_sharing_channel_tile_size", Kind::kInt32, "0",
       Scalar(&VtrQualcommOptionsGetHtpWeightSharingChannelTileSize),
       Set(&VtrQualcommOptionsSetHtpWeightSharingChannelTileSize)},
      {"htp_performance_mode", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetHtpPerformanceMode),
       Set(&VtrQualcommOptionsSetHtpPerformanceMode)},
      {"dsp_performance_mode", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetDspPerformanceMode),
       Set(&VtrQualcommOptionsSetDspPerformanceMode)},
      {"htp_perf_ctrl_mode", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetHtpPerfCtrlMode),
       Set(&VtrQualcommOptionsSetHtpPerfCtrlMode)},
      {"htp_pd_session",
       Kind::kInt32,
       "0",
       Scalar(&VtrQualcommOptionsGetHtpPdSession),
       Set(&VtrQualcommOptionsSetHtpPdSession),
       {0, 1, 2, 4294967296, 4294967298}},
      {"dsp_perf_ctrl_mode", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetDspPerfCtrlMode),
       Set(&VtrQualcommOptionsSetDspPerfCtrlMode)},
      {"dsp_pd_session",
       Kind::kInt32,
       "0",
       Scalar(&VtrQualcommOptionsGetDspPdSession),
       Set(&VtrQualcommOptionsSetDspPdSession),
       {0, 1, 2, -4294967295}},
      {"dsp_encoding",
       Kind::kInt32,
       "0",
       Scalar(&VtrQualcommOptionsGetDspEncoding),
       Set(&VtrQualcommOptionsSetDspEncoding),
       {0, 1}},
      {"dump_tensor_ids", Kind::kList, "<unset>", &ReadIds, &WriteIds},
      {"ir_json_dir", Kind::kString, "", Text(&VtrQualcommOptionsGetIrJsonDir),
       Set(&VtrQualcommOptionsSetIrJsonDir)},
      {"dlc_dir", Kind::kString, "", Text(&VtrQualcommOptionsGetDlcDir),
       Set(&VtrQualcommOptionsSetDlcDir)},
      {"graph_transform", Kind::kString, "", Text(&VtrQualcommOptionsGetGraphTransform),
       Set(&VtrQualcommOptionsSetGraphTransform)},
      {"vtcm_size", Kind::kUint32, "0", Scalar(&VtrQualcommOptionsGetVtcmSize),
       Set(&VtrQualcommOptionsSetVtcmSize)},
      {"htp_device_id", Kind::kUint32, "0", Scalar(&VtrQualcommOptionsGetHtpDeviceId),
       Set(&VtrQualcommOptionsSetHtpDeviceId)},
      {"htp_context_init_acceleration", Kind::kBool, "false",
       Scalar(&VtrQualcommOptionsGetHtpContextInitAcceleration),
       Set(&VtrQualcommOptionsSetHtpContextInitAcceleration)},
      {"num_hvx_threads", Kind::kUint32, "0", Scalar(&VtrQualcommOptionsGetNumHvxThreads),
       Set(&VtrQualcommOptionsSetNumHvxThreads)},
      {"htp_file_read_memory_budget_mb", Kind::kUint32, "0",
       Scalar(&VtrQualcommOptionsGetHtpFileReadMemoryBudgetMb),
       Set(&VtrQualcommOptionsSetHtpFileReadMemoryBudgetMb)},
      {"optimization_level", Kind::kInt32, "2", Scalar(&VtrQualcommOptionsGetOptimizationLevel),
       Set(&VtrQualcommOptionsSetOptimizationLevel)},
      {"graph_priority", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetGraphPriority),
       Set(&VtrQualcommOptionsSetGraphPriority)},
      {"saver_output_dir", Kind::kString, "", Text(&VtrQualcommOptionsGetSaverOutputDir),
       Set(&VtrQualcommOptionsSetSaverOutputDir)},
      {"schematic_dir", Kind::kString, "", Text(&VtrQualcommOptionsGetSchematicDir),
       Set(&VtrQualcommOptionsSetSchematicDir)},
      {"graph_io_tensor_mem_type",
       Kind::kInt32,
       "1",
       Scalar(&VtrQualcommOptionsGetGraphIoTensorMemType),
       Set(&VtrQualcommOptionsSetGraphIoTensorMemType),
       {0, 1, 4294967297, -4294967296}},
      {"custom_op_package", Kind::kPackage, "||||", &ReadPackage, &WritePackage},
      {"lpai_target", Kind::kInt32, "2", Scalar(&VtrQualcommOptionsGetLpaiTarget),
       Set(&VtrQualcommOptionsSetLpaiTarget)},
      {"lpai_fps", Kind::kUint32, "1", Scalar(&VtrQualcommOptionsGetLpaiFps),
       Set(&VtrQualcommOptionsSetLpaiFps)},
      {"lpai_ftrt_ratio", Kind::kUint32, "10", Scalar(&VtrQualcommOptionsGetLpaiFtrtRatio),
       Set(&VtrQualcommOptionsSetLpaiFtrtRatio)},
      {"lpai_client_perf_type", Kind::kInt32, "0", Scalar(&VtrQualcommOptionsGetLpaiClientPerfType),
       Set(&VtrQualcommOptionsSetLpaiClientPerfType)},
      {"lpai_core_affinity_type", Kind::kInt32, "0",
       Scalar(&VtrQualcommOptionsGetLpaiCoreAffinityType),
       Set(&VtrQualcommOptionsSetLpaiCoreAffinityType)},
      {"lpai_core_selection", Kind::kUint32, "0", Scalar(&VtrQualcommOptionsGetLpaiCoreSelection),
       Set(&VtrQualcommOptionsSetLpaiCoreSelection)},
      {"qnn_lib_dir", Kind::kString, "", Text(&VtrQualcommOptionsGetQnnLibDir),
       Set(&VtrQualcommOptionsSetQnnLibDir)},
      {"dsp_skel_dir", Kind::kString, "", Text(&VtrQualcommOptionsGetDspSkelDir),
       Set(&VtrQualcommOptionsSetDspSkelDir)},
  };
  return *keys;
}

TEST(QualcommOptionsTest, KnowsFortyFiveKeys) { EXPECT_EQ(Keys().size(), 45u); }

// What a getter reads after the setter of `spec` accepted `value`. An empty
// id list is no ids, the default.
std::string ReadingOf(const KeySpec& spec, const SetterValue& value) {
  switch (spec.kind) {
    case Kind::kInt32:
      return Render(static_cast<int32_t>(static_cast<uint32_t>(value.number)));
    case Kind::kUint32:
      return Render(static_cast<uint32_t>(value.number));
    case Kind::kBool:
    case Kind::kUnkept:
      return Render(value.flag);
    case Kind::kString:
      return value.text;
    case Kind::kList:
      return value.ids.empty() ? "<unset>" : absl::StrJoin(value.ids, ",");
    case Kind::kPackage:
      return absl::StrJoin(value.fields, value.fields + 5, "|");
  }
  return "";
}

// Whether the setter of `spec` must refuse `value`: range-checked keys take
// only what a payload may give, and no package field may hold a ';'.
bool SetterRefuses(const KeySpec& spec, const SetterValue& value) {
  if (spec.kind == Kind::kPackage) {
    for (const std::string& field : value.fields) {
      if (field.find(';') != std::string::npos) return true;
    }
    return false;
  }
  if (spec.accepted.empty()) return false;
  const int64_t narrowed = static_cast<int32_t>(static_cast<uint32_t>(value.number));
  for (int64_t accepted : spec.accepted) {
    if (accepted == narrowed) return false;
  }
  return true;
}

// The line serialisation writes for a given key whose getter reads
// `reading`: "key = value" in the encoder's form. Keys without a slot and
// an unset id list write nothing.
std::string ExpectedLine(const KeySpec& spec, const std::string& reading) {
  switch (spec.kind) {
    case Kind::kInt32:
    case Kind::kUint32:
    case Kind::kBool:
      return absl::StrCat(spec.key, " = ", reading, "\n");
    case Kind::kUnkept:
      return "";
    case Kind::kString:
      return absl::StrCat(spec.key, " = \"", reading, "\"\n");
    case Kind::kList: {
      if (reading == "<unset>") return "";
      std::vector<std::string> items;
      for (absl::string_view id : absl::StrSplit(reading, ',')) {
        items.push_back(absl::StrCat("\"", id, "\""));
      }
      return absl::StrCat(spec.key, " = [", absl::StrJoin(items, ", "), "]\n");
    }
    case Kind::kPackage: {
      const std::vector<std::string> f = absl::StrSplit(reading, '|');
      EXPECT_EQ(f.size(), 5u) << reading;
      if (f.size() != 5) return "";
      return absl::StrCat(spec.key, " = \"name:", f[0], ";interface_provider:", f[1],
                          ";compile_package_path:", f[2], ";dispatch_package_path:", f[3],
                          ";target:", f[4], ";\"\n");
    }
  }
  return "";
}

// The payload of a record whose given keys read `readings`: one line per
// given key, in the order of Keys().
std::string ExpectedPayload(const std::vector<std::string>& readings,
                            const std::vector<bool>& given) {
  std::string payload;
  for (size_t k = 0; k < Keys().size(); ++k) {
    if (given[k]) payload += ExpectedLine(Keys()[k], readings[k]);
  }
  return payload;
}

// `first`'s getters read `readings` for the given keys and defaults for the
// others; it serialises to the expected payload, which creates an equal
// record that serialises to the same payload again.
void ExpectRoundTrip(const VtrQualcommOptionsT* first, const std::vector<std::string>& readings,
                     const std::vector<bool>& given) {
  for (size_t k = 0; k < Keys().size(); ++k) {
    const KeySpec& spec = Keys()[k];
    if (spec.read == nullptr) continue;
    EXPECT_EQ(spec.read(first), given[k] ? readings[k] : spec.default_text) << spec.key;
  }
  const std::string expected = ExpectedPayload(readings, given);
  const std::string serialized = Serialized(first);
  ASSERT_EQ(serialized, expected);

  VtrQualcommOptionsT* created = nullptr;
  ASSERT_EQ(VtrCreateQualcommOptionsFromToml(serialized.c_str(), &created), kVantroStatusOk)
      << PeekPending().message;
  ClearPendingError();
  const Record second(created);
  EXPECT_TRUE(SameQualcommOptions(*first, *second.Get()));
  for (const KeySpec& spec : Keys()) {
    if (spec.read != nullptr) EXPECT_EQ(spec.read(second.Get()), spec.read(first)) << spec.key;
  }
  EXPECT_EQ(Serialized(second.Get()), expected);
}

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

// Every key once, in serialisation order, with a payload line that gives it
// and the exact line its record then writes (nothing for the two keys that
// are validated and dropped), and the setter call that stores the same.
// Written out by hand, line by line, from the key table's definition.
struct EveryKeyRow {
  const char* name;
  const char* payload;
  const char* serialized;
  std::function<VantroStatus(VtrQualcommOptionsT*)> set;
};

const std::vector<EveryKeyRow>& EveryKeyRows() {
  using O = VtrQualcommOptionsT;
  static const int32_t kIds[] = {3, -8};
  static const std::vector<EveryKeyRow>* rows = new std::vector<EveryKeyRow>{
      {"log_level", "log_level = 5", "log_level = 5\n",
       [](O* o) { return VtrQualcommOptionsSetLogLevel(o, 5); }},
      {"profiling", "profiling = \"2\"", "profiling = 2\n",
       [](O* o) { return VtrQualcommOptionsSetProfiling(o, 2); }},
      {"use_htp_preference", "use_htp_preference = true", "",
       [](O* o) { return VtrQualcommOptionsSetUseHtpPreference(o, true); }},
      {"use_qint16_as_quint16", "use_qint16_as_quint16 = true", "",
       [](O* o) { return VtrQualcommOptionsSetUseQint16AsQuint16(o, true); }},
      {"use_int64_bias_as_int32", "use_int64_bias_as_int32 = false",
       "use_int64_bias_as_int32 = false\n",
       [](O* o) { return VtrQualcommOptionsSetUseInt64BiasAsInt32(o, false); }},
      {"qnn_backend", "qnn_backend = 4", "qnn_backend = 4\n",
       [](O* o) { return VtrQualcommOptionsSetQnnBackend(o, 4); }},
      {"enable_weight_sharing", "enable_weight_sharing = true", "enable_weight_sharing = true\n",
       [](O* o) { return VtrQualcommOptionsSetEnableWeightSharing(o, true); }},
      {"enable_just_in_time", "enable_just_in_time = true", "enable_just_in_time = true\n",
       [](O* o) { return VtrQualcommOptionsSetEnableJustInTime(o, true); }},
      {"op_name_format", "op_name_format = 1", "op_name_format = 1\n",
       [](O* o) { return VtrQualcommOptionsSetOpNameFormat(o, 1); }},
      {"use_conv_hmx", "use_conv_hmx = false", "use_conv_hmx = false\n",
       [](O* o) { return VtrQualcommOptionsSetUseConvHmx(o, false); }},
      {"use_fold_relu", "use_fold_relu = false", "use_fold_relu = false\n",
       [](O* o) { return VtrQualcommOptionsSetUseFoldRelu(o, false); }},
      {"htp_dlbc", "htp_dlbc = true", "htp_dlbc = true\n",
       [](O* o) { return VtrQualcommOptionsSetHtpDlbc(o, true); }},
      {"htp_dlbc_weights", "htp_dlbc_weights = true", "htp_dlbc_weights = true\n",
       [](O* o) { return VtrQualcommOptionsSetHtpDlbcWeights(o, true); }},
      {"htp_p_point", "htp_p_point = -2147483648", "htp_p_point = -2147483648\n",
       [](O* o) { return VtrQualcommOptionsSetHtpPPoint(o, std::numeric_limits<int32_t>::min()); }},
      {"htp_weight_sharing_channel_tile_size", "htp_weight_sharing_channel_tile_size = 512",
       "htp_weight_sharing_channel_tile_size = 512\n",
       [](O* o) { return VtrQualcommOptionsSetHtpWeightSharingChannelTileSize(o, 512); }},
      {"htp_performance_mode", "htp_performance_mode = 2", "htp_performance_mode = 2\n",
       [](O* o) { return VtrQualcommOptionsSetHtpPerformanceMode(o, 2); }},
      {"dsp_performance_mode", "dsp_performance_mode = 7", "dsp_performance_mode = 7\n",
       [](O* o) { return VtrQualcommOptionsSetDspPerformanceMode(o, 7); }},
      {"htp_perf_ctrl_mode", "htp_perf_ctrl_mode = 1", "htp_perf_ctrl_mode = 1\n",
       [](O* o) { return VtrQualcommOptionsSetHtpPerfCtrlMode(o, 1); }},
      {"htp_pd_session", "htp_pd_session = 2", "htp_pd_session = 2\n",
       [](O* o) { return VtrQualcommOptionsSetHtpPdSession(o, 2); }},
      {"dsp_perf_ctrl_mode", "dsp_perf_ctrl_mode = 1", "dsp_perf_ctrl_mode = 1\n",
       [](O* o) { return VtrQualcommOptionsSetDspPerfCtrlMode(o, 1); }},
      {"dsp_pd_session", "dsp_pd_session = 1", "dsp_pd_session = 1\n",
       [](O* o) { return VtrQualcommOptionsSetDspPdSession(o, 1); }},
      {"dsp_encoding", "dsp_encoding = 1", "dsp_encoding = 1\n",
       [](O* o) { return VtrQualcommOptionsSetDspEncoding(o, 1); }},
      {"dump_tensor_ids", "dump_tensor_ids = ['3', \"-8\"]", "dump_tensor_ids = [\"3\", \"-8\"]\n",
       [](O* o) { return VtrQualcommOptionsSetDumpTensorIds(o, kIds, 2); }},
      {"ir_json_dir", "ir_json_dir = /ir", "ir_json_dir = \"/ir\"\n",
       [](O* o) { return VtrQualcommOptionsSetIrJsonDir(o, "/ir"); }},
      {"dlc_dir", "dlc_dir = '/dlc'", "dlc_dir = \"/dlc\"\n",
       [](O* o) { return VtrQualcommOptionsSetDlcDir(o, "/dlc"); }},
      {"graph_transform", "graph_transform = \"fold bn\"", "graph_transform = \"fold bn\"\n",
       [](O* o) { return VtrQualcommOptionsSetGraphTransform(o, "fold bn"); }},
      {"vtcm_size", "vtcm_size = 4294967295", "vtcm_size = 4294967295\n",
       [](O* o) { return VtrQualcommOptionsSetVtcmSize(o, 4294967295u); }},
      {"htp_device_id", "htp_device_id = 2147483648", "htp_device_id = 2147483648\n",
       [](O* o) { return VtrQualcommOptionsSetHtpDeviceId(o, 2147483648u); }},
      {"htp_context_init_acceleration", "htp_context_init_acceleration = true",
       "htp_context_init_acceleration = true\n",
       [](O* o) { return VtrQualcommOptionsSetHtpContextInitAcceleration(o, true); }},
      {"num_hvx_threads", "num_hvx_threads = 6", "num_hvx_threads = 6\n",
       [](O* o) { return VtrQualcommOptionsSetNumHvxThreads(o, 6); }},
      {"htp_file_read_memory_budget_mb", "htp_file_read_memory_budget_mb = -1",
       "htp_file_read_memory_budget_mb = 4294967295\n",
       [](O* o) { return VtrQualcommOptionsSetHtpFileReadMemoryBudgetMb(o, 4294967295u); }},
      {"optimization_level", "optimization_level = 3", "optimization_level = 3\n",
       [](O* o) { return VtrQualcommOptionsSetOptimizationLevel(o, 3); }},
      {"graph_priority", "graph_priority = -1", "graph_priority = -1\n",
       [](O* o) { return VtrQualcommOptionsSetGraphPriority(o, -1); }},
      {"saver_output_dir", "saver_output_dir = \"/saver\"", "saver_output_dir = \"/saver\"\n",
       [](O* o) { return VtrQualcommOptionsSetSaverOutputDir(o, "/saver"); }},
      {"schematic_dir", "schematic_dir = \"\"", "schematic_dir = \"\"\n",
       [](O* o) { return VtrQualcommOptionsSetSchematicDir(o, ""); }},
      {"graph_io_tensor_mem_type", "graph_io_tensor_mem_type = 0", "graph_io_tensor_mem_type = 0\n",
       [](O* o) { return VtrQualcommOptionsSetGraphIoTensorMemType(o, 0); }},
      {"custom_op_package", "custom_op_package = target:T;name:N;dispatch_package_path:/d.so",
       "custom_op_package = \"name:N;interface_provider:;compile_package_path:;"
       "dispatch_package_path:/d.so;target:T;\"\n",
       [](O* o) { return VtrQualcommOptionsSetCustomOpPackage(o, "N", "", "", "/d.so", "T"); }},
      {"lpai_target", "lpai_target = 3", "lpai_target = 3\n",
       [](O* o) { return VtrQualcommOptionsSetLpaiTarget(o, 3); }},
      {"lpai_fps", "lpai_fps = 30", "lpai_fps = 30\n",
       [](O* o) { return VtrQualcommOptionsSetLpaiFps(o, 30); }},
      {"lpai_ftrt_ratio", "lpai_ftrt_ratio = 4000000000", "lpai_ftrt_ratio = 4000000000\n",
       [](O* o) { return VtrQualcommOptionsSetLpaiFtrtRatio(o, 4000000000u); }},
      {"lpai_client_perf_type", "lpai_client_perf_type = 1", "lpai_client_perf_type = 1\n",
       [](O* o) { return VtrQualcommOptionsSetLpaiClientPerfType(o, 1); }},
      {"lpai_core_affinity_type", "lpai_core_affinity_type = 2", "lpai_core_affinity_type = 2\n",
       [](O* o) { return VtrQualcommOptionsSetLpaiCoreAffinityType(o, 2); }},
      {"lpai_core_selection", "lpai_core_selection = 2147483649",
       "lpai_core_selection = 2147483649\n",
       [](O* o) { return VtrQualcommOptionsSetLpaiCoreSelection(o, 2147483649u); }},
      {"qnn_lib_dir", "qnn_lib_dir = /lib", "qnn_lib_dir = \"/lib\"\n",
       [](O* o) { return VtrQualcommOptionsSetQnnLibDir(o, "/lib"); }},
      {"dsp_skel_dir", "dsp_skel_dir = /skel", "dsp_skel_dir = \"/skel\"\n",
       [](O* o) { return VtrQualcommOptionsSetDspSkelDir(o, "/skel"); }},
  };
  return *rows;
}

// The text of each key's line, from a payload and from its setter.
TEST(QualcommOptionsTest, SerialisesEachKeyAsItsLine) {
  ASSERT_EQ(EveryKeyRows().size(), 45u);
  for (const EveryKeyRow& row : EveryKeyRows()) {
    SCOPED_TRACE(row.name);
    Record from_payload = MustCreate(row.payload);
    EXPECT_EQ(Serialized(from_payload.Get()), row.serialized);
    Record from_setter = MustCreate("");
    ASSERT_EQ(row.set(from_setter.Get()), kVantroStatusOk);
    EXPECT_EQ(Serialized(from_setter.Get()), row.serialized);
  }
}

// All keys at once come out in table order, whatever order they went in.
TEST(QualcommOptionsTest, SerialisesAllKeysInTableOrder) {
  std::string expected;
  std::string reversed_payload;
  for (const EveryKeyRow& row : EveryKeyRows()) {
    expected += row.serialized;
    reversed_payload = absl::StrCat(row.payload, "\n", reversed_payload);
  }
  Record from_payload = MustCreate(reversed_payload.c_str());
  EXPECT_EQ(Serialized(from_payload.Get()), expected);

  Record from_setters = MustCreate("");
  for (auto row = EveryKeyRows().rbegin(); row != EveryKeyRows().rend(); ++row) {
    ASSERT_EQ(row->set(from_setters.Get()), kVantroStatusOk) << row->name;
  }
  EXPECT_EQ(Serialized(from_setters.Get()), expected);
  EXPECT_TRUE(SameQualcommOptions(*from_payload.Get(), *from_setters.Get()));
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
    EXPECT_TRUE(PendingAfterFailedParse(c.message));
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
    EXPECT_TRUE(PendingAfterFailedParse(c.message));
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
    EXPECT_TRUE(PendingAfterFailedParse("Invalid boolean value"));
    sizes.push_back(PeekPending().message.size());
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

  // A value for the setter of `spec`: range-checked keys get values in and
  // out of their range, id lists may be empty, package fields now and then
  // hold a ';'.
  SetterValue SetterValueFor(const KeySpec& spec) {
    SetterValue value;
    switch (spec.kind) {
      case Kind::kInt32:
      case Kind::kUint32:
        value.number = EdgeInt32();
        if (!spec.accepted.empty() && Pick(2) == 0)
          value.number = static_cast<int64_t>(Pick(5)) - 1;  // -1 to 3
        break;
      case Kind::kBool:
      case Kind::kUnkept:
        value.flag = Pick(2) == 0;
        break;
      case Kind::kString:
        value.text = Text(12);
        break;
      case Kind::kList:
        for (size_t i = Pick(5); i > 0; --i) value.ids.push_back(EdgeInt32());
        break;
      case Kind::kPackage:
        for (std::string& field : value.fields) field = Text(10, /*allow_semicolon=*/Pick(8) == 0);
        break;
    }
    return value;
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
    ExpectRoundTrip(first.Get(), expected, given);
    if (::testing::Test::HasFailure()) return;
  }
}

// Round trip over records built by setter calls in random order, values at
// their edges and out of range. A setter refuses exactly what creation
// would refuse, leaving a message and the record unchanged; every record it
// leaves serialises to the expected payload, which creates an equal record.
TEST(QualcommOptionsTest, RoundTripsRecordsBuiltBySetters) {
  PayloadGenerator generator(0x5E77E125ull);
  for (int iteration = 0; iteration < 2000; ++iteration) {
    Record record = MustCreate("");
    std::vector<std::string> expected(Keys().size());
    std::vector<bool> given(Keys().size(), false);
    std::string calls;
    const size_t count = generator.Pick(60);
    for (size_t i = 0; i < count; ++i) {
      const size_t k = generator.Pick(Keys().size());
      const KeySpec& spec = Keys()[k];
      const SetterValue value = generator.SetterValueFor(spec);
      const bool refused = SetterRefuses(spec, value);
      absl::StrAppend(&calls, spec.key, " <- ", ReadingOf(spec, value),
                      refused ? " (refused)\n" : "\n");
      SCOPED_TRACE(calls);
      const std::string before = Serialized(record.Get());
      const VantroStatus status = spec.write(record.Get(), value);
      if (refused) {
        EXPECT_EQ(status, kVantroStatusInvalidArgument);
        EXPECT_TRUE(PeekPending().present);
        EXPECT_EQ(Serialized(record.Get()), before);
        ClearPendingError();
        continue;
      }
      ASSERT_EQ(status, kVantroStatusOk);
      expected[k] = ReadingOf(spec, value);
      given[k] = true;
    }
    SCOPED_TRACE(absl::StrCat("iteration ", iteration, ", setter calls:\n", calls));
    ExpectRoundTrip(record.Get(), expected, given);
    if (::testing::Test::HasFailure()) return;
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
