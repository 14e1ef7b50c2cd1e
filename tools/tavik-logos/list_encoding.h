// Channel-name lists in whatever encoding the user's editor saved them, to
// names in the character set the plug-in sees channel names in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavik_logos {

// A list file's text in the system's 8-bit character set (Windows' ANSI code
// page; UTF-8 elsewhere), and how the file was read, for the messages.
struct ListText {
  std::string text;
  std::string encoding;  // e.g. "UTF-8 text with a byte-order mark"
};

// Tells the list's encoding from its bytes: a byte-order mark (UTF-8 or
// UTF-16) says it; else bytes that are valid UTF-8 are UTF-8; else they are
// in the ANSI code page (Windows) or Latin-1 (elsewhere). The mark is no part
// of the first line.
ListText DecodeList(const std::vector<uint8_t>& bytes);

}  // namespace tavik_logos
