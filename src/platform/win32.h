// The user32, kernel32 and winmm calls the plug-in makes, behind one header.
// On Windows these are the real API (platform/win/win32_calls.cpp); in native
// builds they are a scripted fake desktop (tests/fakes/fake_desktop.cpp).
#pragma once

#include <cstdint>

#ifdef _WIN32
#define TAVIK_STDCALL __stdcall
#else
#define TAVIK_STDCALL
#endif

namespace win32 {

using Wnd = void*;     // HWND
using Module = void*;  // HMODULE / HINSTANCE

struct Rect {
  int32_t left, top, right, bottom;
};

constexpr uint32_t kWmUser = 0x0400;
constexpr int kGwlExStyle = -20;
constexpr int32_t kWsExLayered = 0x80000;
constexpr uint32_t kLwaAlpha = 2;
constexpr uint32_t kSwpShowWindow = 0x40;
constexpr uint32_t kSwpNoActivate = 0x10;
constexpr uint32_t kTimePeriodic = 1;
constexpr uint32_t kTimeKillSynchronous = 0x100;
constexpr uint32_t kMbOk = 0;
constexpr uint32_t kMbIconWarning = 0x30;
constexpr uint32_t kMbTopmost = 0x40000;
inline Wnd const kHwndTopmost = reinterpret_cast<Wnd>(static_cast<intptr_t>(-1));

// The layout of SYSTEMTIME.
struct SystemTime {
  uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};

using EnumWindowsProc = int(TAVIK_STDCALL*)(Wnd, intptr_t);
using TimerCallback = void(TAVIK_STDCALL*)(uint32_t id, uint32_t msg, uintptr_t user,
                                           uintptr_t r1, uintptr_t r2);
using SetLayeredFn = int(TAVIK_STDCALL*)(Wnd, uint32_t colorKey, uint8_t alpha,
                                         uint32_t flags);

// user32
int EnumWindows(EnumWindowsProc proc, intptr_t lparam);
int GetWindowTextA(Wnd wnd, char* buf, int maxCount);
Wnd WindowFromPoint(int x, int y);
int GetWindowRect(Wnd wnd, Rect* rect);
int SetWindowPos(Wnd wnd, Wnd insertAfter, int x, int y, int cx, int cy, uint32_t flags);
int32_t GetWindowLongA(Wnd wnd, int index);
int32_t SetWindowLongA(Wnd wnd, int index, int32_t value);
Wnd SetFocus(Wnd wnd);
int SetForegroundWindow(Wnd wnd);
Wnd GetForegroundWindow();
// The thread that made the window; its process into *processId when not null.
uint32_t GetWindowThreadProcessId(Wnd wnd, uint32_t* processId);
int16_t GetAsyncKeyState(int vk);
// A keyboard hook on the calling thread: keyUp(vk) runs on that thread for
// each key message the thread takes from its queue as the key comes up,
// before its window sees it; the message goes on unchanged. One hook at a
// time; 0 when the system refused it.
using KeyUpSeen = void (*)(int vk);
uintptr_t HookThreadKeyUps(KeyUpSeen keyUp);
void UnhookThreadKeyUps(uintptr_t hook);
void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uintptr_t extra);
int SetCursorPos(int x, int y);
intptr_t SendMessageA(Wnd wnd, uint32_t msg, uintptr_t wparam, intptr_t lparam);
int MessageBoxA(Wnd owner, const char* text, const char* caption, uint32_t type);
// The rectangle of the monitor that holds the window (the nearest one when it
// lies on none: MonitorFromWindow, then GetMonitorInfo); 0 when the system
// names no monitor for it (a null or dead window).
int GetWindowMonitorRect(Wnd wnd, Rect* rect);
// The DPI the window is drawn at (GetDpiForWindow where the system has it,
// else the screen's); 96 when neither answers.
int GetWindowDpi(Wnd wnd);

// kernel32
Module GetModuleHandleA(const char* name);
SetLayeredFn GetSetLayeredWindowAttributes(Module user32);  // GetProcAddress by name
void OutputDebugStringA(const char* text);
uint32_t GetCurrentProcessId();
uint32_t GetCurrentThreadId();
void Sleep(uint32_t ms);
// A UTC moment in the local time of Windows' time zone, with the daylight
// saving rule of that date (SystemTimeToTzSpecificLocalTime, current zone).
int SystemTimeToTzSpecificLocalTime(const SystemTime* utc, SystemTime* local);
// Now, in whole seconds since 1970-01-01 UTC (GetSystemTimeAsFileTime).
int64_t UtcNowSeconds();
// The user's temp folder with a trailing backslash; its length, 0 on failure
// (or the size needed when it does not fit in size bytes).
uint32_t GetTempPathA(uint32_t size, char* buf);

// winmm
uint32_t timeSetEvent(uint32_t delay, uint32_t resolution, TimerCallback proc,
                      uintptr_t user, uint32_t flags);
uint32_t timeKillEvent(uint32_t id);

}  // namespace win32
