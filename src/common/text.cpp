// Bounded text helpers shared by every subsystem.
#include "common/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The system's own C library (msvcrt.dll) formats and reads numbers for the
// plug-in: it uses only integers, strings and short fixed-point numbers,
// where msvcrt agrees with C99, and mingw's own printf and strtod would add
// about 40 KB to the DLL. msvcrt's _vsnprintf leaves a full buffer
// unterminated and answers -1: a cut text answers its capacity here.
#if defined(_WIN32)
extern "C" double __cdecl MsvcrtStrtod(const char* text, char** end) __asm__("_strtod");
#endif

namespace {
#if defined(_WIN32)
int FormatList(char* dst, size_t capacity, const char* format, va_list args) {
  const int n = _vsnprintf(dst, capacity, format, args);
  return n < 0 || static_cast<size_t>(n) >= capacity ? static_cast<int>(capacity) : n;
}
double Strtod(const char* text, char** end) { return MsvcrtStrtod(text, end); }
#else
int FormatList(char* dst, size_t capacity, const char* format, va_list args) {
  return std::vsnprintf(dst, capacity, format, args);
}
double Strtod(const char* text, char** end) { return std::strtod(text, end); }
#endif
}  // namespace

size_t CopyText(char* dst, size_t capacity, const char* src) {
  if (dst == nullptr || capacity == 0) return 0;
  if (src == nullptr) src = "";
  size_t n = BoundedLength(src, capacity - 1);
  std::memmove(dst, src, n);
  dst[n] = '\0';
  return n;
}

int FormatText(char* dst, size_t capacity, const char* format, ...) {
  if (dst == nullptr || capacity == 0) return -1;
  va_list args;
  va_start(args, format);
  int n = FormatList(dst, capacity, format, args);
  va_end(args);
  dst[capacity - 1] = '\0';
  if (n < 0) dst[0] = '\0';
  return n;
}

double ReadNumber(const char* text, char** end) { return Strtod(text, end); }

size_t BoundedLength(const char* buf, size_t capacity) {
  if (buf == nullptr) return 0;
  const void* nul = std::memchr(buf, '\0', capacity);
  return nul ? static_cast<size_t>(static_cast<const char*>(nul) - buf) : capacity;
}
