// Tests of the simulator's portable parts and the host kit under them:
// scenario words, channel list lines and the payload units it delivers from
// a transport stream.
#include "tests/hosts/mdhost/host_text.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tools/hostkit/channel_list.h"
#include "tools/hostkit/ts_units.h"
#include "tests/hosts/eitgen/eit_sections.h"
#include "tests/hostkit/ts_capture.h"

namespace {

using mdhost::Channel;
using hostkit::UnitStats;

struct TokenCase {
  const char* line;
  std::vector<std::string> words;
};

TEST(HostTextTest, TokenizeSplitsQuotesEscapesAndComments) {
  const TokenCase cases[] = {
      {"zap 2", {"zap", "2"}},
      {"  expect   text \"Tavik\" 8 \"BBC One\"  ", {"expect", "text", "Tavik", "8", "BBC One"}},
      {"press \"About\" \"O\\\"K\"", {"press", "About", "O\"K"}},
      {"expect text \"EPG\" 4 \"Sc\\xe8nes\"", {"expect", "text", "EPG", "4", "Sc\xe8nes"}},
      {"wait 100 # a comment", {"wait", "100"}},
      {"press \"A # not a comment\" OK", {"press", "A # not a comment", "OK"}},
      {"# only a comment", {}},
      {"key P\r", {"key", "P"}},
      {"set \"\" 3 \"\"", {"set", "", "3", ""}},
      {"expect dialog \"E\" \"a\\n\\nb\\r\\tc\"", {"expect", "dialog", "E", "a\n\nb\r\tc"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> words;
    EXPECT_TRUE(mdhost::Tokenize(c.line, words)) << c.line;
    EXPECT_EQ(c.words, words) << c.line;
  }
  std::vector<std::string> words;
  EXPECT_FALSE(mdhost::Tokenize("press \"About OK", words));
}

TEST(HostTextTest, HeaderLinesGiveTheirWords) {
  std::vector<std::string> words;
  ASSERT_TRUE(mdhost::HeaderWords("#! ini \" 3.0\" 1 \"Comic Sans\"\r", words));
  EXPECT_EQ((std::vector<std::string>{"ini", " 3.0", "1", "Comic Sans"}), words);
  ASSERT_TRUE(mdhost::HeaderWords("#!remove tavik.uir", words));
  EXPECT_EQ((std::vector<std::string>{"remove", "tavik.uir"}), words);
  EXPECT_FALSE(mdhost::HeaderWords("# ! ini 1", words)) << "a plain comment";
  EXPECT_FALSE(mdhost::HeaderWords("zap 1 #! ini 1", words)) << "only at the start of a line";
  EXPECT_FALSE(mdhost::HeaderWords("#!   ", words)) << "a header needs a key";
  EXPECT_FALSE(mdhost::HeaderWords("#! ini \"open", words));
}

TEST(HostTextTest, FileLinesEndEachLineWithCrLf) {
  const std::vector<std::string> words = {"ini", " 3.0", "1", "", "Verdana"};
  EXPECT_EQ(" 3.0\r\n1\r\n\r\nVerdana\r\n", mdhost::FileLines(words, 1));
  EXPECT_EQ("", mdhost::FileLines(words, 5));
}

// What the trace shows of a text must read back as the same text when quoted
// in a scenario, and stay on one line.
TEST(HostTextTest, EscapedTextReadsBackThroughTokenize) {
  const std::string texts[] = {
      "Attention :\n\n\n\n\n\n\n\n\nFile TavikX.uir not found !",
      "tab\tcr\r quote\" back\\slash",
      std::string("8-bit \xe9\xff and \x01 # not a comment"),
      "",
  };
  for (const std::string& t : texts) {
    const std::string shown = mdhost::Escaped(t);
    EXPECT_EQ(std::string::npos, shown.find_first_of("\r\n")) << shown;
    std::vector<std::string> words;
    ASSERT_TRUE(mdhost::Tokenize("\"" + shown + "\"", words)) << shown;
    ASSERT_EQ(1u, words.size()) << shown;
    EXPECT_EQ(t, words[0]) << shown;
  }
  EXPECT_EQ("a\\nb", mdhost::Escaped("a\nb"));
}

struct ChannelCase {
  const char* line;
  bool ok;
  uint32_t frequency;
  uint8_t polarity;
  uint16_t serviceId;
  uint8_t ca;
};

TEST(HostTextTest, ChannelLinesParseOrFailWhole) {
  const ChannelCase cases[] = {
      {"Tavik One;11778000;1;0x0101;0\n", true, 11778000, 1, 0x0101, 0},
      {"Sport 24;12640000;V;261;5\r\n", true, 12640000, 1, 261, 5},
      {"Cinema;12188000;h;0xFFFF;255", true, 12188000, 0, 0xFFFF, 255},
      {"Pol 13;1;13;1;1", true, 1, 13, 1, 1},
      {"Too few;1;1;1", false, 0, 0, 0, 0},
      {"Too many;1;1;1;1;1", false, 0, 0, 0, 0},
      {"Big sid;1;1;0x10000;0", false, 0, 0, 0, 0},
      {"Big ca;1;1;1;256", false, 0, 0, 0, 0},
      {"Negative;-5;1;1;0", false, 0, 0, 0, 0},
      {"Junk;12abc;1;1;0", false, 0, 0, 0, 0},
      {";1;1;1;0", false, 0, 0, 0, 0},
      {"Pol;1;X;1;0", false, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    Channel ch;
    EXPECT_EQ(c.ok, hostkit::ParseChannelLine(c.line, ch)) << c.line;
    if (!c.ok) continue;
    EXPECT_EQ(c.frequency, ch.frequency) << c.line;
    EXPECT_EQ(c.polarity, ch.polarity) << c.line;
    EXPECT_EQ(c.serviceId, ch.serviceId) << c.line;
    EXPECT_EQ(c.ca, ch.caSystem) << c.line;
  }
  Channel ch;
  EXPECT_TRUE(hostkit::ParseChannelLine(std::string(91, 'n') + ";1;1;1;0", ch));
  EXPECT_FALSE(hostkit::ParseChannelLine(std::string(92, 'n') + ";1;1;1;0", ch))
      << "a name must leave room for its NUL in the 92-byte field";
  EXPECT_TRUE(hostkit::IsChannelComment("  # name;frequency"));
  EXPECT_TRUE(hostkit::IsChannelComment(" \r\n"));
}

// A packet of the given PID with a payload of one repeated byte.
std::vector<uint8_t> Packet(unsigned pid, uint8_t fill, unsigned afc = 1, uint8_t afLength = 0) {
  std::vector<uint8_t> p(188, fill);
  p[0] = 0x47;
  p[1] = static_cast<uint8_t>((pid >> 8) & 0x1F);
  p[2] = static_cast<uint8_t>(pid & 0xFF);
  p[3] = static_cast<uint8_t>(afc << 4);
  if (afc == 3) p[4] = afLength;
  return p;
}

void Append(std::vector<uint8_t>& ts, const std::vector<uint8_t>& more) { ts.insert(ts.end(), more.begin(), more.end()); }

TEST(HostTextTest, UnitsComeFromEitPacketsOnlyInStreamOrder) {
  std::vector<uint8_t> ts;
  Append(ts, Packet(0x12, 0xA1));
  Append(ts, Packet(0x11, 0xB0));  // another PID
  Append(ts, Packet(0x12, 0xA2));
  UnitStats stats;
  const std::vector<uint8_t> units = mdhost::DeliveredUnits(ts, stats);
  ASSERT_EQ(2u * 184, units.size());
  EXPECT_EQ(0xA1, units[0]);
  EXPECT_EQ(0xA2, units[184]);
  EXPECT_EQ(3u, stats.packets);
}

TEST(HostTextTest, AdaptationFieldIsDroppedAndUnitPaddedEmptyPacketsSkipped) {
  std::vector<uint8_t> ts;
  Append(ts, Packet(0x12, 0xC3, 3, 10));  // 10 adaptation bytes after the length byte
  Append(ts, Packet(0x12, 0xC4, 2));      // adaptation only: no payload
  auto flagged = Packet(0x12, 0xC5);
  flagged[1] |= 0x80;                     // transport_error_indicator
  Append(ts, flagged);
  Append(ts, Packet(0x12, 0xC6, 3, 183)); // adaptation field fills the packet
  UnitStats stats;
  const std::vector<uint8_t> units = mdhost::DeliveredUnits(ts, stats);
  ASSERT_EQ(184u, units.size());
  const size_t payload = 188 - 5 - 10;
  for (size_t i = 0; i < payload; ++i) ASSERT_EQ(0xC3, units[i]) << i;
  for (size_t i = payload; i < 184; ++i) ASSERT_EQ(0xFF, units[i]) << i;
  EXPECT_EQ(2u, stats.withAdaptation);
  EXPECT_EQ(3u, stats.skipped);
}

TEST(HostTextTest, LostSyncIsFoundAgainAndATruncatedTailIgnored) {
  std::vector<uint8_t> ts = {0x00, 0x47, 0x13};  // junk, including a false sync byte
  Append(ts, Packet(0x12, 0xD1));
  Append(ts, Packet(0x12, 0xD2));
  ts.insert(ts.end(), 100, 0x47);  // half a packet at the end
  UnitStats stats;
  const std::vector<uint8_t> units = mdhost::DeliveredUnits(ts, stats);
  ASSERT_EQ(2u * 184, units.size());
  EXPECT_EQ(0xD1, units[0]);
  EXPECT_EQ(0xD2, units[184]);
  EXPECT_EQ(3u, stats.resyncBytes);
}

TEST(HostTextTest, GeneratedStreamGivesOneUnitPerPacketWithSectionsAtByteOne) {
  const auto ts = eitgen::BuildDemoStream(1);
  UnitStats stats;
  const std::vector<uint8_t> units = mdhost::DeliveredUnits(ts, stats);
  ASSERT_EQ(ts.size() / 188 * 184, units.size());
  // The first unit starts a section: pointer_field 0, table_id 0x4E at byte 1.
  EXPECT_EQ(0x00, units[0]);
  EXPECT_EQ(0x4E, units[1]);
}

// Every real capture gives the decoder the same bytes under wine (what the
// simulator delivers) as in the native tests (tests/support). The lossy
// capture's PID 0x0012 packets with adaptation-field bits all carry the
// transport error flag: a demultiplexer drops them, and so does the host.
TEST(HostTextTest, RealCapturesDeliverTheNativeTestsBytesWithoutFlaggedPackets) {
  const std::vector<std::string> files = tscap::CaptureFiles();
  if (files.empty()) GTEST_SKIP() << "no captures in " << tscap::CaptureDir();
  bool lossySeen = false;
  for (const std::string& path : files) {
    std::vector<uint8_t> ts;
    ASSERT_TRUE(mdhost::ReadFileBytes(path, ts)) << path;
    UnitStats stats;
    const std::vector<uint8_t> units = mdhost::DeliveredUnits(ts, stats);
    std::vector<tscap::Unit> native;
    ASSERT_TRUE(tscap::ReadPidUnits(path, tscap::kEitPid, &native)) << path;
    EXPECT_TRUE(units == tscap::Concatenate(native, 0, native.size())) << path;
    if (path.find("petrj_crete-digea_2023-07-28-16-59-49.ts") == std::string::npos) continue;
    lossySeen = true;
    EXPECT_EQ(ts.size() / 188, stats.packets);
    EXPECT_EQ(0u, stats.resyncBytes);
    EXPECT_EQ(0u, stats.withAdaptation);
    EXPECT_EQ(236u, stats.skipped);
    EXPECT_EQ(9252u, units.size() / 184);
  }
  if (!lossySeen) std::printf("the lossy capture (petrj_crete-digea) is absent: not counted\n");
}

}  // namespace
