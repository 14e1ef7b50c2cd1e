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

// At process exit (reserved not null) Windows has already ended every other
// thread, wherever it was: a lock one of them held stays held, and a tick or
// a delivery it was in never finishes. Nothing is taken down then, no lock,
// wait, window, timer or host call; the process's end frees it all. A
// FreeLibrary (reserved null) gets the full detach.
extern "C" int __stdcall DllMain(void* instance, unsigned long reason, void* reserved) {
  if (reason == kProcessAttach) return Attach(instance);
  if (reason == kProcessDetach) return reserved != nullptr ? 1 : Detach();
  return 1;
}
#endif
