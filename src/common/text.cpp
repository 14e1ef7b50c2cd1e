// Bounded text helpers shared by every subsystem.
#include "common/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

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
  int n = std::vsnprintf(dst, capacity, format, args);
  va_end(args);
  dst[capacity - 1] = '\0';
  if (n < 0) dst[0] = '\0';
  return n;
}

size_t BoundedLength(const char* buf, size_t capacity) {
  if (buf == nullptr) return 0;
  const void* nul = std::memchr(buf, '\0', capacity);
  return nul ? static_cast<size_t>(static_cast<const char*>(nul) - buf) : capacity;
}
