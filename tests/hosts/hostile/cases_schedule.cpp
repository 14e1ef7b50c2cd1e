// Hostile deliveries with the schedule on (tavik.ini line 22 at 1): random
// bytes, sections of every length, a thousand services, a flood of events,
// a new version every delivery. The store must stay within its bounds (the
// process's heap is measured) and the viewer must stay up and show the
// banner with its programme lines after each.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/hosts/eitgen/eit_sections.h"
#include "tests/hosts/hostile/hostile.h"
#include "tests/support/guide_sections.h"

namespace hostile {
namespace {

// The store's bound (8 MB with whole events and 256 services) and what the heap may hold besides it.
constexpr long kStoreBound = 8L << 20;
constexpr long kHeapSlack = 512L << 10;
constexpr int kRandomDeliveries = 3000;

// Today's Modified Julian Date, so events lie ahead of the PC's clock.
uint16_t TodayMjd() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  const uint64_t ticks = uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
  return static_cast<uint16_t>(ticks / 10000000u / 86400u - 94187u);  // 1601-01-01 is MJD -94187
}

// A section of table with length bytes after its length field (CRC included,
// at least 4), its events as many minimal ones as fit, its CRC right.
std::vector<uint8_t> Section(uint8_t table, uint16_t sid, uint8_t version, uint8_t number,
                             size_t length, uint16_t firstEvent, uint16_t mjd) {
  std::vector<uint8_t> s = {table, static_cast<uint8_t>(0xF0 | (length >> 8)),
                            static_cast<uint8_t>(length), static_cast<uint8_t>(sid >> 8),
                            static_cast<uint8_t>(sid), static_cast<uint8_t>(0xC1 | version << 1),
                            number, 0xFF, 0, 1, 0, 1, number, table};
  const size_t end = 3 + length - 4;
  uint16_t id = firstEvent;
  // Events of 20 bytes: a one-letter name in a short event descriptor.
  while (s.size() + 20 <= end) {
    const uint8_t hour = static_cast<uint8_t>(id % 24), bcd = static_cast<uint8_t>((hour / 10) << 4 | hour % 10);
    const uint8_t e[20] = {static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id),
                           static_cast<uint8_t>(mjd >> 8), static_cast<uint8_t>(mjd), bcd, 0, 0,
                           0, 0x30, 0, 0x80, 8, 0x4D, 6, 'e', 'n', 'g', 1, 'A', 0};
    s.insert(s.end(), e, e + 20);
    ++id;
  }
  s.resize(end < s.size() ? s.size() : end, 0xFF);
  s.resize(3 + length - 4);
  eitgen::AppendCrc(s);
  return s;
}

std::string IniPath() {
  const std::string& dll = PluginPath();
  return dll.substr(0, dll.find_last_of("\\/") + 1) + "tavik.ini";
}

std::string ReadText(const std::string& path) {
  std::string out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char b[512];
    size_t n;
    while ((n = std::fread(b, 1, sizeof b, f)) > 0) out.append(b, n);
    std::fclose(f);
  }
  return out;
}

void WriteText(const std::string& path, const std::string& text) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
}

// The rows the EPG panel lists, read inside its loop (opened from the menu)
// before it is closed; -1 when it did not open.
int g_rows = -1;
void CALLBACK ReadRowsAndClose(HWND, UINT, UINT_PTR id, DWORD) {
  HWND epg = PluginPanel("EPG");
  if (epg == nullptr || !IsWindowVisible(epg)) return;  // at the next tick
  KillTimer(nullptr, id);
  HWND list = FindWindowExA(epg, nullptr, "LISTBOX", nullptr);
  g_rows = list ? static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)) : -1;
  PostMessageA(epg, WM_CLOSE, 0, 0);
}
int EpgRows() {
  g_rows = -1;
  SetTimer(nullptr, 0, 300, ReadRowsAndClose);
  MenuSelect(host::kMenuEpg);
  return g_rows;
}

}  // namespace

void DeliverUnits(const std::vector<uint8_t>& units, Random& rng) {
  static GuardedBuffer guard;
  for (size_t at = 0; at < units.size();) {
    size_t n = (1 + rng.Next() % 10) * kUnit;
    if (n > units.size() - at) n = units.size() - at;
    DeliverRaw(1, static_cast<int>(n), guard.Place(&units[at], n));
    at += n;
  }
}

std::string AddIniLines(const char* lines) {
  const std::string saved = ReadText(IniPath());
  WriteText(IniPath(), saved + lines);
  return saved;
}

void RestoreIni(const std::string& saved) { WriteText(IniPath(), saved); }

// Loads the plug-in with lines added to the settings file (saved: the file
// as it was, for RestoreIni); a load that fails is a failure, the file put back.
bool LoadWithLines(const char* lines, std::string* saved) {
  *saved = AddIniLines(lines);
  std::string error;
  if (LoadPlugin(error)) return true;
  Check(false, "load: %s", error.c_str());
  RestoreIni(*saved);
  return false;
}

void CheckScheduleHeap(size_t before, const char* after) {
  const long growth = static_cast<long>(HeapInUse()) - static_cast<long>(before);
  Note("after %s: the heap holds %ld bytes more than before the schedule's deliveries", after, growth);
  Check(growth <= kStoreBound + kHeapSlack, "after %s the heap grew %ld bytes (bound %ld)", after,
        growth, kStoreBound + kHeapSlack);
}

// Other streams' schedules (tables 0x60 to 0x6F) with the kept guide on
// (lines 22 and 26 at 1): sections of 2,000 services, 300 of them channels
// the user tuned (more than the store's 256 services, each with more events
// than its 8 MB hold), flood the store: it stays within its bound and the
// tuned channel keeps every row it listed.
void CaseOtherStreamsFlood() {
  std::string saved;
  if (!LoadWithLines("0\r\n0\r\n0\r\n1\r\n0\r\n0\r\n0\r\n1\r\n", &saved)) return;
  const std::string kept = IniPath().substr(0, IniPath().size() - 3) + "epg";
  ArmBanner();
  const size_t heapBefore = HeapInUse();
  constexpr uint16_t kFirst = 0x4000;
  constexpr int kTunedBefore = 300, kServices = 2000;
  for (int i = 0; i < kTunedBefore; ++i)
    ChannelChange(MakeRecord("Elsewhere", 11000u + static_cast<uint32_t>(i), 0,
                             static_cast<uint16_t>(kFirst + i), 0));
  const DemoChannel& tuned = DemoChannels()[1];
  ChannelChange(tuned.record);
  SetFeeding(false);
  Random rng(0x07EE5);
  const uint16_t mjd = TodayMjd();
  // Its own schedule, tomorrow: 200 events at 24 hours, one row each.
  DeliverUnits(sections::Packed({Section(0x50, tuned.serviceId, 0, 0, 4014, 1, mjd + 1)}), rng);
  const int rows = EpgRows();
  Check(rows >= 24, "the tuned channel lists %d rows of its own schedule", rows);
  std::vector<std::vector<uint8_t>> list;
  for (int t = 0; t < 16; ++t) {
    for (int i = 0; i < kServices; ++i) {
      const bool remembered = i < kTunedBefore;
      list.push_back(Section(static_cast<uint8_t>(0x60 + t), static_cast<uint16_t>(kFirst + i), 0, 0,
                             remembered ? 4014 : 200, static_cast<uint16_t>(1 + t * 200),
                             static_cast<uint16_t>(mjd + 1 + t / 2)));
      if (list.size() == 32) {
        DeliverUnits(sections::Packed(list), rng);
        list.clear();
      }
    }
    // And the tuned channel's own in the middle of it, as the carousel repeats it.
    list.push_back(Section(0x50, tuned.serviceId, 0, 0, 4014, 1, mjd + 1));
  }
  DeliverUnits(sections::Packed(list), rng);
  CheckScheduleHeap(heapBefore, "other streams' schedules of 2,000 services");
  Check(HeapInUse() > heapBefore + (4u << 20), "the remembered channels' schedules were not kept");
  const int after = EpgRows();
  Note("the tuned channel lists %d rows before the flood, %d after", rows, after);
  Check(after == rows, "the tuned channel lists %d rows after the flood, %d before", after, rows);
  SetFeeding(true);
  CheckStillWorks(2, "other streams' schedules");
  ExitPlugin();
  StopFeeder();
  FreePlugin();
  RestoreIni(saved);
  DeleteFileA(kept.c_str());
}

void CaseScheduleDeliveries() {
  // The settings file as the run made it, with lines 19 to 22 added
  // (schedule on); put back as it was at the end.
  std::string saved;
  if (!LoadWithLines("0\r\n0\r\n0\r\n1\r\n", &saved)) return;
  ArmBanner();
  CheckStillWorks(1, "the load with the schedule on");
  const size_t heapBefore = HeapInUse();
  Random rng(0x5C4ED);
  const uint16_t mjd = TodayMjd();
  SetFeeding(false);

  // Random bytes.
  static GuardedBuffer guard;
  std::vector<uint8_t> junk(2000);
  for (int i = 0; i < kRandomDeliveries; ++i) {
    const int length = static_cast<int>(kUnit + rng.Next() % (2000 - kUnit + 1));
    for (int k = 0; k < length; ++k) junk[k] = static_cast<uint8_t>(rng.Next());
    if (i % 3 == 0) junk[0] = static_cast<uint8_t>(rng.Next() % 20);  // plausible pointer fields
    DeliverRaw(1, length, guard.Place(junk.data(), static_cast<size_t>(length)));
  }
  // Sections of every length the length field holds, their CRCs right.
  std::vector<std::vector<uint8_t>> list;
  for (size_t length = 0; length <= 4095; ++length) {
    list.push_back(Section(0x50 + length % 16, static_cast<uint16_t>(0x0101 + length % 3), 0,
                           static_cast<uint8_t>(length / 16), length < 4 ? 4 : length, 1, mjd));
    list.back()[1] = static_cast<uint8_t>(0xF0 | (length >> 8));
    list.back()[2] = static_cast<uint8_t>(length);
    if (list.size() == 64) {
      DeliverUnits(sections::Packed(list), rng);
      list.clear();
    }
  }
  DeliverUnits(sections::Packed(list), rng);
  CheckScheduleHeap(heapBefore, "sections of every length");
  // A thousand services.
  list.clear();
  for (uint16_t sid = 0x2000; sid < 0x2000 + 1000; ++sid)
    list.push_back(Section(0x50, sid, 0, 0, 400, 1, mjd));
  DeliverUnits(sections::Packed(list), rng);
  CheckScheduleHeap(heapBefore, "a thousand services");
  // A flood of 100,000 events: sixteen tables of two services, every
  // section number, sections of 200 events.
  list.clear();
  int events = 0;
  for (int n = 0; events < 100000; ++n) {
    const uint16_t sid = n % 2 == 0 ? 0x0101 : 0x3000;
    list.push_back(Section(0x50 + (n / 2) % 16, sid, 1, static_cast<uint8_t>(n / 32), 4014,
                           static_cast<uint16_t>(n * 200), static_cast<uint16_t>(mjd + (n / 2) % 16)));
    events += 200;
    if (list.size() == 32) {
      DeliverUnits(sections::Packed(list), rng);
      list.clear();
    }
  }
  DeliverUnits(sections::Packed(list), rng);
  CheckScheduleHeap(heapBefore, "a flood of 100,000 events");
  // A new version every delivery.
  for (int v = 0; v < 500; ++v) {
    const std::vector<uint8_t> units =
        sections::Packed({Section(0x50, 0x0102, static_cast<uint8_t>(v % 32), 0, 1000, 1, mjd)});
    DeliverRaw(1, static_cast<int>(units.size()), guard.Place(units.data(), units.size()));
  }
  CheckScheduleHeap(heapBefore, "a new version every delivery");

  SetFeeding(true);
  CheckStillWorks(2, "the schedule's hostile deliveries");
  CheckStillWorks(1, "the schedule's hostile deliveries");
  ExitPlugin();
  StopFeeder();
  FreePlugin();
  RestoreIni(saved);
}

}  // namespace hostile
