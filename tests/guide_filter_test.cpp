// Tests of the EIT filter request, its start and stop, and the eitState
// transitions the channel change and the banner timer make.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/channel_record.h"
#include "common/plugin_state.h"
#include "guide/guide.h"
#include "tests/hostkit/record.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fake_ui_runtime.h"
#include "platform/host_interface.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"
#include "tests/support/guide_sections.h"

namespace {

constexpr int32_t kNoAnswer = 0x7FFF0000;  // the host leaves the handle alone

class GuideFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::ResetDesktop();
    fake::ResetUi();
    ResetGuide();
    ResetSettings();
    hostWnd = fake::AddWindow("ProgDVB host", {0, 0, 800, 600});
    hostLink.hostWnd = hostWnd;
    hostLink.pluginId = 0x12345;
    SaveChannelRecord(hostkit::MakeRecord("Test", 11778000, 13, 0x1234, 0));
    banner = ui::LoadPanelEx(0, TAVIK_SOURCE_DIR "/src/resources/tavik.uir", panel::kBannerId,
                             nullptr);
    ASSERT_GE(banner, 0);
  }
  void TearDown() override { fake::SetHostHandler(nullptr); }

  // A host that copies the request it is sent and writes handle into it.
  void HostAnswers(int32_t handle) {
    fake::SetHostHandler([this, handle](win32::Wnd, uint32_t, uintptr_t code, intptr_t lp) {
      if (code == host::kCmdStartFilter) {
        std::memcpy(request, reinterpret_cast<const void*>(lp), sizeof request);
        if (handle != kNoAnswer)
          reinterpret_cast<host::EitFilterRequest*>(lp)->handle = handle;
      }
      return intptr_t(1);
    });
  }

  std::vector<fake::SentMessage> Commands(uintptr_t code) {
    std::vector<fake::SentMessage> out;
    for (const fake::SentMessage& m : fake::SentMessages())
      if (m.wparam == code) out.push_back(m);
    return out;
  }

  win32::Wnd hostWnd = nullptr;
  int banner = -1;
  uint8_t request[48] = {};
};

TEST_F(GuideFilter, RequestBytesAsTheHostReadsThem) {
  HostAnswers(77);
  GetEIT();
  ASSERT_EQ(Commands(host::kCmdStartFilter).size(), 1u);

  const uint8_t head[] = {0x45, 0x23, 0x01, 0x00, 0x12, 0x00};  // dllId, filterId, pid
  EXPECT_EQ(0, std::memcmp(request, head, sizeof head));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(request + 6)), "Tavik EIT filter");
  for (int i = 6 + 16; i < 40; ++i) EXPECT_EQ(request[i], 0) << "name field byte " << i;
  host::DataCallback routine = &OnDataArrival;
  uint32_t low = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(routine));
  const uint8_t address[] = {uint8_t(low), uint8_t(low >> 8), uint8_t(low >> 16),
                             uint8_t(low >> 24)};
  EXPECT_EQ(0, std::memcmp(request + 40, address, 4));
  const uint8_t minusOne[] = {0xFF, 0xFF, 0xFF, 0xFF};  // before the host writes
  EXPECT_EQ(0, std::memcmp(request + 44, minusOne, 4));
}

TEST_F(GuideFilter, StartSendsOnceAndStopCarriesTheHostsHandle) {
  struct Case {
    int32_t hostWrites;
    int32_t kept;
  };
  const Case cases[] = {{77, 77}, {kNoAnswer, -1}, {0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kept);
    SetUp();
    HostAnswers(c.hostWrites);
    GetEIT();
    EXPECT_EQ(eitState.load(), 1);
    EXPECT_EQ(EitFilterHandle(), c.kept);
    GetEIT();  // a filter runs: nothing more is sent
    auto starts = Commands(host::kCmdStartFilter);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].wnd, hostWnd);
    EXPECT_EQ(starts[0].msg, host::kWmUser);

    StopEitFilter();
    EXPECT_EQ(eitState.load(), 0);
    StopEitFilter();  // stopped already: no second command
    auto stops = Commands(host::kCmdStopFilter);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0].lparam, static_cast<intptr_t>(c.kept));
    EXPECT_EQ(stops[0].wnd, hostWnd);
  }
}

TEST_F(GuideFilter, StopWithoutAFilterSendsNothing) {
  StopEitFilter();
  EXPECT_TRUE(fake::SentMessages().empty());
  EXPECT_EQ(eitState.load(), 0);
}

TEST_F(GuideFilter, StartAgainAfterAStop) {
  HostAnswers(5);
  GetEIT();
  StopEitFilter();
  HostAnswers(6);
  GetEIT();
  EXPECT_EQ(Commands(host::kCmdStartFilter).size(), 2u);
  EXPECT_EQ(EitFilterHandle(), 6);
}

TEST_F(GuideFilter, ChannelChangeRestartsAndTimerShowsCompleteLines) {
  HostAnswers(9);
  GetEIT();
  settings.epgtext = 0;
  OnDataArrival(1, 184, sections::Units([] {
                  sections::Section s;
                  s.descriptors = sections::ShortEvent(sections::Text("News"), {});
                  return s;
                }()).data());
  EXPECT_EQ(eitState.load(), 3);
  EXPECT_FALSE(ShowCompleteProgrammeLines(banner));  // waits for both lines
  EXPECT_EQ(fake::CtrlText(banner, panel::kNowLine), "");

  sections::Section next;
  next.sectionNumber = 1;
  next.hour = 0x21;
  next.minute = 0x00;
  next.descriptors = sections::ShortEvent(sections::Text("Film"), {});
  sections::Bytes nextUnits = sections::Units(next);
  OnDataArrival(1, 184, nextUnits.data());
  EXPECT_EQ(eitState.load(), 7);
  EXPECT_TRUE(ShowCompleteProgrammeLines(banner));
  EXPECT_EQ(eitState.load(), 8);
  EXPECT_EQ(fake::CtrlText(banner, panel::kNowLine), "(20:15) News ");
  EXPECT_EQ(fake::CtrlText(banner, panel::kNextLine), "(21:00) Film ");
  EXPECT_FALSE(ShowCompleteProgrammeLines(banner));  // shown once

  // A channel change while the lines are shown: 8 -> 1, lines emptied on the
  // banner, the filter left running.
  RestartProgrammeLines(banner);
  EXPECT_EQ(eitState.load(), 1);
  EXPECT_EQ(fake::CtrlText(banner, panel::kNowLine), "");
  EXPECT_EQ(fake::CtrlText(banner, panel::kNextLine), "");
  EXPECT_EQ(Commands(host::kCmdStartFilter).size(), 1u);
  EXPECT_TRUE(Commands(host::kCmdStopFilter).empty());
  OnDataArrival(1, 184, nextUnits.data());  // decoded again for the new channel
  EXPECT_EQ(eitState.load(), 5);
}

// The host closes a filter by itself: ours is forgotten and the next start
// asks for a new one (no stop is sent for it); another handle changes nothing.
TEST_F(GuideFilter, HostClosingOurFilterLetsTheNextChangeStartOne) {
  HostAnswers(-1);
  GetEIT();
  FilterClosedByHost(7);  // not ours
  EXPECT_EQ(eitState.load(), 1);
  EXPECT_EQ(EitFilterHandle(), -1);
  FilterClosedByHost(0xFFFFFFFFu);  // ours: the host wrote -1
  EXPECT_EQ(eitState.load(), 0);
  const uint8_t* noise = nullptr;
  OnDataArrival(1, 184, noise);  // a straggler: ignored while stopped
  EXPECT_EQ(eitState.load(), 0);
  HostAnswers(3);
  GetEIT();
  EXPECT_EQ(Commands(host::kCmdStartFilter).size(), 2u);
  EXPECT_EQ(EitFilterHandle(), 3);
  StopEitFilter();
  EXPECT_EQ(Commands(host::kCmdStopFilter).size(), 1u);
  FilterClosedByHost(3);  // after the stop: nothing to forget
  EXPECT_EQ(eitState.load(), 0);
}

// The present event's description is handed out only for the channel change
// it was decoded for: a later record, even one too short to show a banner or
// one on the same service, gets an empty text until its own section arrives.
TEST_F(GuideFilter, DescriptionOnlyForTheChannelItWasDecodedFor) {
  HostAnswers(1);
  GetEIT();
  const sections::Bytes present = sections::Units([] {
    sections::Section s;
    s.descriptors = sections::ShortEvent(sections::Text("News"), sections::Text("Headlines"));
    return s;
  }());
  OnDataArrival(1, 184, present.data());
  char text[64];
  CopyNowTextFor(CurrentChannelSerial(), text, sizeof text);
  EXPECT_STREQ(text, "Headlines");
  SaveChannelRecord(hostkit::MakeRecord("X", 11778000, 13, 0x1234, 0));  // same service, new record
  CopyNowTextFor(CurrentChannelSerial(), text, sizeof text);
  EXPECT_STREQ(text, "");
  RestartProgrammeLines(banner);
  OnDataArrival(1, 184, present.data());
  CopyNowTextFor(CurrentChannelSerial(), text, sizeof text);
  EXPECT_STREQ(text, "Headlines");
}

}  // namespace
