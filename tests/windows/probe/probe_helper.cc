// Imported by the dependent probe; found only in the probe directory.
extern "C" __declspec(dllexport) int VantroProbeHelperValue() { return 7; }
