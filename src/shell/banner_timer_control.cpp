// Starts and stops the periodic multimedia timer that drives the banner,
// slows it down while the banner is idle, and makes sure no tick is still
// running when the panels go away.
#include <atomic>

#include "banner/banner.h"
#include "platform/win32.h"
#include "shell/lifecycle.h"

namespace {

struct TimerControl {
  std::atomic<uint32_t> timerId{0};
  std::atomic<bool> running{false};
  std::atomic<int> inFlight{0};
  unsigned activePeriod = 0, idlePeriod = 0;  // set before the timer starts
  unsigned period = 0;                         // timer thread only, after start
};
TimerControl timerControl;

constexpr uint32_t kResolutionMs = 100;
constexpr int kWaitStepMs = 5;
constexpr int kMaxWaitMs = 2000;

void TAVIK_STDCALL TimerTick(uint32_t id, uint32_t msg, uintptr_t user, uintptr_t r1,
                             uintptr_t r2);

uint32_t SetTimer(unsigned period) {
  // A synchronous kill: timeKillEvent returns only when no tick is on its way,
  // so the library is never unloaded under a running tick. Ticks never wait
  // on the host's thread, so the kill cannot deadlock with one.
  return win32::timeSetEvent(period, kResolutionMs, &TimerTick, 0,
                             win32::kTimePeriodic | win32::kTimeKillSynchronous);
}

// From inside a tick: the period the banner's state wants now. The new timer
// is set before the old one (this tick's own) is killed, both of which a
// timer callback may do. A channel change while idle is seen by the next
// idle tick, at most kIdlePeriodMs later.
void FollowBannerState(uint32_t id) {
  const unsigned want = BannerIdle() ? timerControl.idlePeriod : timerControl.activePeriod;
  if (want == timerControl.period || !timerControl.running) return;
  uint32_t fresh = SetTimer(want);
  if (fresh == 0) return;  // keep the timer there is
  timerControl.period = want;
  timerControl.timerId = fresh;
  win32::timeKillEvent(id);
}

// The timer thread enters here; after Stop no new tick reaches TimerProc.
void TAVIK_STDCALL TimerTick(uint32_t id, uint32_t msg, uintptr_t user, uintptr_t r1,
                             uintptr_t r2) {
  timerControl.inFlight++;
  if (timerControl.running) {
    TimerProc(id, msg, user, r1, r2);
    FollowBannerState(id);
  }
  timerControl.inFlight--;
}

}  // namespace

unsigned TimerPeriodFor(int showtimeMs) {
  int period = showtimeMs / 50;
  // The multimedia timer refuses a zero delay (a display time below 50 ms).
  return period >= 1 ? static_cast<unsigned>(period) : 1u;
}

unsigned IdlePeriodFor(int showtimeMs) {
  unsigned active = TimerPeriodFor(showtimeMs);
  return active > kIdlePeriodMs ? active : kIdlePeriodMs;
}

bool StartBannerTimer(int showtimeMs) {
  timerControl.activePeriod = TimerPeriodFor(showtimeMs);
  timerControl.idlePeriod = IdlePeriodFor(showtimeMs);
  timerControl.period = timerControl.activePeriod;
  timerControl.running = true;
  timerControl.timerId = SetTimer(timerControl.period);
  return timerControl.timerId != 0;
}

void RetryBannerTimer() {
  if (!timerControl.running || timerControl.timerId != 0) return;
  uint32_t fresh = SetTimer(timerControl.activePeriod);
  if (fresh == 0) return;  // tried again at the next change
  uint32_t none = 0;
  // A Stop meanwhile, or a tick's own fresh timer, wins: this one goes.
  if (!timerControl.running || !timerControl.timerId.compare_exchange_strong(none, fresh)) {
    win32::timeKillEvent(fresh);
  }
}

void StopBannerTimer() {
  timerControl.running = false;
  uint32_t id = timerControl.timerId.exchange(0);
  if (id != 0) win32::timeKillEvent(id);
  // Belt and braces: should a tick still be inside TimerProc, wait for it,
  // but never hang the host if it is stuck.
  for (int waited = 0; timerControl.inFlight > 0 && waited < kMaxWaitMs;
       waited += kWaitStepMs)
    win32::Sleep(kWaitStepMs);
  if (timerControl.inFlight > 0)
    win32::OutputDebugStringA("Tavik: a banner timer tick did not finish in time");
  // A tick that changed the period before it saw Stop left its new timer here.
  id = timerControl.timerId.exchange(0);
  if (id != 0) win32::timeKillEvent(id);
}
