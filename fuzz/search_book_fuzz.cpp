// Fuzz target for the reminder book read from bytes (a kept guide file may be
// damaged) and the search over any typed words and texts.
//
// Input: a mode byte (bit 0: the book, else the search; bit 1: UTF-8 texts),
// then for the book its bytes after its four-byte mark (put there first), for
// the search the typed words up to a NUL byte and the text after it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "guide/guide_search.h"
#include "guide/reminders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  ++data, --size;
  if (mode & 1) {
    static guide::ReminderBook book, again;
    std::vector<uint8_t> input = {'T', 'R', 'B', '1'};
    input.insert(input.end(), data, data + size);
    if (!book.Load(input.data(), input.size(), 0)) return 0;
    // What loads saves to bytes that load to the same book.
    std::vector<uint8_t> bytes(book.Save(nullptr, 0));
    if (book.Save(bytes.data(), bytes.size()) != bytes.size()) std::abort();
    if (!again.Load(bytes.data(), bytes.size(), 0) || again.Count() != book.Count()) std::abort();
    std::vector<uint8_t> twice(again.Save(nullptr, 0));
    again.Save(twice.data(), twice.size());
    if (twice != bytes) std::abort();
    return 0;
  }
  const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
  const size_t typedLength = nul != nullptr ? static_cast<size_t>(nul - data) : size;
  std::vector<char> typed(data, data + typedLength);
  typed.push_back('\0');
  guide::SearchQuery q;
  guide::PrepareSearch(typed.data(), (mode & 2) != 0, &q);
  // The text exactly as long as given, with no NUL after it to stop a reader.
  const size_t textLength = nul != nullptr ? size - typedLength - 1 : 0;
  std::vector<char> text(textLength);
  if (textLength > 0) std::memcpy(text.data(), nul + 1, textLength);
  const guide::SearchText t = {text.data(), text.size()};
  // A text always holds the words typed as themselves.
  const guide::SearchText self = {typed.data(), typedLength};
  guide::SearchMatches(q, &t, 1);
  if (std::memchr(typed.data(), 0, typedLength) == nullptr && !guide::SearchMatches(q, &self, 1))
    std::abort();
  return 0;
}
