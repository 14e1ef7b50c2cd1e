// Runs a fuzz target over files given on the command line, for compilers
// without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::FILE* f = std::fopen(argv[i], "rb");
    if (!f) continue;
    std::vector<uint8_t> buf;
    int c;
    while ((c = std::fgetc(f)) != EOF) buf.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    LLVMFuzzerTestOneInput(buf.data(), buf.size());
  }
  return 0;
}
