// Helpers for the backend tests: the simulated QNN's function tables, a
// stderr capture for the QNN-layer diagnostics, and waiting for an event of
// the voting thread without fixed sleeps.
#ifndef VANTRO_TESTS_SUPPORT_SIM_BACKEND_SUPPORT_H_
#define VANTRO_TESTS_SUPPORT_SIM_BACKEND_SUPPORT_H_

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "sim/qnn/sim_qnn.h"
#include "vendors/qualcomm/qnn_interface.h"

namespace vantro::testing {

// The core table of a simulated backend library as its provider hands it out
// now (the capability query's presence is fixed at this moment). The
// provider query itself is removed from the call log.
const qnn::QnnApi* SimCoreApi(vantro::sim::Library library);

// Captures what is written to the standard error stream while it lives.
class StderrCapture {
 public:
  StderrCapture();
  ~StderrCapture();
  // Stops capturing (once) and returns the text.
  std::string Text();

 private:
  bool active_ = true;
  std::string text_;
};

// Polls `done` until it holds or `timeout` passes; true when it held. Use a
// generous timeout: it only bounds a failing test.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Names of the calls received since the last ClearCalls(), restricted to
// the given names (in order).
std::vector<std::string> CallsAmong(const std::vector<std::string>& names);

// Sets the QNN-layer threshold for one scope and puts the old one back.
class ScopedQnnLogLevel {
 public:
  explicit ScopedQnnLogLevel(uint32_t level);
  ~ScopedQnnLogLevel();

 private:
  uint32_t previous_;
};

}  // namespace vantro::testing

#endif  // VANTRO_TESTS_SUPPORT_SIM_BACKEND_SUPPORT_H_
