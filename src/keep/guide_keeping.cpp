// The remembered channels and the keeper of tavik.epg, held for the plug-in.
#include "keep/guide_keeping.h"

#include "common/channel_record.h"
#include "common/text.h"
#include "guide/schedule.h"
#include "keep/guide_keeper.h"
#include "platform/file_io.h"

namespace keep {
namespace {

struct Keeping {
  RememberedChannels channels;
  GuideKeeper keeper;
  char logPath[fileio::kPathCapacity];
};
Keeping keeping;

uint32_t Generation(void*) { return keeping.channels.Changes() + guide::KeptScheduleChanges(); }

// Without the schedule running there is no store to write: the last file stands.
bool Fill(void*, GuideFileWriter* file) {
  keeping.channels.WritePart(&file->BeginPart(kPartChannels));
  file->EndPart();
  const bool store = guide::WriteKeptSchedule(&file->BeginPart(kPartStore));
  file->EndPart();
  return store;
}

void Loaded(void*, const GuideFileView& view) {
  if (const GuideFileView::Part* part = view.Find(kPartChannels))
    keeping.channels.ReadPart(part->data, part->size);
  if (const GuideFileView::Part* part = view.Find(kPartStore))
    guide::RestoreKeptSchedule(part->data, part->size);
}

bool WantedElsewhere(uint16_t serviceId, uint16_t transportStreamId, uint16_t networkId) {
  return keeping.channels.Wants(serviceId, transportStreamId, networkId);
}

void TunedIds(uint16_t serviceId, uint16_t transportStreamId, uint16_t networkId) {
  keeping.channels.LearnTunedIds(serviceId, transportStreamId, networkId);
}

// Other streams' schedules are kept for the remembered channels.
const guide::OtherStreamHooks kOtherStreams = {&WantedElsewhere, &TunedIds};

void Log(void*, const char* line) { AppendLogLine(keeping.logPath, line); }

}  // namespace

RememberedChannels& TheRememberedChannels() { return keeping.channels; }

void RememberTunedChannel(const host::TProgram82& record) {
  keeping.channels.LearnRecord(record);
}

bool StartKeepingGuide(void* module) {
  char folder[fileio::kPathCapacity], file[fileio::kPathCapacity];
  if (!fileio::ModuleFolder(module, folder, sizeof folder) ||
      Truncated(FormatText(file, sizeof file, "%s%c%s", folder, fileio::kSeparator,
                           kGuideFileName),
                sizeof file) ||
      Truncated(FormatText(keeping.logPath, sizeof keeping.logPath, "%s%ctavik.log", folder,
                           fileio::kSeparator),
                sizeof keeping.logPath))
    return false;
  KeeperHooks hooks;
  hooks.generation = Generation;
  hooks.fill = Fill;
  hooks.loaded = Loaded;
  hooks.log = Log;
  if (!keeping.keeper.Start(file, hooks)) return false;
  guide::SetOtherStreamHooks(&kOtherStreams);
  return true;
}

void StopKeepingGuide(uint32_t budgetMs) {
  guide::SetOtherStreamHooks(nullptr);
  keeping.keeper.Stop(budgetMs);
}

}  // namespace keep
