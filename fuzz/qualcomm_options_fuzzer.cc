// Fuzzes the Qualcomm options payload: any payload that creates a record
// must serialise (unless a string holds a byte the writer refuses) to a
// payload that creates an equal record and serialises to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Failures are the normal case here; keep the located errors short.
  VantroSetMinLoggerSeverity(VantroGetCurrentLogger(), kVantroLogSilent);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The payload is a C string: an embedded NUL ends it, as for the host.
  const std::string input(reinterpret_cast<const char*>(data), size);
  VtrQualcommOptionsT* created = nullptr;
  if (VtrCreateQualcommOptionsFromToml(input.c_str(), &created) != kVantroStatusOk) {
    if (created != nullptr) Fail("a failed creation handed out a record", input);
    vantro::ClearPendingError();
    return 0;
  }
  const QualcommOptions first(created);

  std::string payload;
  if (!Serialize(first.Get(), &payload)) {
    if (!HoldsUnwritableString(first.Get())) Fail("serialisation failed", input);
    vantro::ClearPendingError();
    return 0;
  }

  VtrQualcommOptionsT* recreated = nullptr;
  if (VtrCreateQualcommOptionsFromToml(payload.c_str(), &recreated) != kVantroStatusOk) {
    Fail("a serialised payload was rejected", payload);
  }
  const QualcommOptions second(recreated);
  if (!vantro::qualcomm::SameQualcommOptions(*first.Get(), *second.Get())) {
    Fail("the round trip changed the record", input + "\n--- serialised ---\n" + payload);
  }
  std::string again;
  if (!Serialize(second.Get(), &again) || again != payload) {
    Fail("serialisation is not stable", payload + "\n--- then ---\n" + again);
  }
  vantro::ClearPendingError();
  return 0;
}
