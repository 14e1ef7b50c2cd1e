// Reads transport-stream captures into the 184-byte payload units a host
// delivers for one PID, in stream order, and lists the real captures beside
// the project.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tscap {

constexpr int kPacketSize = 188;
constexpr int kUnitSize = 184;
constexpr uint16_t kEitPid = 0x0012;

struct Unit {
  std::array<uint8_t, kUnitSize> bytes;
  bool start;  // payload_unit_start_indicator: byte 0 is a pointer_field
};

// Every packet of pid that carries a payload, as the 184 bytes after its
// 4-byte header (an adaptation field, when present, stays in the unit as a
// host would hand it over). Packets without a payload are left out; bytes
// that are not on a sync byte are skipped until the next one. False when the
// file cannot be read. continuityErrors, when given, receives the number of
// gaps in the packets' continuity counter (packets lost in the capture).
bool ReadPidUnits(const std::string& path, uint16_t pid, std::vector<Unit>* units,
                  int* continuityErrors = nullptr);

// The units laid end to end, as a host's delivery buffer would hold them.
std::vector<uint8_t> Concatenate(const std::vector<Unit>& units, size_t first,
                                 size_t count);

// The folder of real captures (../shared/data/eit from the project root) and
// the .ts files in it, sorted by name; empty when the folder is absent.
std::string CaptureDir();
std::vector<std::string> CaptureFiles();

}  // namespace tscap
