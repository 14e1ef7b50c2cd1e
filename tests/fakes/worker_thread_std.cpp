// The plug-in's own threads and signals over std::thread, for native builds.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "platform/worker_thread.h"

namespace worker {

struct Thread {
  std::thread thread;
};

struct Signal {
  std::mutex mutex;
  std::condition_variable raised;
  bool set = false;
};

Thread* StartThread(void (*run)(void*), void* arg) {
  return new (std::nothrow) Thread{std::thread(run, arg)};
}

void JoinThread(Thread* thread) {
  if (thread == nullptr) return;
  thread->thread.join();
  delete thread;
}

Signal* MakeSignal() { return new (std::nothrow) Signal; }

void RaiseSignal(Signal* signal) {
  std::lock_guard<std::mutex> hold(signal->mutex);
  signal->set = true;
  signal->raised.notify_one();
}

bool WaitSignal(Signal* signal, uint32_t ms) {
  std::unique_lock<std::mutex> hold(signal->mutex);
  bool set = signal->raised.wait_for(hold, std::chrono::milliseconds(ms), [&] { return signal->set; });
  signal->set = false;
  return set;
}

void FreeSignal(Signal* signal) { delete signal; }

uint64_t MonotonicMs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

}  // namespace worker
