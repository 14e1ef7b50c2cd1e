// The keeper of tavik.epg: a worker thread of its own (neither the host's nor
// the data thread) that reads the file once after the start, writes it as
// KeeperRules say, and writes it a last time at exit within a time budget.
// What goes into the file and what a read gives back are the caller's hooks.
#pragma once

#include <atomic>
#include <cstdint>

#include "keep/guide_file.h"
#include "keep/keeper_rules.h"
#include "platform/file_io.h"
#include "platform/worker_thread.h"

namespace keep {

constexpr const char* kGuideFileName = "tavik.epg";

struct KeeperHooks {
  void* context = nullptr;
  // A count that grows with every change of what is kept.
  uint32_t (*generation)(void* context) = nullptr;
  // Writes the parts into file (BeginPart ... EndPart); false when there is
  // nothing whole to write.
  bool (*fill)(void* context, GuideFileWriter* file) = nullptr;
  // A file read whole, its parts in view (valid during the call only).
  void (*loaded)(void* context, const GuideFileView& view) = nullptr;
  // One line for tavik.log.
  void (*log)(void* context, const char* line) = nullptr;
  // The clock, in milliseconds.
  uint64_t (*nowMs)() = worker::MonotonicMs;
};

// Stopped before it is destroyed or its library unloaded: it has no
// destructor of its own, since one would run inside DllMain, where no thread
// may be waited for.
class GuideKeeper {
 public:
  // Starts the worker over the file at path (UTF-8). False when the path
  // does not fit or no thread could be made: then nothing is kept.
  bool Start(const char* path, const KeeperHooks& hooks);
  // Wakes the worker to look at the rules now (a change need not call it:
  // the worker looks every ten minutes anyway).
  void Nudge();
  // The last write, if anything changed, given budgetMs from now; a write
  // that would take longer is abandoned and the last file stands. Returns
  // when the worker has ended. Never from DllMain.
  void Stop(uint32_t budgetMs);
  bool running() const { return thread_ != nullptr; }

 private:
  static void Run(void* self);
  static bool DeadlinePassed(void* self);
  void Load();
  void Write(uint32_t generation);

  char path_[fileio::kPathCapacity] = {};
  KeeperHooks hooks_;
  worker::Thread* thread_ = nullptr;
  worker::Signal* wake_ = nullptr;
  KeeperRules* rules_ = nullptr;  // the worker's own
  std::atomic<bool> stopping_{false};
  std::atomic<uint64_t> deadline_{UINT64_MAX};
};

// Adds "hh:mm:ss line" to the log file at logPath.
void AppendLogLine(const char* logPath, const char* line);

}  // namespace keep
