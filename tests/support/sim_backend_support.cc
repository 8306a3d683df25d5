#include "tests/support/sim_backend_support.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "gtest/gtest.h"
#include "sim/qnn/sim_internal.h"
#include "vendors/qualcomm/backends/qnn_log.h"

namespace vantro::testing {

const qnn::QnnApi* SimCoreApi(vantro::sim::Library library) {
  const QnnInterface_t** providers = nullptr;
  uint32_t count = 0;
  const Qnn_ErrorHandle_t result = vantro::sim::internal::VantroSimQnnGetProviders(
      static_cast<int>(library), &providers, &count);
  vantro::sim::ClearCalls();
  if (result != QNN_SUCCESS || count == 0 || providers == nullptr || providers[0] == nullptr) {
    ADD_FAILURE() << "the simulated QNN gave no provider";
    return nullptr;
  }
  return &providers[0]->QNN_INTERFACE_VER_NAME;
}

StderrCapture::StderrCapture() {
  std::fflush(stderr);
  ::testing::internal::CaptureStderr();
}

StderrCapture::~StderrCapture() { Text(); }

std::string StderrCapture::Text() {
  if (active_) {
    std::fflush(stderr);
    text_ = ::testing::internal::GetCapturedStderr();
    active_ = false;
  }
  return text_;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

std::vector<std::string> CallsAmong(const std::vector<std::string>& names) {
  std::vector<std::string> result;
  for (const std::string& name : vantro::sim::CallNames()) {
    if (std::find(names.begin(), names.end(), name) != names.end()) result.push_back(name);
  }
  return result;
}

ScopedQnnLogLevel::ScopedQnnLogLevel(uint32_t level) : previous_(qnn::GetQnnLogLevel()) {
  qnn::SetQnnLogLevel(level);
}

ScopedQnnLogLevel::~ScopedQnnLogLevel() { qnn::SetQnnLogLevel(previous_); }

}  // namespace vantro::testing
