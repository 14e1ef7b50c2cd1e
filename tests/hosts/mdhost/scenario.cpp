// The scenario script: one command a line, run on a thread of its own so that
// the host's thread stays free to pump messages and run the plug-in's modal
// loops. Export calls are handed to the host's thread by posted messages.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/hosts/mdhost/mdhost.h"

namespace mdhost {
namespace {

struct Line {
  int number;
  std::vector<std::string> words;
};

struct ScriptState {
  std::vector<Line> lines;
  std::vector<std::vector<std::string>> headers;  // "#! key words..."
  std::string path;
};
ScriptState g_script;

// The words of a line as they could be written again: quoted when needed.
std::string Join(const std::vector<std::string>& words, size_t from) {
  std::string out;
  for (size_t i = from; i < words.size(); ++i) {
    const std::string& w = words[i];
    const std::string shown = Escaped(w);
    const bool quote = w.empty() || shown != w || w.find_first_of(" #") != std::string::npos;
    if (i > from) out += ' ';
    out += quote ? "\"" + shown + "\"" : w;
  }
  return out;
}

}  // namespace

bool ToInt(const std::string& s, long& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtol(s.c_str(), &end, 0);
  return *end == '\0';
}

namespace {

// Virtual-key code of a key name: a letter or digit, a name, or a number.
int KeyCode(const std::string& name) {
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
    return std::toupper(static_cast<unsigned char>(name[0]));
  static const struct { const char* name; int vk; } kKeys[] = {
      {"ESC", VK_ESCAPE}, {"ESCAPE", VK_ESCAPE}, {"RETURN", VK_RETURN}, {"ENTER", VK_RETURN},
      {"SPACE", VK_SPACE}, {"TAB", VK_TAB},      {"LEFT", VK_LEFT},     {"RIGHT", VK_RIGHT},
      {"UP", VK_UP},       {"DOWN", VK_DOWN},    {"F1", VK_F1},         {"F2", VK_F2},
      {"F3", VK_F3},       {"F4", VK_F4},        {"F5", VK_F5},         {"F12", VK_F12}};
  for (const auto& k : kKeys)
    if (name == k.name) return k.vk;
  long v = 0;
  if (ToInt(name, v) && v > 0 && v < 256) return static_cast<int>(v);
  return -1;
}

constexpr int kShotMargin = 8;  // px around a window shot

DWORD HangMs() { return static_cast<DWORD>(State().opt.hangSeconds) * 1000; }

// Hands a call to the host's thread; waits for it unless it is a menu call,
// which stays inside the plug-in while the script drives its panel.
void PostCall(CallKind kind, int arg, int extra, bool wait, const char* label) {
  HostState& st = State();
  CallRequest* req = new CallRequest{kind, arg, extra, nullptr};
  if (wait) req->done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  InterlockedIncrement(&st.callsPending);
  PostMessageA(st.mainWnd, kMsgCall, 0, reinterpret_cast<LPARAM>(req));
  if (!wait) return;
  const DWORD limit = kind == CallKind::Reload ? HangMs() * static_cast<DWORD>(arg + 1) : HangMs();
  if (WaitForSingleObject(req->done, limit) != WAIT_OBJECT_0)
    Die(kExitHang, "HANG: %s did not return within %lu ms", label, static_cast<unsigned long>(limit));
  CloseHandle(req->done);
  delete req;
}

// A tap (holdMs 0) sends the key down and up in one go, so a program that
// polls the key state sees it pressed since its last poll and not held; a
// hold keeps it down that long while the host's thread pumps.
void PressKey(int vk, DWORD holdMs) {
  INPUT in[2] = {};
  in[0].type = INPUT_KEYBOARD;
  in[0].ki.wVk = static_cast<WORD>(vk);
  in[0].ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
  in[1] = in[0];
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  if (holdMs == 0) {
    SendInput(2, in, sizeof(INPUT));
    return;
  }
  SendInput(1, &in[0], sizeof(INPUT));
  Sleep(holdMs);
  SendInput(1, &in[1], sizeof(INPUT));
}

// Runs one line; false ends the script with a failure.
bool Step(const Line& line, bool& exitNow) {
  HostState& st = State();
  const auto& w = line.words;
  const std::string& cmd = w[0];
  const size_t n = w.size();
  long v = 0;
  std::string error;
  if (cmd == "zap" && n == 2) {
    const int idx = FindChannel(st.channels, w[1]);
    if (idx < 0) {
      error = "no channel " + w[1];
    } else {
      PostCall(CallKind::Zap, idx, 0, true, "On_Channel_Change");
      return true;
    }
  } else if (cmd == "wait" && n == 2 && ToInt(w[1], v) && v >= 0) {
    Sleep(static_cast<DWORD>(v));
    return true;
  } else if (cmd == "key" && (n == 2 || (n == 4 && w[2] == "hold" && ToInt(w[3], v) && v > 0)) &&
             KeyCode(w[1]) > 0) {
    const DWORD hold = n == 4 ? static_cast<DWORD>(v) : 0;
    Trace("key: %s%s", w[1].c_str(), hold ? (" held " + std::to_string(hold) + " ms").c_str() : "");
    PressKey(KeyCode(w[1]), hold);
    return true;
  } else if (cmd == "menu" && n == 2) {
    long id = -1;
    for (const MenuItem& m : PluginMenu())
      if (m.text == w[1]) id = m.id;
    if (id < 0 && (!ToInt(w[1], id) || id < 0)) {
      error = "no menu item " + w[1];
    } else {
      PostCall(CallKind::Menu, static_cast<int>(id), 0, false, "On_Menu_Select");
      return true;
    }
  } else if ((cmd == "load" || cmd == "unload") && n == 1) {
    PostCall(cmd == "load" ? CallKind::Load : CallKind::Unload, 0, 0, true, cmd.c_str());
    return true;
  } else if (cmd == "load" && n == 2 && w[1] == "refuse-windows") {
    PostCall(CallKind::Load, 1, 0, true, "load refuse-windows");
    return true;
  } else if (cmd == "file" && n >= 3) {
    if (FileCommand(w, 1, error)) return true;
  } else if (cmd == "close" && n == 2) {
    if (ClosePanel(w[1], error)) return true;
  } else if (cmd == "hotkey" && n == 1) {
    PostCall(CallKind::HotKey, 0, 0, true, "On_Hot_Key");
    return true;
  } else if (cmd == "filterclose" && n == 2 && ToInt(w[1], v)) {
    PostCall(CallKind::FilterClose, static_cast<int>(v), 0, true, "On_Filter_Close");
    return true;
  } else if (cmd == "reload" && (n == 2 || n == 4) && ToInt(w[1], v) && v > 0) {
    long zaps = 0;
    if (n == 4 && (w[2] != "zaps" || !ToInt(w[3], zaps) || zaps < 0)) {
      error = "usage: reload N [zaps K]";
    } else {
      PostCall(CallKind::Reload, static_cast<int>(v), static_cast<int>(zaps), true, "reload");
      return true;
    }
  } else if (cmd == "quality" && n == 2 && (w[1] == "ignore" || ToInt(w[1], v))) {
    SetQuality(w[1] == "ignore" ? -1 : static_cast<int>(v));
    Trace("host: signal quality now %s", w[1].c_str());
    return true;
  } else if (cmd == "press" && n == 3) {
    if (PressButton(w[1], w[2], error)) return true;
  } else if (cmd == "set" && n == 4 && ToInt(w[2], v)) {
    if (SetControl(w[1], static_cast<int>(v), w[3], error)) return true;
  } else if (cmd == "shot" && (n == 2 || n == 3 || (n == 4 && ToInt(w[3], v) && v >= 0))) {
    // shot NAME ["TITLE" [MARGIN]]: the screen, or that window and MARGIN px around it.
    const std::string path = st.opt.out + "\\" + w[1] + ".bmp";
    RECT area = {};
    HWND win = n >= 3 ? FindOwnWindow(w[2]) : nullptr;
    if (n >= 3 && !win) {
      error = "no window " + w[2];
    } else {
      if (win) {
        GetWindowRect(win, &area);
        const int margin = n == 4 ? static_cast<int>(v) : kShotMargin;
        InflateRect(&area, margin, margin);
      }
      if (SaveScreenshot(path, error, win ? &area : nullptr)) {
        Trace("shot: %s", path.c_str());
        return true;
      }
    }
  } else if (cmd == "video" && n == 3 && ToInt(w[1], v) && v >= 0) {
    long h = 0;
    if (ToInt(w[2], h) && h >= 0 && (v == 0) == (h == 0)) {
      SetVideoSize(static_cast<int>(v), static_cast<int>(h));
      return true;
    }
    error = "usage: video WIDTH HEIGHT (0 0: fill the main window)";
  } else if (cmd == "ini" && n >= 2) {
    if (WriteSettingsFile(w, 1, error)) return true;
  } else if (cmd == "remove" && n == 2) {
    if (RemovePluginFile(w[1], error)) return true;
  } else if (cmd == "mouse" && n == 3 && ToInt(w[1], v)) {
    long y = 0;
    if (ToInt(w[2], y)) {
      SetCursorPos(static_cast<int>(v), static_cast<int>(y));
      Trace("mouse: cursor to %ld %ld", v, y);
      return true;
    }
    error = "usage: mouse X Y";
  } else if (cmd == "sample") {
    if (TakeSample(w, error)) return true;
  } else if (cmd == "echo") {
    Trace("echo: %s", Join(w, 1).c_str());
    return true;
  } else if (cmd == "expect" && n >= 2) {
    InterlockedIncrement(&st.checks);
    std::vector<std::string> args(w.begin() + 1, w.end());
    const std::string what = Join(w, 1);
    if (RunExpect(args, error)) {
      Trace("check ok: %s", what.c_str());
    } else {
      Fail("check (line %d): %s: %s", line.number, what.c_str(), error.c_str());
    }
    return true;  // a failed check is counted; the scenario goes on
  } else if (cmd == "exit" && n == 1) {
    exitNow = true;
    return true;
  } else {
    error = "unknown command or wrong arguments";
  }
  Fail("%s:%d: %s: %s", g_script.path.c_str(), line.number, cmd.c_str(), error.c_str());
  return false;
}

DWORD WINAPI ScriptThread(void*) {
  HostState& st = State();
  Trace("host: script thread %lu", static_cast<unsigned long>(GetCurrentThreadId()));
  bool exitNow = false;
  for (const Line& line : g_script.lines) {
    const std::string text = Join(line.words, 0);
    if (line.words[0] != "expect") Trace("step %d: %s", line.number, text.c_str());
    // Time of its own (waits, polling checks) plus the hang limit.
    long own = 0;
    if (line.words[0] == "wait" && line.words.size() > 1) ToInt(line.words[1], own);
    if (line.words[0] == "key" && line.words.size() > 3) ToInt(line.words[3], own);
    for (size_t i = 0; i + 1 < line.words.size(); ++i)
      if (line.words[i] == "within") ToInt(line.words[i + 1], own);
    WatchScope watch(kSlotScript, text.c_str(), static_cast<DWORD>(own) + HangMs() + 5000);
    if (!Step(line, exitNow)) break;
    if (exitNow) break;
  }
  // The host shuts the plug-in down only once every menu call has returned.
  const DWORD deadline = GetTickCount() + HangMs();
  while ((st.menuDepth > 0 || st.callsPending > 0) && GetTickCount() < deadline) Sleep(20);
  if (st.menuDepth > 0)
    Die(kExitHang, "HANG: the scenario ended while On_Menu_Select was still running");
  PostMessageA(st.mainWnd, kMsgFinish, 0, 0);
  return 0;
}

}  // namespace

bool LoadScenario(const std::string& path, std::string& error) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot open scenario " + path;
    return false;
  }
  g_script.path = path;
  char buf[2048];
  int number = 0;
  bool ok = true;
  while (std::fgets(buf, sizeof buf, f)) {
    ++number;
    Line line{number, {}};
    std::string text(buf);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::vector<std::string> header;
    if (HeaderWords(text, header)) g_script.headers.push_back(header);
    if (!Tokenize(text, line.words)) {
      error = path + ":" + std::to_string(number) + ": unclosed quote";
      ok = false;
      break;
    }
    if (!line.words.empty()) g_script.lines.push_back(line);
  }
  std::fclose(f);
  return ok;
}

const std::vector<std::vector<std::string>>& ScenarioHeaders() { return g_script.headers; }

void StartScript() { CreateThread(nullptr, 0, ScriptThread, nullptr, 0, nullptr); }

}  // namespace mdhost
