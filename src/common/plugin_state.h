// State the shell sets up at attach and every subsystem reads: the four panel
// handles, the host's window and our id, and the paths beside the library.
#pragma once

#include <atomic>
#include <cstdint>

#include "common/version.h"
#include "platform/win32.h"

constexpr int kNoPanel = -1;

struct Panels {
  std::atomic<int> banner{kNoPanel};
  std::atomic<int> settings{kNoPanel};
  std::atomic<int> about{kNoPanel};
  std::atomic<int> epg{kNoPanel};
  // The dialog panel whose menu loop runs (the user is working in it), or
  // kNoPanel; set by the menu.
  std::atomic<int> menuOpen{kNoPanel};
};

struct HostLink {
  std::atomic<win32::Wnd> hostWnd{nullptr};  // from On_Start
  std::atomic<int32_t> pluginId{0};          // DLL_ID from On_Start
};

struct Paths {
  char moduleDir[256];
  char iniPath[256];
  // The settings a release ships for a new install, read while there is no
  // tavik.ini; as long as "tavik.ini.new", so it fits wherever that does.
  char defaultIniPath[260];
  char iconDir[512];
  char uirPath[256];
};

extern Panels panels;
extern HostLink hostLink;
extern Paths paths;

constexpr const char* kVersionText = TAVIK_ABOUT_TEXT;
constexpr const char* kPluginName = "Tavik";
