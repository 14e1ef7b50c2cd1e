// The kept guide's file calls over kernel32's wide-character functions.
#include <windows.h>

#include "platform/file_io.h"

namespace fileio {
namespace {

// path (UTF-8) as UTF-16 into wide; false when it is not valid UTF-8 or does
// not fit.
bool Wide(const char* path, wchar_t (&wide)[kPathCapacity]) {
  if (path == nullptr) return false;
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, wide,
                              static_cast<int>(kPathCapacity));
  return n > 0;
}

HANDLE Handle(File file) { return static_cast<HANDLE>(file); }

}  // namespace

File OpenToRead(const char* path, bool* missing) {
  *missing = false;
  wchar_t wide[kPathCapacity];
  if (!Wide(path, wide)) return nullptr;
  HANDLE h = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    *missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return nullptr;
  }
  return h;
}

File CreateNew(const char* path) {
  wchar_t wide[kPathCapacity];
  if (!Wide(path, wide)) return nullptr;
  HANDLE h = CreateFileW(wide, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

bool SizeOf(File file, uint64_t* size) {
  LARGE_INTEGER n;
  if (!GetFileSizeEx(Handle(file), &n) || n.QuadPart < 0) return false;
  *size = static_cast<uint64_t>(n.QuadPart);
  return true;
}

bool ReadAll(File file, uint8_t* out, size_t size) {
  while (size > 0) {
    DWORD want = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size), got = 0;
    if (!ReadFile(Handle(file), out, want, &got, nullptr) || got == 0) return false;
    out += got;
    size -= got;
  }
  return true;
}

bool WriteAll(File file, const uint8_t* data, size_t size) {
  while (size > 0) {
    DWORD want = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size), put = 0;
    if (!WriteFile(Handle(file), data, want, &put, nullptr) || put == 0) return false;
    data += put;
    size -= put;
  }
  return true;
}

bool FlushToDisk(File file) { return FlushFileBuffers(Handle(file)) != 0; }

void CloseOpen(File file) {
  if (file != nullptr) CloseHandle(Handle(file));
}

bool MoveOver(const char* from, const char* to) {
  wchar_t wideFrom[kPathCapacity], wideTo[kPathCapacity];
  if (!Wide(from, wideFrom) || !Wide(to, wideTo)) return false;
  return MoveFileExW(wideFrom, wideTo, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const char* path) {
  wchar_t wide[kPathCapacity];
  return Wide(path, wide) && DeleteFileW(wide) != 0;
}

int RemoveMatching(const char* pattern) {
  wchar_t wide[kPathCapacity], path[kPathCapacity];
  if (!Wide(pattern, wide)) return 0;
  size_t folder = 0;  // the length of the folder part, separator included
  for (size_t i = 0; wide[i] != L'\0'; ++i)
    if (wide[i] == L'\\' || wide[i] == L'/') folder = i + 1;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(wide, &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int removed = 0;
  do {
    size_t name = lstrlenW(found.cFileName);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        folder + name >= kPathCapacity)
      continue;
    CopyMemory(path, wide, folder * sizeof(wchar_t));
    CopyMemory(path + folder, found.cFileName, (name + 1) * sizeof(wchar_t));
    removed += DeleteFileW(path) != 0;
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return removed;
}

bool AppendTo(const char* path, const char* text, size_t size) {
  wchar_t wide[kPathCapacity];
  if (!Wide(path, wide)) return false;
  HANDLE h = CreateFileW(wide, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(h, reinterpret_cast<const uint8_t*>(text), size);
  return CloseHandle(h) != 0 && ok;
}

bool ModuleFolder(void* module, char* out, size_t capacity) {
  wchar_t wide[kPathCapacity];
  DWORD n = GetModuleFileNameW(static_cast<HMODULE>(module), wide, kPathCapacity);
  if (n == 0 || n >= kPathCapacity) return false;
  while (n > 0 && wide[n - 1] != L'\\' && wide[n - 1] != L'/') --n;
  if (n == 0) return false;
  wide[n - 1] = L'\0';
  return WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, static_cast<int>(capacity), nullptr,
                             nullptr) > 0;
}

uint32_t ProcessNumber() { return GetCurrentProcessId(); }

}  // namespace fileio
