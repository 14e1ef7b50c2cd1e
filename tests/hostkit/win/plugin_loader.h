// Loading a plug-in library and finding its seven exports by name (Windows).
#pragma once

#include <windows.h>

#include <string>

#include "platform/host_interface.h"

namespace hostkit {

// The exports, each null until found.
struct PluginExports {
  host::OnStart* onStart = nullptr;
  host::OnSendDllIdName* onSendName = nullptr;
  host::OnChannelChange* onChannelChange = nullptr;
  host::OnMenuSelect* onMenuSelect = nullptr;
  host::OnHotKey* onHotKey = nullptr;
  host::OnFilterClose* onFilterClose = nullptr;
  host::OnExit* onExit = nullptr;
};

// LoadLibrary of path: the module, or null with "LoadLibrary(path) failed,
// error N" in error.
HMODULE LoadPluginLibrary(const std::string& path, std::string& error);

// Finds the seven exports of module into out. False when any is missing, with
// "missing export A, B" in error.
bool FindExports(HMODULE module, PluginExports& out, std::string& error);

}  // namespace hostkit
