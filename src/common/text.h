// Bounded text helpers: every copy and format truncates to the buffer and
// always terminates it. No unbounded strcpy/sprintf anywhere in the plug-in.
#pragma once

#include <cstddef>

// Copies src into dst (capacity bytes, including the NUL). Returns the number
// of characters copied. A null src copies "".
size_t CopyText(char* dst, size_t capacity, const char* src);

// printf-style format into dst, truncating. Returns the length of the text,
// or for a cut one at least capacity (the length the full text would have had
// where the C library tells it), so callers can detect truncation.
int FormatText(char* dst, size_t capacity, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// A decimal number as strtod reads it, in the "C" locale; *end (when not
// null) is set past the last character used.
double ReadNumber(const char* text, char** end);

// True when format would have needed more than capacity bytes.
inline bool Truncated(int formattedLength, size_t capacity) {
  return formattedLength < 0 || static_cast<size_t>(formattedLength) >= capacity;
}

// Length of the NUL-terminated text in buf, looking at most at capacity bytes.
size_t BoundedLength(const char* buf, size_t capacity);
