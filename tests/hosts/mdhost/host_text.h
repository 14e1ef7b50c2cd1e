// The simulator's portable text and stream handling: scenario words, channel
// list lines, and the PID 0x0012 payload units of a transport stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mdhost {

struct Channel {
  std::string name;
  uint32_t frequency = 0;
  uint8_t polarity = 0;
  uint16_t serviceId = 0;
  uint8_t caSystem = 0;
};

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

// Parses "name;frequency;polarity;serviceid;ca". Numbers are decimal or 0x-hex;
// polarity is a number or V/H; the name keeps its blanks and must be shorter
// than the record's 92-byte name field. Comment and blank lines are not lines.
bool ParseChannelLine(const std::string& line, Channel& out);

// True for a line of a channel list that carries no channel (blank or # comment).
bool IsChannelComment(const std::string& line);

struct UnitStats {
  size_t packets = 0;        // packets found in the stream
  size_t resyncBytes = 0;    // bytes skipped to find the next sync byte
  size_t withAdaptation = 0; // PID 0x0012 packets whose payload follows an adaptation field
  size_t skipped = 0;        // PID 0x0012 packets without payload or with the error flag
};

// Appends the 184-byte payload unit of every PID 0x0012 packet, in stream order.
// A packet counts when its sync byte is followed by another 188 bytes on; an
// adaptation field's bytes are dropped and the unit padded with 0xFF.
void ExtractEitUnits(const uint8_t* ts, size_t size, std::vector<uint8_t>& units, UnitStats& stats);

}  // namespace mdhost
