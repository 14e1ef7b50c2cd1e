// One small lock type for the plug-in's shared state groups. The mingw
// toolchain's default thread model has no std::mutex, so Windows builds use an
// SRW lock (platform/win/lock_win.cpp); native builds wrap std::mutex.
//
// The locks and their order. Three threads run plug-in code: the host's
// thread (exports, panel loops, the channel change), the multimedia timer's
// thread (the banner timer) and the host's data thread (OnDataArrival). Each
// shared group has one lock; a thread that holds one may take only those
// later in this order, never an earlier one:
//
//   0. the EPG panel's rows lock (banner/epg_panel.cpp): the buffer the
//      tuned channel's schedule rows are copied into, on the host's thread
//      (the menu, key O by the hook) or the timer's (key O, the list
//      following the stream). Held
//      across that copy (the schedule and guide locks after it) and the rows'
//      hand-over to the runtime (4), which never waits on another thread.
//   1. the schedule lock (guide/schedule_engine.cpp), while the schedule is
//      on: the section assembler and the event store. The data thread holds
//      it across a delivery and, under it, takes the guide lock (2) to build
//      the tuned service's lines from a whole section, and the channel record
//      lock (3) for the tuned service. The host's thread holds it to make or
//      drop the engine, the host's or the timer's to copy the EPG panel's
//      rows, converting their text and times (plain computations) under it;
//      no thread takes it while it holds a later lock.
//   2. the guide lock (guide::state.lock, guide/guide_state.h): the now/next
//      lines and texts, eitState's changes. While it is held: the channel
//      record (3) to read the tuned service, and the runtime (4) for
//      SetCtrlVal (or SetCtrlValUnicode) of the banner's two programme lines,
//      nothing else. Windows' time-zone and code-page conversions of a line
//      being built are plain computations and may be called too. That
//      runtime call is made under the guide lock on purpose: it puts the
//      channel change's emptying of the lines and the timer's showing of them
//      in one order, so a line of the previous service can never follow the
//      emptying. It is safe because SetCtrlVal never waits on another thread
//      (below).
//   3. the channel record lock (common/channel_record.cpp): curChannel and its
//      serial. Only copies are made under it; nothing is called.
//   3b. the remembered channels' lock (keep/remembered_channels.h): the data
//      thread takes it under the schedule lock to ask whether another
//      stream's section is for a remembered channel; the host's thread at a
//      channel change and the keeper's worker with no other lock held. Only
//      copies and comparisons are made under it; nothing is called.
//   3a. the progress lock (banner/programme_progress.cpp): what the banner
//      shows of the programme's progress. Taken with no other lock held and
//      held across the runtime calls (4) that show or hide the bar, so that
//      the channel change's hide and the tick's show reach the controls in
//      the order they were decided.
//   4. the runtime lock (Runtime::lock, runtime/win/ui_internal.h; the fake
//      runtime has its own): the panels' tables. A runtime call from a thread
//      that does not own the panel's window updates the tables under it and
//      hands the window work to the owner thread without waiting; the owner
//      thread does its window work with the lock released. No callback of the
//      plug-in runs under it.
//
// Leaf locks, taken with no other lock held and calling nothing while held:
//   - the banner lock (banner/banner_state.h, WithBannerState): counters and
//     placements are computed under it; every Win32 and runtime call is made
//     after it is released, from a plan taken under it;
//   - the line-file lock (runtime/line_file.cpp): the table of open files,
//     held across that file's own read or write only;
//   - the runtime's last-failure lock (runtime/win/ui_panels.cpp): the text
//     of the last reason a panel could not be loaded, copied in and out.
//
// The keyboard hook (shell/lifecycle.cpp) runs key P and O on the host's
// thread, re-entering plug-in code wherever that thread pulls messages: in
// the host's own loop, but also inside our panel loop (RunUserInterface),
// the font dialog and every message box. So no plug-in lock may be held
// across a call that pulls messages (a panel loop, a dialog, a message box,
// ProcessSystemEvents, a SendMessage to another thread's window): the hook's
// key would take that lock again on the same thread.
//
// No lock is ever held across a call that may send a message to a window of
// another thread or wait for another thread (SendMessage to the host, a timer
// kill, a wait for a tick in flight).
//
// Clang checks what each lock guards (not their order): a shared group's
// fields are marked TAVIK_GUARDED_BY its lock, a function that expects a
// lock held is marked TAVIK_REQUIRES, and a breach is an error in every Clang
// build of the core and in the test dll_lock_rule, which checks every source
// of the DLL (-Werror=thread-safety).
#pragma once

#if defined(__clang__)
#define TAVIK_THREAD_ATTR(x) __attribute__((x))
#else
#define TAVIK_THREAD_ATTR(x)
#endif
#define TAVIK_CAPABILITY TAVIK_THREAD_ATTR(capability("mutex"))
#define TAVIK_SCOPED_CAPABILITY TAVIK_THREAD_ATTR(scoped_lockable)
#define TAVIK_GUARDED_BY(x) TAVIK_THREAD_ATTR(guarded_by(x))
#define TAVIK_PT_GUARDED_BY(x) TAVIK_THREAD_ATTR(pt_guarded_by(x))
#define TAVIK_REQUIRES(...) TAVIK_THREAD_ATTR(requires_capability(__VA_ARGS__))
#define TAVIK_EXCLUDES(...) TAVIK_THREAD_ATTR(locks_excluded(__VA_ARGS__))
#define TAVIK_ACQUIRE(...) TAVIK_THREAD_ATTR(acquire_capability(__VA_ARGS__))
#define TAVIK_RELEASE(...) TAVIK_THREAD_ATTR(release_capability(__VA_ARGS__))
#define TAVIK_ACQUIRED_AFTER(...) TAVIK_THREAD_ATTR(acquired_after(__VA_ARGS__))
// For the few functions whose locking the analysis cannot follow (a lock
// taken through a pointer it cannot name); each says why.
#define TAVIK_NO_THREAD_CHECK TAVIK_THREAD_ATTR(no_thread_safety_analysis)

#ifndef _WIN32
#include <mutex>
#endif

class TAVIK_CAPABILITY Lock {
 public:
#ifdef _WIN32
  void lock() TAVIK_ACQUIRE();
  void unlock() TAVIK_RELEASE();

 private:
  void* srw_ = nullptr;  // SRWLOCK, statically initialised to zero
#else
  void lock() TAVIK_ACQUIRE() { mutex_.lock(); }
  void unlock() TAVIK_RELEASE() { mutex_.unlock(); }

 private:
  std::mutex mutex_;
#endif
};

class TAVIK_SCOPED_CAPABILITY LockGuard {
 public:
  explicit LockGuard(Lock& lock) TAVIK_ACQUIRE(lock) : lock_(lock) { lock_.lock(); }
  ~LockGuard() TAVIK_RELEASE() { lock_.unlock(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  Lock& lock_;
};
