// A DLL that imports the same system DLLs as tavik.dll and does nothing: the
// reference the plug-in's load is timed against.
#include <windows.h>
#include <commdlg.h>
#include <mmsystem.h>

#include <cstdio>

extern "C" int WINAPI GdiplusStartup(ULONG_PTR*, const void*, void*);

extern "C" __declspec(dllexport) int BenchRefTouch(int which) {
  // Never called: one function of each system DLL keeps its import.
  switch (which) {
    case 1: return GetDeviceCaps(nullptr, 0);
    case 2: return GdiplusStartup(nullptr, nullptr, nullptr);
    case 3: return static_cast<int>(timeGetTime());
    case 4: return GetOpenFileNameA(nullptr);
    case 5: return MessageBeep(0);
    case 6: return std::printf("%d", which);
    default: return static_cast<int>(GetTickCount());
  }
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
