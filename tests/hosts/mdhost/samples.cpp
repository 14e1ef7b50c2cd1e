// The "sample" command: traces the process's window count and GDI object
// count, for long runs that must stay flat.
#include <cstring>

#include "tests/hosts/mdhost/mdhost.h"

namespace mdhost {
namespace {

// The process's GDI handle table: its address is in the PEB (offset 0x94 on
// 32-bit Windows); 65,536 entries of 24 bytes. GetGuiResources answers 0 under
// wine, so the count comes from this table. Wine keeps one table per process,
// leaves the owner field 0 and, when it frees an entry, keeps its type but
// clears the second type byte (the object field then links the free list):
// every entry with that byte set counts, the stock objects too (a constant).
constexpr size_t kPebGdiTableOffset = 0x94;
constexpr int kGdiEntries = 0x10000;
#pragma pack(push, 1)
struct GdiEntry {
  uint64_t object;
  uint32_t owner;
  uint8_t type;
  uint8_t generation;
  uint8_t extType;  // 0: a free entry
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
    if (table[i].extType != 0) ++count;
  return count;
}

// The table is trusted only when it follows objects made here: the entry of
// each of ten new bitmaps is in use, and none once they are deleted (or holds
// an object of a newer generation, should a thread that paints meanwhile have
// taken the entry again).
bool GdiTableWorks() {
  constexpr int kBitmaps = 10;
  constexpr uintptr_t kIndexMask = kGdiEntries - 1;  // a handle's low 16 bits
  const GdiEntry* table = GdiTable();
  if (!table) return false;
  HBITMAP bitmaps[kBitmaps];
  uint8_t generation[kBitmaps];
  bool live = true, freed = true;
  for (int i = 0; i < kBitmaps; ++i) {
    bitmaps[i] = CreateBitmap(4, 4, 1, 32, nullptr);  // 1x1 mono would be the stock bitmap
    const GdiEntry& e = table[reinterpret_cast<uintptr_t>(bitmaps[i]) & kIndexMask];
    live &= bitmaps[i] && e.extType != 0;
    generation[i] = e.generation;
  }
  for (HBITMAP b : bitmaps) DeleteObject(b);
  for (int i = 0; i < kBitmaps; ++i) {
    const GdiEntry& e = table[reinterpret_cast<uintptr_t>(bitmaps[i]) & kIndexMask];
    freed &= e.extType == 0 || e.generation != generation[i];
  }
  return live && freed;
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
  if (checked < 0) checked = GdiTableWorks() ? 1 : 0;
  WindowCount wc;
  wc.pid = GetCurrentProcessId();
  EnumWindows(CountTop, reinterpret_cast<LPARAM>(&wc));
  const int gdi = checked ? CountGdiObjects() : -1;
  Trace("sample: %s t %lu ms windows %d top-level %d gdi %d", args.size() > 1 ? args[1].c_str() : "-",
        static_cast<unsigned long>(ElapsedMs()), wc.all, wc.topLevel, gdi);
  return true;
}

}  // namespace mdhost
