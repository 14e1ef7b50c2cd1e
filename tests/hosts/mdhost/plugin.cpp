// Loading the plug-in: its "EXTERN" menu, its seven exports and the calls the
// host makes into them, each traced and watched by the hang guard.
#include <cstdio>
#include <cstring>

#include "tests/hostkit/record.h"
#include "tests/hostkit/win/plugin_loader.h"
#include "tests/hosts/mdhost/mdhost.h"

namespace mdhost {
namespace {

// The module and its seven exports (found by the host kit).
struct Plugin : hostkit::PluginExports {
  HMODULE module = nullptr;
  uintptr_t imageStart = 0, imageEnd = 0;
  std::vector<MenuItem> menu;
};

Plugin g_plugin;
uintptr_t g_formerStart = 0, g_formerEnd = 0;  // the image of the last unloaded plug-in

DWORD HangMs() { return static_cast<DWORD>(State().opt.hangSeconds) * 1000; }

std::string Narrow(const uint16_t* w, size_t count) {
  std::string s;
  for (size_t i = 0; i < count; ++i) s += w[i] < 0x80 ? static_cast<char>(w[i]) : '?';
  return s;
}

// Reads a MENU template: header (version, header size), then items of flags,
// id (not for pop-ups) and a NUL-terminated UTF-16 text; 0x80 ends a level.
void ReadMenu(HMODULE h) {
  g_plugin.menu.clear();
  HRSRC res = FindResourceExA(h, reinterpret_cast<LPCSTR>(RT_MENU), "EXTERN", host::kMenuLanguage);
  if (!res) {
    Fail("menu: no \"EXTERN\" menu resource in language %u", host::kMenuLanguage);
    return;
  }
  HGLOBAL data = LoadResource(h, res);
  const DWORD size = SizeofResource(h, res);
  const uint8_t* p = static_cast<const uint8_t*>(LockResource(data));
  if (!p || size < 4) {
    Fail("menu: resource too short (%lu bytes)", static_cast<unsigned long>(size));
    return;
  }
  auto word = [&](size_t at) { return static_cast<uint16_t>(p[at] | (p[at + 1] << 8)); };
  size_t pos = 4 + word(2);
  bool ended = false;
  while (pos + 2 <= size && !ended) {
    const uint16_t flags = word(pos);
    pos += 2;
    MenuItem item;
    if (!(flags & MF_POPUP)) {
      if (pos + 2 > size) break;
      item.id = word(pos);
      pos += 2;
    }
    std::vector<uint16_t> text;
    while (pos + 2 <= size && word(pos) != 0) {
      text.push_back(word(pos));
      pos += 2;
    }
    pos += 2;
    item.text = Narrow(text.data(), text.size());
    item.last = (flags & MF_END) != 0;
    ended = item.last;
    Trace("menu: item %u \"%s\"%s%s", item.id, item.text.c_str(), flags & MF_POPUP ? " popup" : "",
          item.last ? " end" : "");
    g_plugin.menu.push_back(item);
  }
  if (!ended) Fail("menu: the last item carries no end flag");
}

}  // namespace

bool PluginLoaded() { return g_plugin.module != nullptr; }
const std::vector<MenuItem>& PluginMenu() { return g_plugin.menu; }

bool AddressInPlugin(const void* address) {
  const uintptr_t a = reinterpret_cast<uintptr_t>(address);
  return g_plugin.module && a >= g_plugin.imageStart && a < g_plugin.imageEnd;
}

bool AddressInFormerPlugin(const void* address) {
  const uintptr_t a = reinterpret_cast<uintptr_t>(address);
  return !g_plugin.module && a >= g_formerStart && a < g_formerEnd;
}

bool LoadPlugin(std::string& error, bool* refused) {
  HostState& st = State();
  HMODULE h;
  if (refused) *refused = false;
  {
    WatchScope w(kSlotHostCall, "LoadLibrary", HangMs());
    const DWORD t0 = GetTickCount();
    WatchLoad(true);
    h = hostkit::LoadPluginLibrary(st.opt.plugin, error);
    WatchLoad(false);
    if (!h) {
      if (refused) *refused = true;
      return false;
    }
    Trace("load: %s at %p in %lu ms", st.opt.plugin.c_str(), static_cast<void*>(h),
          static_cast<unsigned long>(GetTickCount() - t0));
  }
  g_plugin = Plugin();
  g_plugin.module = h;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(h);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const uint8_t*>(h) + dos->e_lfanew);
  g_plugin.imageStart = reinterpret_cast<uintptr_t>(h);
  g_plugin.imageEnd = g_plugin.imageStart + nt->OptionalHeader.SizeOfImage;
  ReadMenu(h);
  if (!hostkit::FindExports(h, g_plugin, error)) {
    FreeLibrary(h);
    g_plugin = Plugin();
    return false;
  }
  {
    char hotKey[64] = "";
    char version[] = "1.0";
    int res = 0x5A5A;
    Trace("call: On_Start(hinst, mainWnd %p, 0, %d, hotkey, \"1.0\", &res)",
          static_cast<void*>(st.mainWnd), kDefaultDllId);
    WatchScope w(kSlotHostCall, "On_Start", HangMs());
    g_plugin.onStart(st.instance, st.mainWnd, 0, kDefaultDllId, hotKey, version, &res);
    Trace("call: On_Start returned (res %d)", res);
  }
  {
    char name[256];
    std::memset(name, 0, sizeof name);
    WatchScope w(kSlotHostCall, "On_Send_Dll_ID_Name", HangMs());
    g_plugin.onSendName(name);
    name[sizeof name - 1] = '\0';
    Trace("call: On_Send_Dll_ID_Name -> \"%s\"", name);
  }
  return true;
}

void UnloadPlugin() {
  HostState& st = State();
  if (!g_plugin.module) return;
  {
    Trace("call: On_Exit(hinst, mainWnd, 0)");
    WatchScope w(kSlotHostCall, "On_Exit", HangMs());
    g_plugin.onExit(st.instance, st.mainWnd, 0);
    Trace("call: On_Exit returned");
  }
  if (DeliveryRunning()) {
    Trace("host: the filter is still open after On_Exit; the host closes it");
    StopDelivery();
  }
  {
    WatchScope w(kSlotHostCall, "FreeLibrary", HangMs());
    const DWORD t0 = GetTickCount();
    g_formerStart = g_plugin.imageStart;
    g_formerEnd = g_plugin.imageEnd;
    FreeLibrary(g_plugin.module);
    Trace("unload: FreeLibrary in %lu ms", static_cast<unsigned long>(GetTickCount() - t0));
  }
  g_plugin = Plugin();
}

void CallChannelChange(int index) {
  HostState& st = State();
  if (!g_plugin.module || index < 0 || index >= static_cast<int>(st.channels.size())) return;
  const Channel& ch = st.channels[index];
  st.currentChannel = index;
  if (st.opt.family == Family::ProgDvb) SetWindowTextA(st.videoWnd, ch.name.c_str());
  const host::TProgram82 rec = hostkit::MakeRecord(ch.name.c_str(), ch.frequency, ch.polarity,
                                                  ch.serviceId, ch.caSystem,
                                                  hostkit::HostFields::kPattern);
  Trace("call: On_Channel_Change(\"%s\" freq %u pol %u sid 0x%04X ca %u)", ch.name.c_str(),
        ch.frequency, ch.polarity, ch.serviceId, ch.caSystem);
  WatchScope w(kSlotHostCall, "On_Channel_Change", HangMs());
  g_plugin.onChannelChange(rec);
  Trace("call: On_Channel_Change returned");
}

void CallMenuSelect(unsigned id) {
  if (!g_plugin.module) return;
  Trace("call: On_Menu_Select(%u)", id);
  InterlockedIncrement(&State().menuDepth);
  {
    // The plug-in runs a modal loop until its panel is closed: not a hang.
    WatchScope w(kSlotHostCall, "On_Menu_Select", HangMs());
    SuspendWatch(kSlotHostCall, true);
    g_plugin.onMenuSelect(id);
    SuspendWatch(kSlotHostCall, false);
  }
  InterlockedDecrement(&State().menuDepth);
  Trace("call: On_Menu_Select(%u) returned", id);
}

void CallHotKey() {
  if (!g_plugin.module) return;
  Trace("call: On_Hot_Key()");
  WatchScope w(kSlotHostCall, "On_Hot_Key", HangMs());
  g_plugin.onHotKey();
  Trace("call: On_Hot_Key returned");
}

void CallFilterClose(unsigned offset) {
  if (!g_plugin.module) return;
  Trace("call: On_Filter_Close(%u)", offset);
  WatchScope w(kSlotHostCall, "On_Filter_Close", HangMs());
  g_plugin.onFilterClose(offset);
  Trace("call: On_Filter_Close returned");
}

}  // namespace mdhost
