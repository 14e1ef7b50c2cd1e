// The few file calls the kept guide needs, behind one header: on Windows the
// wide-character kernel32 calls (platform/win/file_io_win.cpp), natively
// POSIX files (tests/fakes/file_io_posix.cpp). Paths are UTF-8 throughout,
// so a folder with any characters in its name works.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fileio {

using File = void*;  // HANDLE or a descriptor; null when not open

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// The longest path in UTF-8 bytes (NUL included) the kept guide handles.
constexpr size_t kPathCapacity = 2048;

// Opens an existing file to read, letting others read, replace or delete it
// meanwhile. Null on failure; *missing then says whether there was no file.
File OpenToRead(const char* path, bool* missing);
// Makes a new file to write; null when the name exists or cannot be made.
File CreateNew(const char* path);
bool SizeOf(File file, uint64_t* size);
// Reads exactly size bytes, or fails.
bool ReadAll(File file, uint8_t* out, size_t size);
bool WriteAll(File file, const uint8_t* data, size_t size);
// Makes what was written reach the disk.
bool FlushToDisk(File file);
void CloseOpen(File file);
// Moves from over to (replacing it, as one step, through to the disk).
bool MoveOver(const char* from, const char* to);
bool RemoveFile(const char* path);
// Removes the files whose names match pattern (a path whose last part may
// hold '*'), each that can be removed: on Windows not one another program
// still has open for writing. Returns how many went.
int RemoveMatching(const char* pattern);
// Adds size bytes at the end of path, making it when there is none.
bool AppendTo(const char* path, const char* text, size_t size);
// The folder of the library module (UTF-8, no trailing separator); false
// when it does not fit in capacity bytes.
bool ModuleFolder(void* module, char* out, size_t capacity);
// This process's id, for names no other viewer picks.
uint32_t ProcessNumber();

}  // namespace fileio
