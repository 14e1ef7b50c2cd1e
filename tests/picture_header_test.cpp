// Tests of reading a picture's size from its header: the JPEG marker walk
// (segments before the frame header, fill bytes, standalone markers), PNG,
// GIF and BMP, and files that are cut short or lie about their lengths.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/picture_header.h"

namespace {

using Bytes = std::vector<unsigned char>;

class PictureHeaderTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& p : made_) std::remove(p.c_str());
  }
  std::string Write(const Bytes& bytes) {
    // CTest runs the cases as separate processes at once: a name of each
    // case's own.
    std::string p = std::string("picture_header_test_") +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                    std::to_string(made_.size()) + ".bin";
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    made_.push_back(p);
    return p;
  }
  // The size read, or {-1, -1} when the reader refuses the file.
  std::pair<int, int> Size(const Bytes& bytes) {
    int w = 7, h = 7;
    if (!ReadPictureSize(Write(bytes).c_str(), &w, &h)) {
      EXPECT_EQ(w, 0);
      EXPECT_EQ(h, 0);
      return {-1, -1};
    }
    return {w, h};
  }
  std::vector<std::string> made_;
};

Bytes Segment(unsigned char marker, const Bytes& body) {
  size_t len = body.size() + 2;
  Bytes s = {0xFF, marker, static_cast<unsigned char>(len >> 8), static_cast<unsigned char>(len)};
  s.insert(s.end(), body.begin(), body.end());
  return s;
}

Bytes Frame(unsigned char marker, int w, int h) {
  return Segment(marker, {8, static_cast<unsigned char>(h >> 8), static_cast<unsigned char>(h),
                          static_cast<unsigned char>(w >> 8), static_cast<unsigned char>(w), 3, 1,
                          0x22, 0});
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

const Bytes kSoi = {0xFF, 0xD8};

TEST_F(PictureHeaderTest, JpegFrameHeaderAfterOtherSegments) {
  Bytes app0 = Segment(0xE0, Bytes(14, 'J'));
  Bytes exif = Segment(0xE1, Bytes(3000, 0xFF));  // fill-like bytes inside a segment are skipped whole
  Bytes tables = Segment(0xC4, Bytes(20, 1));     // Huffman tables: not a frame header
  EXPECT_EQ(Size(Join({kSoi, app0, exif, tables, Frame(0xC0, 8000, 8000)})),
            std::make_pair(8000, 8000));
  // Progressive frames, fill bytes and a restart marker before the frame.
  EXPECT_EQ(Size(Join({kSoi, {0xFF, 0xFF, 0xD0}, app0, Frame(0xC2, 120, 90)})),
            std::make_pair(120, 90));
}

TEST_F(PictureHeaderTest, JpegWithoutAFrameHeaderIsRefused) {
  Bytes app0 = Segment(0xE0, Bytes(14, 'J'));
  EXPECT_EQ(Size(Join({kSoi, app0, Segment(0xDA, {1, 2, 3})})), std::make_pair(-1, -1));  // scan first
  EXPECT_EQ(Size(Join({kSoi, app0, {0xFF, 0xD9}})), std::make_pair(-1, -1));            // end
  EXPECT_EQ(Size(Join({kSoi, app0})), std::make_pair(-1, -1));                           // cut short
  EXPECT_EQ(Size(Join({kSoi, {0x12, 0x34}})), std::make_pair(-1, -1));                 // not a marker
  // A segment length running past the end of the file, and one below 2.
  EXPECT_EQ(Size(Join({kSoi, {0xFF, 0xE0, 0xFF, 0xF0, 1, 2}})), std::make_pair(-1, -1));
  EXPECT_EQ(Size(Join({kSoi, {0xFF, 0xE0, 0x00, 0x01}, Frame(0xC0, 10, 10)})), std::make_pair(-1, -1));
  // A frame header too short to hold the size, and a zero size.
  EXPECT_EQ(Size(Join({kSoi, Segment(0xC0, {8, 0, 10})})), std::make_pair(-1, -1));
  EXPECT_EQ(Size(Join({kSoi, Frame(0xC0, 0, 10)})), std::make_pair(-1, -1));
}

TEST_F(PictureHeaderTest, PngGifAndBmp) {
  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
               0, 0, 0x1F, 0x40, 0, 0, 0x0B, 0xB8};
  EXPECT_EQ(Size(png), std::make_pair(8000, 3000));
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 0x40, 0x01, 0xF0, 0x00};
  EXPECT_EQ(Size(gif), std::make_pair(320, 240));
  Bytes bmp(26, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  bmp[18] = 100;                                       // width 100
  bmp[22] = 0xCE, bmp[23] = bmp[24] = bmp[25] = 0xFF;  // height -50: rows top-down
  EXPECT_EQ(Size(bmp), std::make_pair(100, 50));
  png[13] = 'X';  // no IHDR chunk first
  EXPECT_EQ(Size(png), std::make_pair(-1, -1));
  EXPECT_EQ(Size(Bytes(png.begin(), png.begin() + 20)), std::make_pair(-1, -1));
}

TEST_F(PictureHeaderTest, UnknownOrMissingFiles) {
  EXPECT_EQ(Size({'h', 'e', 'l', 'l', 'o'}), std::make_pair(-1, -1));
  EXPECT_EQ(Size({}), std::make_pair(-1, -1));
  int w = 1, h = 1;
  EXPECT_FALSE(ReadPictureSize("picture_header_test_no_such_file.jpg", &w, &h));
  EXPECT_EQ(w + h, 0);
}

}  // namespace
