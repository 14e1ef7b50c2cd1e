// "load refuse-windows": while the plug-in loads, the system refuses every
// window the plug-in's module asks for, as it does when a process has run out
// of window handles. A computer-based-training hook on the host's thread
// (the one that calls LoadLibrary) answers "no" to each creation.
#include <windows.h>

#include <cstring>

#include "mdhost.h"

namespace mdhost {
namespace {

HHOOK g_hook = nullptr;
int g_refused = 0;

bool IsPluginModule(HINSTANCE instance) {
  if (!instance) return false;
  char path[MAX_PATH * 2];
  DWORD n = GetModuleFileNameA(instance, path, sizeof path);
  if (n == 0 || n >= sizeof path) return false;
  return lstrcmpiA(path, State().opt.plugin.c_str()) == 0;
}

LRESULT CALLBACK RefuseProc(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND) {
    const auto* create = reinterpret_cast<const CBT_CREATEWNDA*>(lp);
    if (create && create->lpcs && IsPluginModule(create->lpcs->hInstance)) {
      ++g_refused;
      return 1;  // the creation fails
    }
  }
  return CallNextHookEx(g_hook, code, wp, lp);
}

}  // namespace

void RefusePluginWindows(bool refuse) {
  if (refuse && !g_hook) {
    g_refused = 0;
    g_hook = SetWindowsHookExA(WH_CBT, RefuseProc, nullptr, GetCurrentThreadId());
    Trace("host: refuses the plug-in's windows during this load%s",
          g_hook ? "" : " (no hook: not refused)");
  } else if (!refuse && g_hook) {
    UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
    Trace("host: refused %d window(s) of the plug-in", g_refused);
  }
}

}  // namespace mdhost
