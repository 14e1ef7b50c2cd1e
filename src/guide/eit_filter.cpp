// The EIT section filter at the host: the request record, its start at the
// first channel change that wants programme lines, and its stop at exit.
#include <cstring>

#include "common/plugin_state.h"
#include "common/text.h"
#include "guide/guide.h"
#include "guide/guide_state.h"
#include "platform/win32.h"

std::atomic<int32_t> eitState{guide::kStateStopped};

namespace {

// The host keeps the address of this record and writes the filter's handle
// into it, so it lives in static storage for the library's whole life.
host::EitFilterRequest filterRequest;

void FillRequest() {
  std::memset(&filterRequest, 0, sizeof filterRequest);
  filterRequest.dllId = static_cast<uint16_t>(hostLink.pluginId.load());
  filterRequest.filterId = host::kEitFilterId;
  filterRequest.pid = host::kEitPid;
  CopyText(filterRequest.filterName, sizeof filterRequest.filterName, guide::kFilterName);
  // Only the 32-bit library hands this address to a host; a 64-bit native
  // build keeps the low half so the record's layout stays the same.
  host::DataCallback routine = &OnDataArrival;
  filterRequest.dataRoutine =
      static_cast<uint32_t>(reinterpret_cast<uintptr_t>(routine));
  filterRequest.handle = guide::kNoHandle;
}

}  // namespace

void ResetGuide() {
  LockGuard guard(guide::state.lock);
  eitState = guide::kStateStopped;
  std::memset(&filterRequest, 0, sizeof filterRequest);
  std::memset(guide::state.nowLine, 0, sizeof guide::state.nowLine);
  std::memset(guide::state.nextLine, 0, sizeof guide::state.nextLine);
  std::memset(guide::state.nowName, 0, sizeof guide::state.nowName);
  std::memset(guide::state.nowText, 0, sizeof guide::state.nowText);
  std::memset(guide::state.nextName, 0, sizeof guide::state.nextName);
  std::memset(guide::state.nextText, 0, sizeof guide::state.nextText);
  std::memset(guide::state.timeText, 0, sizeof guide::state.timeText);
  guide::state.nameSkip = 0;
  guide::state.nameLead = 0;
  guide::state.filterHandle = 0;
  guide::state.nowTextChannel = 0;
  guide::ForgetBuiltEventsLocked();
}

// Called on the host's thread only (the channel change), as is the stop step,
// so eitState cannot leave 0 between the test and the command: the decoder
// never changes a stopped state.
void GetEIT() {
  FillRequest();
  if (eitState.load() != guide::kStateStopped) return;
  // No lock is held across the command: the host answers it synchronously
  // and may deliver data from its own thread meanwhile.
  win32::SendMessageA(hostLink.hostWnd.load(), host::kWmUser, host::kCmdStartFilter,
                      reinterpret_cast<intptr_t>(&filterRequest));
  LockGuard guard(guide::state.lock);
  eitState = guide::kStateRunning;
  guide::state.filterHandle = filterRequest.handle;
}

void StopEitFilter() {
  if (eitState.load() <= guide::kStateStopped) return;
  int32_t handle;
  {
    LockGuard guard(guide::state.lock);
    handle = guide::state.filterHandle;
  }
  win32::SendMessageA(hostLink.hostWnd.load(), host::kWmUser, host::kCmdStopFilter,
                      static_cast<intptr_t>(handle));
  LockGuard guard(guide::state.lock);
  eitState = guide::kStateStopped;
}

// The host closed a filter of its own accord. When it is ours, it is
// forgotten and the guide stands as stopped, so the next channel change that
// wants programme lines asks for a new one; another handle changes nothing.
void FilterClosedByHost(uint32_t handle) {
  LockGuard guard(guide::state.lock);
  if (eitState.load() <= guide::kStateStopped) return;
  if (static_cast<uint32_t>(guide::state.filterHandle) != handle) return;
  eitState = guide::kStateStopped;
  guide::state.filterHandle = guide::kNoHandle;
}

int32_t EitFilterHandle() {
  LockGuard guard(guide::state.lock);
  return guide::state.filterHandle;
}
