// Message boxes the plug-in raises. One raised while the plug-in is being
// loaded is modal inside the library's entry routine, under the loader lock,
// so a thread of our own started before the first load reads each box's title
// and text, traces them and presses its OK button (a thread created during the
// load would itself wait for the loader lock). Boxes raised later (a failed
// save) are answered the same way, as a user would.
#include <cstring>

#include "tests/hosts/mdhost/mdhost.h"

namespace mdhost {
namespace {

constexpr DWORD kWatchPollMs = 50;
constexpr UINT kSendTimeoutMs = 1000;
constexpr int kMessageTextId = 0xFFFF;  // the text control of a system message box
constexpr char kDialogClass[] = "#32770";

struct SeenDialog {
  std::string title;
  std::string text;
};

struct LoadWatch {
  CRITICAL_SECTION lock;
  volatile LONG loading = 0;
  std::vector<HWND> handled;  // boxes already answered
  std::vector<SeenDialog> seen;
  HANDLE ready = nullptr;
  LoadWatch() { InitializeCriticalSection(&lock); }
};

LoadWatch& L() {
  static LoadWatch w;
  return w;
}

std::string StoredTitle(HWND w) {
  wchar_t wide[512] = {};
  InternalGetWindowText(w, wide, 511);
  char narrow[512] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow - 1, nullptr, nullptr);
  return narrow;
}

bool TextOf(HWND w, std::string& out) {
  char buf[2048] = "";
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(w, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &got))
    return false;
  buf[sizeof buf - 1] = '\0';
  out = buf;
  return true;
}

BOOL CALLBACK StaticText(HWND w, LPARAM lp) {
  char cls[32] = "";
  GetClassNameA(w, cls, sizeof cls);
  std::string text;
  if (lstrcmpiA(cls, "Static") == 0 && TextOf(w, text) && !text.empty()) {
    *reinterpret_cast<std::string*>(lp) = text;
    return FALSE;
  }
  return TRUE;
}

void Answer(HWND box) {
  SeenDialog d;
  d.title = StoredTitle(box);
  HWND textCtrl = GetDlgItem(box, kMessageTextId);
  if (!textCtrl || !TextOf(textCtrl, d.text)) EnumChildWindows(box, StaticText, reinterpret_cast<LPARAM>(&d.text));
  HWND ok = GetDlgItem(box, IDOK);
  const int button = ok ? IDOK : IDCANCEL;
  Trace("dialog: \"%s\" says \"%s\"; the host presses %s", Escaped(d.title).c_str(),
        Escaped(d.text).c_str(), ok ? "OK" : "Cancel");
  EnterCriticalSection(&L().lock);
  L().seen.push_back(d);
  L().handled.push_back(box);
  LeaveCriticalSection(&L().lock);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(ok ? ok : GetDlgItem(box, IDCANCEL)));
}

BOOL CALLBACK FindBox(HWND w, LPARAM lp) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[32] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (pid != GetCurrentProcessId() || std::strcmp(cls, kDialogClass) != 0 || !IsWindowVisible(w))
    return TRUE;
  EnterCriticalSection(&L().lock);
  bool known = false;
  for (HWND h : L().handled) known |= h == w;
  LeaveCriticalSection(&L().lock);
  if (!known) *reinterpret_cast<HWND*>(lp) = w;
  return known ? TRUE : FALSE;
}

DWORD WINAPI WatchThread(void*) {
  // Everything this thread will call is used once before the first load.
  HWND none = nullptr;
  EnumWindows(FindBox, reinterpret_cast<LPARAM>(&none));
  SetEvent(L().ready);
  for (;;) {
    // Boxes raised at any time are answered (a load's, or one a plug-in
    // raises from a panel), as a user would press OK.
    Sleep(kWatchPollMs);
    HWND box = nullptr;
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
    if (box) Answer(box);
  }
}

}  // namespace

void StartLoadWatch() {
  L().ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  CreateThread(nullptr, 0, WatchThread, nullptr, 0, nullptr);
  // The thread must be fully started before a load takes the loader lock.
  WaitForSingleObject(L().ready, INFINITE);
}

void WatchLoad(bool loading) { InterlockedExchange(&L().loading, loading ? 1 : 0); }

bool DialogSeen(const std::string& title, const std::string& text, std::string& detail, bool part) {
  EnterCriticalSection(&L().lock);
  const std::vector<SeenDialog> seen = L().seen;
  LeaveCriticalSection(&L().lock);
  detail = seen.empty() ? "no message box was raised" : "seen:";
  for (const SeenDialog& d : seen) {
    if (d.title == title && (part ? d.text.find(text) != std::string::npos : d.text == text))
      return true;
    detail += " \"" + Escaped(d.title) + "\": \"" + Escaped(d.text) + "\"";
  }
  return false;
}

}  // namespace mdhost
