// The logo checker: picture checks, channel lists, nearest names, and the
// verdict for each awkward case in a logo folder of its own.
#include "tools/tavik-logos/logo_check.h"
#include "tools/tavik-logos/list_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/plugin_fixture.h"

namespace {

using tavik_logos::Picture;

std::vector<uint8_t> Bytes(const std::string& s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

std::vector<uint8_t> ShippedFallback() {
  return Bytes(
      testing_support::ReadFile(testing_support::SourcePath("src/resources/tavik_icon/0.jpg")));
}

TEST(LogoCheck, PictureKinds) {
  const std::vector<uint8_t> jpeg = ShippedFallback();
  ASSERT_GT(jpeg.size(), 100u);
  EXPECT_EQ(tavik_logos::CheckPicture(jpeg).kind, Picture::kJpeg);
  std::vector<uint8_t> cut(jpeg.begin(), jpeg.end() - 40);
  EXPECT_EQ(tavik_logos::CheckPicture(cut).kind, Picture::kTruncated);
  std::vector<uint8_t> head(jpeg.begin(), jpeg.begin() + 30);
  EXPECT_EQ(tavik_logos::CheckPicture(head).kind, Picture::kTruncated);
  std::vector<uint8_t> lossless = jpeg;
  for (size_t i = 2; i + 1 < lossless.size(); ++i)
    if (lossless[i] == 0xFF && lossless[i + 1] == 0xC0) lossless[i + 1] = 0xC3;
  EXPECT_EQ(tavik_logos::CheckPicture(lossless).kind, Picture::kUnsupported);
  EXPECT_EQ(tavik_logos::CheckPicture(Bytes("\x89PNG\r\n\x1A\n....")).kind, Picture::kOtherFormat);
  EXPECT_EQ(tavik_logos::CheckPicture(Bytes("hello, not a picture")).kind, Picture::kNotAPicture);
  EXPECT_EQ(tavik_logos::CheckPicture({}).kind, Picture::kEmpty);
  EXPECT_EQ(tavik_logos::CheckPicture({0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9}).kind,
            Picture::kCorrupt);
}

TEST(LogoCheck, ChannelLists) {
  std::vector<std::string> names;
  std::string error;
  ASSERT_TRUE(tavik_logos::ParsePlainList("# mine\r\nBBC One\r\n\r\nArte\n", &names, &error));
  EXPECT_EQ(names, (std::vector<std::string>{"BBC One", "Arte"}));
  names.clear();
  ASSERT_TRUE(
      tavik_logos::ParseSimulatorList("# h\nTavik One;11778000;1;0x0101;0\n", &names, &error));
  EXPECT_EQ(names, (std::vector<std::string>{"Tavik One"}));
  EXPECT_FALSE(tavik_logos::ParseSimulatorList("a;b\n", &names, &error));
  EXPECT_EQ(error.rfind("line 1:", 0), 0u) << error;
  // The host simulator's rule: indented comments, and the field that is wrong named.
  EXPECT_FALSE(tavik_logos::ParseSimulatorList("  # h\n\nA;1;V;0x10000;0\n", &names, &error));
  EXPECT_EQ(error, "line 3: the service id \"0x10000\" is not a number from 0 to 0xFFFF "
                   "(decimal or 0x-hex)");
  EXPECT_FALSE(tavik_logos::ParsePlainList(std::string(92, 'x'), &names, &error));
  // Bytes that only look like UTF-8 (an overlong form, a cut sequence) are
  // Latin-1; UTF-16 surrogate pairs join, a lone one is U+FFFD.
  EXPECT_EQ(tavik_logos::DecodeList(Bytes("\xC0\xAF\n\xC3")).text, "\xC3\x80\xC2\xAF\n\xC3\x83");
  EXPECT_EQ(tavik_logos::DecodeList(Bytes(std::string("\xFF\xFE\x3D\xD8\x00\xDE\x00\xD8", 8))).text,
            "\xF0\x9F\x98\x80\xEF\xBF\xBD");
  EXPECT_EQ(tavik_logos::DecodeList(Bytes("\xEF\xBB\xBF")).text, "");
}

TEST(LogoCheck, NearestNamesIgnoreCaseSpacesAccentsAndPunctuation) {
  EXPECT_EQ(tavik_logos::NameKey("T\xC3\xA9l\xC3\xA9-Lumi\xC3\xA8re"), "telelumiere");
  EXPECT_EQ(tavik_logos::NameKey("T\xE9l\xE9 Lumi\xE8re"), "telelumiere");  // Latin-1 bytes
  const std::vector<std::string> files = {"0.jpg",        "tele_lumiere.JPG", "TeleLumiere.jpg",
                                          "Sport 24.jpg", "Tele Lumiere.png", "Tele Lumier.jpg"};
  const std::vector<std::string> near =
      tavik_logos::NearestFiles("T\xC3\xA9l\xC3\xA9 Lumi\xC3\xA8re", files, 3);
  EXPECT_EQ(near,
            (std::vector<std::string>{"tele_lumiere.JPG", "TeleLumiere.jpg", "Tele Lumiere.png"}));
  EXPECT_TRUE(tavik_logos::NearestFiles("Weather", files, 3).empty());
}

TEST(LogoCheck, VerdictForEachAwkwardCase) {
  const std::string dir = testing_support::MakeTempDir();
  const std::string jpeg(reinterpret_cast<const char*>(ShippedFallback().data()),
                         ShippedFallback().size());
  testing_support::WriteFile(dir + "/0.jpg", jpeg);
  testing_support::WriteFile(dir + "/Arte.jpg", jpeg);
  testing_support::WriteFile(dir + "/bbc one.jpg", jpeg);
  testing_support::WriteFile(dir + "/Cut.jpg", jpeg.substr(0, jpeg.size() / 2));
  testing_support::WriteFile(dir + "/Text.jpg", "not a picture");
  testing_support::WriteFile(dir + "/Sport_24.jpg", jpeg);
  // A 2 x 2 PNG with an alpha channel (colour type 6), named as logo packs
  // name their pictures, and one named after its channel.
  const std::string png("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x02\0\0\0\x02\x08\x06\0\0\0"
                        "\0\0\0\0", 33);  // and its CRC
  testing_support::WriteFile(dir + "/canalplussport.png", png);
  testing_support::WriteFile(dir + "/Cine.png", png);
  // The same picture claiming 8000 x 8000 pixels: the plug-in refuses it from
  // its header, before decoding.
  std::string huge = jpeg;
  const size_t sof = huge.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  huge.replace(sof + 5, 4, "\x1F\x40\x1F\x40");
  testing_support::WriteFile(dir + "/Huge.jpg", huge);
  tavik_logos::LogoFolder folder;
  folder.path = dir;
  folder.iconDir = dir + "/";
  std::string error;
  ASSERT_TRUE(tavik_logos::ListFolder(dir, &folder.files, &error));

  struct Case {
    std::string name;
    bool fallback;
    std::string file, reasonPart;
  };
  const std::string longName(250, 'x');
  const Case kCases[] = {
      {"Arte", false, "Arte.jpg", "baseline JPEG"},
      {"BBC One", false, "bbc one.jpg", "differs in case only, which Windows ignores"},
      {"Cut", true, "0.jpg", "truncated"},
      {"Huge", true, "0.jpg", "8000x8000 pixels"},
      {"Text", true, "0.jpg", "not a picture the plug-in can show (JPEG, PNG, GIF or BMP)"},
      {"Canal+ Sport", false, "canalplussport.png",
       "PNG data with transparency, 2x2 pixels; by the pack name \"canalplussport\""},
      {"Cine", false, "Cine.png", "by the channel's name, as PNG"},
      {"Sport 24", true, "0.jpg", "there is no file Sport 24.jpg"},
      {"A/B", true, "0.jpg", "cannot hold"},
      {"NUL", true, "0.jpg", "device name"},
      {longName, true, "0.jpg", "longer than 255"},
  };
  for (const Case& c : kCases) {
    tavik_logos::ChannelResult r = tavik_logos::CheckChannel(folder, c.name);
    EXPECT_EQ(r.fallback, c.fallback) << c.name;
    EXPECT_EQ(r.file, c.file) << c.name;
    EXPECT_NE(r.reason.find(c.reasonPart), std::string::npos) << c.name << ": " << r.reason;
  }
  tavik_logos::ChannelResult sport = tavik_logos::CheckChannel(folder, "Sport 24");
  EXPECT_EQ(sport.suggestions, std::vector<std::string>{"Sport_24.jpg"});
  EXPECT_NE(tavik_logos::FormatResult(sport).find("rename one to \"Sport 24.jpg\""),
            std::string::npos);
  EXPECT_NE(tavik_logos::FormatResult(sport).find("its logo pack name: \"sport24\""),
            std::string::npos);
}

}  // namespace
