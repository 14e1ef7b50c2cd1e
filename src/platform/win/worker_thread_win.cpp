// The plug-in's own threads and wake-up signals over kernel32.
#include <windows.h>

#include "platform/worker_thread.h"

namespace worker {

struct Thread {
  HANDLE handle;
  void (*run)(void*);
  void* arg;
  HMODULE module;  // the library's reference the thread holds while it runs
};

namespace {

// The thread holds a reference to the library its code is in: a FreeLibrary
// of the host's while it runs leaves the code in place, and the thread's
// last step lets it go.
DWORD WINAPI ThreadMain(LPVOID param) {
  Thread* thread = static_cast<Thread*>(param);
  HMODULE module = thread->module;
  thread->run(thread->arg);
  if (module != nullptr) FreeLibraryAndExitThread(module, 0);
  return 0;
}

}  // namespace

Thread* StartThread(void (*run)(void*), void* arg) {
  Thread* thread = static_cast<Thread*>(HeapAlloc(GetProcessHeap(), 0, sizeof(Thread)));
  if (thread == nullptr) return nullptr;
  thread->run = run;
  thread->arg = arg;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&ThreadMain), &thread->module))
    thread->module = nullptr;
  thread->handle = CreateThread(nullptr, 0, ThreadMain, thread, 0, nullptr);
  if (thread->handle == nullptr) {
    if (thread->module != nullptr) FreeLibrary(thread->module);
    HeapFree(GetProcessHeap(), 0, thread);
    return nullptr;
  }
  return thread;
}

void JoinThread(Thread* thread) {
  if (thread == nullptr) return;
  WaitForSingleObject(thread->handle, INFINITE);
  CloseHandle(thread->handle);
  HeapFree(GetProcessHeap(), 0, thread);
}

Signal* MakeSignal() { return reinterpret_cast<Signal*>(CreateEventW(nullptr, FALSE, FALSE, nullptr)); }

void RaiseSignal(Signal* signal) { SetEvent(reinterpret_cast<HANDLE>(signal)); }

bool WaitSignal(Signal* signal, uint32_t ms) {
  return WaitForSingleObject(reinterpret_cast<HANDLE>(signal), ms) == WAIT_OBJECT_0;
}

void FreeSignal(Signal* signal) {
  if (signal != nullptr) CloseHandle(reinterpret_cast<HANDLE>(signal));
}

uint64_t MonotonicMs() { return GetTickCount64(); }

}  // namespace worker
