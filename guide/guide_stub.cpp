// Placeholder until the guide stages land; delete when they do.
#include "guide/guide.h"

std::atomic<int32_t> eitState{0};
void ResetGuide() { eitState = 0; }
void GetEIT() {}
void StopEitFilter() {}
int32_t EitFilterHandle() { return -1; }
extern "C" void OnDataArrival(int, int, const uint8_t*) {}
void BcdT(int8_t, int8_t) {}
void RestartProgrammeLines(int) {}
bool ShowCompleteProgrammeLines(int) { return false; }
void CopyNowText(char* out, size_t capacity) { if (capacity) out[0] = 0; }
void CopyNowLine(char* out, size_t capacity) { if (capacity) out[0] = 0; }
void CopyNextLine(char* out, size_t capacity) { if (capacity) out[0] = 0; }
void CopyTimeText(char* out, size_t capacity) { if (capacity) out[0] = 0; }
