// The pixel size of a picture file read from its header, without decoding it.
#pragma once

// JPEG, PNG, GIF and BMP. False when the file cannot be read, is none of these
// or its header is cut short or malformed; width and height are then 0.
bool ReadPictureSize(const char* path, int* width, int* height);

// What a logo may cost: a larger file, or a picture of more pixels, is not
// decoded at all (0.jpg is shown instead). The plug-in and the logo checker
// both go by this.
constexpr unsigned long long kMaxLogoBytes = 8ull << 20;
constexpr long long kMaxLogoPixels = 2048LL * 2048;
inline bool LogoTooLarge(unsigned long long bytes, long long width, long long height) {
  return bytes > kMaxLogoBytes || width <= 0 || height <= 0 || width * height > kMaxLogoPixels;
}
