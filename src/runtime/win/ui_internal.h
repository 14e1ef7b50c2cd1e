// Private state of the Win32 panel runtime, shared by the ui_*.cpp files.
// The tables below are the truth; windows are brought in line with them on
// the thread that owns each panel (directly, or by a posted message).
#pragma once

#include <windows.h>
#undef ReplaceFile  // the system's macro would rename the runtime's own

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/lock.h"
#include "runtime/panel_file.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"

namespace ui {
namespace rt {

// Private window messages of the panel window.
constexpr UINT kMsgSync = WM_APP + 0x31;     // apply pending table changes
constexpr UINT kMsgDestroy = WM_APP + 0x32;  // destroy a discarded panel
constexpr UINT kMsgFront = WM_APP + 0x33;    // hand the front to the HWND in lParam

// Child ids of the parts a control has besides its own window.
constexpr int kSwatchIdBase = 20000;
constexpr int kPickIdBase = 30000;

constexpr const char* kPanelClass = "TavikPanel";
constexpr const char* kDisplayClass = "TavikDisplay";
constexpr const wchar_t* kDisplayClassW = L"TavikDisplay";
constexpr const char* kFontDialogClass = "TavikFontDialog";
constexpr const char* kDefaultFace = "Arial";
constexpr const char* kFontProp = "TavikFont";  // display controls' drawing font
constexpr int kTextPad = 2;  // px left and right of an autosized text
constexpr int kMinScale = 100;  // kAttrScale's range, percent
constexpr int kMaxScale = 400;

// What changed in a control since its windows were last brought in line.
enum Dirty : unsigned {
  kDirtyGeometry = 1,
  kDirtyVisible = 2,
  kDirtyText = 4,     // window text (display kinds) or shown value (inputs)
  kDirtyFont = 8,
  kDirtyItems = 16,   // ring or list box rows
  kDirtyCaption = 32  // button / toggle text
};
constexpr unsigned kAllDirty = kDirtyGeometry | kDirtyVisible | kDirtyText | kDirtyFont |
                               kDirtyItems | kDirtyCaption;

// A list box's row.
struct ListItem {
  std::string text;
  int value = 0;
  bool unicode = false;  // text is UTF-8
  int colour = kNoRowColour;  // its text's colour while not selected
};

struct CtrlState {
  CtrlDef def;  // kind, items, range, callback as loaded (width and height as set)
  int left = 0, top = 0, width = 0, height = 0;  // pixels, as drawn
  int designLeft = 0, designTop = 0, designPointSize = 13;  // as given, before the scale
  bool visible = true;
  std::string face;
  int pointSize = 13;
  bool bold = false;
  int textColor = 0, bgColor = kNoColor, color = 0x808080, justify = 0;
  std::string text;     // text kinds: the value; meter: its label text
  bool unicode = false;  // text is UTF-8 (SetCtrlValUnicode), drawn with the wide calls
  std::string drawFace;  // a face with the characters the control's own lacks, or ""
  std::string caption;  // buttons, toggles, input captions
  int intValue = 0;     // numeric, ring, toggle, colour, progress; a list's selected row
  int list = -1;        // a list box's rows: PanelState::lists[list]
  double dblValue = 0;  // float entry
  bool hasExtraItem = false;  // ring showing a value not among its items
  int extraValue = 0;
  HBITMAP picture = nullptr;  // picture kinds; drawn under the lock only
  int picWidth = 0, picHeight = 0;
  bool picAlpha = false;  // premultiplied alpha: blended over what lies beneath
  HFONT font = nullptr;  // display use (measure and paint), under the lock
  HFONT inputFont = nullptr;  // font given to a standard child window
  std::string inputFace;      // the face it was made with
  std::vector<HFONT> retiredFonts;  // freed by the owner after WM_SETFONT
  RECT appliedRect{-1, -1, -1, -1};  // what the child window was last given
  std::string appliedText;
  bool textApplied = false;
  HWND wnd = nullptr;     // the control's own child window (id = number)
  HWND swatch = nullptr;  // colour picker parts
  HWND pick = nullptr;
  unsigned dirty = 0;
};

struct PanelState {
  int handle = 0;
  int id = 0;
  std::string title;
  HWND wnd = nullptr;
  DWORD owner = 0;
  bool visible = false;
  bool caption = true;
  int backColor = 0xC0C0C0;
  HBRUSH backBrush = nullptr;  // for the standard children, owner thread only
  int brushColor = -1;
  bool syncPosted = false;
  bool repaint = false;
  int scale = 100;  // kAttrScale: percent the controls are drawn at
  int fileWidth = 0, fileHeight = 0;  // the size the panel file gives
  // The rows of its list boxes, apart from the controls' state so that a copy
  // of a control's shape (MakeChildren) never copies them.
  std::vector<std::vector<ListItem>> lists;
  bool childrenMade = false;  // the controls' windows exist (made on first display)
  int deferDepth = 0;       // DeferPanelUpdates nesting on the owner thread
  bool deferredApply = false;  // changes waiting for the end of the deferral
  // One other thread's deferral: its changes are posted in one sync when it
  // ends (the owner's own commits and paints still show the tables as they are).
  DWORD otherDeferThread = 0;
  int otherDeferDepth = 0;
  bool otherDeferredPost = false;
  // >0 while the runtime itself sets the children's windows (owner thread):
  // their notifications then are not the user's doing. A plain count, not a
  // thread_local: the toolchain's thread-local storage ends the process when
  // it cannot allocate.
  int applying = 0;
  HBITMAP backBuffer = nullptr;  // the paint's off-screen copy, kept between paints
  int backWidth = 0, backHeight = 0;
  std::vector<CtrlState> ctrls;

  CtrlState* Find(int number) {
    for (auto& c : ctrls)
      if (c.def.number == number) return &c;
    return nullptr;
  }
};

// The runtime: one per library instance.
struct Runtime {
  Lock lock;
  bool initialised = false;
  HINSTANCE module = nullptr;
  bool classesRegistered = false;
  std::vector<CallbackEntry> callbacks;
  // The live panels by handle, the discarded ones whose windows are not yet
  // destroyed, the parsed panel files.
  std::map<int, std::unique_ptr<PanelState>> panels TAVIK_GUARDED_BY(lock);
  std::vector<std::unique_ptr<PanelState>> discarded TAVIK_GUARDED_BY(lock);
  std::map<std::string, std::vector<PanelDef>> fileCache TAVIK_GUARDED_BY(lock);
  int nextHandle = 1;
  HDC scratchDC TAVIK_GUARDED_BY(lock) = nullptr;  // measuring and picture blits
  ULONG_PTR gdiplusToken = 0;
  bool gdiplusStarted = false;
  // Event loop.
  int loopDepth = 0;
  DWORD loopThread = 0;
  bool quitRequested = false;
  int watchedPanel = -1;  // the panel whose loop runs (RunPanelLoop), or -1
};

Runtime& TheRuntime();

// Live panel by handle, or null. Caller holds the lock.
PanelState* FindPanel(int handle) TAVIK_REQUIRES(TheRuntime().lock);
bool OnOwnerThread(const PanelState& p);
// After tables changed: applies them now (owner thread, lock not held) or
// posts the work to the owner without waiting (ui_updates.cpp).
void Commit(int handle);
// Brings the panel's windows in line with its tables. Owner thread only,
// lock not held (ui_updates.cpp).
void ApplyPanel(int handle);

// Display (ui_display.cpp). Caller holds the lock.
HFONT DisplayFont(CtrlState& c);
HDC ScratchDC() TAVIK_REQUIRES(TheRuntime().lock);  // a memory DC kept until CloseRuntime
HFONT NewFont(const std::string& face, int pointSize, bool bold);
void Autosize(CtrlState& c, int oldLeft, int oldWidth) TAVIK_REQUIRES(TheRuntime().lock);
void PaintPanel(PanelState& p, HDC dc, const RECT& client) TAVIK_REQUIRES(TheRuntime().lock);
bool SelfPainting(CtrlKind kind);
LRESULT CALLBACK DisplayProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// Unicode text (ui_wide_text.cpp). Caller holds the lock.
// UTF-16 text for the wide calls, always terminated; a text longer than the
// buffer is cut (a line or a description holds at most 1024 bytes).
struct WideText {
  static constexpr int kCapacity = 2048;
  wchar_t units[kCapacity];
  int count = 0;
  const wchar_t* c_str() const { return units; }
  int length() const { return count; }
  bool empty() const { return count == 0; }
};
WideText Widen(const std::string& utf8);
int TextWidth(HDC dc, const std::string& text, bool unicode);
std::string FirstCharacter(const std::string& text, bool unicode);
// Sets c.drawFace for the control's text: "" when its own font has every
// character (or the text is not Unicode), else the first fallback face that has.
void ChooseDrawFace(CtrlState& c) TAVIK_REQUIRES(TheRuntime().lock);
// The same for a text other than the control's own (a list box's rows).
void ChooseDrawFace(CtrlState& c, const std::string& text, bool unicode)
    TAVIK_REQUIRES(TheRuntime().lock);
// The face a control's text is drawn in.
inline const std::string& DrawFace(const CtrlState& c) {
  return c.drawFace.empty() ? c.face : c.drawFace;
}
// A control's font changed: made again when next drawn, autosized lines
// measured again (ui_controls.cpp). Caller holds the lock.
void ResetFont(CtrlState& c) TAVIK_REQUIRES(TheRuntime().lock);

// Scale (ui_scale.cpp). Caller holds the lock.
int Scaled(int value, int percent);  // value x percent / 100, rounded
// Redraws every control at percent.
void ApplyScale(PanelState& p, int percent) TAVIK_REQUIRES(TheRuntime().lock);

// Text rooms (ui_text_room.cpp). Caller holds the lock.
int PanelClientWidth(const PanelState& p);
RECT ShownRect(const PanelState& p, const CtrlState& c, int panelWidth);
void RefitRooms(PanelState& p);
HFONT FittedFont(HDC dc, const CtrlState& c, const std::string& text, int room,
                 bool unicode = false);
int OverflowFlags(HDC dc, const std::string& text, const RECT& room,
                  bool unicode = false);  // -1: draw nothing

// List boxes and progress bars (ui_lists.cpp). ListRowsSample: some of the
// rows' text, for the choice of a face that has their characters (under the
// lock). RebuildList fills a list box's window with rows, keeping the first
// row shown by its value; owner thread, lock not held.
std::string ListRowsSample(const std::vector<ListItem>& rows, bool* unicode);
void RebuildList(HWND wnd, const std::vector<ListItem>& rows, int selection);
// Paints one row of an owner-drawn list box (WM_DRAWITEM to its panel); false
// for any other owner-drawn control.
bool PaintListRow(const DRAWITEMSTRUCT* d);
// A list box's rows (an empty list for any other control). Caller holds the lock.
std::vector<ListItem>& RowsOf(PanelState& p, const CtrlState& c);
void EnsureProgressClass();
void UnthemeProgress(HWND wnd);  // drawn in the colours it is given

// Inputs (ui_inputs.cpp).
void CreateControlWindows(HWND panelWnd, CtrlState& c);  // on a copy, lock not held
std::string ValueText(const CtrlState& c);               // under lock
int DropHeight(const CtrlState& c);  // a ring's window with its list dropped
RECT PickRect(const CtrlState& c);   // a colour picker's "..." button
// A WM_COMMAND on the panel window; owner thread, lock not held.
void OnPanelCommand(int handle, HWND panelWnd, int id, int code, HWND child);
LRESULT OnCtlColor(int handle, HDC dc, HWND child, bool edit);

// Pictures (ui_picture.cpp). The file's picture fitted into a box of boxW x
// boxH, as a bitmap the caller owns; null when it cannot (or may not) be shown.
// alpha: the bitmap carries premultiplied alpha (the picture has transparent
// parts). Lock not held.
HBITMAP LoadPicture(const char* path, int boxW, int boxH, int* width, int* height,
                    bool* alpha);
void FreeCachedPictures();  // the decoder itself stays (ShutdownPictures ends it)

// Font dialog (ui_font_dialog.cpp).
bool RegisterFontDialogClass(HINSTANCE module);

// Loop (ui_loop.cpp): dispatches one message the way the panels want it.
void DispatchPanelMessage(MSG& msg);
// Wakes the loop that watches this panel, after it was hidden or discarded.
void WakeLoopFor(int panel);

// Updates (ui_updates.cpp): how a change reaches the windows, from any thread.
// Makes the controls' windows of a visible panel that has none yet. Owner
// thread, lock not held.
void MakeChildren(int handle);

// Restack (ui_restack.cpp): records that a hidden panel was shown, so the
// next hand-back of the front restacks our panels. HandFrontHere: the
// hand-back on the thread that owns the window.
void NotePanelShown();
void HandFrontHere(HWND wnd);

// Sends a reason to the debugger output.
void Report(const std::string& text);

}  // namespace rt
}  // namespace ui
