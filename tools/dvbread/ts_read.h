// Reading inputs of the user tools: a whole file, complete sections of a PID,
// and the service names of the SDT. The 184-byte units of a PID, as a host
// delivers them, come from the host kit (tools/hostkit/ts_units.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/hostkit/ts_units.h"

namespace dvbread {

constexpr size_t kPacketSize = hostkit::kPacketSize;
constexpr size_t kUnitSize = hostkit::kUnitSize;
constexpr uint16_t kEitPid = hostkit::kEitPid;
constexpr uint16_t kSdtPid = 0x0011;
constexpr uint8_t kSdtActual = 0x42;
constexpr uint8_t kServiceDescriptor = 0x48;
// Inputs above this size are refused (a capture for these tools is far smaller).
constexpr size_t kMaxInput = size_t(1) << 30;

// Reads path into *data. False with a message in *error when it cannot.
// Prints a progress line on stderr while reading a large file.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* data, std::string* error,
                   const char* tool);

// True when data looks like a transport stream: sync bytes 0x47 every 188
// bytes over the first packets.
bool LooksLikeTransportStream(const std::vector<uint8_t>& data);

// Complete sections of pid, reassembled across packets (pointer_field,
// several sections in one packet, stuffing) from the packet headers, over the
// packets the units are read from (tools/hostkit/ts_packets.h). A repeated
// packet is read once; a section cut by a lost packet is dropped.
std::vector<std::vector<uint8_t>> PidSections(const std::vector<uint8_t>& ts, uint16_t pid);

struct ServiceName {
  uint16_t serviceId;
  std::vector<uint8_t> name;      // as broadcast, with its character-table bytes
  std::vector<uint8_t> provider;  // as broadcast
};

// The services of the actual transport stream's SDT (table 0x42) with a
// service_descriptor, in order of first appearance, each service once.
std::vector<ServiceName> SdtServiceNames(const std::vector<uint8_t>& ts);

}  // namespace dvbread
