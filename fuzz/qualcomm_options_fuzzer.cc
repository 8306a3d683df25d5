// Fuzzes the Qualcomm options two ways on every input. As a payload: a
// payload that creates a record must serialise (unless a string holds a
// byte the writer refuses) to a payload that creates an equal record and
// serialises to the same text; a payload that is refused leaves the failing
// pair's message or none, never one parked before. As a program of setter
// calls: a setter either stores its value or refuses it with a message and
// the record unchanged, and the record the calls leave makes the same round
// trip.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "c/options/vantro_qualcomm_options.h"
#include "cc/options/vantro_qualcomm_options.h"
#include "cc/vantro_expected.h"
#include "cc/vantro_logging.h"

namespace {

using vantro::qualcomm::QualcommOptions;

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "qualcomm_options_fuzzer: %s\n%s\n", what, detail.c_str());
  std::abort();
}

// Parked before each operation under the status a refusal has: a refusal
// must never hand it on.
constexpr char kDecoy[] = "decoy parked before the operation";

void ParkDecoy() { vantro::ToStatus(vantro::Status::InvalidArgument, kDecoy); }

// The thread's pending message, empty when there is none.
std::string PendingMessage() {
  std::string message;
  if (!vantro::PeekPendingError(nullptr, &message)) return std::string();
  return message;
}

bool Unwritable(const char* text) { return std::strpbrk(text, "\"\r\n") != nullptr; }

// Whether some string value of the record cannot be written as a payload.
bool HoldsUnwritableString(const VtrQualcommOptionsT* options) {
  using Getter = VantroStatus (*)(const VtrQualcommOptionsT*, const char**);
  const Getter getters[] = {
      &VtrQualcommOptionsGetIrJsonDir,      &VtrQualcommOptionsGetDlcDir,
      &VtrQualcommOptionsGetGraphTransform, &VtrQualcommOptionsGetSaverOutputDir,
      &VtrQualcommOptionsGetSchematicDir,   &VtrQualcommOptionsGetQnnLibDir,
      &VtrQualcommOptionsGetDspSkelDir,
  };
  for (Getter get : getters) {
    const char* text = nullptr;
    if (get(options, &text) != kVantroStatusOk || Unwritable(text)) return true;
  }
  const char* fields[5] = {};
  VtrQualcommOptionsGetCustomOpPackage(options, &fields[0], &fields[1], &fields[2], &fields[3],
                                       &fields[4]);
  for (const char* field : fields) {
    if (Unwritable(field)) return true;
  }
  return false;
}

// The payload of `options`, or false when it cannot be written.
bool Serialize(const VtrQualcommOptionsT* options, std::string* text) {
  const char* identifier = nullptr;
  void* payload = nullptr;
  VtrQualcommOptionsPayloadDeleter deleter = nullptr;
  if (VtrSerializeQualcommOptions(options, &identifier, &payload, &deleter) != kVantroStatusOk) {
    return false;
  }
  text->assign(static_cast<const char*>(payload));
  deleter(payload);
  return true;
}

// `first` serialises, unless a string holds a byte the writer refuses, to
// a payload that creates an equal record and serialises to the same text.
void CheckRoundTrip(const VtrQualcommOptionsT* first, const std::string& origin) {
  std::string payload;
  if (!Serialize(first, &payload)) {
    if (!HoldsUnwritableString(first)) Fail("serialisation failed", origin);
    if (PendingMessage().empty()) Fail("a failed serialisation left no message", origin);
    vantro::ClearPendingError();
    return;
  }

  VtrQualcommOptionsT* recreated = nullptr;
  if (VtrCreateQualcommOptionsFromToml(payload.c_str(), &recreated) != kVantroStatusOk) {
    Fail("a serialised payload was rejected", origin + "\n--- serialised ---\n" + payload);
  }
  const QualcommOptions second(recreated);
  if (!vantro::qualcomm::SameQualcommOptions(*first, *second.Get())) {
    Fail("the round trip changed the record", origin + "\n--- serialised ---\n" + payload);
  }
  std::string again;
  if (!Serialize(second.Get(), &again) || again != payload) {
    Fail("serialisation is not stable", payload + "\n--- then ---\n" + again);
  }
  vantro::ClearPendingError();
}

// A failed creation leaves one of the value parsers' messages (the logger
// is silent, so without location) or none at all.
void CheckRefusalMessage(const std::string& input) {
  const std::string message = PendingMessage();
  if (message.empty() || message == "Invalid boolean value" || message == "Invalid integer value" ||
      message == "Invalid string value" || message == "Invalid array format") {
    return;
  }
  Fail("a refused payload left another message", input + "\n--- message ---\n" + message);
}

void FuzzPayload(const std::string& input) {
  ParkDecoy();
  VtrQualcommOptionsT* created = nullptr;
  if (VtrCreateQualcommOptionsFromToml(input.c_str(), &created) != kVantroStatusOk) {
    if (created != nullptr) Fail("a failed creation handed out a record", input);
    CheckRefusalMessage(input);
    vantro::ClearPendingError();
    return;
  }
  vantro::ClearPendingError();
  const QualcommOptions first(created);
  CheckRoundTrip(first.Get(), input);
}

// One setter call whose value is read from the input; appends what it did
// to the trace.
using SetterCall =
    std::function<VantroStatus(VtrQualcommOptionsT*, FuzzedDataProvider&, std::string*)>;

// Integers near the small enumerations' ranges half the time.
int32_t ConsumeInt32(FuzzedDataProvider& in) {
  return in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-2, 4)
                          : in.ConsumeIntegral<int32_t>();
}

// The value of a setter's parameter type read from the input (strings
// kept whole until the call), and its text for the trace.
template <typename T>
struct Tag {};
int32_t ConsumeValue(FuzzedDataProvider& in, Tag<int32_t>) { return ConsumeInt32(in); }
uint32_t ConsumeValue(FuzzedDataProvider& in, Tag<uint32_t>) {
  return static_cast<uint32_t>(ConsumeInt32(in));
}
bool ConsumeValue(FuzzedDataProvider& in, Tag<bool>) { return in.ConsumeBool(); }
std::string ConsumeValue(FuzzedDataProvider& in, Tag<const char*>) {
  return in.ConsumeRandomLengthString(24);
}
std::string TraceText(int32_t value) { return std::to_string(value); }
std::string TraceText(uint32_t value) { return std::to_string(value); }
std::string TraceText(bool value) { return value ? "true" : "false"; }
std::string TraceText(const std::string& value) { return "\"" + std::string(value.c_str()) + "\""; }
template <typename T>
T Argument(T value) {
  return value;
}
const char* Argument(const std::string& value) { return value.c_str(); }

template <typename T>
SetterCall Call(const char* key, VantroStatus (*set)(VtrQualcommOptionsT*, T)) {
  return [=](VtrQualcommOptionsT* o, FuzzedDataProvider& in, std::string* trace) {
    const auto value = ConsumeValue(in, Tag<T>());
    *trace += std::string(key) + " <- " + TraceText(value) + "\n";
    return set(o, Argument(value));
  };
}

VantroStatus SetIds(VtrQualcommOptionsT* o, FuzzedDataProvider& in, std::string* trace) {
  std::vector<int32_t> ids(in.ConsumeIntegralInRange<size_t>(0, 6));
  *trace += "dump_tensor_ids <-";
  for (int32_t& id : ids) {
    id = in.ConsumeIntegral<int32_t>();
    *trace += " " + std::to_string(id);
  }
  *trace += "\n";
  const int32_t none = 0;  // a valid pointer for the empty list
  return VtrQualcommOptionsSetDumpTensorIds(o, ids.empty() ? &none : ids.data(), ids.size());
}

VantroStatus SetPackage(VtrQualcommOptionsT* o, FuzzedDataProvider& in, std::string* trace) {
  std::string fields[5];
  *trace += "custom_op_package <-";
  for (std::string& field : fields) {
    field = in.ConsumeRandomLengthString(16);
    *trace += std::string(" \"") + field.c_str() + "\"";
  }
  *trace += "\n";
  return VtrQualcommOptionsSetCustomOpPackage(o, fields[0].c_str(), fields[1].c_str(),
                                              fields[2].c_str(), fields[3].c_str(),
                                              fields[4].c_str());
}

// One setter per key.
const std::vector<SetterCall>& Setters() {
  static const std::vector<SetterCall>* setters = new std::vector<SetterCall>{
      Call("log_level", &VtrQualcommOptionsSetLogLevel),
      Call("profiling", &VtrQualcommOptionsSetProfiling),
      Call("use_htp_preference", &VtrQualcommOptionsSetUseHtpPreference),
      Call("use_qint16_as_quint16", &VtrQualcommOptionsSetUseQint16AsQuint16),
      Call("use_int64_bias_as_int32", &VtrQualcommOptionsSetUseInt64BiasAsInt32),
      Call("qnn_backend", &VtrQualcommOptionsSetQnnBackend),
      Call("enable_weight_sharing", &VtrQualcommOptionsSetEnableWeightSharing),
      Call("enable_just_in_time", &VtrQualcommOptionsSetEnableJustInTime),
      Call("op_name_format", &VtrQualcommOptionsSetOpNameFormat),
      Call("use_conv_hmx", &VtrQualcommOptionsSetUseConvHmx),
      Call("use_fold_relu", &VtrQualcommOptionsSetUseFoldRelu),
      Call("htp_dlbc", &VtrQualcommOptionsSetHtpDlbc),
      Call("htp_dlbc_weights", &VtrQualcommOptionsSetHtpDlbcWeights),
      Call("htp_p_point", &VtrQualcommOptionsSetHtpPPoint),
      Call("htp_weight_sharing_channel_tile_size",
           &VtrQualcommOptionsSetHtpWeightSharingChannelTileSize),
      Call("htp_performance_mode", &VtrQualcommOptionsSetHtpPerformanceMode),
      Call("dsp_performance_mode", &VtrQualcommOptionsSetDspPerformanceMode),
      Call("htp_perf_ctrl_mode", &VtrQualcommOptionsSetHtpPerfCtrlMode),
      Call("htp_pd_session", &VtrQualcommOptionsSetHtpPdSession),
      Call("dsp_perf_ctrl_mode", &VtrQualcommOptionsSetDspPerfCtrlMode),
      Call("dsp_pd_session", &VtrQualcommOptionsSetDspPdSession),
      Call("dsp_encoding", &VtrQualcommOptionsSetDspEncoding),
      &SetIds,
      Call("ir_json_dir", &VtrQualcommOptionsSetIrJsonDir),
      Call("dlc_dir", &VtrQualcommOptionsSetDlcDir),
      Call("graph_transform", &VtrQualcommOptionsSetGraphTransform),
      Call("vtcm_size", &VtrQualcommOptionsSetVtcmSize),
      Call("htp_device_id", &VtrQualcommOptionsSetHtpDeviceId),
      Call("htp_context_init_acceleration", &VtrQualcommOptionsSetHtpContextInitAcceleration),
      Call("num_hvx_threads", &VtrQualcommOptionsSetNumHvxThreads),
      Call("htp_file_read_memory_budget_mb", &VtrQualcommOptionsSetHtpFileReadMemoryBudgetMb),
      Call("optimization_level", &VtrQualcommOptionsSetOptimizationLevel),
      Call("graph_priority", &VtrQualcommOptionsSetGraphPriority),
      Call("saver_output_dir", &VtrQualcommOptionsSetSaverOutputDir),
      Call("schematic_dir", &VtrQualcommOptionsSetSchematicDir),
      Call("graph_io_tensor_mem_type", &VtrQualcommOptionsSetGraphIoTensorMemType),
      &SetPackage,
      Call("lpai_target", &VtrQualcommOptionsSetLpaiTarget),
      Call("lpai_fps", &VtrQualcommOptionsSetLpaiFps),
      Call("lpai_ftrt_ratio", &VtrQualcommOptionsSetLpaiFtrtRatio),
      Call("lpai_client_perf_type", &VtrQualcommOptionsSetLpaiClientPerfType),
      Call("lpai_core_affinity_type", &VtrQualcommOptionsSetLpaiCoreAffinityType),
      Call("lpai_core_selection", &VtrQualcommOptionsSetLpaiCoreSelection),
      Call("qnn_lib_dir", &VtrQualcommOptionsSetQnnLibDir),
      Call("dsp_skel_dir", &VtrQualcommOptionsSetDspSkelDir),
  };
  return *setters;
}

void FuzzSetters(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  VtrQualcommOptionsT* created = nullptr;
  if (VtrCreateQualcommOptionsFromToml(nullptr, &created) != kVantroStatusOk) {
    Fail("an empty record could not be created", "");
  }
  const QualcommOptions record(created);
  std::string trace;
  while (in.remaining_bytes() > 0) {
    const SetterCall& set = Setters()[in.ConsumeIntegralInRange<size_t>(0, Setters().size() - 1)];
    std::string before;
    const bool before_written = Serialize(record.Get(), &before);
    vantro::ClearPendingError();
    ParkDecoy();
    const VantroStatus status = set(record.Get(), in, &trace);
    if (status == kVantroStatusOk) {
      vantro::ClearPendingError();
      continue;
    }
    if (status != kVantroStatusInvalidArgument) Fail("a setter failed otherwise", trace);
    const std::string message = PendingMessage();
    if (message.empty()) Fail("a refusing setter left no message", trace);
    if (message.find(kDecoy) != std::string::npos) Fail("a refusal handed on the decoy", trace);
    vantro::ClearPendingError();
    std::string after;
    if (Serialize(record.Get(), &after) != before_written || after != before) {
      Fail("a refusing setter changed the record", trace);
    }
    vantro::ClearPendingError();
  }
  CheckRoundTrip(record.Get(), "setter calls:\n" + trace);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Failures are the normal case here; keep the located errors short.
  VantroSetMinLoggerSeverity(VantroGetCurrentLogger(), kVantroLogSilent);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The payload is a C string: an embedded NUL ends it, as for the host.
  FuzzPayload(std::string(reinterpret_cast<const char*>(data), size));
  FuzzSetters(data, size);
  return 0;
}
