// One small lock type for the plug-in's shared state groups. The mingw
// toolchain's default thread model has no std::mutex, so Windows builds use an
// SRW lock (platform/win/lock_win.cpp); native builds use std::mutex.
#pragma once

#ifdef _WIN32
class Lock {
 public:
  void lock();
  void unlock();

 private:
  void* srw_ = nullptr;  // SRWLOCK, statically initialised to zero
};
#else
#include <mutex>
using Lock = std::mutex;
#endif

class LockGuard {
 public:
  explicit LockGuard(Lock& lock) : lock_(lock) { lock_.lock(); }
  ~LockGuard() { lock_.unlock(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  Lock& lock_;
};
