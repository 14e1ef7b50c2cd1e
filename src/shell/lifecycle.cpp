// Attach and detach: everything the plug-in sets up when the host loads it and
// takes down when the host unloads it.
#include "shell/lifecycle.h"

#include <cstring>

#include "banner/banner.h"
#include "common/memory_reserve.h"
#include "common/plugin_state.h"
#include "common/text.h"
#include "guide/guide.h"
#include "guide/schedule_engine.h"
#include "keep/guide_keeping.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "platform/win32.h"
#include "settings/settings.h"
#include "shell/start_report.h"

namespace {

struct LifecycleState {
  bool runtimeOpen = false;
  void* module = nullptr;
  uintptr_t keyHook = 0;  // the host's thread's keyboard hook
  bool keeping = false;   // the keeper of tavik.epg runs
};
// On_Exit waits at most this long for the kept guide's last write.
constexpr uint32_t kKeepExitBudgetMs = 100;
LifecycleState lifecycle;

// The longest folder path whose files' paths all fit ("\tavik.ini" and
// "\tavik.uir" are the longest names after it that must fit in 256 bytes).
constexpr size_t kMaxFolderChars = sizeof Paths::iniPath - sizeof "\\tavik.ini";
constexpr char kDefaultIniName[] = "\\tavik-def.ini";
static_assert(kMaxFolderChars + sizeof kDefaultIniName <= sizeof Paths::defaultIniPath,
              "the shipped settings' path fits wherever tavik.ini's does");
constexpr int kOpaqueAlpha = 250;  // this and above: no layered window
constexpr int kMinAlpha = 100;     // below this the banner is fully opaque

const ui::CallbackEntry kCallbacks[] = {
    {"OK", &OK}, {"EPGOK", &EPGOK}, {"SAVE", &SAVE}, {"FONT", &FONT}, {"EPGROW", &EPGROW}};

void Debug(const char* text) { win32::OutputDebugStringA(text); }

// Builds dir + suffix into out; false (with the reason sent to the debugger)
// when it does not fit: a cut path would name another file.
bool BuildPath(char* out, size_t capacity, const char* suffix) {
  int n = FormatText(out, capacity, "%s%s", paths.moduleDir, suffix);
  if (!Truncated(n, capacity)) return true;
  out[0] = '\0';
  Debug("Tavik: the plug-in folder's path is too long");
  return false;
}

bool BuildPaths(void* module) {
  std::memset(&paths, 0, sizeof paths);
  if (ui::GetModuleDir(module, paths.moduleDir, sizeof paths.moduleDir) < 0) {
    Debug("Tavik: the plug-in folder's path is too long");
    return false;
  }
  return BuildPath(paths.iniPath, sizeof paths.iniPath, "\\tavik.ini") &&
         BuildPath(paths.defaultIniPath, sizeof paths.defaultIniPath, kDefaultIniName) &&
         BuildPath(paths.iconDir, sizeof paths.iconDir, "\\tavik_icon\\") &&
         BuildPath(paths.uirPath, sizeof paths.uirPath, "\\tavik.uir");
}

bool PanelFileExists() {
  int file = ui::OpenFile(paths.uirPath, 1, 0, 1);
  if (file < 0) return false;
  ui::CloseFile(file);
  return true;
}

// Loads the four panels; on failure tells the user why.
bool LoadPanels(void* module) {
  // Each dialog panel must have the button that closes it and ends its loop.
  struct Load {
    std::atomic<int>* handle;
    int id;
    const char* closingCallback;
  } const loads[] = {{&panels.banner, panel::kBannerId, nullptr},
                     {&panels.settings, panel::kSettingsId, "SAVE"},
                     {&panels.about, panel::kAboutId, "OK"},
                     {&panels.epg, panel::kEpgId, "EPGOK"}};
  for (const Load& load : loads) {
    int handle = ui::LoadPanelEx(0, paths.uirPath, load.id, module);
    if (handle < 0) {
      char reason[600];
      ui::LastRuntimeReason(reason, sizeof reason);
      ReportStartProblem(module,
                         handle == ui::kErrNoWindow ? StartProblem::kNoWindow
                                                    : StartProblem::kPanelFileRefused,
                         reason);
      return false;
    }
    *load.handle = handle;
    if (load.closingCallback && !ui::PanelHasCallback(handle, load.closingCallback)) {
      char reason[400];
      FormatText(reason, sizeof reason, "Tavik: %s: panel %d has no %s button\n",
                 paths.uirPath, load.id, load.closingCallback);
      Debug(reason);
      FormatText(reason, sizeof reason, "panel %d has no %s button", load.id,
                 load.closingCallback);
      ReportStartProblem(module, StartProblem::kPanelFileRefused, reason);
      return false;
    }
  }
  return true;
}

// Below an alpha of 250 the banner becomes a layered window of that opacity
// (below 100: fully opaque). Without the system function it stays opaque.
void MakeBannerTranslucent() {
  int alpha = settings.alpha;
  if (alpha >= kOpaqueAlpha) return;
  win32::Wnd bannerWnd = ui::PanelWindow(panels.banner);
  win32::Module user32 = win32::GetModuleHandleA("USER32.DLL");
  win32::SetLayeredFn setLayered = win32::GetSetLayeredWindowAttributes(user32);
  if (setLayered == nullptr || bannerWnd == nullptr) {
    Debug("Tavik: no layered windows here; the banner stays opaque");
    return;
  }
  int32_t style = win32::GetWindowLongA(bannerWnd, win32::kGwlExStyle);
  win32::SetWindowLongA(bannerWnd, win32::kGwlExStyle, style | win32::kWsExLayered);
  if (alpha < kMinAlpha) alpha = 255;
  setLayered(bannerWnd, 0, static_cast<uint8_t>(alpha), win32::kLwaAlpha);
}

// The four panels in their load order: banner, settings, about, EPG.
std::atomic<int>* const kAllPanels[] = {&panels.banner, &panels.settings, &panels.about,
                                        &panels.epg};

void ForEachPanel(int (*op)(int)) {
  for (std::atomic<int>* p : kAllPanels)
    if (*p >= 0) op(*p);
}

void UnhookKeys() {
  win32::UnhookThreadKeyUps(lifecycle.keyHook);
  lifecycle.keyHook = 0;
}

}  // namespace

int Attach(void* module) {
  lifecycle.module = module;
  RenewMemoryReserve();
  if (ui::InitRuntime(module, kCallbacks, sizeof kCallbacks / sizeof kCallbacks[0]) != 1) {
    ReportStartProblem(module, StartProblem::kNoWindow, "its window classes");
    return 0;
  }
  lifecycle.runtimeOpen = true;
  if (!BuildPaths(module)) {
    ReportStartProblem(module, StartProblem::kFolderTooLong, nullptr, kMaxFolderChars);
    Detach();
    return 0;
  }
  GetPar();  // no panels yet: only the values count
  int32_t height = BannerHeightForStyle(settings.style);
  if (height >= 0) settings.bannerHeight = height;  // else the default style's, set by GetPar
  if (!PanelFileExists()) {
    ReportStartProblem(module, StartProblem::kPanelFileMissing, nullptr);
    Detach();
    return 0;
  }
  if (!LoadPanels(module)) {
    Detach();
    return 0;
  }
  GetPar();  // now it fills the settings panel and styles the banner
  if (std::strlen(settings.fontname) > 3) ApplyFont();
  // Shown and hidden again at once: never painted in between.
  ui::DeferPanelUpdates(panels.banner, 1);
  ui::DisplayPanel(panels.banner);
  MakeBannerTranslucent();
  ui::SetCtrlVal(panels.about, panel::kAboutVersion, kVersionText);
  ForEachPanel(&ui::HidePanel);
  ui::DeferPanelUpdates(panels.banner, 0);
  ResetBanner();
  ResetGuide();
  ForgetKeyPresses();
  if (!StartBannerTimer(settings.showtime))
    ReportStartProblem(module, StartProblem::kNoTimer, nullptr, TimerPeriodFor(settings.showtime));
  return 1;
}

void KeepGuide() {
  if (lifecycle.keeping || settings.schedule != 1 || settings.keepguide != 1) return;
  // The store the file is read into, made now: the keeper's worker reads
  // while the host goes on, before or after the first channel change.
  guide::PrepareSchedule();
  lifecycle.keeping = keep::StartKeepingGuide(lifecycle.module);
}

void WatchHostKeys() {
  UnhookKeys();
  lifecycle.keyHook = win32::HookThreadKeyUps(&KeyUpOnHostThread);
}

int Detach() {
  UnhookKeys();
  // The timer goes first, so that no tick can meet a panel being discarded.
  StopBannerTimer();
  ForEachPanel(&ui::HidePanel);
  ForEachPanel(&ui::DiscardPanel);
  for (std::atomic<int>* p : kAllPanels) *p = kNoPanel;
  StopEitFilter();
  guide::ReleaseSchedule();
  if (lifecycle.runtimeOpen) ui::CloseRuntime();
  lifecycle.runtimeOpen = false;
  ReleaseMemoryReserve();
  return 1;
}

void ExitPlugin() {
  // A host that exits from inside our panel's loop gets its call back.
  CloseMenuPanel();
  UnhookKeys();
  StopEitFilter();
  // No more sections: the last write has the whole store.
  if (lifecycle.keeping) keep::StopKeepingGuide(kKeepExitBudgetMs);
  lifecycle.keeping = false;
  int banner = panels.banner.exchange(kNoPanel);
  if (banner >= 0) {
    ui::HidePanel(banner);
    ui::DiscardPanel(banner);
  }
  // GDI+ may not be shut down from DllMain: it goes here, or with the process.
  ui::ShutdownPictures();
}
