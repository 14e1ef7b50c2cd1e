// The kept guide's cost for a capture: its store (delivered as a host does,
// schedule 1) written as tavik.epg and read back into a new store, timed, with
// the file's size; with "other", other streams' tables are taken for every
// service, and the store's memory is printed before and after them.
//   keep_cost CAPTURE.ts FOLDER [other]
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/channel_record.h"
#include "guide/guide.h"
#include "guide/schedule.h"
#include "guide/schedule_engine.h"
#include "keep/guide_file.h"
#include "keep/guide_file_disk.h"
#include "settings/settings.h"
#include "tests/hostkit/record.h"
#include "tools/dvbread/ts_read.h"
#include "tools/hostkit/ts_units.h"

namespace {

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

bool AnyService(uint16_t, uint16_t, uint16_t) { return true; }
void NoIds(uint16_t, uint16_t, uint16_t) {}

void PrintStore(const char* when) {
  guide::ScheduleStats stats;
  if (guide::GetScheduleStats(&stats))
    std::printf("%s: %d services, %d events, %zu bytes in use, %zu taken from the system\n", when,
                stats.services, stats.events, stats.bytesUsed, stats.bytesReserved);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: keep_cost CAPTURE.ts FOLDER [other]\n");
    return 2;
  }
  const bool other = argc > 3 && std::strcmp(argv[3], "other") == 0;
  std::vector<uint8_t> ts;
  std::string error;
  if (!dvbread::ReadWholeFile(argv[1], &ts, &error, "keep_cost")) {
    std::fprintf(stderr, "keep_cost: %s\n", error.c_str());
    return 2;
  }
  std::vector<uint8_t> stream;
  for (const hostkit::Unit& u : hostkit::PidUnits(ts, hostkit::kEitPid))
    stream.insert(stream.end(), u.bytes.begin(), u.bytes.end());
  ResetGuide();
  ResetSettings();
  settings.schedule = 1;
  SaveChannelRecord(hostkit::MakeRecord("Bench", 0, 0, 1, 0));
  RestartProgrammeLines(-1);
  const size_t chunk = 10 * dvbread::kUnitSize;
  auto deliver = [&] {
    for (size_t at = 0; at < stream.size(); at += chunk) {
      const size_t n = stream.size() - at < chunk ? stream.size() - at : chunk;
      OnDataArrival(1, static_cast<int>(n), stream.data() + at);
    }
  };
  deliver();
  PrintStore("the actual stream's tables");
  if (other) {
    const guide::OtherStreamHooks hooks = {&AnyService, &NoIds};
    guide::SetOtherStreamHooks(&hooks);
    RestartProgrammeLines(-1);  // the assembler from the start again
    deliver();
    PrintStore("with other streams' tables");
    guide::SetOtherStreamHooks(nullptr);
  }

  const std::string path = std::string(argv[2]) + "/tavik.epg";
  keep::GuideFileWriter* file = new keep::GuideFileWriter;
  auto start = std::chrono::steady_clock::now();
  file->Begin();
  guide::WriteKeptSchedule(&file->BeginPart(keep::kPartStore));
  file->EndPart();
  const bool made = file->Finish();
  const double madeMs = MsSince(start);
  const keep::FileProblem saved =
      keep::SaveGuideFile(path.c_str(), file->buffer().data(), file->buffer().size(), {});
  const double writeMs = MsSince(start);
  std::printf("written: %zu bytes (%s, %s) in %.1f ms, of them %.1f ms to make it in memory\n",
              file->buffer().size(), made ? "whole" : "failed", keep::ProblemText(saved), writeMs,
              madeMs);
  delete file;

  guide::ReleaseSchedule();
  guide::PrepareSchedule();
  keep::ByteBuffer bytes(keep::kGuideFileMost);
  keep::GuideFileView view;
  start = std::chrono::steady_clock::now();
  const keep::FileProblem loaded = keep::LoadGuideFile(path.c_str(), &bytes, &view);
  const keep::GuideFileView::Part* part = view.Find(keep::kPartStore);
  const int taken = part != nullptr ? guide::RestoreKeptSchedule(part->data, part->size) : -1;
  std::printf("read: %s, %d events taken in %.1f ms\n", keep::ProblemText(loaded), taken,
              MsSince(start));
  PrintStore("read back");
  guide::ReleaseSchedule();
  return 0;
}
