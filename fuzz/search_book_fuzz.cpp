// Fuzz target for the reminder book read from bytes (a kept guide file may be
// damaged) and the search over any typed words and texts. Input: a mode byte
// (bit 0: the book's bytes after its mark follow, else the words typed up to
// a NUL byte and a text; bit 1: UTF-8).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "guide/guide_search.h"
#include "guide/reminders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size-- == 0) return 0;
  const uint8_t mode = *data++;
  if (mode & 1) {  // what loads saves to bytes that load to the same book
    static guide::ReminderBook book, again;
    std::vector<uint8_t> input = {'T', 'R', 'B', '1'};
    input.insert(input.end(), data, data + size);
    if (!book.Load(input.data(), input.size(), 0)) return 0;
    std::vector<uint8_t> bytes(book.Save(nullptr, 0)), twice(bytes.size());
    book.Save(bytes.data(), bytes.size());
    if (!again.Load(bytes.data(), bytes.size(), 0) ||
        again.Save(twice.data(), twice.size()) != bytes.size() || twice != bytes)
      std::abort();
    return 0;
  }
  const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
  const size_t typedLength = nul != nullptr ? static_cast<size_t>(nul - data) : size;
  std::vector<char> typed(data, data + typedLength), text(nul ? nul + 1 : data + size, data + size);
  typed.push_back('\0');
  guide::SearchQuery q;
  guide::PrepareSearch(typed.data(), (mode & 2) != 0, &q);
  const guide::SearchText t = {text.data(), text.size()}, self = {typed.data(), typedLength};
  guide::SearchMatches(q, &t, 1);  // a text exactly as long as given, no NUL after it
  if (!guide::SearchMatches(q, &self, 1)) std::abort();  // the words typed hold themselves
  return 0;
}
