// Hostile input to a running plug-in: channel records and deliveries to its
// data routine that a broken or careless host could send, and a panel file a
// user swelled to the largest sizes it may hold. After each, a user's normal
// channel change must still show the banner (with its programme lines).
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "tests/hosts/hostile/hostile.h"

namespace hostile {
namespace {

constexpr int kNameControl = 8;
constexpr int kNowControl = 10;
constexpr int kRandomDeliveries = 3000;
constexpr int kMutationPositions = 64;  // every byte a section start's decoding reads
constexpr int kMutationsPerChange = 16;
constexpr DWORD kShowMs = 400;
constexpr int kTimedChanges = 6;

// The units of the demo stream that start a section of this service.
std::vector<std::vector<uint8_t>> SectionStarts(uint16_t serviceId) {
  std::vector<std::vector<uint8_t>> out;
  const std::vector<uint8_t>& units = DemoUnits();
  for (size_t at = 0; at + kUnit <= units.size(); at += kUnit) {
    const uint8_t* u = units.data() + at;
    if (u[0] == 0 && u[1] == 0x4E && (u[4] << 8 | u[5]) == serviceId) {
      // The section with what follows it in the stream (a long one continues).
      const size_t end = at + 2 * kUnit <= units.size() ? at + 2 * kUnit : at + kUnit;
      out.emplace_back(units.begin() + at, units.begin() + end);
    }
  }
  return out;
}

bool AllBytes(const std::string& s, char c) {
  for (char x : s)
    if (x != c) return false;
  return true;
}

}  // namespace

void CaseRecords() {
  const size_t nameMax = host::kNameField - 1;
  // No NUL anywhere: the name field and the rest of the record full of 'W'.
  host::TProgram82 rec;
  std::memset(rec.bytes, 'W', sizeof rec.bytes);
  ChannelChange(rec);
  Pump(kShowMs);
  const std::string shown = ControlText(BannerWindow(), kNameControl);
  Check(!shown.empty() && shown.size() <= nameMax && AllBytes(shown, 'W'),
        "a name without NUL shows as \"%.100s\" (%zu characters; at most %zu 'W' wanted)",
        shown.c_str(), shown.size(), nameMax);
  std::memset(rec.bytes, 0xFF, sizeof rec.bytes);
  ChannelChange(rec);
  Pump(kShowMs);
  std::memset(rec.bytes, 0, sizeof rec.bytes);
  ChannelChange(rec);
  Pump(kShowMs);
  // A one-character name and a name that is only blanks and control bytes.
  rec = MakeRecord("X", 11778000, 1, 0x0101, 0);
  ChannelChange(rec);
  Pump(kShowMs);
  rec = MakeRecord("\x01\x02\t\r\n\x7F", 0xFFFFFFFFu, 0xFF, 0xFFFF, 0xFF);
  ChannelChange(rec);
  Pump(kShowMs);
  CheckStillWorks(1, "hostile records");
}

void CaseRandomDeliveries() {
  CheckStillWorks(0, "the first change");
  SetFeeding(false);
  GuardedBuffer buffer;
  Random rnd(0x7A31C0DEu);
  const uint16_t sid = DemoChannels()[0].serviceId;
  std::vector<uint8_t> data(2000);
  for (int i = 0; i < kRandomDeliveries; ++i) {
    const int length = 184 + static_cast<int>(rnd.Next() % (2000 - 184 + 1));
    for (uint8_t& b : data) b = static_cast<uint8_t>(rnd.Next());
    // Half the units look like a section of the tuned service, so the random
    // bytes reach the descriptor readers rather than the first test.
    for (int u = 0; u + kUnit <= length; u += kUnit)
      if (rnd.Next() & 1) {
        data[u] = 0;
        data[u + 1] = 0x4E;
        data[u + 4] = static_cast<uint8_t>(sid >> 8);
        data[u + 5] = static_cast<uint8_t>(sid);
      }
    DeliverRaw(host::kEitFilterId, length, buffer.Place(data.data(), static_cast<size_t>(length)));
    // The decoder takes one present and one following line per change.
    if (i % 50 == 49) ChannelChange(DemoChannels()[0].record);
  }
  SetFeeding(true);
  CheckStillWorks(2, "random deliveries");
}

void CaseCutSections() {
  CheckStillWorks(0, "the first change");
  SetFeeding(false);
  GuardedBuffer buffer;
  int deliveries = 0;
  static const uint8_t kValues[] = {0x00, 0x7F, 0x80, 0xFF};
  for (const DemoChannel& ch : DemoChannels()) {
    ChannelChange(ch.record);
    for (const std::vector<uint8_t>& section : SectionStarts(ch.serviceId)) {
      // The section's first unit alone: whatever continues is past the end.
      DeliverRaw(host::kEitFilterId, kUnit, buffer.Place(section.data(), kUnit));
      ChannelChange(ch.record);
      // Every byte the decoder reads set to extremes, in a delivery that ends
      // right after the first unit: lengths that point past the end fault.
      std::vector<uint8_t> unit(section.begin(), section.begin() + kUnit);
      int sinceChange = 0;
      for (int pos = 0; pos < kMutationPositions; ++pos)
        for (uint8_t v : kValues) {
          std::vector<uint8_t> m = unit;
          m[pos] = v;
          DeliverRaw(host::kEitFilterId, kUnit, buffer.Place(m.data(), kUnit));
          ++deliveries;
          if (++sinceChange == kMutationsPerChange) {
            ChannelChange(ch.record);
            sinceChange = 0;
          }
        }
    }
  }
  Note("%d cut or altered section starts delivered", deliveries);
  SetFeeding(true);
  CheckStillWorks(3, "cut sections");
}

void CaseBadLengths() {
  CheckStillWorks(0, "the first change");
  SetFeeding(false);
  const DemoChannel& ch = DemoChannels()[1];
  ChannelChange(ch.record);
  const std::vector<std::vector<uint8_t>> starts = SectionStarts(ch.serviceId);
  if (!Check(!starts.empty(), "no section of service 0x%04X in the demo stream", ch.serviceId)) return;
  GuardedBuffer buffer;
  // One valid unit right before the inaccessible page, announced with lengths
  // a broken host could pass: whatever the plug-in does, it must not read
  // past the unit, and a length it cannot trust must not fill a line.
  const uint8_t* unit = buffer.Place(starts[0].data(), kUnit);
  static const int kLengths[] = {0,   -1,  -184, INT_MIN, 1,     183,     2001,
                                 20000 * kUnit, INT_MAX, 3 * kUnit, 11 * kUnit};
  for (int length : kLengths) {
    if (length > kUnit && length <= 2000) continue;  // a length the plug-in may trust
    DeliverRaw(host::kEitFilterId, length, unit);
  }
  DeliverRaw(host::kEitFilterId, kUnit, nullptr);
  DeliverRaw(host::kEitFilterId, 20000 * kUnit, nullptr);
  DeliverRaw(host::kEitFilterId, -1, nullptr);
  // Another filter's id: not ours to decode.
  DeliverRaw(2, kUnit, unit);
  DeliverRaw(-1, kUnit, unit);
  Pump(kShowMs);
  const std::string now = ControlText(BannerWindow(), kNowControl);
  Check(now.find(ch.nowPrefix) == std::string::npos,
        "a refused delivery filled the present line: \"%s\"", now.c_str());
  // A remainder after whole units is ignored, the units are read.
  std::vector<uint8_t> withTail(starts[0].begin(), starts[0].begin() + kUnit);
  withTail.resize(kUnit + 100, 0xFF);
  DeliverRaw(host::kEitFilterId, kUnit + 100, buffer.Place(withTail.data(), withTail.size()));
  SetFeeding(true);
  CheckStillWorks(1, "bad lengths");
}

void CaseAfterStop() {
  CheckStillWorks(0, "the first change");
  // The host closes a filter that is not ours: nothing changes.
  FilterClose(static_cast<unsigned>(kFilterHandle + 1));
  FilterClose(0xFFFFFFFFu);
  CheckStillWorks(1, "another filter closed");
  Check(Filter().starts == 1, "%d start commands after another filter closed, 1 wanted", Filter().starts);
  // The host closes ours and keeps delivering: the plug-in ignores it, and
  // its next channel change asks for a new filter.
  SetFeeding(false);
  FilterClose(static_cast<unsigned>(kFilterHandle));
  const DemoChannel& ch = DemoChannels()[2];
  ChannelChange(ch.record);
  const int startsAfter = Filter().starts;
  Check(startsAfter == 2, "%d start commands after our filter was closed and a change, 2 wanted", startsAfter);
  SetFeeding(true);
  std::string detail;
  const bool shown = BannerShows(ch, 8000, detail);
  Check(shown, "after the host closed our filter: %s", detail.c_str());
  // The stop command; then a careless host still delivers.
  SetFeeding(false);
  ExitPlugin();
  const FilterView f = Filter();
  Check(f.stops == 1 && f.lastStopHandle == kFilterHandle,
        "On_Exit sent %d stop commands, last handle %ld; 1 with handle %ld wanted", f.stops,
        static_cast<long>(f.lastStopHandle), static_cast<long>(kFilterHandle));
  GuardedBuffer buffer;
  const std::vector<uint8_t>& units = DemoUnits();
  for (size_t at = 0; at + kUnit <= units.size(); at += kUnit)
    DeliverRaw(host::kEitFilterId, kUnit, buffer.Place(units.data() + at, kUnit));
  HWND banner = BannerWindow();
  Check(!banner || !IsWindowVisible(banner), "the banner is visible after On_Exit");
  FreePlugin();
  Check(BannerWindow() == nullptr, "a window titled \"Tavik\" is left after unload");
}

namespace {

std::string ReadText(const std::string& path) {
  std::string text;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    std::fclose(f);
  }
  return text;
}

bool WriteText(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

// The panel file with every panel and control as large as the format lets
// it be: 10000 x 10000 at 9999,9999, every typeface at 200 points.
std::string Swollen(const std::string& shipped) {
  std::string out;
  size_t start = 0;
  while (start < shipped.size()) {
    size_t end = shipped.find('\n', start);
    if (end == std::string::npos) end = shipped.size();
    std::string line = shipped.substr(start, end - start);
    start = end + 1;
    if (line.rfind("size ", 0) == 0) {
      line = "size 10000 10000";
    } else if (line.rfind("at ", 0) == 0) {
      line = "at 9999 9999 10000 10000";
    } else if (line.rfind("font \"", 0) == 0) {
      const size_t close = line.find('"', 6);
      const size_t number = close == std::string::npos ? close : line.find(' ', close);
      if (number != std::string::npos) {
        const size_t after = line.find(' ', number + 1);
        line = line.substr(0, number + 1) + "200" +
               (after == std::string::npos ? "" : line.substr(after));
      }
    }
    out += line + "\n";
  }
  return out;
}

// Loads the plug-in, arms its banner and times kTimedChanges channel changes,
// each with the banner's paint; the slowest in ms, or -1 when it did not load.
long SlowestChange(const char* which) {
  std::string error;
  if (!Check(LoadPlugin(error), "load with the %s panel file: %s", which, error.c_str()))
    return -1;
  ArmBanner();
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  long slowest = 0;
  for (int i = 0; i < kTimedChanges; ++i) {
    const DemoChannel& ch = DemoChannels()[(i + 1) % DemoChannels().size()];
    QueryPerformanceCounter(&t0);
    ChannelChange(ch.record);
    UpdateWindow(BannerWindow());  // its paint, on this (the owner's) thread
    QueryPerformanceCounter(&t1);
    const long ms = static_cast<long>((t1.QuadPart - t0.QuadPart) * 1000 / freq.QuadPart);
    slowest = std::max(slowest, ms);
    Check(ControlText(BannerWindow(), kNameControl) == ch.name,
          "with the %s panel file the banner does not name \"%s\"", which, ch.name.c_str());
    Pump(50);
  }
  // The menu panels too, each shown until closed (200 ms) as a user does.
  long slowestMenu = 0;
  const std::pair<unsigned, const char*> menus[] = {
      {host::kMenuSettings, "Settings"}, {host::kMenuAbout, "About"}, {host::kMenuEpg, "EPG"}};
  for (const auto& [menu, title] : menus) {
    QueryPerformanceCounter(&t0);
    CloseSoon(title);
    MenuSelect(menu);
    QueryPerformanceCounter(&t1);
    slowestMenu = std::max(slowestMenu,
                           static_cast<long>((t1.QuadPart - t0.QuadPart) * 1000 / freq.QuadPart));
  }
  Note("with the %s panel file: slowest menu panel shown and closed in %ld ms", which,
       slowestMenu);
  ExitPlugin();
  StopFeeder();
  FreePlugin();
  return slowest;
}

}  // namespace

void CasePanelFileHugeSizes() {
  const std::string uir =
      PluginPath().substr(0, PluginPath().find_last_of('\\') + 1) + "tavik.uir";
  const std::string shipped = ReadText(uir);
  if (!Check(!shipped.empty(), "cannot read %s", uir.c_str())) return;
  const long normal = SlowestChange("shipped");
  long huge = -1;
  if (Check(WriteText(uir, Swollen(shipped)), "cannot write %s", uir.c_str()))
    huge = SlowestChange("swollen");
  Check(WriteText(uir, shipped), "cannot put the shipped %s back", uir.c_str());
  // A figure, not a verdict: a change that grew with the sizes ends the case
  // as a hang (its time limit), never as a timed assertion.
  Note("slowest of %d channel changes with their paint: %ld ms with the shipped panel file, "
       "%ld ms with every panel and control 10000 x 10000 at 9999,9999 and fonts of 200 "
       "points",
       kTimedChanges, normal, huge);
}

}  // namespace hostile
