// A DLL that imports a DLL lying beside it: it loads only when its own
// directory is searched for its imports.
extern "C" __declspec(dllimport) int VantroProbeHelperValue();

extern "C" __declspec(dllexport) int VantroProbeDependentValue() {
  return VantroProbeHelperValue() + 1;
}
