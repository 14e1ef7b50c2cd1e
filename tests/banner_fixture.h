// Shared set-up of the banner tests: the banner and EPG panels loaded from the
// real panel file into the fake runtime, a host main window on the fake
// desktop that answers the signal query, and helpers to tune and tick.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "banner/banner.h"
#include "banner/banner_state.h"
#include "common/plugin_state.h"
#include "common/text.h"
#include "guide/guide.h"
#include "tests/hostkit/record.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fake_ui_runtime.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"
#include "tests/support/plugin_fixture.h"

class BannerTest : public ::testing::Test {
 public:
  static void Tick(int count = 1) {
    for (int i = 0; i < count; ++i) TimerProc(0, 0, 0, 0, 0);
  }

 protected:
  void SetUp() override {
    testing_support::ResetEverything();
    const std::string uir = testing_support::SourcePath("src/resources/tavik.uir");
    panels.banner = ui::LoadPanelEx(0, uir.c_str(), panel::kBannerId, nullptr);
    panels.epg = ui::LoadPanelEx(0, uir.c_str(), panel::kEpgId, nullptr);
    ASSERT_GE(panels.banner.load(), 0) << "banner panel not loaded from " << uir;
    ASSERT_GE(panels.epg.load(), 0) << "EPG panel not loaded from " << uir;
    bannerPanel_ = panels.banner;
    settings.style = 1;
    settings.bannerHeight = 90;
    settings.showtime = 3000;
    CopyText(paths.iconDir, sizeof paths.iconDir, kIconDir);
    fake::AddImageFile(std::string(kIconDir) + "0.jpg");
    hostWnd_ = fake::AddWindow(hostTitle_, win32::Rect{0, 0, 1280, 1000});
    hostLink.hostWnd = hostWnd_;
    fake::SetHostHandler([this](win32::Wnd, uint32_t msg, uintptr_t code, intptr_t lparam) {
      if (msg == host::kWmUser && code == host::kCmdSignalQuery && answerSignal_)
        reinterpret_cast<host::SignalReply*>(lparam)->quality = quality_;
      if (msg == host::kWmUser && code == host::kCmdStartFilter)
        reinterpret_cast<host::EitFilterRequest*>(lparam)->handle = 1;
      return intptr_t(1);
    });
    fake::ClearRecords();
    fake::ClearUiCalls();
  }

  void TearDown() override { testing_support::ResetEverything(); }

  static constexpr const char* kIconDir = "/icons/";

  static void Change(const char* name, uint32_t frequency = 11778000, uint8_t polarity = 18,
                     uint16_t serviceId = 0x1234, uint8_t ca = 0) {
    ChannelChange(hostkit::MakeRecord(name, frequency, polarity, serviceId, ca));
  }
  // Ends the first change's countdown so that later changes show the banner.
  static void Arm() {
    Change("Arming");
    Tick(5);
    fake::ClearRecords();
    fake::ClearUiCalls();
  }

  win32::Wnd BannerWnd() const { return fake::PanelWindow(bannerPanel_); }
  bool BannerVisible() const { return fake::PanelVisible(bannerPanel_); }
  std::string Text(int control) const { return fake::CtrlText(bannerPanel_, control); }
  int Attr(int control, int attr) const { return fake::CtrlAttr(bannerPanel_, control, attr); }

  // Placements of the banner window, in order.
  std::vector<fake::WindowPos> BannerPlacements() const {
    std::vector<fake::WindowPos> out;
    for (const fake::WindowPos& p : fake::WindowPositions())
      if (p.wnd == BannerWnd()) out.push_back(p);
    return out;
  }

  int bannerPanel_ = -1;
  std::string hostTitle_ = "ProgDVB 6.5";
  win32::Wnd hostWnd_ = nullptr;
  int quality_ = 75;
  bool answerSignal_ = true;
};
