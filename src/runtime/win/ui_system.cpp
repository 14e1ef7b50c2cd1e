// Screen size, colours, the library's directory and the local time of day.
#include "common/text.h"
#include "runtime/win/ui_internal.h"

namespace ui {

void GetScreenSize(int* height, int* width) {
  if (height) *height = GetSystemMetrics(SM_CYSCREEN);
  if (width) *width = GetSystemMetrics(SM_CXSCREEN);
}

int MakeColor(int red, int green, int blue) {
  auto clamp = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
  return (clamp(red) << 16) | (clamp(green) << 8) | clamp(blue);
}

int GetModuleDir(void* module, char* dir, int capacity) {
  if (!dir || capacity <= 0) return kErrBadValue;
  dir[0] = '\0';
  char path[4096];
  DWORD n = GetModuleFileNameA(static_cast<HMODULE>(module), path, sizeof path);
  if (n == 0 || n >= sizeof path) return kErrFile;  // failed or cut by the system
  size_t cut = n;
  while (cut > 0 && path[cut - 1] != '\\' && path[cut - 1] != '/') --cut;
  if (cut == 0) return kErrFile;
  --cut;  // drop the separator too
  if (cut + 1 > static_cast<size_t>(capacity)) return kErrBadValue;  // never cut short
  path[cut] = '\0';
  CopyText(dir, static_cast<size_t>(capacity), path);
  return 0;
}

// The local time of day by the current zone's rule, the rule programme start
// times are converted with on the data thread, so the clock and the lines
// always agree. Asking the zone this one way from every thread also matters
// under wine 8: there GetLocalTime works out its bias unlocked, against the
// zone query of another thread, which then once converted as if at UTC.
void GetSystemTime(int* hours, int* minutes, int* seconds) {
  SYSTEMTIME utc, t;
  ::GetSystemTime(&utc);
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &t)) GetLocalTime(&t);
  if (hours) *hours = t.wHour;
  if (minutes) *minutes = t.wMinute;
  if (seconds) *seconds = t.wSecond;
}

}  // namespace ui
