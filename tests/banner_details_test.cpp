// Service details and meters: frequency by host family, polarisation, the CA
// table with indicator carry-over, the signal query and the colour ramp.
#include "tests/banner_fixture.h"

namespace {

using DetailsTest = BannerTest;

TEST_F(DetailsTest, FrequencyByHostFamily) {
  struct Case { const char* hostTitle; uint32_t frequency; const char* shown; };
  const Case kCases[] = {
      {"ALT-DVB 2.2", 12149999, "12149"},   // truncated, not rounded
      {"ProgDVB 6.5", 11778000, "11778"},
      {"SkyView 1.0", 11778, "11778"},
      {"DVB Viewer", 11778000, "11778000"},
      {"Some editor", 11778000, "11778000"},  // no host: unscaled
      {"ProgDVB 6.5", 4294967295u, "4294967"},
      {"SkyView 1.0", 4294967295u, "4294967295"},  // unsigned, no sign
  };
  for (const Case& c : kCases) {
    fake::SetWindowTitle(hostWnd_, c.hostTitle);
    Arm();
    Change("BBC One", c.frequency);
    EXPECT_EQ(Text(panel::kFrequency), c.shown) << c.hostTitle << " " << c.frequency;
  }
}

TEST_F(DetailsTest, PolarisationLetter) {
  const struct { uint8_t code; const char* letter; } kCases[] = {
      {13, "V"}, {1, "V"}, {18, "H"}, {0, "H"}, {2, "H"}, {255, "H"}};
  Arm();
  for (auto c : kCases) {
    Change("BBC One", 11778000, c.code);
    EXPECT_EQ(Text(panel::kPolarisation), c.letter) << int(c.code);
  }
}

TEST_F(DetailsTest, CaTableAndIndicatorCarryOver) {
  const struct { uint8_t code; const char* text; int led; } kSequence[] = {
      {38, "BIS", 0x00FF00},
      {2, "OTH", 0x00FF00},  // unknown code keeps the indicator
      {0, "FTA", 0xC0C0C0},
      {99, "OTH", 0xC0C0C0},
      {1, "SEC", 0x00FF00},  {5, "VIA", 0x00FF00},  {6, "IRD", 0x00FF00},
      {9, "VDG", 0x00FF00},  {11, "CON", 0x00FF00}, {13, "CRY", 0x00FF00},
      {14, "PVU", 0x00FF00}, {24, "NAG", 0x00FF00}, {74, "SCR", 0x00FF00},
  };
  Arm();
  for (auto c : kSequence) {
    Change("BBC One", 11778000, 18, 1, c.code);
    EXPECT_EQ(Text(panel::kCaText), c.text) << int(c.code);
    EXPECT_EQ(Attr(panel::kCaLed, ui::kAttrCtrlColor), c.led) << int(c.code);
  }
}

TEST_F(DetailsTest, ColourRamp) {
  const struct { int32_t value; int32_t colour; } kRamp[] = {
      {0, 0xFF0000},  {25, 0xFF7F00}, {49, 0xFFF900}, {50, 0xFFFF00},
      {75, 0x7FFF00}, {99, 0x05FF00}, {100, 0x00FF00},
      // Outside 0..100 the components are held inside a byte.
      {110, 0x00FF00}, {-10, 0xFF0000}, {2147483647, 0x00FF00}, {-2147483647 - 1, 0xFF0000},
  };
  for (auto c : kRamp) EXPECT_EQ(MeterColour(c.value), c.colour) << c.value;
}

TEST_F(DetailsTest, MetersFromTheSignalReply) {
  const struct { int quality; int colour; const char* text; } kCases[] = {
      {49, 0xFFF900, "49"}, {50, 0xFFFF00, "50"}, {110, 0x00FF00, "110"}, {-5, 0xFF0000, "-5"}};
  Arm();
  for (auto c : kCases) {
    quality_ = c.quality;
    Change("BBC One");
    EXPECT_EQ(Attr(panel::kQualityMeter, ui::kAttrCtrlColor), c.colour);
    EXPECT_EQ(fake::CtrlAttrText(bannerPanel_, panel::kQualityMeter, ui::kAttrLabelText),
              c.text);
    // The level meter always shows 100 in green.
    EXPECT_EQ(Attr(panel::kLevelMeter, ui::kAttrCtrlColor), 0x00FF00);
    EXPECT_EQ(fake::CtrlAttrText(bannerPanel_, panel::kLevelMeter, ui::kAttrLabelText), "100");
  }
}

TEST_F(DetailsTest, SignalQueryGoesToHostWindow) {
  Arm();
  Change("BBC One");
  int queries = 0;
  for (const fake::SentMessage& m : fake::SentMessages()) {
    if (m.wparam != host::kCmdSignalQuery) continue;
    ++queries;
    EXPECT_EQ(m.wnd, hostWnd_);
    EXPECT_EQ(m.msg, host::kWmUser);
  }
  EXPECT_EQ(queries, 1);
}

TEST_F(DetailsTest, SilentHostRepeatsPreviousQuality) {
  Arm();
  quality_ = 60;
  Change("BBC One");
  answerSignal_ = false;
  Change("BBC Two");
  EXPECT_EQ(fake::CtrlAttrText(bannerPanel_, panel::kQualityMeter, ui::kAttrLabelText), "60");
}

TEST_F(DetailsTest, NoHostNoQueryMetersUnchanged) {
  fake::SetWindowTitle(hostWnd_, "Some editor");
  Arm();
  Change("BBC One", 11778000, 18, 1, 38);
  for (const fake::SentMessage& m : fake::SentMessages())
    EXPECT_NE(m.wparam, host::kCmdSignalQuery);
  EXPECT_EQ(Attr(panel::kQualityMeter, ui::kAttrCtrlColor), kUnsetAttr);
  EXPECT_EQ(Attr(panel::kCaLed, ui::kAttrCtrlColor), kUnsetAttr);
  EXPECT_EQ(Text(panel::kCaText), "BIS");
}

TEST_F(DetailsTest, VisibilityFollowsSettings) {
  Arm();
  settings.showsignal = 0;
  settings.showdetails = 1;
  Change("BBC One");
  EXPECT_EQ(Attr(panel::kLevelMeter, ui::kAttrVisible), 0);
  for (int control : {panel::kFrequency, panel::kPolarisation, panel::kCaText})
    EXPECT_EQ(Attr(control, ui::kAttrVisible), 1);
  // The quality meter and the CA indicator are left alone.
  EXPECT_EQ(Attr(panel::kQualityMeter, ui::kAttrVisible), kUnsetAttr);
  EXPECT_EQ(Attr(panel::kCaLed, ui::kAttrVisible), kUnsetAttr);
}

}  // namespace
