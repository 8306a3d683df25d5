#include "tools/runner/runner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <system_error>

#include "absl/strings/match.h"
#include "absl/strings/str_cat.h"
#include "cc/options/vantro_qualcomm_options.h"
#include "cc/vantro_expected.h"
#include "cc/vantro_logging.h"
#include "tools/runner/expectations.h"
#include "tools/runner/latency.h"
#include "tools/runner/model_metadata.h"
#include "tools/runner/plugin_session.h"
#include "tools/runner/qnn_sdk_libraries.h"
#include "tools/runner/run_report.h"
#include "tools/runner/tensor_values.h"
#include "vendors/qualcomm/backends/qnn_log.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/common.h"

namespace vantro::runner {
namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "vantro_runner: %s\n", message.c_str());
  return kExitFailure;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// The QNN options the plug-in will build from `payload`, for reading the
// model with the same libraries. The plug-in falls back to its defaults
// for a payload it cannot parse; the runner refuses one, since a run on
// settings other than the file's would be a silent surprise.
Expected<qnn::Options> OptionsOfPayload(const std::string& payload) {
  Expected<qualcomm::QualcommOptions> parsed = qualcomm::QualcommOptions::Create(payload.c_str());
  if (!parsed) {
    return Error(Status::InvalidArgument,
                 absl::StrCat("the options payload is not valid: ", parsed.GetError().message()));
  }
  qnn::Options options;
  (void)qualcomm::ApplyQualcommOptions(options, *parsed);
  options.SetGraphIOTensorMemType(qnn::GraphIOTensorMemType::kRaw);
  return options;
}

// Which file fills which input: "NAME=FILE" names its input, plain files
// go to the remaining inputs in order; inputs without a file are seeded.
Expected<std::vector<std::optional<std::string>>> AssignInputFiles(
    const std::vector<std::string>& arguments, const std::vector<TensorSpec>& inputs) {
  std::vector<std::optional<std::string>> files(inputs.size());
  std::vector<std::string> positional;
  for (const std::string& argument : arguments) {
    bool named = false;
    for (size_t i = 0; i < inputs.size(); ++i) {
      if (absl::StartsWith(argument, absl::StrCat(inputs[i].name, "="))) {
        if (files[i].has_value()) {
          return Error(Status::InvalidArgument,
                       absl::StrCat("input \"", inputs[i].name, "\" is given twice"));
        }
        files[i] = argument.substr(inputs[i].name.size() + 1);
        named = true;
        break;
      }
    }
    if (!named) positional.push_back(argument);
  }
  size_t next = 0;
  for (const std::string& file : positional) {
    while (next < files.size() && files[next].has_value()) ++next;
    if (next == files.size()) {
      return Error(
          Status::InvalidArgument,
          absl::StrCat("more input files than the graph has inputs (", inputs.size(), ")"));
    }
    files[next++] = file;
  }
  return files;
}

TensorReport ReportOf(const TensorSpec& spec, const BoundBuffer& bound) {
  TensorReport report;
  report.spec = spec;
  report.offered_buffer_types = bound.offered_types;
  report.buffer_type = bound.buffer_type;
  report.buffer_size = bound.size;
  return report;
}

// Writes each output that the host's buffer received to DIR/<name>.raw.
Expected<void> WriteOutputs(const std::string& dir, const std::vector<std::vector<uint8_t>>& bytes,
                            std::vector<TensorReport>& outputs) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error)
    return Error(Status::RuntimeFailure,
                 absl::StrCat("cannot create ", dir, ": ", error.message()));
  std::set<std::string> used;
  for (size_t i = 0; i < outputs.size(); ++i) {
    if (outputs[i].spec.is_dump_output) continue;
    std::string stem = SafeFileStem(outputs[i].spec.name);
    if (!used.insert(stem).second) {
      stem = absl::StrCat(stem, "_", i);
      used.insert(stem);
    }
    const std::string path = (std::filesystem::path(dir) / (stem + ".raw")).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes[i].data()),
              static_cast<std::streamsize>(bytes[i].size()));
    if (!out) return Error(Status::RuntimeFailure, absl::StrCat("cannot write ", path));
    outputs[i].source = path;
  }
  return {};
}

// The expectations check, with a clearer word for dump outputs, which the
// host's buffers never receive.
ExpectationResult Check(const std::vector<OutputExpectation>& expectations,
                        const std::vector<TensorReport>& outputs) {
  std::vector<OutputExpectation> checkable;
  std::vector<std::string> dump_mismatches;
  for (const OutputExpectation& expectation : expectations) {
    const bool dump = std::any_of(outputs.begin(), outputs.end(), [&](const TensorReport& t) {
      return t.spec.is_dump_output && t.spec.name == expectation.name;
    });
    if (dump) {
      dump_mismatches.push_back(
          absl::StrCat(expectation.name,
                       ": a dump output; the plug-in writes it to its dump directory, not to "
                       "the host's buffer"));
    } else {
      checkable.push_back(expectation);
    }
  }
  std::vector<ActualOutput> actual;
  for (const TensorReport& t : outputs) {
    if (!t.spec.is_dump_output) actual.push_back({t.spec.name, t.values});
  }
  ExpectationResult result = CheckExpectations(checkable, actual);
  result.mismatches.insert(result.mismatches.end(), dump_mismatches.begin(), dump_mismatches.end());
  return result;
}

}  // namespace

PayloadResult ComposePayload(const std::optional<std::string>& options_path,
                             const std::optional<std::string>& qnn_lib_dir) {
  PayloadResult result;
  if (options_path.has_value()) {
    std::vector<uint8_t> bytes;
    if (!ReadFile(*options_path, &bytes)) {
      result.error = absl::StrCat("cannot read the options file ", *options_path);
      return result;
    }
    result.text.assign(bytes.begin(), bytes.end());
  }
  if (qnn_lib_dir.has_value()) {
    if (absl::StrContains(*qnn_lib_dir, "\n") || absl::StrContains(*qnn_lib_dir, "\r")) {
      result.error = "--qnn-lib-dir cannot hold a line break";
      return result;
    }
    if (!result.text.empty() && result.text.back() != '\n') result.text += '\n';
    absl::StrAppend(&result.text, "qnn_lib_dir = \"", *qnn_lib_dir, "\"\n");
  }
  result.ok = true;
  return result;
}

int Run(const RunnerOptions& options) {
  // The runner's own copy of the plug-in's code reads the model; its
  // informational lines would only repeat what the plug-in says itself.
  const VantroLogSeverity own_severity = static_cast<VantroLogSeverity>(
      std::max<int64_t>(kVantroLogWarning, options.log_severity.value_or(kVantroLogWarning)));
  VantroSetMinLoggerSeverity(VantroGetCurrentLogger(), own_severity);

  // Outlives the plug-in session below: the QNN libraries come from it.
  std::unique_ptr<QnnSdkLibraries> sdk_libraries;
  std::optional<std::string> qnn_lib_dir = options.qnn_lib_dir;
  if (options.qnn_sdk_root.has_value()) {
    const std::string platform =
        options.qnn_sdk_platform.empty() ? DefaultQnnSdkPlatform() : options.qnn_sdk_platform;
    Expected<std::unique_ptr<QnnSdkLibraries>> created =
        QnnSdkLibraries::Create(*options.qnn_sdk_root, platform);
    if (!created) return Fail(created.GetError().message());
    sdk_libraries = std::move(created).Value();
    qnn_lib_dir = sdk_libraries->directory();
  }
  const PayloadResult payload = ComposePayload(options.options_path, qnn_lib_dir);
  if (!payload.ok) return Fail(payload.error);
  Expected<qnn::Options> qnn_options = OptionsOfPayload(payload.text);
  if (!qnn_options) return Fail(qnn_options.GetError().message());
  qnn::SetQnnLogLevel(static_cast<uint32_t>(qnn::LogLevel::kWarn));

  std::vector<OutputExpectation> expectations;
  if (options.expect_path.has_value()) {
    std::vector<uint8_t> text;
    if (!ReadFile(*options.expect_path, &text)) {
      return Fail(absl::StrCat("cannot read the expectations file ", *options.expect_path));
    }
    Expected<std::vector<OutputExpectation>> parsed =
        ParseExpectations(std::string(text.begin(), text.end()));
    if (!parsed) return Fail(absl::StrCat(*options.expect_path, ": ", parsed.GetError().message()));
    expectations = std::move(parsed).Value();
  }

  std::vector<uint8_t> model;
  if (!ReadFile(options.model_path, &model)) {
    return Fail(absl::StrCat("cannot read the model ", options.model_path));
  }
  Expected<ModelReader> reader = ModelReader::Create(*qnn_options, options.shared_library_dir);
  if (!reader) return Fail(reader.GetError().message());
  Expected<GraphSpec> graph = reader->Read(model, options.function);
  ClearPendingError();
  if (!graph) return Fail(absl::StrCat(options.model_path, ": ", graph.GetError().message()));
  Expected<std::vector<std::optional<std::string>>> input_files =
      AssignInputFiles(options.input_files, graph->inputs);
  if (!input_files) return Fail(input_files.GetError().message());

  RunReport report;
  report.plugin_path = options.plugin_path;
  report.model_path = options.model_path;
  report.model_size = model.size();
  report.graph = graph->name;
  report.warmup = options.warmup;
  report.iterations = options.iterations;
  report.expect_path = options.expect_path;

  Expected<std::unique_ptr<PluginSession>> loaded = PluginSession::Load(options.plugin_path);
  if (!loaded) return Fail(loaded.GetError().message());
  PluginSession& session = **loaded;
  EnvironmentSettings environment{options.log_severity, options.shared_library_dir};
  if (auto done = session.Initialize(payload.text, environment); !done) {
    return Fail(done.GetError().message());
  }
  report.vendor = session.VendorId();
  report.build_id = session.BuildId();
  if (auto done = session.OpenDevice(); !done) return Fail(done.GetError().message());
  if (auto done = session.CreateInvocation(model, options.function); !done) {
    return Fail(done.GetError().message());
  }
  if (auto done = session.BindBuffers(*graph); !done) return Fail(done.GetError().message());

  for (size_t i = 0; i < graph->inputs.size(); ++i) {
    const TensorSpec& spec = graph->inputs[i];
    TensorReport input = ReportOf(spec, session.inputs()[i]);
    absl::Span<uint8_t> bytes = session.InputBytes(i);
    if (bytes.size() != input.buffer_size) {
      return Fail(absl::StrCat("input \"", spec.name, "\": buffer type ", input.buffer_type,
                               " cannot be filled by this host"));
    }
    if (const std::optional<std::string>& file = (*input_files)[i]; file.has_value()) {
      std::vector<uint8_t> contents;
      if (!ReadFile(*file, &contents))
        return Fail(absl::StrCat("cannot read the input file ", *file));
      if (contents.size() != bytes.size()) {
        return Fail(absl::StrCat("input \"", spec.name, "\" takes ", bytes.size(), " bytes; ",
                                 *file, " holds ", contents.size()));
      }
      std::copy(contents.begin(), contents.end(), bytes.begin());
      input.source = *file;
    } else {
      const std::vector<uint8_t> contents = GenerateContents(spec, bytes.size(), options.seed, i);
      std::copy(contents.begin(), contents.end(), bytes.begin());
      input.source = absl::StrCat("seed ", options.seed);
    }
    input.values = DecodeValues(spec, bytes);
    report.inputs.push_back(std::move(input));
  }

  std::vector<double> samples;
  samples.reserve(static_cast<size_t>(options.iterations));
  for (int i = 0; i < options.warmup + options.iterations; ++i) {
    const auto start = std::chrono::steady_clock::now();
    Expected<void> invoked = session.Invoke();
    const auto end = std::chrono::steady_clock::now();
    if (!invoked) return Fail(absl::StrCat(invoked.GetError().message(), " (invoke ", i + 1, ")"));
    if (i >= options.warmup) {
      samples.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
  }
  report.latency = Summarize(samples);

  std::vector<std::vector<uint8_t>> output_bytes;
  for (size_t i = 0; i < graph->outputs.size(); ++i) {
    const TensorSpec& spec = graph->outputs[i];
    TensorReport output = ReportOf(spec, session.outputs()[i]);
    absl::Span<const uint8_t> bytes = session.OutputBytes(i);
    output_bytes.emplace_back(bytes.begin(), bytes.end());
    if (!spec.is_dump_output) output.values = DecodeValues(spec, bytes);
    report.outputs.push_back(std::move(output));
  }
  session.TearDown();

  if (options.output_dir.has_value()) {
    if (auto done = WriteOutputs(*options.output_dir, output_bytes, report.outputs); !done) {
      return Fail(done.GetError().message());
    }
  }
  if (options.expect_path.has_value()) report.expect = Check(expectations, report.outputs);

  const std::string text =
      options.json ? ReportJson(report, options.preview) : ReportText(report, options.preview);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return report.expect.passed() ? kExitOk : kExitMismatch;
}

}  // namespace vantro::runner
