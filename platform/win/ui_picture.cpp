// Pictures: JPEG (and other) files decoded with the GDI+ flat API into a
// plain bitmap that the panel draws. GDI+ starts on the first picture.
#include "platform/win/ui_internal.h"

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
int WINAPI GdipDisposeImage(void* image);
}

namespace ui {
namespace rt {
namespace {

constexpr int kOk = 0;

// Starts GDI+ once; never from the loader lock (only on a picture request).
bool StartPictures() {
  LockGuard guard(R().lock);
  if (R().gdiplusStarted) return true;
  TavikGdiplusStartupInput in = {1, nullptr, TRUE, FALSE};
  // No background thread: shutting down later needs no thread to end. GDI+
  // then insists on an output record (its notification hooks, unused here).
  static void* hooks[2];
  if (GdiplusStartup(&R().gdiplusToken, &in, hooks) != kOk) return false;
  R().gdiplusStarted = true;
  return true;
}

}  // namespace

HBITMAP DecodePicture(const char* path, int* width, int* height) {
  if (!StartPictures()) return nullptr;
  WCHAR wide[MAX_PATH * 2];
  if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH * 2) == 0) return nullptr;
  void* bitmap = nullptr;
  if (GdipCreateBitmapFromFile(wide, &bitmap) != kOk || !bitmap) return nullptr;
  UINT w = 0, h = 0;
  HBITMAP out = nullptr;
  if (GdipGetImageWidth(bitmap, &w) == kOk && GdipGetImageHeight(bitmap, &h) == kOk && w > 0 &&
      h > 0 && GdipCreateHBITMAPFromBitmap(bitmap, &out, 0xFF000000) != kOk) {
    out = nullptr;
  }
  GdipDisposeImage(bitmap);
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return out;
}

void ShutdownPictures() {
  LockGuard guard(R().lock);
  if (!R().gdiplusStarted) return;
  GdiplusShutdown(R().gdiplusToken);
  R().gdiplusStarted = false;
  R().gdiplusToken = 0;
}

}  // namespace rt
}  // namespace ui
