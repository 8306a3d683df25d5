// The runner (the main job): its expectations file, latency figures, tensor
// contents, output order and file names, the host road it drives through
// the plug-in's export, and the built command on the example models.
#include "gmock/gmock.h"
#include "gtest/gtest.h"

#if !defined(VANTRO_RUNNER_PATH)
// The runner is not built (VANTRO_BUILD_TOOLS=OFF): nothing to check.
TEST(RunnerTest, NeedsTheTools) { GTEST_SKIP() << "the runner is not built"; }
#else

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "absl/strings/str_cat.h"
#include "nlohmann/json.hpp"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/plugin_harness.h"
#include "tools/runner/expectations.h"
#include "tools/runner/latency.h"
#include "tools/runner/model_metadata.h"
#include "tools/runner/plugin_session.h"
#include "tools/runner/qnn_sdk_libraries.h"
#include "tools/runner/runner.h"
#include "tools/runner/tensor_spec.h"
#include "tools/runner/tensor_values.h"
#include "vendors/qualcomm/qnn_interface.h"

namespace vantro::runner {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// ------------------------------------------------------------ expectations

TEST(ExpectationsTest, ParsesNamesValuesTolerancesAndContinuations) {
  const std::string text =
      "# comment\n"
      "a 1 2,3   # trailing note\n"
      "\n"
      "tolerance 0.5\n"
      "b nan -inf \\\n"
      "  inf 4e-3\n"
      "tolerance 0\n"
      "c -7\n";
  Expected<std::vector<OutputExpectation> > parsed = ParseExpectations(text);
  ASSERT_TRUE(parsed) << parsed.GetError().message();
  ASSERT_EQ(parsed->size(), 3u);
  const OutputExpectation& a = (*parsed)[0];
  EXPECT_EQ(a.name, "a");
  EXPECT_EQ(a.tolerance, 1e-6);
  EXPECT_THAT(a.values, ElementsAre(1, 2, 3));
  const OutputExpectation& b = (*parsed)[1];
  EXPECT_EQ(b.tolerance, 0.5);
  ASSERT_EQ(b.values.size(), 4u);
  EXPECT_TRUE(std::isnan(b.values[0]));
  EXPECT_EQ(b.values[1], -kInf);
  EXPECT_EQ(b.values[2], kInf);
  EXPECT_EQ(b.values[3], 4e-3);
  EXPECT_EQ((*parsed)[2].tolerance, 0);
}

TEST(ExpectationsTest, RefusesMalformedFilesNamingTheLine) {
  struct Case {
    const char* name;
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"not a number", "a 1\nb 2 x3\n", "line 2: \"x3\" is not a number"},
      {"no values", "a\n", "line 1: output \"a\" lists no values"},
      {"negative tolerance", "tolerance -1\n", "line 1: \"tolerance\" takes one finite number"},
      {"tolerance without value", "tolerance\n", "line 1: \"tolerance\" takes"},
      {"infinite tolerance", "tolerance inf\n", "line 1: \"tolerance\" takes"},
      {"output twice", "a 1\n\na 2\n", "line 3: output \"a\" was already given on line 1"},
      {"continued statement", "a 1 \\\n 2 zz\n", "line 1: \"zz\" is not a number"},
      {"overflowing number", "a 1e999\n", "\"1e999\" is not a number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Expected<std::vector<OutputExpectation> > parsed = ParseExpectations(c.text);
    ASSERT_FALSE(parsed);
    EXPECT_THAT(parsed.GetError().message(), HasSubstr(c.message));
  }
}

TEST(ExpectationsTest, ComparesWithinTheToleranceAndNamesEachDifference) {
  struct Case {
    const char* name;
    std::vector<double> expected;
    double tolerance;
    std::vector<double> actual;
    std::vector<std::string> mismatches;  // substrings, in order
  };
  const Case cases[] = {
      {"exact", {1, 2}, 0, {1, 2}, {}},
      {"at the tolerance", {1.0}, 0.25, {1.25}, {}},
      {"beyond it", {1.0}, 0.25, {1.2500001}, {"out[0]: got 1.2500001, expected 1"}},
      {"nan matches nan only", {kNaN, 1}, 1, {kNaN, kNaN}, {"out[1]: got nan"}},
      {"infinity matches itself only", {kInf, 0}, 1e9, {kInf, kInf}, {"out[1]: got inf"}},
      {"value count", {1, 2, 3}, 1, {1, 2}, {"out: got 2 values, expected 3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ExpectationResult result =
        CheckExpectations({{"out", c.tolerance, c.expected}}, {{"out", c.actual}});
    EXPECT_EQ(result.passed(), c.mismatches.empty());
    ASSERT_EQ(result.mismatches.size(), c.mismatches.size());
    for (size_t i = 0; i < c.mismatches.size(); ++i) {
      EXPECT_THAT(result.mismatches[i], HasSubstr(c.mismatches[i]));
    }
  }
}

TEST(ExpectationsTest, MissingOutputsFailAndLongDifferencesAreCut) {
  ExpectationResult missing = CheckExpectations({{"gone", 0, {1}}}, {{"out", {1}}});
  EXPECT_THAT(missing.mismatches, ElementsAre("gone: the run has no output of that name"));

  const std::vector<double> zeros(20, 0.0), ones(20, 1.0);
  ExpectationResult many = CheckExpectations({{"out", 0, zeros}}, {{"out", ones}}, 3);
  ASSERT_EQ(many.mismatches.size(), 4u);
  EXPECT_EQ(many.mismatches.back(), "out: 17 more values differ");
  EXPECT_EQ(many.values_checked, 20u);
}

// ----------------------------------------------------------------- latency

TEST(LatencyTest, MinMedianAndNearestRankP99) {
  std::vector<double> hundred, two_hundred;
  for (int i = 1; i <= 100; ++i) hundred.push_back(101 - i);  // unsorted on purpose
  for (int i = 1; i <= 200; ++i) two_hundred.push_back(i);
  struct Case {
    const char* name;
    std::vector<double> samples;
    double min, median, p99, max;
  };
  const Case cases[] = {
      {"none", {}, 0, 0, 0, 0},
      {"one", {7}, 7, 7, 7, 7},
      {"even count", {4, 1, 3, 2}, 1, 2.5, 4, 4},
      {"ten: p99 is the largest", {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, 1, 5.5, 10, 10},
      {"hundred", hundred, 1, 50.5, 99, 100},
      {"two hundred", two_hundred, 1, 100.5, 198, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LatencySummary s = Summarize(c.samples);
    EXPECT_EQ(s.count, c.samples.size());
    EXPECT_EQ(s.min_us, c.min);
    EXPECT_EQ(s.median_us, c.median);
    EXPECT_EQ(s.p99_us, c.p99);
    EXPECT_EQ(s.max_us, c.max);
  }
}

// ---------------------------------------------------------- tensor values

TensorSpec Spec(uint32_t type, std::vector<uint32_t> dims, Quantization q = {}) {
  TensorSpec spec;
  spec.name = "t";
  spec.qnn_data_type = type;
  spec.dimensions = std::move(dims);
  spec.quantization = std::move(q);
  return spec;
}

template <typename T>
std::vector<uint8_t> BytesOf(std::vector<T> values) {
  std::vector<uint8_t> bytes(values.size() * sizeof(T));
  std::memcpy(bytes.data(), values.data(), bytes.size());
  return bytes;
}

TEST(TensorValuesTest, DecodesByDataTypeAndDequantises) {
  Quantization per_tensor{Quantization::Kind::kScaleOffset, 0, {0.5f}, {-128}};
  // Shape 2x3, one pair per row (axis 0) or per column (axis 1).
  Quantization rows{Quantization::Kind::kAxisScaleOffset, 0, {1.0f, 0.25f}, {0, -4}};
  Quantization columns{Quantization::Kind::kAxisScaleOffset, 1, {1, 2, 4}, {0, 0, -1}};
  struct Case {
    const char* name;
    TensorSpec spec;
    std::vector<uint8_t> bytes;
    std::vector<double> values;
  };
  const Case cases[] = {
      {"float32", Spec(QNN_DATATYPE_FLOAT_32, {2}), BytesOf<float>({1.5f, -2}), {1.5, -2}},
      {"int16", Spec(QNN_DATATYPE_INT_16, {2}), BytesOf<int16_t>({-300, 7}), {-300, 7}},
      {"uint8 is not dequantised", Spec(QNN_DATATYPE_UINT_8, {2}, per_tensor), {130, 0}, {130, 0}},
      {"ufixed8", Spec(QNN_DATATYPE_UFIXED_POINT_8, {3}, per_tensor), {128, 130, 0}, {0, 1, -64}},
      {"sfixed8 without quantisation", Spec(QNN_DATATYPE_SFIXED_POINT_8, {2}), {0xFF, 5}, {-1, 5}},
      {"per row",
       Spec(QNN_DATATYPE_UFIXED_POINT_8, {2, 3}, rows),
       {1, 2, 3, 4, 8, 12},
       {1, 2, 3, 0, 1, 2}},
      {"per column",
       Spec(QNN_DATATYPE_UFIXED_POINT_8, {2, 3}, columns),
       {1, 1, 1, 2, 2, 2},
       {1, 2, 0, 2, 4, 4}},
      {"float16", Spec(QNN_DATATYPE_FLOAT_16, {2}), BytesOf<uint16_t>({0x3C00, 0xC100}), {1, -2.5}},
      {"bool", Spec(QNN_DATATYPE_BOOL_8, {3}), {0, 1, 9}, {0, 1, 1}},
      {"a partial element is left out",
       Spec(QNN_DATATYPE_FLOAT_32, {2}),
       {0, 0, 0x80, 0x3F, 1},
       {1}},
      {"unknown type", Spec(0x9999, {2}), {1, 2}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecodeValues(c.spec, c.bytes), c.values);
  }
  EXPECT_THAT(DecodeValues(Spec(QNN_DATATYPE_UINT_8, {4}), std::vector<uint8_t>{1, 2, 3, 4}, 2),
              ElementsAre(1, 2));
}

TEST(TensorValuesTest, HalfPrecisionRoundsToNearestEven) {
  struct Case {
    const char* name;
    float value;
    uint16_t half;
  };
  const Case cases[] = {
      {"one", 1.0f, 0x3C00},
      {"minus two", -2.0f, 0xC000},
      {"a tenth", 0.1f, 0x2E66},
      {"largest", 65504.0f, 0x7BFF},
      {"rounds up to infinity", 65520.0f, 0x7C00},
      {"smallest subnormal", std::ldexp(1.0f, -24), 0x0001},
      {"half of it rounds to even zero", std::ldexp(1.0f, -25), 0x0000},
      {"a tie rounds to even", 1.0f + std::ldexp(1.0f, -11), 0x3C00},
      {"above the tie rounds up", 1.0f + std::ldexp(1.5f, -11), 0x3C01},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FloatToHalf(c.value), c.half);
  }
  for (uint32_t h : {0x0001u, 0x03FFu, 0x0400u, 0x3C00u, 0x7BFFu, 0x8001u, 0xC000u, 0x7C00u}) {
    SCOPED_TRACE(h);
    EXPECT_EQ(FloatToHalf(HalfToFloat(static_cast<uint16_t>(h))), h);
  }
  EXPECT_TRUE(std::isnan(HalfToFloat(FloatToHalf(std::nanf("")))));
}

TEST(TensorValuesTest, SeededContentsAreRepeatableAndSuitTheType) {
  const TensorSpec floats = Spec(QNN_DATATYPE_FLOAT_32, {256});
  EXPECT_EQ(GenerateContents(floats, 1024, 5, 0), GenerateContents(floats, 1024, 5, 0));
  EXPECT_NE(GenerateContents(floats, 1024, 5, 0), GenerateContents(floats, 1024, 5, 1));
  EXPECT_NE(GenerateContents(floats, 1024, 5, 0), GenerateContents(floats, 1024, 6, 0));

  struct Case {
    const char* name;
    TensorSpec spec;
    double low, high;  // inclusive
  };
  const Case cases[] = {
      {"float32", floats, -1, 1 - std::ldexp(1.0, -23)},
      {"float16", Spec(QNN_DATATYPE_FLOAT_16, {256}), -1, 1},
      {"int8", Spec(QNN_DATATYPE_INT_8, {256}), -100, 100},
      {"uint32", Spec(QNN_DATATYPE_UINT_32, {256}), 0, 100},
      {"ufixed8 spans its stored range", Spec(QNN_DATATYPE_UFIXED_POINT_8, {256}), 0, 255},
      {"bool", Spec(QNN_DATATYPE_BOOL_8, {256}), 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t size = 256 * ElementSize(c.spec.qnn_data_type);
    const std::vector<double> values = DecodeValues(c.spec, GenerateContents(c.spec, size, 3, 0));
    ASSERT_EQ(values.size(), 256u);
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    EXPECT_GE(*low, c.low);
    EXPECT_LE(*high, c.high);
    // 256 draws come close to both ends of the range.
    EXPECT_LT(*low, c.low + (c.high - c.low) / 8);
    EXPECT_GT(*high, c.high - (c.high - c.low) / 8);
  }
}

// ------------------------------------------------- output order and names

TEST(ModelMetadataTest, DumpOutputsComeLastAsThePluginNumbersThem) {
  auto output = [](const char* name, uint32_t type) {
    TensorSpec spec;
    spec.name = name;
    spec.qnn_tensor_type = type;
    return spec;
  };
  std::vector<TensorSpec> ordered = OrderOutputsForPlugin(
      {output("a_dump", QNN_TENSOR_TYPE_APP_READ), output("b", QNN_TENSOR_TYPE_APP_READ),
       output("c_dump", QNN_TENSOR_TYPE_APP_READWRITE), output("_dump", QNN_TENSOR_TYPE_APP_READ),
       output("dump", QNN_TENSOR_TYPE_APP_READ)});
  std::vector<std::string> names;
  std::vector<bool> dumps;
  for (const TensorSpec& spec : ordered) {
    names.push_back(spec.name);
    dumps.push_back(spec.is_dump_output);
  }
  EXPECT_THAT(names, ElementsAre("b", "c_dump", "dump", "a_dump", "_dump"));
  EXPECT_THAT(dumps, ElementsAre(false, false, false, true, true));
}

TEST(ModelMetadataTest, FileStemsStayInsideTheOutputDirectory) {
  struct Case {
    const char* name;
    const char* stem;
  };
  const Case cases[] = {
      {"out", "out"},    {"a/b", "a_b"},     {"../../etc/x", ".._.._etc_x"},
      {"..", "_.."},     {".", "_."},        {"", "_"},
      {"c:\\w", "c__w"}, {"x.raw", "x.raw"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SafeFileStem(c.name), c.stem);
  }
}

TEST(ComposePayloadTest, TheLibraryDirectoryIsAppendedAsTheLastKey) {
  const std::string path = absl::StrCat(::testing::TempDir(), "/runner_payload.toml");
  std::ofstream(path) << "profiling = 1\nqnn_lib_dir = \"/old\"";  // no final line break
  PayloadResult both = ComposePayload(path, std::string("/new dir"));
  ASSERT_TRUE(both.ok) << both.error;
  EXPECT_EQ(both.text, "profiling = 1\nqnn_lib_dir = \"/old\"\nqnn_lib_dir = \"/new dir\"\n");

  EXPECT_EQ(ComposePayload(std::nullopt, std::nullopt).text, "");
  EXPECT_FALSE(ComposePayload(std::nullopt, std::string("/a\nprofiling = 2")).ok);
  PayloadResult missing = ComposePayload(std::string("/no/such/file.toml"), std::nullopt);
  EXPECT_FALSE(missing.ok);
  EXPECT_THAT(missing.error, HasSubstr("cannot read the options file /no/such/file.toml"));
}

// ------------------------------------------------------- the host's road

// Reads add_relu, runs it once through the export and tears down: the
// result is the model's arithmetic, and no QNN context, graph or profile
// is left behind.
TEST(PluginSessionTest, RunsTheRoadOfOneInferenceAndLeavesNothingBehind) {
  sim::Reset();
  const std::vector<uint8_t> model = testing::ReadFileBytes(testing::ExampleModelPath("add_relu"));
  qnn::Options options;
  options.SetQnnLibDir(VANTRO_SIM_QNN_DIR);
  Expected<ModelReader> reader = ModelReader::Create(options, std::nullopt);
  ASSERT_TRUE(reader) << reader.GetError().message();
  Expected<GraphSpec> graph = reader->Read(model, "");
  ASSERT_TRUE(graph) << graph.GetError().message();
  ASSERT_EQ(graph->inputs.size(), 2u);
  ASSERT_EQ(graph->outputs.size(), 1u);

  Expected<std::unique_ptr<PluginSession> > session = PluginSession::Load(VANTRO_PLUGIN_PATH);
  ASSERT_TRUE(session) << session.GetError().message();
  PluginSession& s = **session;
  ASSERT_TRUE(s.Initialize(testing::PayloadWithSimLibraries("profiling = 1\n"), {}));
  EXPECT_EQ(s.VendorId(), "Qualcomm");
  ASSERT_TRUE(s.OpenDevice());
  ASSERT_TRUE(s.CreateInvocation(model, ""));
  ASSERT_TRUE(s.BindBuffers(*graph));
  for (const BoundBuffer& b : s.inputs()) {
    EXPECT_THAT(b.offered_types, ElementsAre(kVantroTensorBufferTypeHostMemory));
    EXPECT_EQ(b.size, 32u);
  }
  std::vector<float> a(8), b(8);
  for (int i = 0; i < 8; ++i) {
    a[i] = static_cast<float>(i) - 4.0f;
    b[i] = 0.5f;
  }
  std::memcpy(s.InputBytes(0).data(), a.data(), 32);
  std::memcpy(s.InputBytes(1).data(), b.data(), 32);
  ASSERT_TRUE(s.Invoke());
  std::vector<float> out(8);
  ASSERT_EQ(s.OutputBytes(0).size(), 32u);
  std::memcpy(out.data(), s.OutputBytes(0).data(), 32);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], std::max(0.0f, a[i] + b[i])) << i;

  s.TearDown();
  s.TearDown();  // a second teardown finds nothing left to do
  const std::map<std::string, int> live = sim::LiveHandles();
  for (const char* kind : {"context", "graph", "profile", "system_context"}) {
    SCOPED_TRACE(kind);
    EXPECT_EQ(live.count(kind) ? live.at(kind) : 0, 0);
  }
}

// ----------------------------------------------------------- the command

struct CommandResult {
  int exit_code = -1;
  std::string output;
};

// Runs the built runner with `arguments` under the main job's scenario;
// standard error joins the output unless `quiet`.
// `libraries` says where the QNN libraries come from (the simulated ones
// by default).
CommandResult RunRunner(const std::string& arguments, bool quiet = false,
                        const std::string& libraries = absl::StrCat("--qnn-lib-dir '",
                                                                    VANTRO_SIM_QNN_DIR, "'")) {
  const std::string source = VANTRO_SOURCE_DIR;
  const std::string command =
      absl::StrCat("VANTRO_SIM_QNN_SCENARIO='", source, "/examples/main_job/sim_scenario.txt' '",
                   VANTRO_RUNNER_PATH, "' --plugin '", VANTRO_PLUGIN_PATH, "' ", libraries, " ",
                   arguments, quiet ? " 2>/dev/null" : " 2>&1");
  CommandResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof(chunk), pipe)) > 0) result.output.append(chunk, n);
  const int status = pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string MainJobArguments() {
  const std::string example = absl::StrCat(VANTRO_SOURCE_DIR, "/examples/main_job");
  return absl::StrCat("--model '", VANTRO_SOURCE_DIR,
                      "/examples/models/fc_dequant.bin' --options '", example,
                      "/options.toml' --input '", example, "/input_x.raw' --iterations 3");
}

std::string TempPath(const std::string& name) {
  return absl::StrCat(::testing::TempDir(), "/runner_test_", name);
}

TEST(RunnerCommandTest, TheMainJobMatchesItsExpectedValues) {
  const CommandResult run = RunRunner(absl::StrCat(
      MainJobArguments(), " --expect '", VANTRO_SOURCE_DIR, "/examples/main_job/expected.txt'"));
  EXPECT_EQ(run.exit_code, kExitOk) << run.output;
  EXPECT_THAT(run.output, HasSubstr("in  x   = [1.05, 2, -0.5, 3] (dequantised)"));
  EXPECT_THAT(run.output, HasSubstr("out out = [1.6, -0.7, -3.5]"));
  EXPECT_THAT(run.output, HasSubstr("expected.txt: 1 output, 3 values: all match"));
  EXPECT_THAT(run.output, HasSubstr("invokes: 1 warm-up, 3 timed"));
  EXPECT_THAT(run.output,
              ::testing::ContainsRegex("latency per invoke \\(us\\): min [0-9.]+  median"));
  // Profiling is on in the payload: the plug-in prints the scenario's events.
  EXPECT_THAT(run.output, HasSubstr("    EXECUTE: 41 us\n        fully_connected: 1200 cycles\n"));
}

// An SDK root whose platform directory holds `files` (name -> link target,
// or an empty file for an empty target).
std::string FakeSdkRoot(const std::string& name, const std::map<std::string, std::string>& files,
                        const std::string& platform = DefaultQnnSdkPlatform()) {
  namespace fs = std::filesystem;
  const fs::path root = TempPath(name);
  fs::remove_all(root);
  const fs::path lib = root / "lib" / platform;
  fs::create_directories(lib);
  for (const auto& [file, target] : files) {
    if (target.empty()) {
      std::ofstream(lib / file).put('\0');
    } else {
      fs::create_symlink(target, lib / file);
    }
  }
  return root.string();
}

TEST(QnnSdkLibrariesTest, PresentsTheSdkUnderThePluginsNamesAndCleansUp) {
  namespace fs = std::filesystem;
  const std::string root = FakeSdkRoot(
      "sdk_names", {{"libQnnSystem.so", ""}, {"libQnnHtp.so", ""}, {"libQnnHtpPrepare.so", ""},
                    {"libQnnGpu.so", ""}, {"libQnnSaver.so", ""}});
  std::string directory;
  {
    auto libraries = QnnSdkLibraries::Create(root, DefaultQnnSdkPlatform());
    ASSERT_TRUE(libraries.HasValue()) << libraries.GetError().message();
    directory = (*libraries)->directory();
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) {
      names.push_back(entry.path().filename().string());
    }
    EXPECT_THAT(names, ::testing::UnorderedElementsAre(
                           "libQnnSystem.so", "QnnSystem.dll", "libQnnHtp.so", "QnnHtp.dll",
                           "libQnnHtpPrepare.so", "libQnnGpu.so", "libQnnSaver.so",
                           "QnnSaver.dll"));
  }
  EXPECT_FALSE(fs::exists(directory)) << "the private directory outlived its owner";

  auto missing = QnnSdkLibraries::Create(root, "no-such-platform");
  ASSERT_FALSE(missing.HasValue());
  EXPECT_EQ(missing.GetError().message(),
            absl::StrCat("the QNN SDK has no library directory ", root,
                         "/lib/no-such-platform"));
}

TEST(RunnerCommandTest, RunsOnAnSdkRootThroughItsOwnLibraryNames) {
  // The simulated libraries dressed as an SDK's: the run only works when
  // the runner presents them under the names the plug-in loads.
  const std::string sim = VANTRO_SIM_QNN_DIR;
  const std::string root =
      FakeSdkRoot("sdk_run", {{"libQnnSystem.so", sim + "/QnnSystem.dll"},
                              {"libQnnHtp.so", sim + "/QnnHtp.dll"}});
  const CommandResult run =
      RunRunner(absl::StrCat(MainJobArguments(), " --expect '", VANTRO_SOURCE_DIR,
                             "/examples/main_job/expected.txt'"),
                /*quiet=*/false, absl::StrCat("--qnn-sdk-root '", root, "'"));
  EXPECT_EQ(run.exit_code, kExitOk) << run.output;
  EXPECT_THAT(run.output, HasSubstr("expected.txt: 1 output, 3 values: all match"));
  EXPECT_THAT(run.output, ::testing::ContainsRegex("Loading qnn shared library from \"[^\"]*"
                                                   "/vantro_qnn_sdk_[0-9a-f]+/QnnHtp.dll\""));

  // Both sources at once is a usage error.
  const CommandResult both =
      RunRunner(absl::StrCat(MainJobArguments(), " --qnn-sdk-root '", root, "'"));
  EXPECT_NE(both.exit_code, kExitOk);
  EXPECT_THAT(both.output, HasSubstr("excludes"));
}

TEST(RunnerCommandTest, AMismatchExitsWithTwoAndSaysWhere) {
  const std::string expect = TempPath("wrong_expected.txt");
  std::ofstream(expect) << "tolerance 0.01\nout 1.6 -0.8 -3.5\n";
  const CommandResult run = RunRunner(absl::StrCat(MainJobArguments(), " --expect '", expect, "'"));
  EXPECT_EQ(run.exit_code, kExitMismatch) << run.output;
  EXPECT_THAT(run.output, HasSubstr("MISMATCH\n  out[1]: got -0."));
  EXPECT_THAT(run.output, HasSubstr(", expected -0.8 (tolerance 0.01)\n"));
}

TEST(RunnerCommandTest, TheJsonSummaryCarriesResultsTimingsAndVerdict) {
  const CommandResult run =
      RunRunner(absl::StrCat(MainJobArguments(), " --json --expect '", VANTRO_SOURCE_DIR,
                             "/examples/main_job/expected.txt'"),
                /*quiet=*/true);
  ASSERT_EQ(run.exit_code, kExitOk) << run.output;
  const nlohmann::json j = nlohmann::json::parse(run.output, nullptr, /*allow_exceptions=*/false);
  ASSERT_FALSE(j.is_discarded()) << run.output;
  EXPECT_EQ(j["model"]["graph"], "fc_dequant");
  EXPECT_EQ(j["plugin"]["vendor"], "Qualcomm");
  EXPECT_EQ(j["outputs"][0]["name"], "out");
  EXPECT_NEAR(j["outputs"][0]["values"][2].get<double>(), -3.5, 1e-6);
  EXPECT_EQ(j["inputs"][0]["dequantized"], true);
  EXPECT_EQ(j["latency_us"]["count"], 3);
  EXPECT_LE(j["latency_us"]["min"].get<double>(), j["latency_us"]["p99"].get<double>());
  EXPECT_EQ(j["expect"]["passed"], true);
}

TEST(RunnerCommandTest, InputFilesByNameAndOrderAndOutputFiles) {
  const std::vector<float> a = {-1, 2, -3, 4, 0.5f, -0.5f, 8, -8};
  const std::vector<float> b = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  const std::string a_path = TempPath("a.raw"), b_path = TempPath("b.raw");
  std::ofstream(a_path, std::ios::binary).write(reinterpret_cast<const char*>(a.data()), 32);
  std::ofstream(b_path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), 32);
  const std::string dir = TempPath("outputs");
  std::filesystem::remove_all(dir);

  // b is named, so the plain file goes to a.
  const CommandResult run = RunRunner(
      absl::StrCat("--model '", testing::ExampleModelPath("add_relu"), "' --input 'b=", b_path,
                   "' --input '", a_path, "' --output-dir '", dir, "' --iterations 1 --warmup 0"));
  ASSERT_EQ(run.exit_code, kExitOk) << run.output;
  std::vector<uint8_t> written = testing::ReadFileBytes(dir + "/out.raw");
  ASSERT_EQ(written.size(), 32u);
  std::vector<float> out(8);
  std::memcpy(out.data(), written.data(), 32);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], std::max(0.0f, a[i] + b[i])) << i;
  EXPECT_THAT(run.output, HasSubstr(absl::StrCat("written to ", dir, "/out.raw")));
}

TEST(RunnerCommandTest, FailuresExitWithOneAndAReason) {
  const std::string bad_payload = TempPath("bad.toml");
  std::ofstream(bad_payload) << "profiling = yes\nuse_conv_hmx = maybe\n";
  const std::string model = testing::ExampleModelPath("two_graphs");
  struct Case {
    const char* name;
    std::string arguments;
    const char* message;
  };
  const Case cases[] = {
      {"several graphs, none chosen", absl::StrCat("--model '", model, "'"),
       "choose one with --function: \"double\", \"square\""},
      {"unknown function", absl::StrCat("--model '", model, "' --function cube"),
       "has no graph \"cube\""},
      {"input of the wrong size",
       absl::StrCat("--model '", model, "' --function double --input /dev/null"),
       "input \"x\" takes 16 bytes; /dev/null holds 0"},
      {"too many inputs",
       absl::StrCat("--model '", model, "' --function double --input a --input b"),
       "more input files than the graph has inputs (1)"},
      {"invalid payload", absl::StrCat("--model '", model, "' --options '", bad_payload, "'"),
       "the options payload is not valid"},
      {"missing model", "--model /no/such/model.bin", "cannot read the model /no/such/model.bin"},
      {"the plug-in cannot load",
       absl::StrCat("--model '", model, "' --function double --plugin /no/such.so"),
       "cannot load the plug-in"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CommandResult run = RunRunner(c.arguments);
    EXPECT_EQ(run.exit_code, kExitFailure) << run.output;
    EXPECT_THAT(run.output, HasSubstr(c.message));
    EXPECT_THAT(run.output, Not(HasSubstr("latency per invoke")));
  }
}

}  // namespace
}  // namespace vantro::runner

#endif  // VANTRO_RUNNER_PATH
