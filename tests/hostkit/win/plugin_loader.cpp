// A plug-in's library and its exports, for the hosts of the tests.
#include "tests/hostkit/win/plugin_loader.h"

namespace hostkit {
namespace {

template <typename Fn>
void Find(HMODULE module, const char* name, Fn*& out, std::string& missing) {
  out = reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (out == nullptr) missing += std::string(missing.empty() ? "missing export " : ", ") + name;
}

}  // namespace

HMODULE LoadPluginLibrary(const std::string& path, std::string& error) {
  HMODULE module = LoadLibraryA(path.c_str());
  const DWORD code = GetLastError();
  if (module == nullptr)
    error = "LoadLibrary(" + path + ") failed, error " + std::to_string(code);
  return module;
}

bool FindExports(HMODULE module, PluginExports& out, std::string& error) {
  std::string missing;
  out = PluginExports();
  Find(module, "On_Start", out.onStart, missing);
  Find(module, "On_Send_Dll_ID_Name", out.onSendName, missing);
  Find(module, "On_Channel_Change", out.onChannelChange, missing);
  Find(module, "On_Menu_Select", out.onMenuSelect, missing);
  Find(module, "On_Hot_Key", out.onHotKey, missing);
  Find(module, "On_Filter_Close", out.onFilterClose, missing);
  Find(module, "On_Exit", out.onExit, missing);
  if (!missing.empty()) error = missing;
  return missing.empty();
}

}  // namespace hostkit
