// The seven entry points the host calls (plain C names, cdecl).
#include "banner/banner.h"
#include "common/memory_reserve.h"
#include "common/plugin_state.h"
#include "common/text.h"
#include "guide/guide.h"
#include "platform/host_interface.h"
#include "platform/win32.h"
#include "shell/exports.h"
#include "shell/lifecycle.h"

extern "C" {

void On_Start(void*, win32::Wnd mdWnd, int, int dllId, char*, char*, int*) {
  hostLink.hostWnd = mdWnd;
  hostLink.pluginId = dllId;
  WatchHostKeys();
  KeepGuide();
}

void On_Send_Dll_ID_Name(char* name) {
  // The host's buffer has no stated size; the name and its NUL are 6 bytes.
  if (name != nullptr) CopyText(name, 6, kPluginName);
}

void On_Channel_Change(host::TProgram82 chan) {
  RenewMemoryReserve();
  RetryBannerTimer();
  ChannelChange(chan);
}

void On_Menu_Select(unsigned menuId) { MenuSelect(menuId); }

void On_Hot_Key() {}

void On_Filter_Close(unsigned filterOffset) { FilterClosedByHost(filterOffset); }

void On_Exit(void*, win32::Wnd, int) { ExitPlugin(); }

}  // extern "C"
