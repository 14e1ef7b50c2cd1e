// Character tables to UTF-8, and the SDT's service names from packets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/dvbread/dvb_text.h"
#include "tools/dvbread/ts_read.h"
#include "tests/hosts/eitgen/eit_sections.h"

namespace {

std::string Utf8(const std::string& bytes, std::string* table = nullptr) {
  dvbread::DvbText t =
      dvbread::DvbToUtf8(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  if (table) *table = t.table;
  return t.utf8;
}

TEST(DvbText, TablesAnnouncedByTheFirstBytes) {
  struct Case {
    std::string in, out, table;
  };
  const Case kCases[] = {
      {"T\xC2"
       "el\xC2"
       "e",
       "T\xC3\xA9l\xC3\xA9", "default table"},  // diacritic before the letter
      {"\xC8"
       "U\xFB",
       "\xC3\x9C\xC3\x9F", "default table"},
      {"\x05Sc\xE8nes", "Sc\xC3\xA8nes", "ISO 8859-9 (0x05)"},
      {"\x03\xC7 \xD4", "\xCE\x97 \xCE\xA4", "ISO 8859-7 (0x03)"},
      {"\x0B"
       "Euro \xA4",
       "Euro \xE2\x82\xAC", "ISO 8859-15 (0x0B)"},
      {std::string("\x10\x00\x02\xB9", 4), "\xC5\xA1", "ISO 8859-2 (0x10 0x00 0x02)"},
      {std::string("\x11\x65\xE5\x00\x41", 5),
       "\xE6\x97\xA5"
       "A",
       "ISO 10646 two-byte (0x11)"},
      {"\x15Gr\xC3\xBC\xC3\x9F"
       "e",
       "Gr\xC3\xBC\xC3\x9F"
       "e",
       "UTF-8 (0x15)"},
      {"\x15"
       "bad\xC3",
       "bad\xEF\xBF\xBD", "UTF-8 (0x15)"},
      {"Line\x8A"
       "two \x86"
       "em\x87",
       "Line\ntwo em", "default table"},
  };
  for (const Case& c : kCases) {
    std::string table;
    EXPECT_EQ(Utf8(c.in, &table), c.out) << dvbread::EscapeBytes(c.in);
    EXPECT_EQ(table, c.table) << dvbread::EscapeBytes(c.in);
  }
}

TEST(DvbText, UnsupportedTablesAreNamedAndShownAsBytes) {
  dvbread::DvbText t = dvbread::DvbToUtf8(reinterpret_cast<const uint8_t*>("\x1F\xB0\xA1"), 3);
  EXPECT_FALSE(t.supported);
  EXPECT_EQ(t.table, "encoding type (0x1F), not supported");
  EXPECT_EQ(t.utf8, "\\x1F\\xB0\\xA1");
  t = dvbread::DvbToUtf8(reinterpret_cast<const uint8_t*>("\x12\xB0\xA1"), 3);
  EXPECT_TRUE(t.supported);  // KS X 1001: "\xEA\xB0\x80" is U+AC00
  EXPECT_EQ(t.table, "KS X 1001 (0x12)");
  EXPECT_EQ(t.utf8, "\xEA\xB0\x80");
  t = dvbread::DvbToUtf8(reinterpret_cast<const uint8_t*>("\x10\x00\x0C"
                                                          "x"),
                         4);
  EXPECT_FALSE(t.supported);
  EXPECT_EQ(dvbread::DvbToUtf8(nullptr, 0).utf8, "");
}

// An SDT section with the given services (id, name as broadcast).
std::vector<uint8_t> Sdt(const std::vector<std::pair<uint16_t, std::string>>& services) {
  std::vector<uint8_t> s = {0x42, 0xF0, 0, 0x00, 0x01, 0xC1, 0, 0, 0x00, 0x02, 0xFF};
  for (const auto& sv : services) {
    std::vector<uint8_t> d = {0x48, 0,   0x01, 3,
                              'P',  'r', 'v',  static_cast<uint8_t>(sv.second.size())};
    d.insert(d.end(), sv.second.begin(), sv.second.end());
    d[1] = static_cast<uint8_t>(d.size() - 2);
    s.push_back(static_cast<uint8_t>(sv.first >> 8));
    s.push_back(static_cast<uint8_t>(sv.first));
    s.push_back(0xFC);
    s.push_back(static_cast<uint8_t>(0x80 | d.size() >> 8));
    s.push_back(static_cast<uint8_t>(d.size()));
    s.insert(s.end(), d.begin(), d.end());
  }
  eitgen::SealSection(s);
  return s;
}

TEST(TsRead, ServiceNamesFromTheSdtAcrossPackets) {
  std::vector<std::pair<uint16_t, std::string>> services;
  for (int i = 0; i < 12; ++i)
    services.push_back({static_cast<uint16_t>(0x100 + i),
                        "\x05"
                        "Cha\xEEne " +
                            std::to_string(i)});
  std::vector<uint8_t> ts;
  uint8_t cc = 0, eitCc = 0;
  eitgen::AppendSectionPackets(Sdt(services), dvbread::kSdtPid, cc, ts);  // three packets
  eitgen::AppendSectionPackets(Sdt({{0x100, "again"}}), dvbread::kSdtPid, cc, ts);
  eitgen::AppendSectionPackets(std::vector<uint8_t>(40, 0x4E), dvbread::kEitPid, eitCc, ts);
  ASSERT_TRUE(dvbread::LooksLikeTransportStream(ts));
  const std::vector<dvbread::ServiceName> names = dvbread::SdtServiceNames(ts);
  ASSERT_EQ(names.size(), 12u);  // each service once
  EXPECT_EQ(names[11].serviceId, 0x10B);
  EXPECT_EQ(dvbread::DvbToUtf8(names[11].name.data(), names[11].name.size()).utf8,
            "Cha\xC3\xAEne 11");
  EXPECT_EQ(std::string(names[0].provider.begin(), names[0].provider.end()), "Prv");

  // A lost packet in the middle drops the cut section, not the next one.
  std::vector<uint8_t> lossy(ts.begin(), ts.begin() + 188);
  lossy.insert(lossy.end(), ts.begin() + 2 * 188, ts.end());
  EXPECT_EQ(dvbread::SdtServiceNames(lossy).size(), 1u);
  // A capture that begins mid-packet with a false sync byte: its first whole
  // packet is found, as the units find it.
  std::vector<uint8_t> cut = {0x00, 0x47, 0x13};
  cut.insert(cut.end(), ts.begin(), ts.end());
  EXPECT_EQ(dvbread::SdtServiceNames(cut).size(), 12u);
}

}  // namespace
