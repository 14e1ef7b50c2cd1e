// The kept guide's place in the plug-in: the channels every channel change
// teaches, and the keeper of tavik.epg beside the library, started after
// On_Start and stopped at On_Exit, while tavik.ini's schedule and keepguide
// lines are both 1.
#pragma once

#include <cstdint>

#include "keep/remembered_channels.h"
#include "platform/host_interface.h"

namespace keep {

RememberedChannels& TheRememberedChannels();

// At a channel change, on the host's thread: a lock and a copy, nothing more.
void RememberTunedChannel(const host::TProgram82& record);

// From the host's thread after On_Start: starts the keeper over tavik.epg in
// the library's folder; its worker reads the file, then writes it as the
// rules say. False (and nothing kept) when no worker could start.
bool StartKeepingGuide(void* module);
// At On_Exit: the last write within budgetMs, then the worker ends.
void StopKeepingGuide(uint32_t budgetMs);

}  // namespace keep
