// The data thread's cost per delivered section: OnDataArrival over every unit
// of PID 0x0012 of a capture, in deliveries of 10 units, with the schedule
// off (0) or on (1); the banner takes the lines as soon as both are whole, as
// its timer does. Under callgrind only the deliveries are counted
// (scripts/bench-sections.sh); the store's figures are printed after them.
//   section_cost CAPTURE.ts 0|1
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#endif

#include "common/channel_record.h"
#include "guide/guide.h"
#include "settings/settings.h"
#include "tests/hostkit/record.h"
#include "tools/hostkit/ts_units.h"
#include "tools/dvbread/ts_read.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: section_cost CAPTURE.ts 0|1\n");
    return 2;
  }
  std::vector<uint8_t> ts;
  std::string error;
  if (!dvbread::ReadWholeFile(argv[1], &ts, &error, "section_cost")) {
    std::fprintf(stderr, "section_cost: %s\n", error.c_str());
    return 2;
  }
  std::vector<uint8_t> stream;
  for (const hostkit::Unit& u : hostkit::PidUnits(ts, hostkit::kEitPid))
    stream.insert(stream.end(), u.bytes.begin(), u.bytes.end());
  // The sections delivered: every whole one the packet headers show.
  const std::vector<std::vector<uint8_t>> sections = dvbread::PidSections(ts, dvbread::kEitPid);
  uint16_t sid = 0;
  for (const std::vector<uint8_t>& s : sections)
    if (s[0] == 0x4E && s.size() > 5) {
      sid = static_cast<uint16_t>(s[3] << 8 | s[4]);
      break;
    }

  ResetGuide();
  ResetSettings();
  settings.epgtext = 1;
  settings.schedule = std::atoi(argv[2]) == 1 ? 1 : 0;
  SaveChannelRecord(hostkit::MakeRecord("Bench", 0, 0, sid, 0));
  RestartProgrammeLines(-1);
  const size_t chunk = 10 * dvbread::kUnitSize;
  long deliveries = 0;
  CALLGRIND_START_INSTRUMENTATION;
  for (size_t at = 0; at < stream.size(); at += chunk) {
    const size_t n = stream.size() - at < chunk ? stream.size() - at : chunk;
    OnDataArrival(1, static_cast<int>(n), stream.data() + at);
    if (eitState.load() == 7) ShowCompleteProgrammeLines(-1);
    ++deliveries;
  }
  CALLGRIND_STOP_INSTRUMENTATION;
  std::printf("schedule %d: %zu units in %ld deliveries, %zu sections, service 0x%04X, eitState %d\n",
              settings.schedule.load(), stream.size() / dvbread::kUnitSize, deliveries,
              sections.size(), sid, eitState.load());
  guide::ScheduleStats stats;
  if (guide::GetScheduleStats(&stats))
    std::printf("store: %d services, %d events, %zu bytes taken from the system, %zu in use; "
                "%ld sections taken, %ld refused\n",
                stats.services, stats.events, stats.bytesReserved, stats.bytesUsed,
                stats.sectionsTaken, stats.sectionsFailed);
  guide::ReleaseSchedule();
  return 0;
}
