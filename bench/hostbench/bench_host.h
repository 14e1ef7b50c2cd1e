// The timing host's own side: its windows (main window and a video window
// that keeps painting), its message loop, loading the plug-in and calling its
// exports, and the floor a channel change is measured against.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/host_interface.h"

namespace bench {

constexpr int kScreenProbeGrid = 200;  // the discovery's probe spacing
constexpr int kVideoTimerMs = 40;      // the host's moving test picture
constexpr UINT_PTR kVideoTimer = 1;

struct Channel {
  const char* name;
  uint32_t frequency;
  uint8_t polarity;
  uint16_t sid;
  uint8_t ca;
};
// Channels with a logo in tests/e2e/logos, and one without (0.jpg).
const Channel kChannels[] = {
    {"Tavik One", 11778000, 1, 0x101, 0},   {"Harbour TV", 11778000, 1, 0x102, 0},
    {"Cinema Nord", 12188000, 0, 0x103, 5}, {"Kids Corner", 12188000, 0, 0x104, 0},
    {"Sport 24", 12640000, 13, 0x105, 1},   {"No Logo Here", 10714000, 0, 0x106, 0},
};

struct Host {
  HWND main = nullptr, video = nullptr;
  int frame = 0;
  std::string family = "skyview";
  host::DataCallback dataRoutine = nullptr;  // from the plug-in's filter request
};
extern Host hostApp;


double Now();  // ms
void MakeHostWindows();
void Pump(double ms);  // the host's message loop for ms milliseconds
double Drain();        // dispatches what is queued; ms spent on the plug-in's windows
host::TProgram82 Record(const Channel& c);

struct Plugin {
  HMODULE module = nullptr;
  host::OnStart* start = nullptr;
  host::OnSendDllIdName* name = nullptr;
  host::OnChannelChange* change = nullptr;
  host::OnMenuSelect* menu = nullptr;
  host::OnExit* exit = nullptr;
};
bool Load(const char* path, Plugin* p);
void Start(Plugin& p);
void Unload(Plugin& p);

// The floor: what the discovery asks of the system, and one logo decode.
double FloorDiscovery();
double FloorDecode(const char* jpg);

}  // namespace bench
