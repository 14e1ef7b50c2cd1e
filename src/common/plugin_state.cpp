// The shell-owned state every subsystem reads.
#include "common/plugin_state.h"

Panels panels;
HostLink hostLink;
Paths paths;
