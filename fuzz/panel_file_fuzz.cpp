// Fuzz target: any bytes as a panel file must parse or fail cleanly, and a
// parsed file must hold only what the reader promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/panel_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<ui::PanelDef> panels;
  std::string error;
  bool ok = ui::ParsePanelFile(text, &panels, &error, "fuzz.uir");
  if (ok != error.empty() || (!ok && !panels.empty())) std::abort();
  for (const auto& p : panels) {
    if (p.width <= 0 || p.height <= 0 || p.title.empty()) std::abort();
    for (const auto& c : p.controls) {
      if (c.width <= 0 || c.height <= 0 || c.pointSize <= 0) std::abort();
      if (c.kind == ui::CtrlKind::Button && c.callback.empty()) std::abort();
      if (c.kind == ui::CtrlKind::Ring && c.items.empty()) std::abort();
      if (ui::FindControl(p, c.number) != &c) std::abort();  // numbers unique
    }
  }
  return 0;
}
