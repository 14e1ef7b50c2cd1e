// Cost of a channel change as the host sees it (enumeration, probe, logo,
// layout, details) and of one timer tick, against the fake desktop and runtime.
#include <benchmark/benchmark.h>

#include <string>

#include "banner/banner.h"
#include "banner/banner_state.h"
#include "common/plugin_state.h"
#include "common/text.h"
#include "tests/hostkit/record.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fake_ui_runtime.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"

namespace {

constexpr const char* kIconDir = "/icons/";

// A desktop like a real one: helper windows first, the host's main window
// last (the worst case for the enumeration), optionally its video window.
void SetUpDesktop(int otherWindows, bool withVideo, bool withLogo) {
  fake::ResetDesktop();
  fake::ResetUi();
  ResetBanner();
  const std::string uir = std::string(TAVIK_SOURCE_DIR) + "/src/resources/tavik.uir";
  panels.banner = ui::LoadPanelEx(0, uir.c_str(), panel::kBannerId, nullptr);
  panels.epg = ui::LoadPanelEx(0, uir.c_str(), panel::kEpgId, nullptr);
  for (int i = 0; i < otherWindows; ++i)
    fake::AddWindow("Helper window " + std::to_string(i), win32::Rect{0, 0, 10, 10});
  win32::Wnd hostWnd = fake::AddWindow("ProgDVB 6.5", win32::Rect{0, 0, 1280, 1000});
  if (withVideo)
    fake::AddWindow("BBC One", win32::Rect{0, 0, 1280, 900}, hostWnd);
  hostLink.hostWnd = hostWnd;
  fake::SetHostHandler([](win32::Wnd, uint32_t, uintptr_t code, intptr_t lparam) {
    if (code == host::kCmdSignalQuery)
      reinterpret_cast<host::SignalReply*>(lparam)->quality = 80;
    return intptr_t(1);
  });
  CopyText(paths.iconDir, sizeof paths.iconDir, kIconDir);
  fake::AddImageFile(std::string(kIconDir) + "0.jpg");
  if (withLogo) fake::AddImageFile(std::string(kIconDir) + "BBC One.jpg");
  settings.bannerHeight = 90;
  settings.videownd = 1;
  settings.epgon = 0;
  WithBannerState([](BannerState& s) { s.bannerArmed = 1; });
}

void ClearRecords() {
  fake::ClearRecords();
  fake::ClearUiCalls();
}

// args: other top-level windows, video window present (probe hits the centre)
// or absent (probe walks all 31 points), logo present or fallback.
void BM_ChannelChange(benchmark::State& state) {
  SetUpDesktop(static_cast<int>(state.range(0)), state.range(1) != 0, state.range(2) != 0);
  const host::TProgram82 chan = hostkit::MakeRecord("BBC One", 11778000, 18, 0x1234, 38);
  int n = 0;
  for (auto _ : state) {
    ChannelChange(chan);
    if (++n % 256 == 0) {
      state.PauseTiming();
      ClearRecords();  // keep the fakes' call logs small
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_ChannelChange)
    ->ArgNames({"windows", "video", "logo"})
    ->Args({10, 1, 1})
    ->Args({50, 1, 1})
    ->Args({50, 0, 1})
    ->Args({50, 1, 0})
    ->Args({200, 0, 0});

void BM_Enumeration(benchmark::State& state) {
  SetUpDesktop(static_cast<int>(state.range(0)), true, true);
  for (auto _ : state) benchmark::DoNotOptimize(win32::EnumWindows(EPproc, 0));
}
BENCHMARK(BM_Enumeration)->Arg(10)->Arg(50)->Arg(200);

void BM_ProbeMiss(benchmark::State& state) {
  SetUpDesktop(50, false, true);
  SaveChannelRecord(hostkit::MakeRecord("BBC One", 0, 0, 0, 0));
  WithBannerState([](BannerState& s) {
    s.screenWidth = 1280;
    s.screenHeight = 1024;
  });
  for (auto _ : state) benchmark::DoNotOptimize(EPtry());
}
BENCHMARK(BM_ProbeMiss);

// An idle tick (no key, banner hidden) and a counting tick.
void BM_TimerTick(benchmark::State& state) {
  SetUpDesktop(10, true, true);
  const bool counting = state.range(0) != 0;
  int n = 0;
  for (auto _ : state) {
    if (counting) WithBannerState([](BannerState& s) { s.bannerActive = 1; s.tickCount = 1; });
    TimerProc(0, 0, 0, 0, 0);
    if (++n % 1024 == 0) {
      state.PauseTiming();
      ClearRecords();
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_TimerTick)->ArgName("counting")->Arg(0)->Arg(1);

}  // namespace
