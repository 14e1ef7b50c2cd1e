// The host's windows: a main window titled like the chosen receiver family with
// a video child painted as a moving test picture, and the command messages the
// plug-in sends to the main window.
#include <cstdio>
#include <cstring>

#include "tests/hosts/mdhost/mdhost.h"

namespace mdhost {
namespace {

constexpr char kMainClass[] = "MdhostMain";
constexpr char kVideoClass[] = "MdhostVideo";  // a custom class: WindowFromPoint finds it
constexpr int kWidth = 1280;
constexpr int kHeight = 1000;

struct FilterState {
  bool open = false;
  int32_t handle = 0;
  volatile LONG quality = 75;
  unsigned frame = 0;
};
FilterState g_filter;

const char* VideoTitle(Family f) {
  switch (f) {
    case Family::AltDvb: return "DvbVideoGraph";
    case Family::SkyView:
    case Family::DvbViewer: return "ActiveMovie Window";
    case Family::ProgDvb: return "No channel";
    case Family::None: return "Video";
  }
  return "Video";
}

// Colour bars over the upper part, a grey ramp below, and a white block that
// moves across the picture so a still screenshot shows a live picture.
void PaintTestPicture(HWND wnd, HDC dc) {
  RECT rc;
  GetClientRect(wnd, &rc);
  const int w = rc.right, h = rc.bottom;
  if (w <= 0 || h <= 0) return;
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
  HGDIOBJ old = SelectObject(mem, bmp);
  static const COLORREF bars[] = {RGB(192, 192, 192), RGB(192, 192, 0), RGB(0, 192, 192),
                                  RGB(0, 192, 0),     RGB(192, 0, 192), RGB(192, 0, 0),
                                  RGB(0, 0, 192)};
  const int barH = h * 2 / 3;
  for (int i = 0; i < 7; ++i) {
    RECT r = {w * i / 7, 0, w * (i + 1) / 7, barH};
    HBRUSH b = CreateSolidBrush(bars[i]);
    FillRect(mem, &r, b);
    DeleteObject(b);
  }
  for (int i = 0; i < 16; ++i) {
    const int g = i * 255 / 15;
    RECT r = {w * i / 16, barH, w * (i + 1) / 16, h};
    HBRUSH b = CreateSolidBrush(RGB(g, g, g));
    FillRect(mem, &r, b);
    DeleteObject(b);
  }
  const int box = h / 8;
  const int x = static_cast<int>((g_filter.frame * 12) % static_cast<unsigned>(w + box)) - box;
  RECT moving = {x, barH / 2 - box / 2, x + box, barH / 2 + box / 2};
  FillRect(mem, &moving, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  char title[128] = "";
  GetWindowTextA(wnd, title, sizeof title);
  SetBkMode(mem, TRANSPARENT);
  SetTextColor(mem, RGB(255, 255, 255));
  TextOutA(mem, 16, 16, title, static_cast<int>(std::strlen(title)));
  BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
}

LRESULT CALLBACK VideoProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      ++g_filter.frame;
      InvalidateRect(wnd, nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      PaintTestPicture(wnd, dc);
      EndPaint(wnd, &ps);
      return 0;
    }
    case WM_SETTEXT: {
      const LRESULT r = DefWindowProcA(wnd, msg, wp, lp);
      InvalidateRect(wnd, nullptr, FALSE);
      return r;
    }
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

// Checks the 48-byte start request field by field, writes the handle and starts
// delivering to the routine it names.
void OnStartFilter(host::EitFilterRequest* req) {
  HostState& st = State();
  char name[35];
  std::memcpy(name, req->filterName, sizeof req->filterName);
  name[34] = '\0';
  void* routine = reinterpret_cast<void*>(static_cast<uintptr_t>(req->dataRoutine));
  Trace("command: start filter dllId %u filterId %u pid 0x%04X name \"%s\" routine %p handle %ld",
        req->dllId, req->filterId, req->pid, name, routine, static_cast<long>(req->handle));
  bool tailZero = true;
  const size_t used = std::strlen(name);
  for (size_t i = used; i < sizeof req->filterName; ++i) tailZero &= req->filterName[i] == 0;
  if (req->dllId != kDefaultDllId) Fail("request: dllId %u, expected %d", req->dllId, kDefaultDllId);
  if (req->filterId != host::kEitFilterId) Fail("request: filterId %u, expected 1", req->filterId);
  if (req->pid != host::kEitPid) Fail("request: pid 0x%04X, expected 0x0012", req->pid);
  if (std::strcmp(name, "Tavik EIT filter") != 0 || !tailZero)
    Fail("request: filter name is not \"Tavik EIT filter\" followed by zero bytes");
  if (req->handle != -1) Fail("request: handle field %ld before the call, expected -1", static_cast<long>(req->handle));
  if (!AddressInPlugin(routine)) Fail("request: routine %p is not inside the plug-in", routine);
  if (g_filter.open) Trace("host: a second filter is started while one is open");
  req->handle = st.opt.filterHandle;
  g_filter.handle = st.opt.filterHandle;
  g_filter.open = true;
  Trace("host: filter handle %d written", st.opt.filterHandle);
  if (AddressInPlugin(routine)) StartDelivery(reinterpret_cast<host::DataCallback>(routine));
}

void OnStopFilter(LPARAM handle) {
  const int32_t h = static_cast<int32_t>(handle);
  Trace("command: stop filter handle %ld", static_cast<long>(h));
  if (!g_filter.open) Trace("host: no filter is open");
  else if (h != g_filter.handle) Fail("stop: handle %ld, the host gave %ld", static_cast<long>(h), static_cast<long>(g_filter.handle));
  g_filter.open = false;
  StopDelivery();
  Trace("host: filter stopped after %ld deliveries", DeliveryCount());
}

void OnSignalQuery(host::SignalReply* reply) {
  const LONG q = g_filter.quality;
  if (q < 0) {
    Trace("command: signal query (ignored by the host)");
    return;
  }
  reply->reserved0 = 100;
  reply->quality = q;
  Trace("command: signal query -> quality %ld", static_cast<long>(q));
}

void RunCall(CallRequest* req) {
  InterlockedDecrement(&State().callsPending);
  switch (req->kind) {
    case CallKind::Zap: CallChannelChange(req->arg); break;
    case CallKind::Menu: CallMenuSelect(static_cast<unsigned>(req->arg)); break;
    case CallKind::HotKey: CallHotKey(); break;
    case CallKind::FilterClose:
      // The host closes its own filter first when the handle is the one it
      // gave, as a real host does when it stops a filter by itself.
      if (g_filter.open && req->arg == g_filter.handle) {
        g_filter.open = false;
        StopDelivery();
        Trace("host: closes filter %d by itself", req->arg);
      }
      CallFilterClose(static_cast<unsigned>(req->arg));
      break;
    case CallKind::Load: {
      // A load the plug-in refuses is traced, not failed: "expect loaded" says
      // what the scenario wanted.
      std::string error;
      bool refused = false;
      if (PluginLoaded()) {
        Trace("load: a plug-in is loaded already");
        break;
      }
      RefusePluginWindows(req->arg == 1);
      if (!LoadPlugin(error, &refused)) Trace("load: refused: %s", error.c_str());
      RefusePluginWindows(false);
      break;
    }
    case CallKind::Unload:
      UnloadPlugin();
      break;
    case CallKind::Reload:
      for (int i = 0; i < req->arg; ++i) {
        Trace("reload: cycle %d of %d", i + 1, req->arg);
        UnloadPlugin();
        std::string error;
        if (!LoadPlugin(error)) {
          Fail("reload: %s", error.c_str());
          break;
        }
        for (int z = 0; z < req->extra; ++z)
          CallChannelChange(State().currentChannel >= 0 ? State().currentChannel : 0);
      }
      break;
  }
  if (req->done) SetEvent(req->done);
  else delete req;
}

LRESULT CALLBACK MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_USER:
      switch (static_cast<uint32_t>(wp)) {
        case host::kCmdStartFilter:
          OnStartFilter(reinterpret_cast<host::EitFilterRequest*>(lp));
          return 0;
        case host::kCmdStopFilter:
          OnStopFilter(lp);
          return 0;
        case host::kCmdSignalQuery:
          OnSignalQuery(reinterpret_cast<host::SignalReply*>(lp));
          return 0;
        default:
          Trace("command: unknown code 0x%08lX lParam 0x%08lX", static_cast<unsigned long>(wp),
                static_cast<unsigned long>(lp));
          return 0;
      }
    case kMsgCall:
      RunCall(reinterpret_cast<CallRequest*>(lp));
      return 0;
    case kMsgFinish:
      if (State().menuDepth > 0) {
        Fail("finish: a menu call is still running");
        return 0;
      }
      UnloadPlugin();
      PostQuitMessage(0);
      return 0;
    case WM_SIZE: {
      HWND video = State().videoWnd;
      const int w = State().videoWidth, h = State().videoHeight;
      if (video) MoveWindow(video, 0, 0, w > 0 ? w : LOWORD(lp), h > 0 ? h : HIWORD(lp), TRUE);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // Keys the host receives, the plug-in's synthesised keystroke included.
      Trace("host: key down 0x%02X", static_cast<unsigned>(wp));
      return 0;
    case WM_CLOSE:
      return 0;  // the scenario decides when the host ends
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

const char* FamilyTitle(Family f) {
  switch (f) {
    case Family::ProgDvb: return "ProgDVB 6.x";
    case Family::AltDvb: return "ALT-DVB 2.2";
    case Family::SkyView: return "SkyView 1.0";
    case Family::DvbViewer: return "DVB Viewer Pro 5";
    case Family::None: return "Media Host";
  }
  return "Media Host";
}

bool ParseFamily(const std::string& name, Family& out) {
  static const struct { const char* name; Family f; } kFamilies[] = {
      {"progdvb", Family::ProgDvb}, {"altdvb", Family::AltDvb}, {"skyview", Family::SkyView},
      {"dvbviewer", Family::DvbViewer}, {"none", Family::None}};
  for (const auto& e : kFamilies)
    if (name == e.name) {
      out = e.f;
      return true;
    }
  return false;
}

void SetQuality(int quality) { InterlockedExchange(&g_filter.quality, quality); }

void SetVideoSize(int width, int height) {
  HostState& st = State();
  InterlockedExchange(&st.videoWidth, width);
  InterlockedExchange(&st.videoHeight, height);
  RECT rc;
  GetClientRect(st.mainWnd, &rc);
  // The host's thread owns the window; the move is sent to it and waited for.
  MoveWindow(st.videoWnd, 0, 0, width > 0 ? width : rc.right, height > 0 ? height : rc.bottom, TRUE);
  RECT vr;
  GetWindowRect(st.videoWnd, &vr);
  Trace("host: video window at %ld %ld, %ld x %ld", vr.left, vr.top, vr.right - vr.left, vr.bottom - vr.top);
}

bool CreateHostWindows(std::string& error) {
  HostState& st = State();
  g_filter.quality = st.opt.quality;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = MainProc;
  wc.hInstance = st.instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kMainClass;
  if (!RegisterClassA(&wc)) {
    error = "RegisterClass failed";
    return false;
  }
  wc.lpfnWndProc = VideoProc;
  wc.lpszClassName = kVideoClass;
  wc.hbrBackground = nullptr;
  if (!RegisterClassA(&wc)) {
    error = "RegisterClass failed";
    return false;
  }
  st.mainWnd = CreateWindowExA(0, kMainClass, FamilyTitle(st.opt.family),
                               WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, kWidth, kHeight,
                               nullptr, nullptr, st.instance, nullptr);
  if (!st.mainWnd) {
    error = "CreateWindow (main) failed";
    return false;
  }
  RECT rc;
  GetClientRect(st.mainWnd, &rc);
  st.videoWnd = CreateWindowExA(0, kVideoClass, VideoTitle(st.opt.family), WS_CHILD | WS_VISIBLE,
                                0, 0, rc.right, rc.bottom, st.mainWnd, nullptr, st.instance, nullptr);
  if (!st.videoWnd) {
    error = "CreateWindow (video) failed";
    return false;
  }
  SetTimer(st.videoWnd, kVideoTimerId, kVideoTimerMs, nullptr);
  ShowWindow(st.mainWnd, SW_SHOW);
  UpdateWindow(st.mainWnd);
  SetForegroundWindow(st.mainWnd);
  Trace("host: main window \"%s\" %p, video window \"%s\" %p", FamilyTitle(st.opt.family),
        static_cast<void*>(st.mainWnd), VideoTitle(st.opt.family), static_cast<void*>(st.videoWnd));
  return true;
}

}  // namespace mdhost
