// The "sample" command: traces the process's window count and GDI object
// count, for long runs that must stay flat.
#include <cstring>

#include "tools/mdhost/mdhost.h"

namespace mdhost {
namespace {

// The process's GDI handle table: its address is in the PEB (offset 0x94 on
// 32-bit Windows); 65,536 entries of 24 bytes. GetGuiResources answers 0 under
// wine, so the count comes from this table. Wine keeps one table per process,
// leaves the owner field 0 and clears the object address when it frees an
// entry (the type stays): every entry with an object counts, the stock
// objects too (a constant).
constexpr size_t kPebGdiTableOffset = 0x94;
constexpr int kGdiEntries = 0x10000;
#pragma pack(push, 1)
struct GdiEntry {
  uint64_t object;  // 0: a free entry
  uint32_t owner;
  uint8_t type;
  uint8_t generation;
  uint8_t extType;
  uint8_t flags;
  uint64_t userPointer;
};
#pragma pack(pop)
static_assert(sizeof(GdiEntry) == 24, "a GDI handle table entry is 24 bytes");

const GdiEntry* GdiTable() {
  const uint8_t* peb = nullptr;
  asm("movl %%fs:0x30, %0" : "=r"(peb));  // the PEB of this process (32-bit)
  return peb ? *reinterpret_cast<const GdiEntry* const*>(peb + kPebGdiTableOffset) : nullptr;
}

// Objects of this process in the table; -1 when there is no table.
int CountGdiObjects() {
  const GdiEntry* table = GdiTable();
  if (!table) return -1;
  int count = 0;
  for (int i = 0; i < kGdiEntries; ++i)
    if (table[i].object != 0) ++count;
  return count;
}

// The count is trusted only when ten bitmaps made here move it by ten (other
// threads paint meanwhile: a few tries; brushes would not do, wine keeps
// deleted solid brushes in a cache).
bool GdiCountWorks() {
  constexpr int kBitmaps = 10, kTries = 5;
  for (int t = 0; t < kTries; ++t) {
    const int before = CountGdiObjects();
    if (before < 0) return false;
    HBITMAP bitmaps[kBitmaps];
    for (HBITMAP& b : bitmaps) b = CreateBitmap(1, 1, 1, 1, nullptr);
    const int during = CountGdiObjects();
    for (HBITMAP b : bitmaps) DeleteObject(b);
    if (during - before == kBitmaps) return true;
  }
  return false;
}

struct WindowCount {
  DWORD pid;
  int topLevel = 0, all = 0;
};

BOOL CALLBACK CountChild(HWND, LPARAM lp) {
  ++reinterpret_cast<WindowCount*>(lp)->all;
  return TRUE;
}

BOOL CALLBACK CountTop(HWND w, LPARAM lp) {
  auto* c = reinterpret_cast<WindowCount*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != c->pid) return TRUE;
  ++c->topLevel;
  ++c->all;
  EnumChildWindows(w, CountChild, lp);  // children at every depth
  return TRUE;
}

}  // namespace

bool TakeSample(const std::vector<std::string>& args, std::string& error) {
  static int checked = -1;  // -1 unknown, 0 the table is not usable, 1 usable
  if (args.size() > 2) {
    error = "usage: sample [LABEL]";
    return false;
  }
  if (checked < 0) checked = GdiCountWorks() ? 1 : 0;
  WindowCount wc;
  wc.pid = GetCurrentProcessId();
  EnumWindows(CountTop, reinterpret_cast<LPARAM>(&wc));
  const int gdi = checked ? CountGdiObjects() : -1;
  Trace("sample: %s t %lu ms windows %d top-level %d gdi %d", args.size() > 1 ? args[1].c_str() : "-",
        static_cast<unsigned long>(ElapsedMs()), wc.all, wc.topLevel, gdi);
  return true;
}

}  // namespace mdhost
