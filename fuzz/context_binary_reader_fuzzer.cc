// Fuzzes the simulated QNN's context-binary reader: any bytes are either
// refused with a reason or read into a binary that validates, writes back
// to bytes that read again, and writes the same bytes a second time.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim/qnn/context_binary_format.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "context_binary_reader_fuzzer: %s\n%s\n", what, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that reading one byte past the end is caught.
  const std::vector<uint8_t> bytes(data, data + size);
  vantro::sim::ContextBinary binary;
  std::string error;
  if (!vantro::sim::ReadContextBinary(bytes.data(), bytes.size(), &binary, &error)) {
    if (error.empty()) Fail("refused without a reason", "");
    return 0;
  }
  const std::string reason = vantro::sim::ValidateContextBinary(binary);
  if (!reason.empty()) Fail("an accepted binary does not validate", reason);

  const std::vector<uint8_t> written = vantro::sim::WriteContextBinary(binary);
  vantro::sim::ContextBinary again;
  if (!vantro::sim::ReadContextBinary(written.data(), written.size(), &again, &error)) {
    Fail("a written binary was refused", error);
  }
  if (vantro::sim::WriteContextBinary(again) != written) Fail("writing is not stable", "");
  return 0;
}
