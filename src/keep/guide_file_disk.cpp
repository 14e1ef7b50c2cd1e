// tavik.epg read whole and written whole: a temporary file beside it, flushed,
// then moved over it in one step, so a viewer stopped mid-write, or two
// viewers writing in one folder, never leave a torn file (the later move
// stands).
#include "keep/guide_file_disk.h"

#include <atomic>

#include "common/text.h"
#include "platform/file_io.h"
#include "platform/win32.h"

namespace keep {
namespace {

// Written a piece at a time, so a deadline is looked at while writing.
constexpr size_t kWritePiece = 256 * 1024;
constexpr int kTempNamesTried = 16;
// A file another viewer is reading cannot be replaced on every Windows: the
// move is tried again a few times, a little later.
constexpr int kMovesTried = 4;
constexpr uint32_t kMoveRetryMs = 25;

std::atomic<uint32_t> tempSerial{0};

// A new temporary file beside path (its name into temp); null when none can
// be made.
fileio::File MakeTemp(const char* path, char (&temp)[fileio::kPathCapacity]) {
  for (int i = 0; i < kTempNamesTried; ++i) {
    uint32_t serial = tempSerial.fetch_add(1, std::memory_order_relaxed);
    if (Truncated(FormatText(temp, sizeof temp, "%s.%lu-%lu.tmp", path,
                             static_cast<unsigned long>(fileio::ProcessNumber()),
                             static_cast<unsigned long>(serial)),
                  sizeof temp))
      return nullptr;
    if (fileio::File file = fileio::CreateNew(temp)) return file;
  }
  return nullptr;
}

}  // namespace

FileProblem LoadGuideFile(const char* path, ByteBuffer* bytes, GuideFileView* view) {
  *view = GuideFileView();
  bytes->Clear();
  bool missing = false;
  fileio::File file = fileio::OpenToRead(path, &missing);
  if (file == nullptr) return missing ? FileProblem::kMissing : FileProblem::kUnreadable;
  uint64_t size = 0;
  FileProblem problem = FileProblem::kNone;
  uint8_t* room = nullptr;
  if (!fileio::SizeOf(file, &size))
    problem = FileProblem::kUnreadable;
  else if (size > kGuideFileMost)
    problem = FileProblem::kTooLarge;  // not even read
  else if (size > 0 && (room = bytes->Extend(static_cast<size_t>(size))) == nullptr)
    problem = FileProblem::kNoMemory;
  else if (size > 0 && !fileio::ReadAll(file, room, static_cast<size_t>(size)))
    problem = FileProblem::kUnreadable;  // a file cut while we read lands here too
  fileio::CloseOpen(file);
  if (problem == FileProblem::kNone) problem = ParseGuideFile(bytes->data(), bytes->size(), view);
  if (problem != FileProblem::kNone) bytes->Clear();
  return problem;
}

int RemoveStaleTemps(const char* path) {
  char pattern[fileio::kPathCapacity];
  if (Truncated(FormatText(pattern, sizeof pattern, "%s.*-*.tmp", path), sizeof pattern))
    return 0;
  return fileio::RemoveMatching(pattern);
}

FileProblem SaveGuideFile(const char* path, const uint8_t* data, size_t size,
                          const Deadline& deadline) {
  if (deadline.Passed()) return FileProblem::kOutOfTime;
  char temp[fileio::kPathCapacity];
  fileio::File file = MakeTemp(path, temp);
  if (file == nullptr) return FileProblem::kCannotWrite;
  FileProblem problem = FileProblem::kNone;
  for (size_t at = 0; at < size && problem == FileProblem::kNone; at += kWritePiece) {
    size_t piece = size - at < kWritePiece ? size - at : kWritePiece;
    if (!fileio::WriteAll(file, data + at, piece))
      problem = FileProblem::kCannotWrite;
    else if (deadline.Passed())
      problem = FileProblem::kOutOfTime;
  }
  if (problem == FileProblem::kNone && !fileio::FlushToDisk(file))
    problem = FileProblem::kCannotWrite;
  fileio::CloseOpen(file);
  if (problem == FileProblem::kNone && deadline.Passed()) problem = FileProblem::kOutOfTime;
  for (int i = 0; problem == FileProblem::kNone && !fileio::MoveOver(temp, path); ++i) {
    if (i + 1 == kMovesTried)
      problem = FileProblem::kCannotWrite;
    else if (deadline.Passed())
      problem = FileProblem::kOutOfTime;
    else
      win32::Sleep(kMoveRetryMs);
  }
  if (problem != FileProblem::kNone) fileio::RemoveFile(temp);
  return problem;
}

}  // namespace keep
