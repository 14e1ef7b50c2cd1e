// The simulator's portable text and stream handling: scenario words, and the
// PID 0x0012 payload units it delivers from a transport stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/hostkit/channel_list.h"
#include "tools/hostkit/ts_units.h"

namespace mdhost {

using Channel = hostkit::Channel;  // a line of the channel list (tools/hostkit/channel_list.h)

// Splits a scenario line into words at blanks; "quoted words" keep their blanks
// and understand \" \\ \n \r \t and \xHH; '#' outside quotes starts a
// comment. False on an unclosed quote.
bool Tokenize(const std::string& line, std::vector<std::string>& out);

// A scenario header line "#! key words...": its words (quotes and escapes as
// in Tokenize). False for any other line, and for a header without words.
bool HeaderWords(const std::string& line, std::vector<std::string>& out);

// The words from position `from` on as the lines of a text file, each ending
// in CR LF (the way the plug-in writes its settings file).
std::string FileLines(const std::vector<std::string>& lines, size_t from);

// Text as a scenario would quote it: \n \r \t \" \\ and \xHH for other
// control and 8-bit characters, so a trace line stays one line.
std::string Escaped(const std::string& text);

// A file (a capture, a channel list), whole. False when it cannot be read.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes);

// What the simulator delivers from a stream: the PID 0x0012 units as the host
// kit hands them over (tools/hostkit/ts_units.h), back to back.
std::vector<uint8_t> DeliveredUnits(const std::vector<uint8_t>& ts, hostkit::UnitStats& stats);

}  // namespace mdhost
