// Placeholder until the banner stages land; delete when they do.
#include "banner/banner.h"

void ResetBanner() {}
void ChannelChange(const host::TProgram82& chan) { SaveChannelRecord(chan); }
void TAVIK_STDCALL TimerProc(uint32_t, uint32_t, uintptr_t, uintptr_t, uintptr_t) {}
void FillEpgPanel(int) {}
int32_t HostKind() { return 0; }
