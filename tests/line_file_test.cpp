// Tests of the runtime's line files: line ends, truncation, append, handles,
// and the one-step file replacement.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/ui_runtime.h"

namespace {

class LineFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    base_ = std::string("line_file_test_") + info->name();
  }
  void TearDown() override {
    for (const auto& p : made_) std::remove(p.c_str());
  }
  std::string Path(const std::string& suffix) {
    std::string p = base_ + suffix;
    made_.push_back(p);
    return p;
  }
  std::string WriteRaw(const std::string& suffix, const std::string& bytes) {
    std::string p = Path(suffix);
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  static std::string ReadRaw(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // Reads every line with the given limit; "<EOF>" marks the -1 result.
  static std::vector<std::string> ReadAll(const std::string& p, int maxBytes) {
    std::vector<std::string> lines;
    int f = ui::OpenFile(p.c_str(), 1, 0, 1);
    EXPECT_GE(f, 0);
    std::vector<char> buf(maxBytes + 1, 'X');
    for (int i = 0; i < 100; ++i) {
      int n = ui::ReadLine(f, buf.data(), maxBytes);
      if (n == -1) {
        lines.push_back("<EOF>");
        break;
      }
      EXPECT_EQ(static_cast<size_t>(n), std::string(buf.data()).size());
      lines.push_back(buf.data());
    }
    EXPECT_EQ(ui::CloseFile(f), 0);
    return lines;
  }

 private:
  std::string base_;
  std::vector<std::string> made_;
};

using Lines = std::vector<std::string>;

struct ReadCase {
  const char* name;
  std::string bytes;
  int maxBytes;
  Lines expected;
};

TEST_F(LineFileTest, ReadsLinesAsStored) {
  const ReadCase cases[] = {
      {"crlf", "1\r\n\r\n-2\r\n", 10, {"1", "", "-2", "<EOF>"}},
      {"lf only reads the same", "1\n\n-2\n", 10, {"1", "", "-2", "<EOF>"}},
      {"last line without end", "a\nlast", 10, {"a", "last", "<EOF>"}},
      {"long line cut, rest skipped", "0123456789ABCDEF\r\nnext\r\n", 10,
       {"0123456789", "next", "<EOF>"}},
      {"cut exactly at CR", "0123456789\r\nx\r\n", 10, {"0123456789", "x", "<EOF>"}},
      {"lone CR is data", "a\rb\r\n", 10, {"a\rb", "<EOF>"}},
      {"CR at file end is data", "a\r", 10, {"a\r", "<EOF>"}},
      {"zero limit keeps nothing", "abc\r\nd\r\n", 0, {"", "", "<EOF>"}},
      {"empty file", "", 10, {"<EOF>"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string p = WriteRaw(".txt", c.bytes);
    EXPECT_EQ(ReadAll(p, c.maxBytes), c.expected);
  }
}

TEST_F(LineFileTest, ReadLineNeverWritesPastTheBuffer) {
  std::string p = WriteRaw(".txt", std::string(300, 'z') + "\n");
  int f = ui::OpenFile(p.c_str(), 1, 0, 1);
  ASSERT_GE(f, 0);
  char buf[16];
  std::fill(buf, buf + sizeof buf, '#');
  EXPECT_EQ(ui::ReadLine(f, buf, 10), 10);
  EXPECT_EQ(buf[10], '\0');
  for (int i = 11; i < 16; ++i) EXPECT_EQ(buf[i], '#');
  ui::CloseFile(f);
}

TEST_F(LineFileTest, TextWriteEndsEveryLineWithCrLf) {
  std::string p = Path(".ini");
  int f = ui::OpenFile(p.c_str(), 2, 0, 1);
  ASSERT_GE(f, 0);
  EXPECT_EQ(ui::WriteLine(f, " 3.0", 4), 4);
  EXPECT_EQ(ui::WriteLine(f, "", 0), 0);
  EXPECT_EQ(ui::WriteLine(f, "Verdana and more", 7), 7);  // count bytes only
  EXPECT_EQ(ui::CloseFile(f), 0);
  EXPECT_EQ(ReadRaw(p), " 3.0\r\n\r\nVerdana\r\n");
  EXPECT_EQ(ReadAll(p, 128), (Lines{" 3.0", "", "Verdana", "<EOF>"}));
}

TEST_F(LineFileTest, WriteTruncatesAnExistingFile) {
  std::string p = WriteRaw(".ini", "old content that is longer\r\n");
  int f = ui::OpenFile(p.c_str(), 2, 0, 1);
  ASSERT_GE(f, 0);
  ui::WriteLine(f, "new", 3);
  ui::CloseFile(f);
  EXPECT_EQ(ReadRaw(p), "new\r\n");
}

TEST_F(LineFileTest, BinaryAppendAddsBytesOnly) {
  std::string p = WriteRaw(".dbg", "AB");
  for (const char* chunk : {"\x47\x00\x12", "xyz"}) {
    int f = ui::OpenFile(p.c_str(), 2, 1, 0);
    ASSERT_GE(f, 0);
    EXPECT_EQ(ui::WriteLine(f, chunk, 3), 3);
    EXPECT_EQ(ui::CloseFile(f), 0);
  }
  EXPECT_EQ(ReadRaw(p), std::string("AB\x47\x00\x12xyz", 8));
}

TEST_F(LineFileTest, RejectsBadArgumentsAndHandles) {
  std::string p = WriteRaw(".txt", "x\n");
  EXPECT_LT(ui::OpenFile(nullptr, 1, 0, 1), 0);
  EXPECT_LT(ui::OpenFile("", 1, 0, 1), 0);
  EXPECT_LT(ui::OpenFile(p.c_str(), 3, 0, 1), 0);  // unknown mode
  EXPECT_LT(ui::OpenFile(p.c_str(), 2, 7, 1), 0);  // unknown action
  EXPECT_LT(ui::OpenFile(p.c_str(), 1, 0, 5), 0);  // unknown type
  EXPECT_LT(ui::OpenFile((p + ".missing").c_str(), 1, 0, 1), 0);
  EXPECT_LT(ui::OpenFile("no_such_dir/x.ini", 2, 0, 1), 0);

  char buf[8];
  for (int bad : {-1, 0, 17, 1000}) {
    EXPECT_LT(ui::ReadLine(bad, buf, 7), -1) << bad;
    EXPECT_LT(ui::WriteLine(bad, "a", 1), 0) << bad;
    EXPECT_LT(ui::CloseFile(bad), 0) << bad;
  }
  int r = ui::OpenFile(p.c_str(), 1, 0, 1);
  ASSERT_GE(r, 0);
  EXPECT_LT(ui::WriteLine(r, "a", 1), 0);  // opened for reading
  EXPECT_LT(ui::WriteLine(r, nullptr, 1), 0);
  EXPECT_LT(ui::ReadLine(r, nullptr, 7), 0);
  EXPECT_EQ(ui::CloseFile(r), 0);
  EXPECT_LT(ui::CloseFile(r), 0);  // closed twice
  EXPECT_LT(ui::ReadLine(r, buf, 7), -1);
}

TEST_F(LineFileTest, HandlesAreReusedAfterClose) {
  std::string p = WriteRaw(".txt", "x\n");
  std::vector<int> open;
  for (;;) {
    int f = ui::OpenFile(p.c_str(), 1, 0, 1);
    if (f < 0) break;
    open.push_back(f);
    ASSERT_LT(open.size(), 1000u);
  }
  ASSERT_GE(open.size(), 8u);  // a reasonable number at once
  EXPECT_EQ(ui::CloseFile(open.back()), 0);
  int again = ui::OpenFile(p.c_str(), 1, 0, 1);
  EXPECT_GE(again, 0);
  open.back() = again;
  for (int f : open) EXPECT_EQ(ui::CloseFile(f), 0);
}

TEST_F(LineFileTest, ReplaceFileSwapsInTheNewContent) {
  std::string target = WriteRaw(".ini", "old\r\n");
  std::string source = WriteRaw(".tmp", "new\r\n");
  EXPECT_EQ(ui::ReplaceFile(source.c_str(), target.c_str()), 0);
  EXPECT_EQ(ReadRaw(target), "new\r\n");
  EXPECT_EQ(std::fopen(source.c_str(), "rb"), nullptr);  // source is gone

  std::string fresh = Path(".new");  // a target that does not exist yet
  std::string source2 = WriteRaw(".tmp2", "x");
  EXPECT_EQ(ui::ReplaceFile(source2.c_str(), fresh.c_str()), 0);
  EXPECT_EQ(ReadRaw(fresh), "x");
}

TEST_F(LineFileTest, ReplaceFileWithoutSourceLeavesTargetAlone) {
  std::string target = WriteRaw(".ini", "keep\r\n");
  EXPECT_NE(ui::ReplaceFile((target + ".missing").c_str(), target.c_str()), 0);
  EXPECT_EQ(ReadRaw(target), "keep\r\n");
  EXPECT_NE(ui::ReplaceFile(nullptr, target.c_str()), 0);
  EXPECT_NE(ui::ReplaceFile(target.c_str(), ""), 0);
}

}  // namespace
