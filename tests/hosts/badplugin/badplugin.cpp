// A throwaway plug-in that misbehaves on purpose, so the host simulator's crash
// and hang guards can be tested. The tuned channel's name picks the fault:
// "crash" (null write in the export), "hang" (endless loop in the export),
// "thread-crash" (null write on a thread of its own), "overread" (the data
// routine reads one byte past the delivery). Any other name behaves: it opens
// the EIT filter once, as a well-mannered plug-in does.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "platform/host_interface.h"

namespace {

struct BadState {
  HWND host = nullptr;
  int dllId = 0;
  host::EitFilterRequest request;
  volatile LONG filterOpen = 0;
  volatile LONG overread = 0;
  volatile LONG sink = 0;
};
BadState g_bad;

void __cdecl OnData(int filterId, int length, const uint8_t* buffer) {
  if (filterId != host::kEitFilterId || length <= 0) return;
  LONG sum = buffer[0];
  if (g_bad.overread) sum += buffer[length];  // the fault this plug-in is for
  InterlockedExchangeAdd(&g_bad.sink, sum);
}

DWORD WINAPI CrashThread(void*) {
  volatile int* nowhere = nullptr;
  *nowhere = 1;
  return 0;
}

void OpenFilter() {
  if (g_bad.filterOpen) return;
  std::memset(&g_bad.request, 0, sizeof g_bad.request);
  g_bad.request.dllId = static_cast<uint16_t>(g_bad.dllId);
  g_bad.request.filterId = host::kEitFilterId;
  g_bad.request.pid = host::kEitPid;
  const char name[] = "Tavik EIT filter";
  std::memcpy(g_bad.request.filterName, name, sizeof name);
  g_bad.request.dataRoutine = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&OnData));
  g_bad.request.handle = -1;
  SendMessageA(g_bad.host, host::kWmUser, host::kCmdStartFilter, reinterpret_cast<LPARAM>(&g_bad.request));
  g_bad.filterOpen = 1;
}

}  // namespace

extern "C" {

__declspec(dllexport) void __cdecl On_Start(HINSTANCE, HWND wnd, int, int dllId, char*, char*, int*) {
  g_bad.host = wnd;
  g_bad.dllId = dllId;
}

__declspec(dllexport) void __cdecl On_Send_Dll_ID_Name(char* name) {
  const char me[] = "BadPlugin";
  std::memcpy(name, me, sizeof me);
}

__declspec(dllexport) void __cdecl On_Channel_Change(host::TProgram82 chan) {
  char name[host::kNameField];
  std::memcpy(name, chan.bytes, sizeof name);
  name[sizeof name - 1] = '\0';
  if (!std::strcmp(name, "crash")) {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
  } else if (!std::strcmp(name, "hang")) {
    for (volatile int spin = 0;; spin = spin + 1) {
    }
  } else if (!std::strcmp(name, "thread-crash")) {
    CreateThread(nullptr, 0, CrashThread, nullptr, 0, nullptr);
  } else if (!std::strcmp(name, "overread")) {
    g_bad.overread = 1;
    OpenFilter();
  } else {
    OpenFilter();
  }
}

__declspec(dllexport) void __cdecl On_Menu_Select(unsigned) {}
__declspec(dllexport) void __cdecl On_Hot_Key() {}
__declspec(dllexport) void __cdecl On_Filter_Close(unsigned) {}

__declspec(dllexport) void __cdecl On_Exit(HINSTANCE, HWND, int) {
  if (g_bad.filterOpen) {
    SendMessageA(g_bad.host, host::kWmUser, host::kCmdStopFilter, static_cast<LPARAM>(g_bad.request.handle));
    g_bad.filterOpen = 0;
  }
}

}  // extern "C"
