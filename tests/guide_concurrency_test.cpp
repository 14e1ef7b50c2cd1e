// Three threads as in the host: deliveries on the data thread, channel
// changes on the host's thread, the banner timer showing lines (and lines
// that follow the programme). No line of a previous service may reach banner
// controls 10 and 11 after a change.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/channel_record.h"
#include "guide/guide.h"
#include "tests/hostkit/record.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fake_ui_runtime.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"
#include "tests/support/guide_sections.h"

namespace {

struct Service {
  uint16_t sid;
  const char* tag;
};
const Service kServices[] = {{0x0101, "AAA"}, {0x0202, "BBB"}};

// One delivery holding the present and following sections of both services;
// another programme has other event ids.
sections::Bytes MixedDelivery(uint16_t programme) {
  sections::Bytes all;
  for (const Service& s : kServices) {
    for (uint8_t number = 0; number < 2; ++number) {
      sections::Section sec;
      sec.serviceId = s.sid;
      sec.sectionNumber = number;
      sec.eventId = static_cast<uint16_t>(programme * 2 + number);
      std::string name = std::string(s.tag) + (number ? "-next" : "-now");
      sec.descriptors = sections::ShortEvent(sections::Text(name), sections::Text(s.tag));
      all = sections::Cat(all, sections::Units(sec));
    }
  }
  return all;
}

// Parses the text of a logged SetCtrlVal (or SetCtrlValUnicode) of a
// programme line: SetCtrlVal(<panel>,<control>,"<text>").
bool LineCall(const std::string& call, int banner, int* control, std::string* text) {
  for (const char* kind : {"SetCtrlVal(", "SetCtrlValUnicode("}) {
    for (int c : {panel::kNowLine, panel::kNextLine}) {
      std::string prefix =
          kind + std::to_string(banner) + "," + std::to_string(c) + ",\"";
      if (call.compare(0, prefix.size(), prefix) == 0) {
        *control = c;
        *text = call.substr(prefix.size(), call.size() - prefix.size() - 2);
        return true;
      }
    }
  }
  return false;
}

// With schedule 1 the lines come from the section engine; a fourth thread
// reads the rows, the present event's timing and the store's figures as the
// EPG panel and the banner's progress do, and every 500th change turns the
// schedule off or on again (the engine is dropped and made while deliveries
// run).
void PlayChanges(int schedule) {
  fake::ResetDesktop();
  fake::ResetUi();
  ResetGuide();
  ResetSettings();
  settings.epgtext = 1;
  settings.epgchars = 1;
  settings.schedule = schedule;
  int banner =
      ui::LoadPanelEx(0, TAVIK_SOURCE_DIR "/src/resources/tavik.uir", panel::kBannerId, nullptr);
  ASSERT_GE(banner, 0);
  SaveChannelRecord(hostkit::MakeRecord("AAA", 1, 1, kServices[0].sid, 0));
  RestartProgrammeLines(banner);
  fake::ClearUiCalls();

  constexpr int kChanges = 3000;
  std::atomic<bool> done{false};
  const sections::Bytes deliveries[2] = {MixedDelivery(1), MixedDelivery(2)};
  // The delivery in every size a host may choose, from every unit; the
  // programme changes every few hundred deliveries.
  std::thread data([&] {
    size_t units = deliveries[0].size() / sections::kUnit;
    for (size_t i = 0; !done.load(); ++i) {
      const sections::Bytes& delivery = deliveries[(i / 300) % 2];
      size_t first = i % units;
      size_t count = 1 + (i / units) % (units - first);
      OnDataArrival(1, static_cast<int>(count * sections::kUnit),
                    delivery.data() + first * sections::kUnit);
    }
  });
  std::thread reader([&] {
    guide::ScheduleRow rows[8];
    guide::EventTiming timing;
    guide::ScheduleStats stats;
    char detail[256];
    bool unicode;
    while (!done.load() && schedule == 1) {
      guide::CopyScheduleRows(0, rows, 8);
      guide::CopyScheduleDetail(3, detail, sizeof detail, &unicode);
      guide::PresentEventTiming(&timing);
      guide::GetScheduleStats(&stats);
      std::this_thread::yield();
    }
  });
  std::atomic<int> shows{0};
  std::thread timer([&] {
    while (!done.load()) {
      if (ShowCompleteProgrammeLines(banner)) ++shows;
      ShowChangedProgrammeLines(banner);
    }
  });
  // The host's thread: the channel change saves the record, then restarts
  // the lines (which empties them on the banner). Every 50th change waits
  // until the new service's lines were shown, so the check below always has
  // lines of every kind of moment to look at; a change whose lines never come
  // (10 s) fails here.
  int waitsMissed = 0;
  for (int k = 1; k <= kChanges; ++k) {
    const Service& s = kServices[k % 2];
    if (schedule == 1 && k % 500 == 0) settings.schedule = 1 - settings.schedule.load();
    ui::SetCtrlVal(banner, panel::kChannelName, s.tag);  // marks the change in the log
    SaveChannelRecord(hostkit::MakeRecord(s.tag, 1, 1, s.sid, 0));
    const int before = shows.load();
    RestartProgrammeLines(banner);
    if (k % 50 == 0 && waitsMissed == 0) {  // one miss is enough to fail
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (shows.load() == before && std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
      waitsMissed += shows.load() == before;
    }
    std::this_thread::yield();
  }
  done = true;
  data.join();
  timer.join();
  reader.join();

  // The log orders every SetCtrlVal (each is made under the guide lock or,
  // for the marker, by the host's thread just before it saves the record). Until a change has emptied the lines, its banner
  // may still show what the timer put there from either service; once they
  // are emptied, only the new service's lines may appear.
  int changes = 0, shown = 0;
  std::string current = kServices[0].tag, pending;
  std::string marker = "SetCtrlVal(" + std::to_string(banner) + "," +
                       std::to_string(panel::kChannelName) + ",\"";
  for (const std::string& call : fake::UiCalls()) {
    if (call.compare(0, marker.size(), marker) == 0) {
      pending = call.substr(marker.size(), 3);
      continue;
    }
    int control;
    std::string text;
    if (!LineCall(call, banner, &control, &text)) continue;
    if (text.empty()) {
      if (control == panel::kNowLine && !pending.empty()) {
        ++changes;
        current = pending;
        pending.clear();
      }
      continue;
    }
    ++shown;
    bool ofCurrent = text.find(current) != std::string::npos;
    bool ofPending = !pending.empty() && text.find(pending) != std::string::npos;
    ASSERT_TRUE(ofCurrent || ofPending)
        << "after change " << changes << " to " << current << " the banner got: " << text;
    const char* part = control == panel::kNowLine ? "-now" : "-next";
    EXPECT_NE(text.find(part), std::string::npos) << text;
  }
  EXPECT_EQ(changes, kChanges);
  EXPECT_EQ(waitsMissed, 0) << "a change whose lines were never shown";
  EXPECT_GE(shown, 2 * kChanges / 50) << "both lines after every awaited change";
  settings.epgchars = 0;
  settings.schedule = 0;
  guide::ReleaseSchedule();
}

TEST(GuideConcurrency, NoLineOfThePreviousServiceReachesTheBanner) { PlayChanges(0); }

TEST(GuideConcurrency, NorWithTheScheduleOn) { PlayChanges(1); }

}  // namespace
