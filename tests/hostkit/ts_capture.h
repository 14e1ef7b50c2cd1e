// Reads transport-stream captures into the 184-byte payload units a host
// delivers for one PID (the host kit's rule, tools/hostkit/ts_units.h), and lists
// the real captures beside the project.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/hostkit/ts_units.h"

namespace tscap {

constexpr int kPacketSize = static_cast<int>(hostkit::kPacketSize);
constexpr int kUnitSize = static_cast<int>(hostkit::kUnitSize);
constexpr uint16_t kEitPid = hostkit::kEitPid;

using Unit = hostkit::Unit;

// The units of pid in the file at path, as the host simulator delivers them.
// False when the file cannot be read. continuityErrors, when given, receives
// the number of gaps in the packets' continuity counter.
bool ReadPidUnits(const std::string& path, uint16_t pid, std::vector<Unit>* units,
                  int* continuityErrors = nullptr);

// The units laid end to end, as a host's delivery buffer would hold them.
using hostkit::Concatenate;

// The folder of real captures (../shared/data/eit from the project root) and
// the .ts files in it, sorted by name; empty when the folder is absent.
std::string CaptureDir();
std::vector<std::string> CaptureFiles();

}  // namespace tscap
