// Fuzzes the plug-in's reading of a context binary: arbitrary bytes go
// through ContextBinaryInfo::Create, which hands them to the simulated QNN's
// system library (loaded from the simulated QNN directory like the real
// one) and takes apart the binary-info records it answers with, in each of
// the three record versions. Malformed binaries must be refused, never
// crash; the system context is released every time; what is accepted owns
// its copies (name and dimension pointers designate the wrapper's own
// storage, also after a copy).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cc/vantro_expected.h"
#include "fuzz/support/sim_qnn_manager.h"
#include "sim/qnn/sim_qnn.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/context_binary_info.h"
#include "vendors/qualcomm/qnn_manager.h"

namespace {

using vantro::qualcomm::ContextBinaryInfo;
using vantro::qualcomm::QnnManager;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "context_binary_info_fuzzer: %s\n", what);
  std::abort();
}

QnnManager* g_manager = nullptr;

void CheckWrapper(const qnn::TensorWrapper& wrapper) {
  const Qnn_Tensor_t& tensor = wrapper.tensor();
  const uint32_t version = qnn::QnnWord(tensor.version);
  if (version != 1 && version != 2) return;
  if (tensor.v1.name != wrapper.name().c_str()) Fail("tensor name not owned");
  if (tensor.v1.rank != wrapper.dimensions().size()) Fail("rank and dimensions disagree");
  if (!wrapper.dimensions().empty() && tensor.v1.dimensions != wrapper.dimensions().data()) {
    Fail("dimensions not owned");
  }
  (void)wrapper.ByteSize();
}

void CheckInfo(const ContextBinaryInfo& info) {
  for (const auto& wrapper : info.context_tensors()) CheckWrapper(wrapper);
  for (const auto& graph : info.graphs()) {
    for (const auto& wrapper : graph.inputs()) CheckWrapper(wrapper);
    for (const auto& wrapper : graph.outputs()) CheckWrapper(wrapper);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_manager = vantro::fuzz::CreateQuietSimQnnManager("context_binary_info_fuzzer", qnn::Options());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that reading one byte past the end is caught.
  const std::vector<uint8_t> bytes(data, data + size);
  for (uint32_t version = 1; version <= 3; ++version) {
    vantro::sim::SetBinaryInfoVersions(version, version);
    auto info = ContextBinaryInfo::Create(*g_manager, bytes.data(), bytes.size());
    if (vantro::sim::LiveHandles()["system_context"] != 0) Fail("system context kept");
    if (info) {
      CheckInfo(*info);
      const ContextBinaryInfo copy = *info;
      CheckInfo(copy);
    } else if (info.GetError().message().empty()) {
      Fail("refused without a message");
    }
    vantro::ClearPendingError();
  }
  return 0;
}
