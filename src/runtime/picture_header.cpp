// Reads a picture's width and height from its file header: the frame header
// of a JPEG (found by walking its marker segments), a PNG's IHDR, a GIF's
// screen descriptor, a BMP's info header. Nothing is decoded.
#include "runtime/picture_header.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr int kMaxJpegSegments = 4096;  // a file with more is not a logo
constexpr int kPngHeaderBytes = 24;
constexpr int kGifHeaderBytes = 10;
constexpr int kBmpHeaderBytes = 26;

struct File {
  std::FILE* f;
  explicit File(const char* path) : f(std::fopen(path, "rb")) {}
  ~File() {
    if (f != nullptr) std::fclose(f);
  }
  bool Read(uint8_t* buf, size_t n) { return std::fread(buf, 1, n, f) == n; }
  int Byte() { return std::fgetc(f); }
};

uint32_t Be16(const uint8_t* p) { return static_cast<uint32_t>(p[0] << 8 | p[1]); }
uint32_t Be32(const uint8_t* p) { return Be16(p) << 16 | Be16(p + 2); }
uint32_t Le16(const uint8_t* p) { return static_cast<uint32_t>(p[1] << 8 | p[0]); }
uint32_t Le32(const uint8_t* p) { return Le16(p + 2) << 16 | Le16(p); }

// Start-of-frame markers: C0-CF except C4 (Huffman tables), C8 (reserved)
// and CC (arithmetic conditioning).
bool IsFrameMarker(int m) { return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC; }

// Standalone markers carry no length field.
bool IsStandalone(int m) { return m == 0x01 || (m >= 0xD0 && m <= 0xD8); }

bool JpegSize(File& file, uint32_t* w, uint32_t* h) {
  for (int segment = 0; segment < kMaxJpegSegments; ++segment) {
    int c = file.Byte();
    if (c != 0xFF) return false;
    int m;
    do m = file.Byte();
    while (m == 0xFF);  // fill bytes
    if (m < 0) return false;
    if (IsStandalone(m)) continue;
    if (m == 0xD9 || m == 0xDA) return false;  // end, or the scan before any frame header
    uint8_t len[2];
    if (!file.Read(len, 2) || Be16(len) < 2) return false;
    if (IsFrameMarker(m)) {
      uint8_t frame[5];  // precision, height, width
      if (Be16(len) < 7 || !file.Read(frame, sizeof frame)) return false;
      *h = Be16(frame + 1);
      *w = Be16(frame + 3);
      return true;
    }
    if (std::fseek(file.f, static_cast<long>(Be16(len)) - 2, SEEK_CUR) != 0) return false;
  }
  return false;
}

}  // namespace

bool ReadPictureSize(const char* path, int* width, int* height) {
  *width = *height = 0;
  File file(path);
  if (file.f == nullptr) return false;
  uint8_t head[kBmpHeaderBytes] = {};
  if (!file.Read(head, 2)) return false;
  uint32_t w = 0, h = 0;
  bool ok = false;
  if (head[0] == 0xFF && head[1] == 0xD8) {
    ok = JpegSize(file, &w, &h);
  } else if (head[0] == 0x89 && head[1] == 'P') {
    ok = file.Read(head + 2, kPngHeaderBytes - 2) && Be32(head) == 0x89504E47u &&
         Be32(head + 4) == 0x0D0A1A0Au && Be32(head + 12) == 0x49484452u;  // "IHDR"
    w = Be32(head + 16);
    h = Be32(head + 20);
  } else if (head[0] == 'G' && head[1] == 'I') {
    ok = file.Read(head + 2, kGifHeaderBytes - 2) && head[2] == 'F' && head[3] == '8';
    w = Le16(head + 6);
    h = Le16(head + 8);
  } else if (head[0] == 'B' && head[1] == 'M') {
    ok = file.Read(head + 2, kBmpHeaderBytes - 2);
    w = Le32(head + 18);
    int32_t signedHeight = static_cast<int32_t>(Le32(head + 22));  // negative: top-down rows
    h = signedHeight < 0 ? 0u - static_cast<uint32_t>(signedHeight) : static_cast<uint32_t>(signedHeight);
  }
  if (!ok || w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}
