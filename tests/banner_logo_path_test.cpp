// The logo rule on its own: the path built for a name, and the reasons that
// send a channel straight to 0.jpg.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "banner/logo_path.h"

namespace {

constexpr size_t kPathSize = 256;  // the plug-in's 255 characters

TEST(LogoPath, OwnFileOrReasonForTheFallback) {
  struct Case {
    std::string name;
    banner::LogoRule rule;
  };
  const Case kCases[] = {
      {"BBC One", banner::LogoRule::kOwnFile},
      {"Tele \xE9t\xE9", banner::LogoRule::kOwnFile},  // 8-bit characters are fine
      {"RTL.", banner::LogoRule::kOwnFile},
      {"A/B", banner::LogoRule::kUnusableName},
      {"..\\x", banner::LogoRule::kUnusableName},
      {"C:", banner::LogoRule::kUnusableName},
      {"Wh?t", banner::LogoRule::kUnusableName},
      {"*star*", banner::LogoRule::kUnusableName},
      {"\"quoted\"", banner::LogoRule::kUnusableName},
      {"<a>", banner::LogoRule::kUnusableName},
      {"a|b", banner::LogoRule::kUnusableName},
      {"tab\there", banner::LogoRule::kUnusableName},
      {"\x05" "Arte", banner::LogoRule::kUnusableName},
  };
  char path[kPathSize];
  for (const Case& c : kCases) {
    EXPECT_EQ(banner::ChannelLogoPath("C:\\p\\tavik_icon\\", c.name.c_str(), path, sizeof path),
              c.rule)
        << c.name;
    EXPECT_EQ(std::string(path), "C:\\p\\tavik_icon\\" + c.name + ".jpg");
  }
}

TEST(LogoPath, TwoHundredFiftyFiveCharactersFitOneMoreDoesNot) {
  const std::string dir = "D:\\" + std::string(100, 'd') + "\\";
  char path[kPathSize];
  // dir + name + ".jpg" of exactly 255 characters.
  std::string name(255 - dir.size() - 4, 'n');
  EXPECT_EQ(banner::ChannelLogoPath(dir.c_str(), name.c_str(), path, sizeof path),
            banner::LogoRule::kOwnFile);
  EXPECT_EQ(std::string(path).size(), 255u);
  name += "n";
  EXPECT_EQ(banner::ChannelLogoPath(dir.c_str(), name.c_str(), path, sizeof path),
            banner::LogoRule::kPathTooLong);
  // Too long wins over an unusable character: nothing of the name is tried.
  EXPECT_EQ(banner::ChannelLogoPath(dir.c_str(), (name + "/").c_str(), path, sizeof path),
            banner::LogoRule::kPathTooLong);
}

// Pack names as logo packs write them, from UTF-8 names and from the 8-bit
// (Windows-1252) names hosts pass.
TEST(LogoPath, PackNames) {
  const std::pair<const char*, const char*> kCases[] = {
      {"Harbour TV", "harbourtv"},
      {"\xC4\x8CT1 HD", "ct1hd"},                           // UTF-8 C with caron
      {"T\xE9l\xE9 Lumi\xE8re", "telelumiere"},              // Latin-1 e acute, e grave
      {"T\xC3\xA9l\xC3\xA9 Lumi\xC3\xA8re", "telelumiere"},  // the same in UTF-8
      {"\x8Akoda \x9Eivot", "skodazivot"},                   // Windows-1252 S and z caron
      {"Stra\xDF" "e & Co", "strasseandco"},
      {"Canal+ Sport", "canalplussport"},
      {"*star* 3", "starstarstar3"},
      {"\xC5\x81\xC3\xB3" "d\xC5\xBA TV", "lodztv"},       // UTF-8 L stroke, o acute, z acute
      {"\xC3\x86ther \xC5\x92uvre", "aetheroeuvre"},
      {"\xCE\x95\xCE\xA1\xCE\xA4 1", "1"},                // Greek letters are left out
      {"\xC3(", "a"},                                         // not UTF-8: A tilde and a bracket
      {"...", ""},
  };
  char out[64];
  for (const auto& c : kCases) {
    EXPECT_EQ(banner::PackName(c.first, out, sizeof out), std::strlen(c.second)) << c.first;
    EXPECT_STREQ(out, c.second) << c.first;
  }
  // Cut to the buffer, always terminated.
  char small[5];
  EXPECT_EQ(banner::PackName("Harbour TV", small, sizeof small), 4u);
  EXPECT_STREQ(small, "harb");
  // The paths of each source; a source with nothing to try gives false.
  char path[kPathSize];
  ASSERT_TRUE(banner::LogoSourcePath("/i/", "Canal+ 1", banner::LogoSource::kOwnPng, path,
                                     sizeof path));
  EXPECT_STREQ(path, "/i/Canal+ 1.png");
  ASSERT_TRUE(banner::LogoSourcePath("/i/", "Canal+ 1", banner::LogoSource::kPackJpeg, path,
                                     sizeof path));
  EXPECT_STREQ(path, "/i/canalplus1.jpg");
  EXPECT_FALSE(banner::LogoSourcePath("/i/", "A/B", banner::LogoSource::kOwnPng, path,
                                      sizeof path));
  EXPECT_TRUE(banner::LogoSourcePath("/i/", "A/B", banner::LogoSource::kPackPng, path,
                                     sizeof path));
  EXPECT_FALSE(banner::LogoSourcePath("/i/", "--", banner::LogoSource::kPackPng, path,
                                      sizeof path));
}

TEST(LogoPath, FallbackPathAndAFolderTooLongForIt) {
  char path[kPathSize];
  ASSERT_TRUE(banner::FallbackLogoPath("/x/tavik_icon/", path, sizeof path));
  EXPECT_STREQ(path, "/x/tavik_icon/0.jpg");
  const std::string dir(252, 'd');  // + "0.jpg" = 257 characters
  EXPECT_FALSE(banner::FallbackLogoPath(dir.c_str(), path, sizeof path));
}

}  // namespace
