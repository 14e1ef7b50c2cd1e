// Tests of the EIT section builder and packetiser: the bytes a decoder reads at
// fixed positions, the CRC, and how sections are cut into packets.
#include "tests/hosts/eitgen/eit_sections.h"

#include "tests/hosts/eitgen/dated_streams.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using eitgen::PfSection;

// Sections reassembled from a stream: a packet with payload_unit_start begins
// a new section after its pointer_field; other packets continue it.
std::vector<std::vector<uint8_t>> Reassemble(const std::vector<uint8_t>& ts) {
  std::vector<std::vector<uint8_t>> out;
  for (size_t i = 0; i + 188 <= ts.size(); i += 188) {
    const uint8_t* p = ts.data() + i;
    if (p[1] & 0x40) out.emplace_back(p + 5 + p[4], p + 188);
    else if (!out.empty()) out.back().insert(out.back().end(), p + 4, p + 188);
  }
  for (auto& s : out) {
    const size_t len = 3 + (((s[1] & 0x0F) << 8) | s[2]);
    if (len <= s.size()) s.resize(len);
  }
  return out;
}

TEST(EitSectionsTest, CrcMatchesTheMpegCheckValue) {
  const std::string check = "123456789";
  EXPECT_EQ(0x0376E6E7u, eitgen::Crc32Mpeg(reinterpret_cast<const uint8_t*>(check.data()), check.size()));
}

TEST(EitSectionsTest, SectionFieldsSitWhereTheDecoderReadsThem) {
  PfSection s;
  s.serviceId = 0xBEEF;
  s.sectionNumber = 1;
  s.event.startHour = 21;
  s.event.startMinute = 45;
  s.event.name = "News";
  s.event.text = "Late edition";
  const auto sec = eitgen::BuildPfSection(s);
  ASSERT_FALSE(sec.empty());
  // In a delivered unit every byte sits one further on, after the pointer_field.
  EXPECT_EQ(0x4E, sec[0]);
  EXPECT_EQ(sec.size() - 3, static_cast<size_t>(((sec[1] & 0x0F) << 8) | sec[2]));
  EXPECT_EQ(0xBE, sec[3]);
  EXPECT_EQ(0xEF, sec[4]);
  EXPECT_EQ(1, sec[6]);     // section_number
  EXPECT_EQ(0x21, sec[18]); // start hour, BCD
  EXPECT_EQ(0x45, sec[19]); // start minute, BCD
  EXPECT_EQ(0x4D, sec[26]); // first descriptor: short event
  EXPECT_EQ(4, sec[31]);    // event_name_length
  EXPECT_EQ("News", std::string(sec.begin() + 32, sec.begin() + 36));
  EXPECT_EQ(12, sec[36]);   // text_length
  EXPECT_EQ("Late edition", std::string(sec.begin() + 37, sec.begin() + 49));
  EXPECT_EQ(0u, eitgen::Crc32Mpeg(sec.data(), sec.size()));  // CRC over all gives 0
}

TEST(EitSectionsTest, LeadingDescriptorComesFirstAndSectionWithoutEventIsShort) {
  PfSection s;
  s.event.name = "X";
  s.event.leadingDescriptors.push_back({0x50, 0x03, 0x01, 0x02, 0x03});
  const auto sec = eitgen::BuildPfSection(s);
  EXPECT_EQ(0x50, sec[26]);
  EXPECT_EQ(0x4D, sec[31]);
  PfSection empty;
  empty.hasEvent = false;
  EXPECT_EQ(18u, eitgen::BuildPfSection(empty).size());  // header and CRC only
}

TEST(EitSectionsTest, OverlongNameIsCutAndDescriptorStaysWithinItsLengthByte) {
  const auto d = eitgen::ShortEventDescriptor("fra", std::string(300, 'n'), std::string(300, 't'));
  EXPECT_EQ(d.size(), 2u + d[1]);
  EXPECT_EQ(255, d[1]);
  EXPECT_EQ(250, d[5]);         // the name keeps what the length byte allows
  EXPECT_EQ(0, d[6 + 250]);     // no room is left for a text
  const auto shortName = eitgen::ShortEventDescriptor("fra", "Film", std::string(300, 't'));
  EXPECT_EQ(255, shortName[1]);
  EXPECT_EQ(246, shortName[6 + 4]);  // the text takes the rest
}

struct PacketCase {
  size_t sectionSize;
  size_t packets;
};

class PacketCountTest : public ::testing::TestWithParam<PacketCase> {};

TEST_P(PacketCountTest, SectionStartsAfterPointerAndContinuesInNextPackets) {
  const PacketCase c = GetParam();
  std::vector<uint8_t> section(c.sectionSize);
  for (size_t i = 0; i < section.size(); ++i) section[i] = static_cast<uint8_t>(i);
  std::vector<uint8_t> ts;
  uint8_t cc = 14;
  eitgen::AppendSectionPackets(section, 0x0012, cc, ts);
  ASSERT_EQ(c.packets * 188, ts.size());
  EXPECT_EQ((14 + c.packets) & 0x0F, cc);
  for (size_t k = 0; k < c.packets; ++k) {
    const uint8_t* p = ts.data() + k * 188;
    EXPECT_EQ(0x47, p[0]);
    EXPECT_EQ(k == 0 ? 0x40 : 0x00, p[1]);  // payload_unit_start only on the first
    EXPECT_EQ(0x12, p[2]);
    EXPECT_EQ(0x10 | ((14 + k) & 0x0F), p[3]);
  }
  EXPECT_EQ(0, ts[4]);  // pointer_field
  std::vector<uint8_t> back;
  for (size_t k = 0; k < c.packets; ++k)
    back.insert(back.end(), ts.begin() + k * 188 + (k == 0 ? 5 : 4), ts.begin() + (k + 1) * 188);
  EXPECT_TRUE(std::equal(section.begin(), section.end(), back.begin()));
  for (size_t i = section.size(); i < back.size(); ++i) EXPECT_EQ(0xFF, back[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(Sizes, PacketCountTest,
                         ::testing::Values(PacketCase{18, 1}, PacketCase{183, 1}, PacketCase{184, 2},
                                           PacketCase{367, 2}, PacketCase{368, 3},
                                           PacketCase{1000, 6}));

TEST(EitSectionsTest, DemoStreamHoldsEveryServiceTwiceWithGoodCrcs) {
  const auto services = eitgen::DemoServices();
  const auto sections = Reassemble(eitgen::BuildDemoStream(2));
  ASSERT_EQ(services.size() * 4, sections.size());
  bool multiPacket = false;
  for (size_t i = 0; i < sections.size(); ++i) {
    const auto& s = sections[i];
    const auto& svc = services[(i / 2) % services.size()];
    EXPECT_EQ(0u, eitgen::Crc32Mpeg(s.data(), s.size())) << i;
    EXPECT_EQ(svc.serviceId, (s[3] << 8) | s[4]);
    EXPECT_EQ(i % 2, s[6]);
    multiPacket |= s.size() > 183;
  }
  EXPECT_TRUE(multiPacket) << "the demo stream should hold a section longer than one packet";
}

TEST(EitSectionsTest, ReferenceAndChannelListDescribeTheSameServices) {
  const auto services = eitgen::DemoServices();
  const std::string tsv = eitgen::DemoReferenceTsv();
  const std::string list = eitgen::DemoChannelList();
  EXPECT_EQ(services.size() * 2, static_cast<size_t>(std::count(tsv.begin(), tsv.end(), '\n')));
  for (const auto& svc : services) {
    EXPECT_NE(std::string::npos, list.find(std::string(svc.channelName) + ";")) << svc.channelName;
    EXPECT_NE(std::string::npos, tsv.find(svc.present.name)) << svc.channelName;
  }
}

}  // namespace

namespace {

// The long-text service fills its short event descriptors to the last byte:
// name and text arrive whole, one of them without a single blank.
TEST(EitSectionsTest, LongTextServiceFillsTheDescriptorWithoutCuts) {
  const auto services = eitgen::LongTextServices();
  ASSERT_EQ(1u, services.size());
  const auto sections = Reassemble(eitgen::BuildServiceStream(services, 1));
  ASSERT_EQ(2u, sections.size());
  const eitgen::Event* events[] = {&services[0].present, &services[0].following};
  for (size_t i = 0; i < 2; ++i) {
    const auto& s = sections[i];
    EXPECT_EQ(0u, eitgen::Crc32Mpeg(s.data(), s.size())) << i;
    EXPECT_EQ(255, s[27]) << i;  // descriptor_length: full
    const size_t n = s[31];
    EXPECT_EQ(events[i]->name, std::string(s.begin() + 32, s.begin() + 32 + n)) << i;
    EXPECT_EQ(events[i]->text, std::string(s.begin() + 33 + n, s.begin() + 33 + n + s[32 + n])) << i;
  }
  EXPECT_EQ(250u, services[0].following.name.size());
  EXPECT_EQ(std::string::npos, services[0].present.text.find(' '));
}

// Dated streams: the present events begin when asked, a capture's events all
// move by one whole-minute shift, every CRC holds again, and a section whose
// CRC did not hold is left out.
TEST(EitSectionsTest, DatedStreamsBeginAtTheRunsPresent) {
  const int64_t now = 1796000000 + 17;  // 2026-11-30, some seconds past a minute
  const auto fresh = Reassemble(eitgen::BuildNowStream(eitgen::DemoServices(), now, 600, 40));
  ASSERT_FALSE(fresh.empty());
  int64_t start = 0;
  ASSERT_TRUE(eitgen::EitStartSeconds(fresh[0].data() + 16, &start));
  EXPECT_EQ(start, now - 600);
  EXPECT_EQ(0x00, fresh[0][21]);  // duration 00:40:00
  EXPECT_EQ(0x40, fresh[0][22]);

  auto old = eitgen::BuildDemoStream(1);  // the demo's fixed date, years ago
  old[188 * 2 + 40] ^= 0x01;              // the second present section's name: its CRC fails
  eitgen::RedateStats stats;
  const auto moved = Reassemble(eitgen::RedateCapture(old, now, &stats));
  EXPECT_EQ(stats.sections, Reassemble(old).size());
  EXPECT_EQ(stats.badCrc, 1u);
  ASSERT_EQ(moved.size(), stats.sections - 1);
  EXPECT_EQ(stats.shiftSeconds % 60, 0);
  const auto before = Reassemble(old);
  for (size_t i = 0; i < moved.size(); ++i) {
    EXPECT_EQ(0u, eitgen::Crc32Mpeg(moved[i].data(), moved[i].size())) << i;
    int64_t a = 0, b = 0;
    ASSERT_TRUE(eitgen::EitStartSeconds(moved[i].data() + 16, &a));
    ASSERT_TRUE(eitgen::EitStartSeconds(before[i < 2 ? i : i + 1].data() + 16, &b));
    EXPECT_EQ(a - b, stats.shiftSeconds) << i;
  }
  ASSERT_TRUE(eitgen::EitStartSeconds(moved[0].data() + 16, &start));
  EXPECT_GT(start, now - 60);
  EXPECT_LE(start, now);
}

}  // namespace
