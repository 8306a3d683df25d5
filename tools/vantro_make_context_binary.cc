// Builds a simulated QNN context binary from a text description:
//   vantro_make_context_binary model.txt -o model.bin
// The description's syntax is in sim/qnn/README_context_binary.md.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "CLI/CLI.hpp"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/context_binary_text.h"

int main(int argc, char** argv) {
  CLI::App app{"Builds a simulated QNN context binary from a text description."};
  std::string input_path;
  std::string output_path;
  bool quiet = false;
  app.add_option("description", input_path, "Text description of the binary")->required();
  app.add_option("-o,--output", output_path, "Binary to write")->required();
  app.add_flag("-q,--quiet", quiet, "Print nothing on success");
  CLI11_PARSE(app, argc, argv);

  std::ifstream in(input_path, std::ios::binary);
  if (!in) {
    std::cerr << input_path << ": cannot be read\n";
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();

  vantro::sim::ContextBinary binary;
  std::string error;
  if (!vantro::sim::ParseContextBinaryText(text.str(), &binary, &error)) {
    std::cerr << input_path << ": " << error << "\n";
    return 1;
  }
  const std::vector<uint8_t> bytes = vantro::sim::WriteContextBinary(binary);

  // Written to a side file first, so a failed write never leaves half a
  // binary under the wanted name.
  const std::string partial = output_path + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::cerr << output_path << ": cannot be written\n";
      std::remove(partial.c_str());
      return 1;
    }
  }
  // Windows refuses to rename onto an existing file.
  if (std::rename(partial.c_str(), output_path.c_str()) != 0 &&
      (std::remove(output_path.c_str()) != 0 ||
       std::rename(partial.c_str(), output_path.c_str()) != 0)) {
    std::cerr << output_path << ": cannot be written\n";
    std::remove(partial.c_str());
    return 1;
  }
  if (!quiet) {
    std::cout << output_path << ": " << bytes.size() << " bytes, " << binary.graphs.size()
              << (binary.graphs.size() == 1 ? " graph\n" : " graphs\n");
  }
  return 0;
}
