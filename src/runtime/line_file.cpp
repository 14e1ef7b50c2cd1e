// Line-oriented file I/O of the panel runtime over FILE*, and the one-step
// file replacement; the same code serves the Windows and the native build.
#ifdef _WIN32
#include <windows.h>
#undef ReplaceFile  // the system's macro would rename ours
#endif

#include <cstdio>
#ifndef _WIN32
#include <sys/stat.h>

#include <cerrno>
#endif

#include "platform/lock.h"
#include "runtime/ui_runtime.h"

namespace ui {
namespace {

constexpr int kMaxOpenFiles = 16;
constexpr int kModeRead = 1;
constexpr int kModeWrite = 2;
constexpr int kActionTruncate = 0;
constexpr int kActionAppend = 1;
constexpr int kTypeBinary = 0;
constexpr int kTypeText = 1;

struct OpenFileSlot {
  FILE* fp = nullptr;
  bool reading = false;
  bool text = false;
};

// The table of open files; handles are 1 + the slot index.
struct LineFiles {
  Lock lock;
  OpenFileSlot slots[kMaxOpenFiles] TAVIK_GUARDED_BY(lock);
};

LineFiles& Files() {
  static LineFiles files;
  return files;
}

// The slot of a handle, or null.
OpenFileSlot* SlotOf(LineFiles& files, int file) TAVIK_REQUIRES(files.lock) {
  if (file < 1 || file > kMaxOpenFiles) return nullptr;
  OpenFileSlot* s = &files.slots[file - 1];
  return s->fp ? s : nullptr;
}

}  // namespace

int OpenFile(const char* path, int mode, int action, int type) {
  if (!path || !*path) return kErrBadValue;
  if (type != kTypeBinary && type != kTypeText) return kErrBadValue;
  const char* how = nullptr;
  if (mode == kModeRead) how = "rb";
  else if (mode == kModeWrite && action == kActionTruncate) how = "wb";
  else if (mode == kModeWrite && action == kActionAppend) how = "ab";
  if (!how) return kErrBadValue;

  LineFiles& files = Files();
  LockGuard guard(files.lock);
  int free = -1;
  for (int i = 0; i < kMaxOpenFiles && free < 0; ++i)
    if (!files.slots[i].fp) free = i;
  if (free < 0) return kErrFile;
  // Line ends are handled here, so the C library sees binary files only.
  FILE* fp = std::fopen(path, how);
  if (!fp) return kErrFile;
  files.slots[free].fp = fp;
  files.slots[free].reading = mode == kModeRead;
  files.slots[free].text = type == kTypeText;
  return free + 1;
}

int ReadLine(int file, char* buf, int maxBytes) {
  if (!buf || maxBytes < 0) return kErrBadValue;
  LineFiles& files = Files();
  LockGuard guard(files.lock);
  OpenFileSlot* s = SlotOf(files, file);
  if (!s || !s->reading) {
    buf[0] = '\0';
    return kErrFile;
  }
  int kept = 0;
  bool any = false;
  bool pendingCr = false;  // a CR is dropped only when LF follows it
  auto keep = [&](char c) {
    if (kept < maxBytes) buf[kept++] = c;
  };
  for (;;) {
    int c = std::fgetc(s->fp);
    if (c == EOF) break;
    any = true;
    if (c == '\n') {
      pendingCr = false;
      break;
    }
    if (pendingCr) keep('\r');
    pendingCr = c == '\r';
    if (!pendingCr) keep(static_cast<char>(c));
  }
  if (pendingCr) keep('\r');  // a CR at the very end of the file is data
  buf[kept] = '\0';
  return any ? kept : -1;
}

int WriteLine(int file, const char* buf, int count) {
  if (count < 0 || (count > 0 && !buf)) return kErrBadValue;
  LineFiles& files = Files();
  LockGuard guard(files.lock);
  OpenFileSlot* s = SlotOf(files, file);
  if (!s || s->reading) return kErrFile;
  if (count > 0 && std::fwrite(buf, 1, static_cast<size_t>(count), s->fp) !=
                       static_cast<size_t>(count))
    return kErrFile;
  if (s->text && std::fwrite("\r\n", 1, 2, s->fp) != 2) return kErrFile;
  return count;
}

int CloseFile(int file) {
  LineFiles& files = Files();
  LockGuard guard(files.lock);
  OpenFileSlot* s = SlotOf(files, file);
  if (!s) return kErrFile;
  int rc = std::fclose(s->fp);
  *s = OpenFileSlot();
  return rc == 0 ? 0 : kErrFile;
}

// A file the user protected is left alone even where the system would
// replace it (wine's replace ignores the read-only attribute).
int FileIsReadOnly(const char* path) {
  if (!path || !*path) return 0;
#ifdef _WIN32
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) ? 1 : 0;
#else
  struct stat st;
  return stat(path, &st) == 0 && (st.st_mode & S_IWUSR) == 0 ? 1 : 0;
#endif
}

int FileMissing(const char* path) {
  if (!path || !*path) return 0;
#ifdef _WIN32
  if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return 0;
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 1 : 0;
#else
  struct stat st;
  return stat(path, &st) != 0 && (errno == ENOENT || errno == ENOTDIR) ? 1 : 0;
#endif
}

int ReplaceFile(const char* source, const char* target) {
  if (!source || !target || !*source || !*target) return kErrBadValue;
  if (FileIsReadOnly(target)) return kErrReadOnly;
#ifdef _WIN32
  BOOL ok = MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  return ok ? 0 : kErrFile;
#else
  return std::rename(source, target) == 0 ? 0 : kErrFile;
#endif
}

}  // namespace ui
