// A thread of the plug-in's own, a wake-up signal and a monotonic clock: on
// Windows CreateThread and an auto-reset event
// (platform/win/worker_thread_win.cpp), natively std::thread
// (tests/fakes/worker_thread_std.cpp). Never started or joined inside
// DllMain.
#pragma once

#include <cstdint>

namespace worker {

struct Thread;
struct Signal;

// Runs run(arg) on a new thread; null when the system refused it.
Thread* StartThread(void (*run)(void*), void* arg);
// Waits for the thread to end and frees it.
void JoinThread(Thread* thread);

// A signal that wakes one waiter and resets itself; null on failure.
Signal* MakeSignal();
void RaiseSignal(Signal* signal);
// True when the signal was raised within ms milliseconds.
bool WaitSignal(Signal* signal, uint32_t ms);
void FreeSignal(Signal* signal);

// Milliseconds since some fixed moment, never going back.
uint64_t MonotonicMs();

}  // namespace worker
