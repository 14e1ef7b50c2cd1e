// The library's entry routine: attach on load, detach on unload.
// The mingw runtime's start-up code calls DllMain (and its own default
// DllEntryPoint) for us; defining DllEntryPoint here as well would run the
// attach twice.
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
#endif
