// Transport-stream reading for the user tools: whole files, sections, SDT.
#include "tools/dvbread/ts_read.h"

#include <cstdio>
#include <set>

namespace dvbread {
namespace {

constexpr size_t kSyncPacketsChecked = 4;
constexpr size_t kProgressAbove = size_t(8) << 20;  // a progress line for inputs above 8 MiB
constexpr size_t kReadChunk = size_t(1) << 20;
constexpr size_t kSectionHeader = 3;

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* data, std::string* error,
                   const char* tool) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    *error = "cannot open " + path;
    return false;
  }
  std::fseek(f, 0, SEEK_END);
  long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  if (size < 0 || static_cast<size_t>(size) > kMaxInput) {
    std::fclose(f);
    *error = path + " is not a readable file or is larger than 1 GiB";
    return false;
  }
  data->resize(static_cast<size_t>(size));
  size_t done = 0;
  const bool progress = data->size() > kProgressAbove;
  while (done < data->size()) {
    size_t want = data->size() - done < kReadChunk ? data->size() - done : kReadChunk;
    size_t got = std::fread(data->data() + done, 1, want, f);
    if (got == 0) break;
    done += got;
    if (progress)
      std::fprintf(stderr, "\r%s: reading %s: %zu%%", tool, path.c_str(),
                   done * 100 / data->size());
  }
  if (progress) std::fprintf(stderr, "\n");
  std::fclose(f);
  if (done != data->size()) {
    *error = "cannot read all of " + path;
    return false;
  }
  return true;
}

bool LooksLikeTransportStream(const std::vector<uint8_t>& data) {
  if (data.size() < kPacketSize) return false;
  for (size_t k = 0; k < kSyncPacketsChecked && (k + 1) * kPacketSize <= data.size(); ++k)
    if (data[k * kPacketSize] != hostkit::kSyncByte) return false;
  return true;
}

std::vector<std::vector<uint8_t>> PidSections(const std::vector<uint8_t>& ts, uint16_t pid) {
  std::vector<std::vector<uint8_t>> sections;
  std::vector<uint8_t> pending;
  bool collecting = false;
  int last = -1;
  // Takes every complete section off the front of pending.
  auto drain = [&]() {
    while (pending.size() >= kSectionHeader) {
      if (pending[0] == 0xFF) {  // stuffing: the rest of the packet is empty
        pending.clear();
        collecting = false;
        return;
      }
      size_t length = kSectionHeader + ((pending[1] & 0x0F) << 8 | pending[2]);
      if (pending.size() < length) return;
      sections.emplace_back(pending.begin(), pending.begin() + length);
      pending.erase(pending.begin(), pending.begin() + length);
    }
  };
  size_t at = 0;
  while (const uint8_t* p = hostkit::NextPacket(ts.data(), ts.size(), &at)) {
    if (hostkit::PacketPid(p) != pid || !hostkit::PacketHasPayload(p)) continue;
    const hostkit::Continuity step = hostkit::FollowCounter(p, &last);
    if (step == hostkit::Continuity::kRepeat) continue;
    const bool lost = step == hostkit::Continuity::kGap;
    const size_t offset = hostkit::PayloadStart(p);
    if (offset >= kPacketSize) continue;
    const uint8_t* payload = p + offset;
    size_t size = kPacketSize - offset;
    if (lost) {
      pending.clear();
      collecting = false;
    }
    if (hostkit::PacketStartsUnit(p)) {
      size_t pointer = payload[0];
      if (1 + pointer > size) continue;
      if (collecting) {
        pending.insert(pending.end(), payload + 1, payload + 1 + pointer);
        drain();
      }
      pending.clear();
      pending.insert(pending.end(), payload + 1 + pointer, payload + size);
      collecting = true;
      drain();
    } else if (collecting) {
      pending.insert(pending.end(), payload, payload + size);
      drain();
    }
  }
  return sections;
}

std::vector<ServiceName> SdtServiceNames(const std::vector<uint8_t>& ts) {
  std::vector<ServiceName> out;
  std::set<uint16_t> seen;
  for (const std::vector<uint8_t>& s : PidSections(ts, kSdtPid)) {
    // table_id .. original_network_id and a reserved byte: 11 bytes; CRC at the end.
    if (s.size() < 11 + 4 || s[0] != kSdtActual) continue;
    size_t end = s.size() - 4;
    size_t i = 11;
    while (i + 5 <= end) {
      uint16_t sid = static_cast<uint16_t>(s[i] << 8 | s[i + 1]);
      size_t loop = (s[i + 3] & 0x0F) << 8 | s[i + 4];
      size_t d = i + 5, dEnd = d + loop;
      if (dEnd > end) break;
      while (d + 2 <= dEnd) {
        uint8_t tag = s[d], len = s[d + 1];
        if (d + 2 + len > dEnd) break;
        if (tag == kServiceDescriptor && len >= 3 && seen.count(sid) == 0) {
          const uint8_t* b = &s[d + 2];
          size_t providerLength = b[1];
          if (2 + providerLength < len) {
            size_t nameLength = b[2 + providerLength];
            if (3 + providerLength + nameLength <= len) {
              ServiceName sn;
              sn.serviceId = sid;
              sn.provider.assign(b + 2, b + 2 + providerLength);
              sn.name.assign(b + 3 + providerLength, b + 3 + providerLength + nameLength);
              out.push_back(sn);
              seen.insert(sid);
            }
          }
        }
        d += 2 + len;
      }
      i = dEnd;
    }
  }
  return out;
}

}  // namespace dvbread
