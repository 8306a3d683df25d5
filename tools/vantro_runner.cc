// The runner: loads the plug-in through its one export like a host would and
// drives it. For now it queries the operation table and prints what the
// plug-in reports about itself.
#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "CLI/CLI.hpp"
#include "c/vantro_dispatch.h"

int main(int argc, char** argv) {
  CLI::App app{"Runs a QNN context binary through the Vantro Qualcomm dispatch plug-in"};
  std::string plugin_path;
  std::string qnn_lib_dir;
  app.add_option("--plugin", plugin_path, "Path of the plug-in library")->required();
  app.add_option("--qnn-lib-dir", qnn_lib_dir, "Directory of the QNN libraries");
  CLI11_PARSE(app, argc, argv);

  void* plugin = dlopen(plugin_path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (plugin == nullptr) {
    std::fprintf(stderr, "cannot load %s: %s\n", plugin_path.c_str(), dlerror());
    return 1;
  }
  auto query = reinterpret_cast<VantroDispatchQueryInterfaceFn>(
      dlsym(plugin, "VantroDispatchQueryInterface"));
  const VantroDispatchOperationTable* table = nullptr;
  if (query == nullptr || query(0, 1, nullptr, &table) != kVantroStatusOk) {
    std::fprintf(stderr, "the plug-in does not answer the interface query\n");
    return 1;
  }
  const char* vendor = nullptr;
  const char* build_id = nullptr;
  int32_t capabilities = 0;
  table->get_vendor_id(&vendor);
  table->get_capabilities(&capabilities);
  table->get_build_id(&build_id);
  std::printf("vendor: %s\ncapabilities: %d\nbuild: %s\n", vendor, capabilities, build_id);
  dlclose(plugin);
  return 0;
}
