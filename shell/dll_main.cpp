// The library's entry routine: attach on load, detach on unload.
// The mingw runtime's start-up code calls DllMain (and its own default
// DllEntryPoint) for us; defining DllEntryPoint here as well would run the
// attach twice.
#ifdef _WIN32
#include "shell/lifecycle.h"

// libstdc++ keeps an emergency pool for exceptions thrown when memory runs
// out, allocated when the library is loaded and never freed by itself; this
// is its own hook to free it. Without it every unload leaves 18,944 bytes.
namespace __gnu_cxx {
void __freeres() noexcept;
}

namespace {
constexpr unsigned long kProcessDetach = 0;
constexpr unsigned long kProcessAttach = 1;
}  // namespace

extern "C" int __stdcall DllMain(void* instance, unsigned long reason, void*) {
  if (reason == kProcessAttach) return Attach(instance);
  if (reason == kProcessDetach) {
    int result = Detach();
    // Nothing of ours runs after this: the timer is dead, the panels gone.
    __gnu_cxx::__freeres();
    return result;
  }
  return 1;
}
#endif
