// No exception crosses the operation table: whatever a handler meets that
// throws (an allocation that fails, the voting thread that cannot start, a
// dump file name that cannot be built) becomes Status::RuntimeFailure with
// the handler's failure line, or, for a dump, a failed dump; the plug-in
// stays usable and no QNN handle is lost.
//
// The faults are injected from outside the plug-in: this binary replaces
// the global operator new (which the plug-in, loaded like a host loads it,
// resolves to), refusing allocations of a chosen size on the test's own
// thread, and interposes pthread_create, which std::thread calls, to refuse
// thread starts. Both need the dynamic linker's symbol interposition, so
// the tests run on Linux only.
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#if defined(__linux__)
#include <dlfcn.h>
#include <pthread.h>
#endif

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/context_binary_support.h"
#include "tests/support/plugin_harness.h"
#include "vendors/qualcomm/dispatch/vantro_dispatch_device_context.h"
#include "vendors/qualcomm/tensor_wrapper.h"

// ------------------------------------------------------------ fault injection

namespace {

// Armed on one thread only: the voting threads (and QNN's) allocate too, and
// an allocation refused there would end the process.
thread_local bool t_armed = false;
thread_local size_t t_fail_at_least = 0;  // 0: off
thread_local size_t t_fail_exactly = 0;   // 0: off; refused once
thread_local size_t t_pass_exactly = 0;   // matching allocations let through first
thread_local size_t t_refused = 0;        // allocations refused
thread_local size_t t_first_refused_size = 0;
// Sizes requested while recording (for calibration), at most kRecorded.
constexpr size_t kRecorded = 64;
thread_local bool t_recording = false;
thread_local size_t t_recorded[kRecorded];
thread_local size_t t_recorded_count = 0;

std::atomic<bool> g_fail_thread_start{false};
std::atomic<int> g_refused_thread_starts{0};

bool Refuse(size_t size) noexcept {
  if (t_recording && t_recorded_count < kRecorded) t_recorded[t_recorded_count++] = size;
  if (!t_armed) return false;
  bool refuse = false;
  if (t_fail_at_least != 0 && size >= t_fail_at_least) refuse = true;
  if (t_fail_exactly != 0 && size == t_fail_exactly) {
    if (t_pass_exactly > 0) {
      --t_pass_exactly;
    } else {
      refuse = true;
      t_fail_exactly = 0;
    }
  }
  if (refuse && t_refused++ == 0) t_first_refused_size = size;
  return refuse;
}

void* Allocate(size_t size) {
  if (Refuse(size)) throw std::bad_alloc();
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

void* AllocateNoThrow(size_t size) noexcept {
  if (Refuse(size)) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

// While armed, refuses on this thread every allocation of at least
// `at_least` bytes and, after letting `pass` of them through, the next one
// of exactly `exactly` bytes (0: neither).
class AllocationFault {
 public:
  AllocationFault(size_t at_least, size_t exactly, size_t pass = 0) {
    t_fail_at_least = at_least;
    t_fail_exactly = exactly;
    t_pass_exactly = pass;
    t_refused = 0;
    t_first_refused_size = 0;
  }
  ~AllocationFault() {
    t_armed = false;
    t_fail_at_least = 0;
    t_fail_exactly = 0;
  }
  // Runs `call` armed.
  template <typename Call>
  auto Armed(Call call) {
    t_armed = true;
    auto result = call();
    t_armed = false;
    return result;
  }
  size_t refused() const { return t_refused; }
  size_t first_refused_size() const { return t_first_refused_size; }
};

// Refuses every thread start until destroyed.
class ThreadStartFault {
 public:
  ThreadStartFault() {
    g_refused_thread_starts = 0;
    g_fail_thread_start = true;
  }
  ~ThreadStartFault() { g_fail_thread_start = false; }
  int refused() const { return g_refused_thread_starts; }
};

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return AllocateNoThrow(size);
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

#if defined(__linux__)
// std::thread starts its thread through pthread_create; the definition in
// the executable comes first in the lookup, for libstdc++ too.
extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*start)(void*), void* argument) noexcept {
  if (g_fail_thread_start) {
    ++g_refused_thread_starts;
    return EAGAIN;
  }
  using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  static const Create next = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
  return next(thread, attributes, start, argument);
}
#endif

// ----------------------------------------------------------------------- tests

namespace vantro::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

// What std::thread reports when pthread_create answers EAGAIN.
const std::string kThreadStartRefused = std::generic_category().message(EAGAIN);

#if defined(__linux__)
#define VANTRO_REQUIRE_INTERPOSITION()
#else
#define VANTRO_REQUIRE_INTERPOSITION() \
  GTEST_SKIP() << "needs the dynamic linker's interposition of operator new and pthread_create"
#endif

// The handler's failure line for an exception: "ERROR: [dispatch_api:N]
// <action>: Unexpected exception: <what>".
std::string ExceptionLine(const std::string& action, const std::string& what) {
  return "(.|\n)*ERROR: \\[dispatch_api:[0-9]+\\] " + action + ": Unexpected exception: " + what +
         "\n(.|\n)*";
}

// x (4 floats) copied to out; with a dump output `dump` of the given shape
// and type, listed first, when `dump` is not null.
std::vector<uint8_t> CopyModel(const std::string& dump = "", std::vector<uint32_t> dump_shape = {4},
                               uint32_t dump_type = QNN_DATATYPE_FLOAT_32) {
  vantro::sim::ContextBinary binary;
  vantro::sim::ContextBinaryGraph graph;
  graph.name = "g";
  graph.tensors = {SimTensor(1, "x", QNN_TENSOR_TYPE_APP_WRITE, {4}),
                   SimTensor(2, "out", QNN_TENSOR_TYPE_APP_READ, {4})};
  graph.inputs = {1};
  graph.outputs = {2};
  graph.ops.push_back(SimOp(vantro::sim::OpKind::kCopy, {1}, {2}));
  if (!dump.empty()) {
    graph.tensors.push_back(
        SimTensor(3, dump.c_str(), QNN_TENSOR_TYPE_APP_READ, std::move(dump_shape), dump_type));
    graph.outputs = {3, 2};
    if (dump_type == QNN_DATATYPE_FLOAT_32) {
      graph.ops.push_back(SimOp(vantro::sim::OpKind::kCopy, {1}, {3}));
    }
  }
  binary.graphs.push_back(graph);
  return vantro::sim::WriteContextBinary(binary);
}

class DispatchExceptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VANTRO_REQUIRE_INTERPOSITION();
    vantro::sim::Reset();
    before_ = vantro::sim::LiveHandles();
  }

  void Start(const std::string& extra = "") {
    CaptureStderr();
    ASSERT_EQ(road_.Initialize(PayloadWithSimLibraries(extra)), kVantroStatusOk);
    GetCapturedStderr();
    road_.OpenDevice();
  }

  // invocation_context_create on `bytecode` (which must outlive the
  // context), with the log captured and `fault`, if any, armed.
  VantroStatus Create(const std::vector<uint8_t>& bytecode, VantroDispatchInvocationContextT** out,
                      std::string* log, AllocationFault* fault = nullptr) {
    VantroMemBufferT record{};
    record.base_addr = bytecode.data();
    record.size = bytecode.size();
    *out = nullptr;
    return Call(
        [&] {
          return road_.table().invocation_context_create(nullptr, road_.device(), 0, &record,
                                                         nullptr, 0, 0, out);
        },
        log, fault);
  }

  // Runs one table call with the log captured and `fault`, if any, armed
  // around the call alone (capturing allocates too).
  // An exception that crosses the table is a failure (reported, and
  // answered as status -1).
  template <typename TableCall>
  VantroStatus Call(TableCall call, std::string* log, AllocationFault* fault = nullptr) {
    CaptureStderr();
    VantroStatus status = -1;
    try {
      status = fault != nullptr ? fault->Armed(call) : call();
    } catch (const std::exception& e) {
      t_armed = false;
      ADD_FAILURE() << "an exception crossed the operation table: " << e.what();
    }
    *log = GetCapturedStderr();
    return status;
  }

  // x and out attached; returns out's buffer.
  VantroTensorBufferT* AttachCopyModel(VantroDispatchInvocationContextT* invocation) {
    VantroTensorBufferT* x = nullptr;
    VantroTensorBufferT* out = nullptr;
    const VantroTensorBufferHandle hx = road_.NewFloatBuffer(4, &x);
    const VantroTensorBufferHandle hout = road_.NewFloatBuffer(4, &out);
    const float values[4] = {1.5f, -2, 3, 0};
    std::memcpy(road_.FloatData(x), values, sizeof(values));
    EXPECT_EQ(road_.table().attach_input(invocation, 0, hx), kVantroStatusOk);
    EXPECT_EQ(road_.table().attach_output(invocation, 0, hout), kVantroStatusOk);
    return out;
  }

  VantroStatus Invoke(VantroDispatchInvocationContextT* invocation, std::string* log,
                      AllocationFault* fault = nullptr) {
    return Call([&] { return road_.table().invoke(invocation); }, log, fault);
  }

  // QNN handles alive beyond those at SetUp.
  int Live(const char* kind) {
    auto now = vantro::sim::LiveHandles();
    return now[kind] - before_[kind];
  }

  PluginRoad road_;
  std::map<std::string, int> before_;
};

// A dump output's buffer is sized to the tensor before the run, up to
// 4 GiB: the allocation that fails ends invoke, not the host.
TEST_F(DispatchExceptionTest, DumpOutputBufferThatCannotBeAllocated) {
  Start();
  // 65535 x 65537 bytes: 2^32 - 1, the largest a QNN client buffer takes.
  const std::vector<uint8_t> bytecode =
      CopyModel("big_dump", {65535, 65537}, QNN_DATATYPE_UINT_8);
  VantroDispatchInvocationContextT* invocation = nullptr;
  std::string log;
  ASSERT_EQ(Create(bytecode, &invocation, &log), kVantroStatusOk) << log;
  AttachCopyModel(invocation);
  const uint32_t executions = vantro::sim::CountCalls("graphExecute");
  VantroStatus status;
  {
    AllocationFault fault(/*at_least=*/size_t{1} << 30, /*exactly=*/0);
    status = Invoke(invocation, &log, &fault);
    EXPECT_EQ(fault.refused(), 1u);
    EXPECT_EQ(fault.first_refused_size(), 4294967295u);
  }
  EXPECT_EQ(status, kVantroStatusRuntimeFailure);
  EXPECT_THAT(log, MatchesRegex(ExceptionLine("Failed to execute invocation context",
                                              "std::bad_alloc")));
  EXPECT_EQ(vantro::sim::CountCalls("graphExecute"), executions) << "nothing ran";
  EXPECT_EQ(road_.table().invocation_context_destroy(invocation), kVantroStatusOk);
}

// The tensor lists of a graph are reserved with the counts QNN's record
// gives: the reservation that fails ends invocation_context_create, and
// the system context is still released.
TEST_F(DispatchExceptionTest, TensorListReservedFromQnnCountsThatCannotBeAllocated) {
  Start();
  constexpr uint32_t kInputs = 4096;
  vantro::sim::ContextBinary binary;
  vantro::sim::ContextBinaryGraph graph;
  graph.name = "wide";
  for (uint32_t id = 1; id <= kInputs; ++id) {
    graph.tensors.push_back(SimTensor(id, "in", QNN_TENSOR_TYPE_APP_WRITE, {1}));
    graph.inputs.push_back(id);
  }
  binary.graphs.push_back(graph);
  const std::vector<uint8_t> bytecode = vantro::sim::WriteContextBinary(binary);
  // reserve(kInputs) of the graph's input wrappers, and nothing else.
  const size_t reservation = kInputs * sizeof(qnn::TensorWrapper);
  VantroDispatchInvocationContextT* invocation = nullptr;
  std::string log;
  VantroStatus status;
  {
    AllocationFault fault(/*at_least=*/0, /*exactly=*/reservation);
    status = Create(bytecode, &invocation, &log, &fault);
    EXPECT_EQ(fault.refused(), 1u);
  }
  EXPECT_EQ(status, kVantroStatusRuntimeFailure);
  EXPECT_EQ(invocation, nullptr);
  EXPECT_THAT(log, MatchesRegex(ExceptionLine("Failed to create context from context binary",
                                              "std::bad_alloc")));
  EXPECT_EQ(Live("system_context"), 0);
  // The same binary is read once the memory is there.
  ASSERT_EQ(Create(bytecode, &invocation, &log), kVantroStatusOk) << log;
  EXPECT_EQ(road_.table().invocation_context_destroy(invocation), kVantroStatusOk);
}

// The invocation context copies the graph's tensor lists; when that fails
// for a context whose QNN context came from the cache, the profile handle
// it created for itself is freed with it.
TEST_F(DispatchExceptionTest, InvocationContextThatCannotCopyItsTensors) {
  Start("profiling = 1\n");
  vantro::sim::ContextBinary binary;
  vantro::sim::ContextBinaryGraph graph;
  graph.name = "three";
  graph.tensors = {SimTensor(1, "a", QNN_TENSOR_TYPE_APP_WRITE, {1}),
                   SimTensor(2, "b", QNN_TENSOR_TYPE_APP_WRITE, {1}),
                   SimTensor(3, "c", QNN_TENSOR_TYPE_APP_WRITE, {1})};
  graph.inputs = {1, 2, 3};
  binary.graphs.push_back(graph);
  const std::vector<uint8_t> bytecode = vantro::sim::WriteContextBinary(binary);
  VantroDispatchInvocationContextT* first = nullptr;
  std::string log;
  ASSERT_EQ(Create(bytecode, &first, &log), kVantroStatusOk) << log;
  const int profiles = Live("profile");
  // The three input wrappers are allocated twice: reserved while the binary
  // is read, then copied into the invocation context. The copy fails.
  VantroDispatchInvocationContextT* second = nullptr;
  VantroStatus status;
  {
    AllocationFault fault(/*at_least=*/0, /*exactly=*/3 * sizeof(qnn::TensorWrapper), /*pass=*/1);
    status = Create(bytecode, &second, &log, &fault);
    EXPECT_EQ(fault.refused(), 1u);
  }
  EXPECT_EQ(status, kVantroStatusRuntimeFailure);
  EXPECT_EQ(second, nullptr);
  EXPECT_THAT(log, HasSubstr("Reusing cached QNN context"));
  EXPECT_THAT(log, MatchesRegex(ExceptionLine("Failed to create context from context binary",
                                              "std::bad_alloc")));
  EXPECT_EQ(Live("profile"), profiles) << "the second context's profile handle is freed";
  EXPECT_EQ(road_.table().invocation_context_destroy(first), kVantroStatusOk);
}

// A handler whose own object cannot be allocated.
TEST_F(DispatchExceptionTest, DeviceContextThatCannotBeAllocated) {
  Start();
  VantroDispatchDeviceContextT* device = nullptr;
  std::string log;
  VantroStatus status;
  {
    AllocationFault fault(/*at_least=*/0, /*exactly=*/sizeof(VantroDispatchDeviceContextT));
    status = Call(
        [&] { return road_.table().device_context_create(road_.host().table(), nullptr, &device); },
        &log, &fault);
    EXPECT_EQ(fault.refused(), 1u);
  }
  EXPECT_EQ(status, kVantroStatusRuntimeFailure);
  EXPECT_EQ(device, nullptr);
  EXPECT_THAT(log,
              MatchesRegex(ExceptionLine("Failed to create device context", "std::bad_alloc")));
  ASSERT_EQ(road_.table().device_context_create(road_.host().table(), nullptr, &device),
            kVantroStatusOk);
  EXPECT_EQ(road_.table().device_context_destroy(device), kVantroStatusOk);
}

// Under automatic HTP voting the first vote that needs the voting thread
// is the down vote after the QNN context is created: when the thread
// cannot start, invocation_context_create fails and neither the new QNN
// context nor the profile handle is lost (nor freed twice).
TEST_F(DispatchExceptionTest, VotingThreadThatCannotStartAtContextCreation) {
  Start("htp_performance_mode = 2\nhtp_perf_ctrl_mode = 1\nprofiling = 1\n");
  const std::vector<uint8_t> bytecode = CopyModel();
  VantroDispatchInvocationContextT* invocation = nullptr;
  std::string log;
  VantroStatus status;
  {
    ThreadStartFault fault;
    status = Create(bytecode, &invocation, &log);
    EXPECT_GE(fault.refused(), 1);
  }
  EXPECT_EQ(status, kVantroStatusRuntimeFailure);
  EXPECT_EQ(invocation, nullptr);
  EXPECT_THAT(log, MatchesRegex(ExceptionLine("Failed to create context from context binary",
                                              kThreadStartRefused)));
  EXPECT_EQ(Live("context"), 0);
  EXPECT_EQ(Live("profile"), 0);
  EXPECT_EQ(Live("system_context"), 0);
  EXPECT_EQ(vantro::sim::CountCalls("contextFree"), 1u);
  EXPECT_EQ(vantro::sim::CountCalls("profileFree"), vantro::sim::CountCalls("profileCreate"))
      << "the profile handle is freed once";

  // Once threads start again the same bytecode binds and runs.
  ASSERT_EQ(Create(bytecode, &invocation, &log), kVantroStatusOk) << log;
  VantroTensorBufferT* out = AttachCopyModel(invocation);
  ASSERT_EQ(Invoke(invocation, &log), kVantroStatusOk) << log;
  EXPECT_EQ(road_.FloatData(out)[0], 1.5f);
  EXPECT_EQ(road_.table().invocation_context_destroy(invocation), kVantroStatusOk);
}

// When the first vote around an execution needs the voting thread and it
// cannot start, invoke fails before the run; destroying the context, whose
// final down vote meets the same refusal, still succeeds.
TEST_F(DispatchExceptionTest, VotingThreadThatCannotStartAtInvokeAndDestroy) {
  // Manual control at first: no vote goes through the voting thread yet.
  Start("htp_performance_mode = 2\nhtp_perf_ctrl_mode = 0\n");
  const std::vector<uint8_t> bytecode = CopyModel();
  VantroDispatchInvocationContextT* invocation = nullptr;
  std::string log;
  ASSERT_EQ(Create(bytecode, &invocation, &log), kVantroStatusOk) << log;
  VantroTensorBufferT* out = AttachCopyModel(invocation);
  VantroOptionsT* options = road_.host().NewOptions();
  road_.host().SetOpaqueOptionsText(options, "qualcomm",
                                    "htp_performance_mode = 2\nhtp_perf_ctrl_mode = 1\n");
  ASSERT_EQ(road_.table().invocation_context_set_options(invocation, options), kVantroStatusOk);

  const uint32_t executions = vantro::sim::CountCalls("graphExecute");
  {
    ThreadStartFault fault;
    EXPECT_EQ(Invoke(invocation, &log), kVantroStatusRuntimeFailure);
    EXPECT_THAT(log, MatchesRegex(ExceptionLine("Failed to execute invocation context",
                                                kThreadStartRefused)));
    EXPECT_EQ(vantro::sim::CountCalls("graphExecute"), executions) << "no run without its vote";

    CaptureStderr();
    EXPECT_EQ(road_.table().invocation_context_destroy(invocation), kVantroStatusOk);
    log = GetCapturedStderr();
    EXPECT_THAT(log, MatchesRegex("(.|\n)*ERROR: \\[vantro_dispatch_invocation_context:[0-9]+\\] "
                                  "Failed to schedule the final down vote: " +
                                  kThreadStartRefused + "\n(.|\n)*"));
    EXPECT_GE(fault.refused(), 2);
  }
  // The plug-in goes on: a new context votes through a thread that starts.
  ASSERT_EQ(Create(bytecode, &invocation, &log), kVantroStatusOk) << log;
  ASSERT_EQ(road_.table().invocation_context_set_options(invocation, options), kVantroStatusOk);
  out = AttachCopyModel(invocation);
  ASSERT_EQ(Invoke(invocation, &log), kVantroStatusOk) << log;
  EXPECT_EQ(road_.FloatData(out)[1], -2.0f);
  EXPECT_EQ(road_.table().invocation_context_destroy(invocation), kVantroStatusOk);
}

// The dump directory is shared with the other dump tests: this fixture's
// name puts these tests in the serial group of scripts/run_tests.sh.
class DispatchDumpTest : public DispatchExceptionTest {
 protected:
  void SetUp() override {
    DispatchExceptionTest::SetUp();
    std::filesystem::remove_all(kDumpDirectory);
  }
  void TearDown() override { std::filesystem::remove_all(kDumpDirectory); }
};

// Building a dump file's name can throw: on Windows the conversion to the
// system's wide path (a name the code page cannot express), everywhere an
// allocation. It is a failed dump like a file that cannot be opened: the
// dump failure is logged, invoke still succeeds with the outputs computed.
TEST_F(DispatchDumpTest, DumpFileNameThatCannotBeBuilt) {
  Start();
  const std::string name = std::string(200, 'n') + "_dump";
  const std::vector<uint8_t> bytecode = CopyModel(name);
  VantroDispatchInvocationContextT* invocation = nullptr;
  std::string log;
  ASSERT_EQ(Create(bytecode, &invocation, &log), kVantroStatusOk) << log;
  VantroTensorBufferT* out = AttachCopyModel(invocation);
  // The allocation the raw file's name takes as the dump builds it (the
  // plug-in uses this process's C++ library): the last one of the name.
  t_recorded_count = 0;
  t_recording = true;
  const std::string raw_name = name + ".raw";
  t_recording = false;
  ASSERT_GT(t_recorded_count, 0u);
  const size_t name_allocation = t_recorded[t_recorded_count - 1];
  ASSERT_GT(name_allocation, name.size() + 1) << "not the copy of the tensor's name itself";

  VantroStatus status;
  {
    AllocationFault fault(/*at_least=*/0, /*exactly=*/name_allocation);
    status = Invoke(invocation, &log, &fault);
    EXPECT_EQ(fault.refused(), 1u);
  }
  EXPECT_EQ(status, kVantroStatusOk) << log;
  EXPECT_THAT(log, MatchesRegex("(.|\n)*ERROR: \\[vantro_dispatch_invocation_context:[0-9]+\\] "
                                "Failed to write dumped tensor: std::bad_alloc\n"
                                "ERROR: \\[vantro_dispatch_invocation_context:[0-9]+\\] "
                                "Failed to dump tensor id: 1\n(.|\n)*"));
  EXPECT_THAT(log, Not(HasSubstr("dispatch_api")));
  EXPECT_EQ(road_.FloatData(out)[2], 3.0f);
  EXPECT_FALSE(std::filesystem::exists(kDumpDirectory + raw_name));
  // With the memory there the dump is written.
  ASSERT_EQ(Invoke(invocation, &log), kVantroStatusOk) << log;
  EXPECT_TRUE(std::filesystem::exists(kDumpDirectory + raw_name));
  EXPECT_EQ(road_.table().invocation_context_destroy(invocation), kVantroStatusOk);
}

}  // namespace
}  // namespace vantro::testing
