// The keeper's worker: one read after the start, the periodic writes and the
// last one at exit, each failure told once.
#include "keep/guide_keeper.h"

#include <new>

#include "common/text.h"
#include "keep/guide_file_disk.h"
#include "runtime/ui_runtime.h"

namespace keep {
namespace {

uint32_t Generation(const KeeperHooks& hooks) {
  return hooks.generation != nullptr ? hooks.generation(hooks.context) : 0;
}

}  // namespace

bool GuideKeeper::Start(const char* path, const KeeperHooks& hooks) {
  if (thread_ != nullptr || hooks.nowMs == nullptr ||
      CopyText(path_, sizeof path_, path) + 1 >= sizeof path_)
    return false;
  hooks_ = hooks;
  stopping_ = false;
  deadline_ = UINT64_MAX;
  rules_ = new (std::nothrow) KeeperRules(hooks_.nowMs());
  wake_ = worker::MakeSignal();
  if (rules_ != nullptr && wake_ != nullptr) thread_ = worker::StartThread(Run, this);
  if (thread_ == nullptr) {
    worker::FreeSignal(wake_);
    wake_ = nullptr;
    delete rules_;
    rules_ = nullptr;
  }
  return thread_ != nullptr;
}

void GuideKeeper::Nudge() {
  if (wake_ != nullptr) worker::RaiseSignal(wake_);
}

void GuideKeeper::Stop(uint32_t budgetMs) {
  if (thread_ == nullptr) return;
  deadline_ = hooks_.nowMs() + budgetMs;
  stopping_ = true;
  worker::RaiseSignal(wake_);
  worker::JoinThread(thread_);
  thread_ = nullptr;
  worker::FreeSignal(wake_);
  wake_ = nullptr;
  delete rules_;
  rules_ = nullptr;
}

bool GuideKeeper::DeadlinePassed(void* self) {
  GuideKeeper* keeper = static_cast<GuideKeeper*>(self);
  return keeper->hooks_.nowMs() >= keeper->deadline_.load();
}

void GuideKeeper::Run(void* self) {
  GuideKeeper* keeper = static_cast<GuideKeeper*>(self);
  keeper->Load();
  while (!keeper->stopping_) {
    uint32_t generation = Generation(keeper->hooks_);
    if (keeper->rules_->WriteDue(keeper->hooks_.nowMs(), generation)) keeper->Write(generation);
    if (!keeper->stopping_)
      worker::WaitSignal(keeper->wake_, keeper->rules_->WaitMs(keeper->hooks_.nowMs()));
  }
  uint32_t generation = Generation(keeper->hooks_);
  if (keeper->rules_->ExitWriteDue(generation)) keeper->Write(generation);
}

// What a read gives counts as a change like any other: the file is written
// again at the next period, without what has ended since, joined with what
// was learnt before the read.
void GuideKeeper::Load() {
  ByteBuffer bytes(kGuideFileMost);
  GuideFileView view;
  RemoveStaleTemps(path_);
  FileProblem problem = LoadGuideFile(path_, &bytes, &view);
  if (problem == FileProblem::kNone) {
    if (hooks_.loaded != nullptr) hooks_.loaded(hooks_.context, view);
  } else if (problem != FileProblem::kMissing && hooks_.log != nullptr) {
    char line[fileio::kPathCapacity + 160];
    FormatText(line, sizeof line,
               "The kept guide %s %s: nothing was loaded from it; the next write replaces it.",
               path_, ProblemText(problem));
    hooks_.log(hooks_.context, line);
  }
}

void GuideKeeper::Write(uint32_t generation) {
  FileProblem problem = FileProblem::kNoMemory;
  {
    GuideFileWriter* file = new (std::nothrow) GuideFileWriter;
    if (file != nullptr) {
      file->Begin();
      if (hooks_.fill != nullptr && hooks_.fill(hooks_.context, file) && file->Finish())
        problem = SaveGuideFile(path_, file->buffer().data(), file->buffer().size(),
                                Deadline{DeadlinePassed, this});
      delete file;
    }
  }
  if (rules_->Tried(hooks_.nowMs(), generation, problem) && hooks_.log != nullptr) {
    char line[fileio::kPathCapacity + 200];
    FormatText(line, sizeof line,
               "The kept guide %s %s; Tavik tries again in ten minutes and says so here "
               "only once.",
               path_, ProblemText(problem));
    hooks_.log(hooks_.context, line);
  }
}

void AppendLogLine(const char* logPath, const char* line) {
  int hours = 0, minutes = 0, seconds = 0;
  ui::GetSystemTime(&hours, &minutes, &seconds);
  char text[fileio::kPathCapacity + 300];
  int n = FormatText(text, sizeof text, "%02d:%02d:%02d %s\r\n", hours, minutes, seconds, line);
  if (Truncated(n, sizeof text)) n = static_cast<int>(sizeof text - 1);
  fileio::AppendTo(logPath, text, static_cast<size_t>(n));
}

}  // namespace keep
