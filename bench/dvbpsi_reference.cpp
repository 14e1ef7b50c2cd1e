// The reference for the data thread's cost per section: the same capture's
// PID 0x0012 packets through libdvbpsi's table demultiplexer and its EIT
// decoder (every table 0x4E to 0x6F, every service), each decoded table
// freed. Under callgrind only the pushing of the packets is counted. Built
// and run by scripts/bench-sections.sh only, never by the product or tests.
//   dvbpsi_reference CAPTURE.ts
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include <valgrind/callgrind.h>

extern "C" {
#include <dvbpsi/dvbpsi.h>
#include <dvbpsi/demux.h>
#include <dvbpsi/descriptor.h>
#include <dvbpsi/eit.h>
#include <dvbpsi/psi.h>
}

namespace {

long tables = 0;

void OnEit(void*, dvbpsi_eit_t* eit) {
  ++tables;
  dvbpsi_eit_delete(eit);
}

void OnNewSubtable(dvbpsi_t* handle, uint8_t tableId, uint16_t extension, void* data) {
  if (tableId >= 0x4E && tableId <= 0x6F) dvbpsi_eit_attach(handle, tableId, extension, OnEit, data);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<uint8_t> ts((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<uint8_t> packets;
  for (size_t i = 0; i + 188 <= ts.size();) {
    const uint8_t* p = &ts[i];
    if (p[0] != 0x47) {
      ++i;
      continue;
    }
    if (((p[1] & 0x1F) << 8 | p[2]) == 0x12) packets.insert(packets.end(), p, p + 188);
    i += 188;
  }
  dvbpsi_t* handle = dvbpsi_new(nullptr, DVBPSI_MSG_NONE);
  if (handle == nullptr || !dvbpsi_AttachDemux(handle, OnNewSubtable, nullptr)) return 1;
  CALLGRIND_START_INSTRUMENTATION;
  for (size_t at = 0; at < packets.size(); at += 188) dvbpsi_packet_push(handle, &packets[at]);
  CALLGRIND_STOP_INSTRUMENTATION;
  std::printf("libdvbpsi: %zu packets, %ld tables decoded\n", packets.size() / 188, tables);
  dvbpsi_DetachDemux(handle);
  dvbpsi_delete(handle);
  return 0;
}
