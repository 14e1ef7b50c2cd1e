// A reserve of memory held for the moment an allocation fails: it is given
// back so that the allocation can be made after all, and taken again at the
// next channel change. One failure then costs nothing, and the viewer goes on.
#pragma once

// Takes the reserve when it is not held (at load and at each channel change);
// a failure to take it is tried again next time.
void RenewMemoryReserve();
// Frees the reserve; true when there was one to free. Any thread.
bool ReleaseMemoryReserve();
