// The kept guide's file calls over POSIX files, for the native tests.
#include <fcntl.h>
#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/file_io.h"
#include "runtime/ui_runtime.h"

namespace fileio {
namespace {

int Fd(File file) { return static_cast<int>(reinterpret_cast<intptr_t>(file)) - 1; }
File AsFile(int fd) { return fd < 0 ? nullptr : reinterpret_cast<File>(static_cast<intptr_t>(fd) + 1); }

}  // namespace

File OpenToRead(const char* path, bool* missing) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  *missing = fd < 0 && errno == ENOENT;
  return AsFile(fd);
}

File CreateNew(const char* path) { return AsFile(open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)); }

bool SizeOf(File file, uint64_t* size) {
  struct stat st;
  if (fstat(Fd(file), &st) != 0) return false;
  *size = static_cast<uint64_t>(st.st_size);
  return true;
}

bool ReadAll(File file, uint8_t* out, size_t size) {
  while (size > 0) {
    ssize_t got = read(Fd(file), out, size);
    if (got <= 0) return false;
    out += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

bool WriteAll(File file, const uint8_t* data, size_t size) {
  while (size > 0) {
    ssize_t put = write(Fd(file), data, size);
    if (put <= 0) return false;
    data += put;
    size -= static_cast<size_t>(put);
  }
  return true;
}

bool FlushToDisk(File file) { return fsync(Fd(file)) == 0; }

void CloseOpen(File file) {
  if (file != nullptr) close(Fd(file));
}

bool MoveOver(const char* from, const char* to) { return std::rename(from, to) == 0; }

bool RemoveFile(const char* path) { return unlink(path) == 0; }

int RemoveMatching(const char* pattern) {
  glob_t found;
  if (glob(pattern, 0, nullptr, &found) != 0) return 0;
  int removed = 0;
  for (size_t i = 0; i < found.gl_pathc; ++i) removed += unlink(found.gl_pathv[i]) == 0;
  globfree(&found);
  return removed;
}

bool AppendTo(const char* path, const char* text, size_t size) {
  int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteAll(AsFile(fd), reinterpret_cast<const uint8_t*>(text), size);
  return close(fd) == 0 && ok;
}

// The folder the fake panel runtime was given.
bool ModuleFolder(void* module, char* out, size_t capacity) {
  return ui::GetModuleDir(module, out, static_cast<int>(capacity)) == 0;
}

uint32_t ProcessNumber() { return static_cast<uint32_t>(getpid()); }

}  // namespace fileio
