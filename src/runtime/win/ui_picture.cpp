// Pictures: files decoded with the GDI+ flat API once, scaled to the control
// that shows them and kept (by path, size and write time, a bounded number,
// freed with the runtime); a file too large to be a logo is refused before
// it is decoded. A picture with transparency (a PNG's alpha) is kept with its
// alpha, premultiplied, and painted over what lies beneath it. GDI+ starts on
// the first picture.
#include "runtime/win/ui_internal.h"

#include <algorithm>
#include <cstring>

#include "runtime/picture_header.h"

// The few GDI+ entry points we use, declared here as the system exports them.
extern "C" {
struct TavikGdiplusStartupInput {
  UINT32 GdiplusVersion;
  void* DebugEventCallback;
  BOOL SuppressBackgroundThread;
  BOOL SuppressExternalCodecs;
};
int WINAPI GdiplusStartup(ULONG_PTR* token, const TavikGdiplusStartupInput* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
int WINAPI GdipCreateBitmapFromFile(const WCHAR* file, void** bitmap);
int WINAPI GdipCreateHBITMAPFromBitmap(void* bitmap, HBITMAP* out, DWORD background);
int WINAPI GdipGetImageWidth(void* image, UINT* width);
int WINAPI GdipGetImageHeight(void* image, UINT* height);
int WINAPI GdipGetImageFlags(void* image, UINT* flags);
int WINAPI GdipGetImagePixelFormat(void* image, INT* format);
int WINAPI GdipDisposeImage(void* image);
int WINAPI GdipCreateBitmapFromScan0(INT width, INT height, INT stride, INT format, BYTE* scan0,
                                     void** bitmap);
int WINAPI GdipGetImageGraphicsContext(void* image, void** graphics);
int WINAPI GdipSetInterpolationMode(void* graphics, INT mode);
int WINAPI GdipSetPixelOffsetMode(void* graphics, INT mode);
int WINAPI GdipDrawImageRectRectI(void* graphics, void* image, INT dx, INT dy, INT dw, INT dh,
                                  INT sx, INT sy, INT sw, INT sh, INT unit, void* attributes,
                                  void* abort, void* data);
int WINAPI GdipDeleteGraphics(void* graphics);
int WINAPI GdipCreateImageAttributes(void** attributes);
int WINAPI GdipSetImageAttributesWrapMode(void* attributes, INT wrap, DWORD argb, BOOL clamp);
int WINAPI GdipDisposeImageAttributes(void* attributes);
struct TavikBitmapData {
  UINT Width, Height;
  INT Stride;
  INT PixelFormat;
  void* Scan0;
  UINT_PTR Reserved;
};
int WINAPI GdipBitmapLockBits(void* bitmap, const RECT* rect, UINT flags, INT format,
                              TavikBitmapData* data);
int WINAPI GdipBitmapUnlockBits(void* bitmap, TavikBitmapData* data);
}

namespace ui {
namespace rt {
namespace {

constexpr int kOk = 0;
// GDI+ codes.
constexpr UINT kImageFlagsHasAlpha = 0x2;
constexpr INT kPixelFormatAlpha = 0x40000, kPixelFormatPremultiplied = 0x80000;
constexpr INT kPixelFormat32bppPARGB = 0xE200B;
constexpr INT kInterpolationHighQualityBicubic = 7, kPixelOffsetHighQuality = 2;
constexpr INT kWrapTileFlipXY = 3, kUnitPixel = 2;
constexpr UINT kLockRead = 1;
constexpr size_t kMaxCachedPictures = 32;             // channels' logos kept decoded
// A picture is kept at most this many pixels wide and high, whatever its box:
// a panel file may give a box of 10000 x 10000, and a picture scaled to that
// would cost hundreds of megabytes and seconds at every channel change. A box
// larger than this is filled by stretching the kept picture as it is painted.
constexpr int kMaxKeptSide = 512;
// And all kept pictures together at most this many bytes (32-bit pixels).
constexpr unsigned long long kMaxCachedBytes = 16ull << 20;

struct CachedPicture {
  std::string path;
  ULONGLONG bytes = 0;
  FILETIME written{};
  int boxWidth = 0, boxHeight = 0;
  HBITMAP bitmap = nullptr;  // scaled to the box; null: the file cannot be shown
  int width = 0, height = 0;
  bool alpha = false;  // premultiplied alpha, painted over what lies beneath
  unsigned long long lastUse = 0;
};

// Under TheRuntime().lock.
struct PictureCache {
  std::vector<CachedPicture> entries;
  unsigned long long clock = 0;
};
PictureCache cache;

// Starts GDI+ once; never from the loader lock (only on a picture request).
bool StartPictures() {
  LockGuard guard(TheRuntime().lock);
  if (TheRuntime().gdiplusStarted) return true;
  TavikGdiplusStartupInput in = {1, nullptr, TRUE, FALSE};
  // No background thread: shutting down later needs no thread to end. GDI+
  // then insists on an output record (its notification hooks, unused here).
  static void* hooks[2];
  if (GdiplusStartup(&TheRuntime().gdiplusToken, &in, hooks) != kOk) return false;
  TheRuntime().gdiplusStarted = true;
  return true;
}

bool TooLarge(long long width, long long height) { return LogoTooLarge(0, width, height); }

bool HasAlpha(void* bitmap) {
  UINT flags = 0;
  INT format = 0;
  return (GdipGetImageFlags(bitmap, &flags) == kOk && (flags & kImageFlagsHasAlpha)) ||
         (GdipGetImagePixelFormat(bitmap, &format) == kOk &&
          (format & (kPixelFormatAlpha | kPixelFormatPremultiplied)));
}

// The picture fitted into the box, keeping its proportions.
bool FitToBox(int fullW, int fullH, int boxW, int boxH, int* w, int* h) {
  *w = boxW;
  *h = static_cast<int>(static_cast<long long>(fullH) * boxW / fullW);
  if (*h > boxH) {
    *h = boxH;
    *w = static_cast<int>(static_cast<long long>(fullW) * boxH / fullH);
  }
  return *w > 0 && *h > 0;
}

HBITMAP NewDib(int w, int h, void** bits) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
}

// A picture with transparency at the size the panel shows it: drawn by GDI+
// into a premultiplied bitmap (GDI's stretch would lose the alpha), its
// edges sampled from the picture itself so they do not fade.
HBITMAP ScaleWithAlpha(void* picture, int fullW, int fullH, int w, int h) {
  void* scaled = nullptr;
  if (GdipCreateBitmapFromScan0(w, h, 0, kPixelFormat32bppPARGB, nullptr, &scaled) != kOk ||
      !scaled)
    return nullptr;
  HBITMAP out = nullptr;
  void* graphics = nullptr;
  void* attributes = nullptr;
  bool drawn = false;
  if (GdipGetImageGraphicsContext(scaled, &graphics) == kOk && graphics) {
    GdipSetInterpolationMode(graphics, kInterpolationHighQualityBicubic);
    GdipSetPixelOffsetMode(graphics, kPixelOffsetHighQuality);
    if (GdipCreateImageAttributes(&attributes) == kOk && attributes)
      GdipSetImageAttributesWrapMode(attributes, kWrapTileFlipXY, 0, FALSE);
    drawn = GdipDrawImageRectRectI(graphics, picture, 0, 0, w, h, 0, 0, fullW, fullH, kUnitPixel,
                                   attributes, nullptr, nullptr) == kOk;
    if (attributes) GdipDisposeImageAttributes(attributes);
    GdipDeleteGraphics(graphics);
  }
  TavikBitmapData data = {};
  const RECT all = {0, 0, w, h};
  if (drawn && GdipBitmapLockBits(scaled, &all, kLockRead, kPixelFormat32bppPARGB, &data) == kOk) {
    void* bits = nullptr;
    out = NewDib(w, h, &bits);
    if (out && data.Stride > 0) {
      for (int y = 0; y < h; ++y)
        std::memcpy(static_cast<BYTE*>(bits) + size_t(y) * w * 4,
                    static_cast<const BYTE*>(data.Scan0) + size_t(y) * data.Stride,
                    size_t(w) * 4);
    } else if (out) {
      DeleteObject(out);
      out = nullptr;
    }
    GdipBitmapUnlockBits(scaled, &data);
  }
  GdipDisposeImage(scaled);
  return out;
}

// The picture at the size the panel shows it: fitted into the box, keeping
// its proportions, drawn with the same halftone stretch the paint would use.
HBITMAP ScaleToBox(HBITMAP full, int fullW, int fullH, int w, int h) {
  void* bits = nullptr;
  HBITMAP out = NewDib(w, h, &bits);
  if (!out) return nullptr;
  HDC src = CreateCompatibleDC(nullptr), dst = CreateCompatibleDC(nullptr);
  HGDIOBJ oldSrc = SelectObject(src, full), oldDst = SelectObject(dst, out);
  SetStretchBltMode(dst, HALFTONE);
  SetBrushOrgEx(dst, 0, 0, nullptr);
  StretchBlt(dst, 0, 0, w, h, src, 0, 0, fullW, fullH, SRCCOPY);
  SelectObject(src, oldSrc);
  SelectObject(dst, oldDst);
  DeleteDC(src);
  DeleteDC(dst);
  return out;
}

// Decodes and scales a file that passes the bounds; null otherwise.
HBITMAP Prepare(const char* path, ULONGLONG bytes, int boxW, int boxH, int* w, int* h,
                bool* alpha) {
  int headerW = 0, headerH = 0;
  if (bytes > kMaxLogoBytes) return nullptr;
  if (ReadPictureSize(path, &headerW, &headerH) && TooLarge(headerW, headerH)) return nullptr;
  if (!StartPictures()) return nullptr;
  WCHAR wide[MAX_PATH * 2];
  if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH * 2) == 0) return nullptr;
  void* picture = nullptr;
  if (GdipCreateBitmapFromFile(wide, &picture) != kOk || !picture) return nullptr;
  UINT fullW = 0, fullH = 0;
  HBITMAP out = nullptr;
  if (GdipGetImageWidth(picture, &fullW) == kOk && GdipGetImageHeight(picture, &fullH) == kOk &&
      !TooLarge(fullW, fullH) &&
      FitToBox(static_cast<int>(fullW), static_cast<int>(fullH), std::min(boxW, kMaxKeptSide),
               std::min(boxH, kMaxKeptSide), w, h)) {
    *alpha = HasAlpha(picture);
    HBITMAP full = nullptr;
    if (*alpha) {
      out = ScaleWithAlpha(picture, static_cast<int>(fullW), static_cast<int>(fullH), *w, *h);
    } else if (GdipCreateHBITMAPFromBitmap(picture, &full, 0xFF000000) == kOk && full) {
      out = ScaleToBox(full, static_cast<int>(fullW), static_cast<int>(fullH), *w, *h);
      DeleteObject(full);
    }
  }
  GdipDisposeImage(picture);
  return out;
}

bool SameStamp(const CachedPicture& e, ULONGLONG bytes, const FILETIME& written) {
  return e.bytes == bytes && CompareFileTime(&e.written, &written) == 0;
}

unsigned long long KeptBytes(const CachedPicture& e) {
  return 4ull * static_cast<unsigned>(e.width) * static_cast<unsigned>(e.height);
}

void Free(CachedPicture& e) {
  if (e.bitmap) DeleteObject(e.bitmap);
  e.bitmap = nullptr;
}

// The control's own copy of a kept picture (the control frees it).
HBITMAP CopyOf(const CachedPicture& e, int* w, int* h, bool* alpha) {
  if (!e.bitmap) return nullptr;
  *w = e.width;
  *h = e.height;
  *alpha = e.alpha;
  return static_cast<HBITMAP>(CopyImage(e.bitmap, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

}  // namespace

HBITMAP LoadPicture(const char* path, int boxW, int boxH, int* width, int* height,
                    bool* alpha) {
  *width = *height = 0;
  *alpha = false;
  if (boxW <= 0 || boxH <= 0) return nullptr;
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return nullptr;
  const ULONGLONG bytes = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  {
    LockGuard guard(TheRuntime().lock);
    auto& list = cache.entries;
    for (auto it = list.begin(); it != list.end(); ++it) {
      if (it->path != path || it->boxWidth != boxW || it->boxHeight != boxH) continue;
      if (SameStamp(*it, bytes, info.ftLastWriteTime)) {
        it->lastUse = ++cache.clock;
        return CopyOf(*it, width, height, alpha);
      }
      Free(*it);  // the file changed since
      list.erase(it);
      break;
    }
  }
  CachedPicture fresh;
  fresh.path = path;
  fresh.bytes = bytes;
  fresh.written = info.ftLastWriteTime;
  fresh.boxWidth = boxW;
  fresh.boxHeight = boxH;
  fresh.bitmap = Prepare(path, bytes, boxW, boxH, &fresh.width, &fresh.height, &fresh.alpha);
  // A failure is not kept: the file is tried again the next time it is asked for.
  if (!fresh.bitmap) return nullptr;
  LockGuard guard(TheRuntime().lock);
  auto& list = cache.entries;
  unsigned long long kept = KeptBytes(fresh);
  for (const CachedPicture& e : list) kept += KeptBytes(e);
  while (!list.empty() && (list.size() >= kMaxCachedPictures || kept > kMaxCachedBytes)) {
    auto oldest = list.begin();
    for (auto it = list.begin(); it != list.end(); ++it)
      if (it->lastUse < oldest->lastUse) oldest = it;
    kept -= KeptBytes(*oldest);
    Free(*oldest);
    list.erase(oldest);
  }
  fresh.lastUse = ++cache.clock;
  list.push_back(fresh);
  return CopyOf(list.back(), width, height, alpha);
}

void FreeCachedPictures() {
  LockGuard guard(TheRuntime().lock);
  for (auto& e : cache.entries) Free(e);
  cache.entries.clear();
  cache.entries.shrink_to_fit();
}

}  // namespace rt

void ShutdownPictures() {
  using namespace rt;
  FreeCachedPictures();
  LockGuard guard(TheRuntime().lock);
  if (!TheRuntime().gdiplusStarted) return;
  GdiplusShutdown(TheRuntime().gdiplusToken);
  TheRuntime().gdiplusStarted = false;
  TheRuntime().gdiplusToken = 0;
}

}  // namespace ui
