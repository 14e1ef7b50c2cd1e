// Channel lists: one channel a line, "name;frequency;polarity;serviceid;ca",
// read the same way by the host simulator and by tavik-logos.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hostkit {

struct Channel {
  std::string name;
  uint32_t frequency = 0;
  uint8_t polarity = 0;
  uint16_t serviceId = 0;
  uint8_t caSystem = 0;
};

// The rule, for one line (a line feed or CR LF at its end is no part of it):
// - blank, or '#' as its first character after blanks: no channel (a comment);
// - else exactly five fields separated by ';';
// - the name as written, blanks kept, 1 to 91 bytes (the record's 92-byte name
//   field keeps room for its NUL);
// - frequency 0 to 0xFFFFFFFF, serviceid 0 to 0xFFFF, ca 0 to 255, decimal or
//   0x-hex, blanks around them allowed; polarity the same from 0 to 255, or V
//   (1) or H (0) in either case.
bool IsChannelComment(const std::string& line);
// False for a comment line and a bad line; why, when given, says what is wrong
// with a bad one ("" for a comment).
bool ParseChannelLine(const std::string& line, Channel& out, std::string* why = nullptr);

// Every channel of a list's text, in order. False at the first bad line, with
// "line N: " and what is wrong in error.
bool ParseChannelList(const std::string& text, std::vector<Channel>& out, std::string& error);

}  // namespace hostkit
