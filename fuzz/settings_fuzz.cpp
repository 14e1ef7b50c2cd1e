// Fuzzes the settings reader: any bytes as tavik.ini must read without a
// fault into sane settings, and the line conversions must agree with the C
// library's on the text they share.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/plugin_state.h"
#include "common/text.h"
#include "tests/fakes/fake_ui_runtime.h"
#include "settings/settings.h"
#include "settings/settings_internal.h"

namespace {

using namespace settings_file;

char g_iniPath[64];

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "settings fuzz: %s\n", what);
    std::abort();
  }
}

// Integers: the same grammar as strtoll in the C locale, saturated to 32 bits.
void CheckInt(const std::string& text) {
  long long wide = std::strtoll(text.c_str(), nullptr, 10);
  int32_t expected = wide > INT32_MAX ? INT32_MAX
                     : wide < INT32_MIN ? INT32_MIN
                                        : static_cast<int32_t>(wide);
  Check(TextToInt(text.c_str()) == expected, "integer differs from strtoll");
}

// Decimals: only where strtod reads the same grammar (no hex, inf or nan).
void CheckDouble(const std::string& text) {
  if (text.find_first_not_of(" \t+-.0123456789eE") != std::string::npos) return;
  double expected = std::strtod(text.c_str(), nullptr);
  double got = TextToDouble(text.c_str());
  if (std::isinf(expected) || std::isinf(got)) {
    Check(got == expected, "overflow differs from strtod");
    return;
  }
  Check(std::fabs(got - expected) <= 4e-16 * std::fabs(expected) + 1e-300,
        "decimal differs from strtod");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  CopyText(g_iniPath, sizeof g_iniPath, "/tmp/tavik-settings-fuzz-XXXXXX");
  int fd = mkstemp(g_iniPath);
  if (fd >= 0) close(fd);
  std::atexit([] { std::remove(g_iniPath); });
  CopyText(paths.iniPath, sizeof paths.iniPath, g_iniPath);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (g_iniPath[0] == '\0') LLVMFuzzerInitialize(nullptr, nullptr);
  // The whole input as the settings file.
  std::FILE* f = std::fopen(g_iniPath, "wb");
  if (f == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);
  ResetSettings();
  GetPar();  // no panels loaded: only the values count
  fake::ClearUiCalls();
  Check(settings.showtime >= kMinShowtimeMs, "display time below the minimum");
  Check(BoundedLength(settings.fontname, sizeof settings.fontname) <= kFontChars,
        "typeface not terminated");
  Check(settings.backcolor != settings.textcolor || settings.textcolor == kWhite,
        "equal colours kept");

  // Each line's first ten characters, as the reader sees them, through the
  // conversions directly.
  std::string text(reinterpret_cast<const char*>(data), size);
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, std::min<size_t>(end - start, kValueChars));
    line = line.c_str();  // up to a NUL, as the C routines see it
    CheckInt(line);
    CheckDouble(line);
    start = end + 1;
  }
  return 0;
}
