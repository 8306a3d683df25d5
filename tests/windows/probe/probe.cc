// A DLL with one known export, for the loader tests.
extern "C" __declspec(dllexport) int VantroProbeAnswer() { return 42; }
