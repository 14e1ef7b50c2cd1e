// The logo rule on its own: the path built for a name, and the reasons that
// send a channel straight to 0.jpg.
#include <gtest/gtest.h>

#include <string>

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

TEST(LogoPath, FallbackPathAndAFolderTooLongForIt) {
  char path[kPathSize];
  ASSERT_TRUE(banner::FallbackLogoPath("/x/tavik_icon/", path, sizeof path));
  EXPECT_STREQ(path, "/x/tavik_icon/0.jpg");
  const std::string dir(252, 'd');  // + "0.jpg" = 257 characters
  EXPECT_FALSE(banner::FallbackLogoPath(dir.c_str(), path, sizeof path));
}

}  // namespace
