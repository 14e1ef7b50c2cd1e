// The character-table converter against titles as broadcasters sent them,
// with the text a viewer should read written out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/dvb_text.h"

namespace {

std::string Convert(const std::string& bytes, dvbtext::Breaks breaks = dvbtext::Breaks::kNewline,
                    size_t capacity = 1024) {
  char out[1024];
  dvbtext::ToUtf8(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), breaks, out,
                  capacity);
  return out;
}

struct Title {
  const char* where;
  std::string broadcast;
  std::string shown;
};

TEST(DvbText, RealTitlesInEveryTable) {
  const Title kTitles[] = {
      {"Czech, default table", "Krimin\xC2" "alka And\xCF" "el III (6)", u8"Kriminálka Anděl III (6)"},
      {"Czech, default table", "Vyjednava\xCF" "c", u8"Vyjednavač"},
      {"Slovak, default table", "N\xC2" "amo\xCF" "rn\xC2" "i", u8"Námořní"},
      {"euro sign in the default table", "Cena 5 \xA4", u8"Cena 5 €"},
      {"Greek, ISO 8859-7 (0x03)",
       "\x03Road trip - \xCA\xEB\xDC\xEF\xF5\xED\xF4\xE9\xE1 \xCC\xDC\xF4\xEF\xEB\xE1",
       u8"Road trip - Κλάουντια Μάτολα"},
      {"Greek, ISO 8859-7 (0x03)", "\x03\xB6\xEB\xEB\xEF\xED", u8"Άλλον"},
      {"Ukrainian, ISO 8859-5 (0x01)",
       "\x01\xB0\xD2\xD0\xE2\xD0\xE0: \xDE\xE1\xE2\xD0\xDD\xDD\xF6\xD9",
       u8"Аватар: останній"},
      {"Hungarian, ISO 8859-2 (0x10 0x00 0x02)",
       std::string("\x10\x00\x02(magyar zen\xE9s m\xFBsor, 2007)", 29),
       u8"(magyar zenés műsor, 2007)"},
      {"Taiwan, Big5 subset of two-byte ISO 10646 (0x14)",
       std::string("\x14\x83\xEF\x89\x96\x75\x1F\x61\x4B\x7B\x46\x8A\x18\x00\x28\x66\x6E\x00\x29",
                   19),
       u8"華視生態筆記(普)"},
      {"two-byte ISO 10646 (0x11)", std::string("\x11\x65\xE5\x00\x41", 5), u8"日A"},
      {"China, GB 2312 (0x13)", "\x13\xD0\xC2\xCE\xC5\xC1\xAA\xB2\xA5", u8"新闻联播"},
      {"Korea, KS X 1001 (0x12)", "\x12\xB4\xBA\xBD\xBA 9", u8"뉴스 9"},
      {"UTF-8 (0x15)", "\x15Gr\xC3\xBC\xC3\x9F" "e", u8"Grüße"},
  };
  for (const Title& t : kTitles) EXPECT_EQ(Convert(t.broadcast), t.shown) << t.where;
}

TEST(DvbText, ControlCodesAndLineBreaks) {
  EXPECT_EQ(Convert("Line\x8Atwo \x86" "em\x87"), "Line\ntwo em");
  EXPECT_EQ(Convert("Line\x8Atwo", dvbtext::Breaks::kBlank), "Line two");
  EXPECT_EQ(Convert(std::string("\x11\xE0\x8A\x00\x41\xE0\x86", 7), dvbtext::Breaks::kBlank), " A");
  EXPECT_EQ(Convert("\x15" "a\xC2\x8A" "b"), "a\nb");
}

TEST(DvbText, BrokenSequencesGiveReplacementAndNothingIsReadPastTheText) {
  const Title kBroken[] = {
      {"UTF-8 cut inside a character", "\x15" "bad\xC3", u8"bad\uFFFD"},
      {"UTF-8 overlong", "\x15\xC0\xAF", u8"\uFFFD\uFFFD"},
      {"two-byte text with half a character", std::string("\x11\x00\x41\x00", 4), u8"A\uFFFD"},
      {"GB 2312 lead byte at the end", "\x13\xD0\xC2\xCE", u8"新\uFFFD"},
      {"KS X 1001 pair outside the table", "\x12\xA1\x41", u8"\uFFFDA"},
      {"undefined byte of ISO 8859-7", "\x03\xAE", u8"\uFFFD"},
      {"reserved table byte", "\x17\xC1" "ok", u8"\uFFFDok"},
  };
  for (const Title& t : kBroken) {
    // The text is copied into a heap block of exactly its size (a string
    // would keep its terminator and spare room behind it), so ASan sees any
    // read past it.
    const std::vector<uint8_t> exact(t.broadcast.begin(), t.broadcast.end());
    char out[1024];
    dvbtext::ToUtf8(exact.data(), exact.size(), dvbtext::Breaks::kNewline, out, sizeof out);
    EXPECT_EQ(std::string(out), t.shown) << t.where;
  }
}

TEST(DvbText, ABufferTooSmallEndsBeforeACharacterThatDoesNotFit) {
  // "Άλλον" is five two-byte characters; 6 bytes of room hold two of them.
  EXPECT_EQ(Convert("\x03\xB6\xEB\xEB\xEF\xED", dvbtext::Breaks::kBlank, 6), u8"Άλ");
  EXPECT_EQ(Convert("abc", dvbtext::Breaks::kBlank, 1), "");
  dvbtext::Table t = dvbtext::AnnouncedTable(reinterpret_cast<const uint8_t*>("\x10\x00"), 2);
  EXPECT_EQ(t.kind, dvbtext::TableKind::kUnknownPart);
}

}  // namespace
