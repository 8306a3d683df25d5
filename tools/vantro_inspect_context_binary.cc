// Prints what a QNN context binary holds, read the way the plug-in reads it
// (a QnnManager over the QNN libraries in a directory, then
// ContextBinaryInfo): its build id and SDK version, the context tensors, and
// each graph's input and output tensors with their data types, shapes and
// quantisation.
//   vantro_inspect_context_binary model.bin [--json] [--qnn-lib-dir DIR]
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "CLI/CLI.hpp"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "cc/vantro_expected.h"
#include "cc/vantro_logging.h"
#include "nlohmann/json.hpp"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/context_binary_info.h"
#include "vendors/qualcomm/qnn_manager.h"
#include "vendors/qualcomm/tensor_wrapper.h"

namespace {

using vantro::qualcomm::ContextBinaryInfo;
using vantro::qualcomm::GraphInfo;
using vantro::qualcomm::QnnManager;

#ifndef VANTRO_SIM_QNN_DIR
#define VANTRO_SIM_QNN_DIR ""
#endif

std::string DataTypeName(uint32_t code) {
  static const std::map<uint32_t, const char*> kNames = {
      {QNN_DATATYPE_INT_8, "int8"},           {QNN_DATATYPE_INT_16, "int16"},
      {QNN_DATATYPE_INT_32, "int32"},         {QNN_DATATYPE_INT_64, "int64"},
      {QNN_DATATYPE_UINT_8, "uint8"},         {QNN_DATATYPE_UINT_16, "uint16"},
      {QNN_DATATYPE_UINT_32, "uint32"},       {QNN_DATATYPE_UINT_64, "uint64"},
      {QNN_DATATYPE_FLOAT_16, "float16"},     {QNN_DATATYPE_FLOAT_32, "float32"},
      {QNN_DATATYPE_FLOAT_64, "float64"},     {QNN_DATATYPE_SFIXED_POINT_8, "sfixed8"},
      {QNN_DATATYPE_SFIXED_POINT_16, "sfixed16"}, {QNN_DATATYPE_SFIXED_POINT_32, "sfixed32"},
      {QNN_DATATYPE_UFIXED_POINT_8, "ufixed8"},   {QNN_DATATYPE_UFIXED_POINT_16, "ufixed16"},
      {QNN_DATATYPE_UFIXED_POINT_32, "ufixed32"}, {QNN_DATATYPE_BOOL_8, "bool8"},
  };
  auto it = kNames.find(code);
  return it != kNames.end() ? it->second : absl::StrFormat("0x%04x", code);
}

std::string TensorTypeName(uint32_t type) {
  switch (type) {
    case QNN_TENSOR_TYPE_APP_WRITE: return "app_write";
    case QNN_TENSOR_TYPE_APP_READ: return "app_read";
    case QNN_TENSOR_TYPE_APP_READWRITE: return "app_readwrite";
    case QNN_TENSOR_TYPE_NATIVE: return "native";
    case QNN_TENSOR_TYPE_STATIC: return "static";
    default: return absl::StrFormat("%d", type);
  }
}

// ------------------------------------------------------------------ text

std::string QuantisationText(const qnn::QuantizeParamsWrapper& q) {
  if (const auto* p = q.Get<qnn::ScaleOffsetQuantizeParams>())
    return absl::StrFormat(" scale=%g offset=%d", p->scale, p->offset);
  if (const auto* p = q.Get<qnn::AxisScaleOffsetQuantizeParams>()) {
    std::vector<std::string> pairs;
    for (const Qnn_ScaleOffset_t& so : p->scale_offsets)
      pairs.push_back(absl::StrFormat("%g/%d", so.scale, so.offset));
    return absl::StrFormat(" axis=%d scale/offset=%s", p->axis, absl::StrJoin(pairs, ","));
  }
  return "";
}

void PrintTensor(const char* role, const qnn::TensorWrapper& t) {
  const Qnn_TensorV1_t& r = t.tensor().v1;
  const uint32_t version = qnn::QnnWord(t.tensor().version);
  if (version != 1 && version != 2) {
    std::cout << "  " << role << " (tensor record version " << version << ")\n";
    return;
  }
  std::cout << absl::StrFormat("  %-6s %-16s id=%d %s %s [%s] %d bytes%s\n", role, t.name(), r.id,
                               TensorTypeName(qnn::QnnWord(r.type)),
                               DataTypeName(qnn::QnnWord(r.dataType)),
                               absl::StrJoin(t.dimensions(), ", "), t.ByteSize(),
                               QuantisationText(t.quantize_params()));
}

void PrintText(const std::string& path, size_t size, const ContextBinaryInfo& info) {
  const auto& v = info.sdk_version();
  std::cout << path << ": " << size << " bytes\n";
  std::cout << absl::StrFormat("build id: %s (SDK %d.%d.%d)\n", info.build_id(), v.major, v.minor,
                               v.patch);
  std::cout << "context tensors: " << info.context_tensors().size() << "\n";
  for (const qnn::TensorWrapper& t : info.context_tensors()) PrintTensor("tensor", t);
  std::cout << "graphs: " << info.graphs().size() << "\n";
  for (const GraphInfo& g : info.graphs()) {
    std::cout << "graph \"" << g.name() << "\"\n";
    for (const qnn::TensorWrapper& t : g.inputs()) PrintTensor("input", t);
    for (const qnn::TensorWrapper& t : g.outputs()) PrintTensor("output", t);
  }
}

// ------------------------------------------------------------------ json

nlohmann::json TensorJson(const qnn::TensorWrapper& t) {
  nlohmann::json j;
  const uint32_t version = qnn::QnnWord(t.tensor().version);
  j["record_version"] = version;
  if (version != 1 && version != 2) return j;
  const Qnn_TensorV1_t& r = t.tensor().v1;
  j["name"] = t.name();
  j["id"] = r.id;
  j["type"] = TensorTypeName(qnn::QnnWord(r.type));
  j["data_type"] = DataTypeName(qnn::QnnWord(r.dataType));
  j["data_type_code"] = qnn::QnnWord(r.dataType);
  j["shape"] = t.dimensions();
  j["bytes"] = t.ByteSize();
  const qnn::QuantizeParamsWrapper& q = t.quantize_params();
  if (const auto* p = q.Get<qnn::ScaleOffsetQuantizeParams>()) {
    j["quantization"] = {{"encoding", "scale_offset"}, {"scale", p->scale}, {"offset", p->offset}};
  } else if (const auto* p = q.Get<qnn::AxisScaleOffsetQuantizeParams>()) {
    nlohmann::json pairs = nlohmann::json::array();
    for (const Qnn_ScaleOffset_t& so : p->scale_offsets)
      pairs.push_back({{"scale", so.scale}, {"offset", so.offset}});
    j["quantization"] = {{"encoding", "axis_scale_offset"}, {"axis", p->axis},
                         {"scale_offsets", pairs}};
  } else {
    j["quantization"] = nullptr;
  }
  return j;
}

nlohmann::json TensorsJson(const std::vector<qnn::TensorWrapper>& tensors) {
  nlohmann::json list = nlohmann::json::array();
  for (const qnn::TensorWrapper& t : tensors) list.push_back(TensorJson(t));
  return list;
}

void PrintJson(const std::string& path, size_t size, const ContextBinaryInfo& info) {
  nlohmann::json j;
  j["binary"] = path;
  j["size"] = size;
  j["build_id"] = info.build_id();
  j["sdk_version"] = {{"major", info.sdk_version().major},
                      {"minor", info.sdk_version().minor},
                      {"patch", info.sdk_version().patch}};
  j["context_tensors"] = TensorsJson(info.context_tensors());
  nlohmann::json graphs = nlohmann::json::array();
  for (const GraphInfo& g : info.graphs()) {
    graphs.push_back(
        {{"name", g.name()}, {"inputs", TensorsJson(g.inputs())}, {"outputs", TensorsJson(g.outputs())}});
  }
  j["graphs"] = graphs;
  std::cout << j.dump(2) << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Prints a QNN context binary's SDK version, graphs and tensors, read through the "
               "QNN system interface as the plug-in reads it."};
  std::string path;
  std::string lib_dir = VANTRO_SIM_QNN_DIR;
  std::string backend = "htp";
  bool json = false;
  bool verbose = false;
  app.add_option("binary", path, "Context binary to inspect")->required();
  app.add_option("--qnn-lib-dir", lib_dir, "Directory of the QNN libraries")
      ->capture_default_str();
  app.add_option("--backend", backend, "QNN backend whose libraries read the binary")
      ->check(CLI::IsMember({"htp", "dsp", "gpu", "ir", "lpai"}))
      ->capture_default_str();
  app.add_flag("--json", json, "Print JSON instead of text");
  app.add_flag("-v,--verbose", verbose, "Show the plug-in's informational log lines");
  CLI11_PARSE(app, argc, argv);

  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::cerr << path << ": cannot be read\n";
    return 1;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());

  // The library loading lines would drown the answer; warnings (an older
  // binary) and errors stay.
  if (!verbose) VantroSetMinLoggerSeverity(VantroGetCurrentLogger(), kVantroLogWarning);

  const std::map<std::string, qnn::BackendType> kBackends = {
      {"htp", qnn::BackendType::kHtp}, {"dsp", qnn::BackendType::kDsp},
      {"gpu", qnn::BackendType::kGpu}, {"ir", qnn::BackendType::kIr},
      {"lpai", qnn::BackendType::kLpai}};
  qnn::Options options;
  options.SetBackendType(kBackends.at(backend));
  options.SetQnnLibDir(lib_dir);
  vantro::Expected<std::unique_ptr<QnnManager>> manager =
      QnnManager::Create(options, std::nullopt);
  if (!manager.HasValue()) {
    std::cerr << "cannot load the QNN libraries from " << lib_dir << ": "
              << manager.GetError().message() << "\n";
    return 1;
  }
  vantro::Expected<ContextBinaryInfo> info =
      ContextBinaryInfo::Create(*manager.Value(), bytes.data(), bytes.size());
  if (!info.HasValue()) {
    std::cerr << path << ": " << info.GetError().message() << "\n";
    return 1;
  }
  if (json) {
    PrintJson(path, bytes.size(), info.Value());
  } else {
    PrintText(path, bytes.size(), info.Value());
  }
  return 0;
}
