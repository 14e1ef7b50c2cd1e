// What the hostile host looks at: the banner's texts, the demo services'
// expected lines, the process heap in use and the process's windows.
#include <cstdio>
#include <cstring>

#include "tests/hosts/hostile/hostile.h"
#include "tests/hosts/eitgen/eit_sections.h"

namespace hostile {
namespace {

constexpr int kNameControl = 8;
constexpr int kNowControl = 10;
constexpr int kNextControl = 11;
constexpr char kBannerTitle[] = "Tavik";
constexpr DWORD kStillWorksMs = 8000;
// The banner timer's first countdown: five ticks of a fiftieth of the display
// time (1 s in the hostile host's settings), with room.
constexpr DWORD kArmMs = 250;
constexpr int kArmTries = 5;

struct FindBanner {
  DWORD pid;
  HWND visible = nullptr, any = nullptr;
};

BOOL CALLBACK FindBannerProc(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<FindBanner*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != f->pid) return TRUE;
  char title[64] = "";
  GetWindowTextA(w, title, sizeof title);
  if (std::strcmp(title, kBannerTitle) != 0) return TRUE;
  char cls[32] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (std::strcmp(cls, "TavikPanel") != 0) return TRUE;  // a window of the host's own
  if (!f->any) f->any = w;
  if (!f->visible && IsWindowVisible(w)) f->visible = w;
  return TRUE;
}

BOOL CALLBACK CountProc(HWND w, LPARAM lp) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == GetCurrentProcessId()) ++*reinterpret_cast<int*>(lp);
  return TRUE;
}

std::string Prefix(const eitgen::Event& e) {
  char text[300];
  std::snprintf(text, sizeof text, "(%02d:%02d) %s", e.startHour, e.startMinute, e.name.c_str());
  return text;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

HWND PluginPanel(const char* title) {
  HWND w = nullptr;
  while ((w = FindWindowExA(nullptr, w, "TavikPanel", title)) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId()) return w;
  }
  return nullptr;
}

void TapKey(BYTE vk) {
  keybd_event(vk, 0, 0, 0);
  keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
}

HWND BannerWindow() {
  FindBanner f;
  f.pid = GetCurrentProcessId();
  EnumWindows(FindBannerProc, reinterpret_cast<LPARAM>(&f));
  return f.visible ? f.visible : f.any;
}

std::string ControlText(HWND panel, int id) {
  HWND c = panel ? GetDlgItem(panel, id) : nullptr;
  if (!c) return "<no control>";
  char text[1024] = "";
  GetWindowTextA(c, text, sizeof text);
  return text;
}

const std::vector<DemoChannel>& DemoChannels() {
  static std::vector<DemoChannel> list;
  if (list.empty())
    for (const eitgen::DemoService& s : eitgen::DemoServices()) {
      DemoChannel c;
      c.name = s.channelName;
      c.serviceId = s.serviceId;
      c.record = MakeRecord(s.channelName, s.frequency, static_cast<uint8_t>(s.polarity),
                            s.serviceId, static_cast<uint8_t>(s.caSystem));
      c.nowPrefix = Prefix(s.present);
      c.nextPrefix = Prefix(s.following);
      list.push_back(c);
    }
  return list;
}

bool BannerShows(const DemoChannel& ch, DWORD ms, std::string& detail) {
  std::string name, now, next;
  bool visible = false;
  const bool held = PumpUntil(ms, [&] {
    HWND b = BannerWindow();
    visible = b && IsWindowVisible(b);
    name = ControlText(b, kNameControl);
    now = ControlText(b, kNowControl);
    next = ControlText(b, kNextControl);
    return name == ch.name && StartsWith(now, ch.nowPrefix) && StartsWith(next, ch.nextPrefix);
  });
  if (!held)
    detail = "banner " + std::string(visible ? "visible" : "hidden") + ", name \"" + name +
             "\", now \"" + now + "\", next \"" + next + "\"; wanted \"" + ch.name + "\", \"" +
             ch.nowPrefix + "...\", \"" + ch.nextPrefix + "...\"";
  return held;
}

void CheckStillWorks(int channelIndex, const char* after) {
  const DemoChannel& ch = DemoChannels()[channelIndex % DemoChannels().size()];
  ChannelChange(ch.record);
  std::string detail;
  const bool shown = BannerShows(ch, kStillWorksMs, detail);
  Check(shown, "after %s: %s", after, detail.c_str());
}

void ArmBanner() {
  // A change before the countdown ended starts it again, so each try waits
  // longer; an armed change shows the name at once.
  const DemoChannel& ch = DemoChannels()[0];
  DWORD wait = kArmMs;
  for (int tries = 0; tries < kArmTries; ++tries, wait *= 2) {
    ChannelChange(ch.record);
    if (ControlText(BannerWindow(), kNameControl) == ch.name) return;
    Pump(wait);
  }
  Check(false, "the banner never armed after the load");
}

size_t HeapInUse(size_t* blocks) {
  HANDLE heaps[256];
  DWORD n = GetProcessHeaps(256, heaps);
  if (n > 256) n = 256;
  size_t bytes = 0, count = 0;
  for (DWORD i = 0; i < n; ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY e;
    e.lpData = nullptr;
    while (HeapWalk(heaps[i], &e))
      if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
        bytes += e.cbData;
        ++count;
      }
    HeapUnlock(heaps[i]);
  }
  if (blocks) *blocks = count;
  return bytes;
}

int ProcessWindowCount() {
  int count = 0;
  EnumWindows(CountProc, reinterpret_cast<LPARAM>(&count));
  return count;
}

}  // namespace hostile
