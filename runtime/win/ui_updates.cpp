// When the panels' windows are brought in line with the tables: updates held
// back until a batch of changes is complete, the controls' windows made when
// a panel is first shown, and panels shown since our last restack.
#include <atomic>

#include "runtime/win/ui_internal.h"

namespace ui {
namespace rt {

namespace {
std::atomic<bool> panelsShown{false};
}  // namespace

void NotePanelShown() { panelsShown = true; }
bool PanelsShown() { return panelsShown.load(); }
bool TakePanelsShown() { return panelsShown.exchange(false); }

// The controls' windows of a panel that is shown for the first time: made on
// the owner thread from a copy of the tables (making them sends messages to
// the panel procedure, which takes the lock), then recorded under the lock.
// Until then every change stays in the tables.
void MakeChildren(int handle) {
  std::vector<CtrlState> shapes;
  HWND panelWnd;
  {
    LockGuard guard(R().lock);
    PanelState* p = FindPanel(handle);
    if (!p || p->childrenMade || !p->visible || !OnOwnerThread(*p)) return;
    p->childrenMade = true;
    shapes = p->ctrls;
    panelWnd = p->wnd;
  }
  for (auto& c : shapes) {
    c.wnd = c.pick = nullptr;
    CreateControlWindows(panelWnd, c);
  }
  LockGuard guard(R().lock);
  PanelState* p = FindPanel(handle);
  if (!p) return;  // discarded meanwhile: the windows go with the panel's
  for (size_t i = 0; i < shapes.size() && i < p->ctrls.size(); ++i) {
    CtrlState& c = p->ctrls[i];
    c.wnd = shapes[i].wnd;
    c.pick = shapes[i].pick;
    c.dirty |= kAllDirty;
    if (c.font && c.wnd && !SelfPainting(c.def.kind)) SetPropA(c.wnd, kFontProp, c.font);
  }
}

}  // namespace rt

using namespace rt;

int DeferPanelUpdates(int panel, int defer) {
  bool apply = false;
  {
    LockGuard guard(R().lock);
    PanelState* p = FindPanel(panel);
    if (!p) return kErrBadPanel;
    if (!OnOwnerThread(*p)) return 0;  // other threads post their changes anyway
    if (defer) {
      ++p->deferDepth;
    } else if (p->deferDepth > 0 && --p->deferDepth == 0 && p->deferredApply) {
      p->deferredApply = false;
      apply = true;
    }
  }
  if (apply) ApplyPanel(panel);
  return 0;
}

}  // namespace ui
