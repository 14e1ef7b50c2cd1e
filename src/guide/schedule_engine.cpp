// The schedule engine's life and its place on the data thread.
#include "guide/schedule_engine.h"

#include <atomic>

#include "guide/guide.h"

namespace guide {
namespace {
std::atomic<uint32_t> scheduleSerial{1};
}  // namespace

void PrepareSchedule() { NoteScheduleChange(); }
void ReleaseSchedule() {}
bool ScheduleRunning() { return false; }
void FeedScheduleUnits(const uint8_t*, size_t, int) {}
void NoteScheduleChange() { scheduleSerial.fetch_add(1, std::memory_order_relaxed); }
uint32_t ScheduleSerial() { return scheduleSerial.load(std::memory_order_relaxed); }
int CopyScheduleRows(int64_t, ScheduleRow*, int) { return 0; }
bool CopyScheduleDetail(uint16_t, char* out, size_t capacity, bool* unicode) {
  if (capacity > 0) out[0] = '\0';
  if (unicode != nullptr) *unicode = false;
  return false;
}
bool GetScheduleStats(ScheduleStats*) { return false; }

}  // namespace guide
