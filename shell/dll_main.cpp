// The library's entry routine: attach on load, detach on unload.
#ifdef _WIN32
#include "shell/lifecycle.h"

namespace {
constexpr unsigned long kProcessDetach = 0;
constexpr unsigned long kProcessAttach = 1;
}  // namespace

extern "C" int __stdcall DllMain(void* instance, unsigned long reason, void*) {
  if (reason == kProcessAttach) return Attach(instance);
  if (reason == kProcessDetach) return Detach();
  return 1;
}

extern "C" int __stdcall DllEntryPoint(void* instance, unsigned long reason, void* reserved) {
  return DllMain(instance, reason, reserved);
}
#endif
