// SRW lock behind the plug-in's Lock type.
#include <windows.h>

#include "platform/lock.h"

static_assert(sizeof(SRWLOCK) == sizeof(void*), "SRWLOCK is one pointer");

void Lock::lock() { AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&srw_)); }
void Lock::unlock() { ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&srw_)); }
