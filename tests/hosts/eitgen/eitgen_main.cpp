// eitgen: writes the built-in EIT present/following stream to a .ts file, with
// an optional reference list of its sections and a matching channel list.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/hosts/eitgen/eit_sections.h"

namespace {

bool WriteFile(const char* path, const void* data, size_t size) {
  FILE* f = std::fopen(path, "wb");
  if (!f) {
    std::fprintf(stderr, "eitgen: cannot write %s\n", path);
    return false;
  }
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

int Usage() {
  std::fprintf(stderr,
               "usage: eitgen OUT.ts [--rounds N] [--tsv OUT.tsv] [--channels OUT.txt]\n"
               "  writes EIT present/following sections (PID 0x0012, table 0x4E) of the\n"
               "  built-in services, each section starting a packet (pointer_field 0)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const char* tsPath = nullptr;
  const char* tsvPath = nullptr;
  const char* channelsPath = nullptr;
  int rounds = 4;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(argv[i], "--rounds") && hasValue) {
      rounds = std::atoi(argv[++i]);
    } else if (!std::strcmp(argv[i], "--tsv") && hasValue) {
      tsvPath = argv[++i];
    } else if (!std::strcmp(argv[i], "--channels") && hasValue) {
      channelsPath = argv[++i];
    } else if (argv[i][0] != '-' && !tsPath) {
      tsPath = argv[i];
    } else {
      return Usage();
    }
  }
  if (!tsPath || rounds < 1 || rounds > 10000) return Usage();
  const auto stream = eitgen::BuildDemoStream(rounds);
  if (!WriteFile(tsPath, stream.data(), stream.size())) return 1;
  if (tsvPath) {
    const std::string tsv = eitgen::DemoReferenceTsv();
    if (!WriteFile(tsvPath, tsv.data(), tsv.size())) return 1;
  }
  if (channelsPath) {
    const std::string list = eitgen::DemoChannelList();
    if (!WriteFile(channelsPath, list.data(), list.size())) return 1;
  }
  std::printf("eitgen: %zu packets written to %s\n", stream.size() / eitgen::kPacketSize, tsPath);
  return 0;
}
