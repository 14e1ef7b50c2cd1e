// Our panel runtime: panels loaded from the panel file, their controls, the
// event loop, the font dialog, pictures, line files, screen size and clock.
// Two implementations: Win32 (runtime/win/ui_*.cpp) and an in-memory fake
// (tests/fakes/fake_ui_runtime.cpp) that records everything for tests.
//
// Thread rules: every call may come from the host's thread, the timer thread or
// the data thread. A call from a thread other than the one that loaded the
// panels never waits on that thread; window work is posted to it.
// Calls on a discarded or never-loaded panel do nothing and return kErrBadPanel.
#pragma once

#include <cstdint>

namespace ui {

constexpr int kErrBadPanel = -1;
constexpr int kErrBadControl = -2;
constexpr int kErrFile = -3;
constexpr int kErrBadValue = -4;
constexpr int kErrReadOnly = -5;   // ReplaceFile: the target is read-only
constexpr int kErrLoopEnded = -6;  // RunPanelLoop: the host ended the loop
constexpr int kErrNoWindow = -7;   // the system would not make a window
constexpr int kErrNoFile = -8;     // DisplayImageFile: there is no such file

constexpr int kEventCommit = 1;

// A button callback: panel, control, event, callback data, event data 1 and 2.
using CtrlCallback = int (*)(int panel, int control, int event, void* data, int e1,
                             int e2);
struct CallbackEntry {
  const char* name;
  CtrlCallback fn;
};

// Runtime start and end for the library; the table binds button callbacks by
// the names the panel file gives them. InitRuntime returns 1 on success.
int InitRuntime(void* module, const CallbackEntry* table, int count);
void CloseRuntime();

// Panels. LoadPanelEx returns a handle >= 0, negative on failure (missing or
// malformed file, unknown id; kErrNoWindow when no window could be made); the
// reason goes to OutputDebugStringA.
int LoadPanelEx(int parent, const char* path, int panelId, void* module);
// The reason the runtime gave for its latest refusal (InitRuntime,
// LoadPanelEx), cut to fit capacity; "" when there was none.
void LastRuntimeReason(char* text, int capacity);
int DisplayPanel(int panel);
int HidePanel(int panel);
int DiscardPanel(int panel);
int SetActivePanel(int panel);
// kAttrWidth and kAttrHeight size the panel's window (outer size, in pixels)
// without showing or moving it.
int SetPanelAttribute(int panel, int attr, int value);
// Reads kAttrVisible (1 while the panel is shown), kAttrWidth and kAttrHeight
// (its size as the panel file gives it, whatever it was set to since); other
// codes kErrBadValue.
int GetPanelAttribute(int panel, int attr, int* value);
// 1 when the panel has a button bound to this callback name, else 0.
int PanelHasCallback(int panel, const char* callbackName);
// Between DeferPanelUpdates(panel, 1) and (panel, 0) the panel's windows are
// brought in line once, at the end, instead of after every change. On another
// thread the changes are posted once, at the end, rather than one sync each
// (one such thread at a time; another's changes are posted as usual). Nests.
// A deferral saves work; it does not hide a group from the owner thread:
// the panel paints from the runtime's tables, and a change the owner commits
// meanwhile (a channel change, a key by the hook) brings every control in
// line, so part of another thread's group may show before its end. Values
// that must never show half-made are kept in order by their own locks
// (the guide lock for the programme lines, the progress lock for the bar).
int DeferPanelUpdates(int panel, int defer);

// Our windows are known by the handles the runtime holds, never by title.
// PanelWindow: the panel's window (HWND), null for no such panel.
void* PanelWindow(int panel);
// PlaceOnTop shows the window at that place at the top of the topmost band;
// a window of another thread is placed without waiting for that thread.
int PlaceOnTop(void* window, int x, int y, int width, int height);
// Gives the keyboard focus and the foreground to the window (the host's),
// keeping our shown topmost panels above it. Callable from any thread: the
// focus can only be set by the thread that owns the window, so from another
// thread the work is posted to a panel of ours that this thread owns.
void HandFrontTo(void* window);

// Controls.
int SetCtrlAttribute(int panel, int control, int attr, int value);
int SetCtrlAttribute(int panel, int control, int attr, const char* value);
// Reads kAttrVisible, kAttrLeft, kAttrTop, kAttrWidth, kAttrHeight and
// kAttrTextPointSize, in the panel file's pixels (an autosized line's width
// and height as its text makes them); other codes kErrBadValue.
int GetCtrlAttribute(int panel, int control, int attr, int* value);
// A progress bar takes its position, 0 to 100 (values beyond are held to it).
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char* value);
// A text line's or text box's value as Unicode text (UTF-8): drawn and put in
// the control's window text as Unicode, in a font that has its characters.
int SetCtrlValUnicode(int panel, int control, const char* utf8);
int GetCtrlVal(int panel, int control, int* value);
int GetCtrlVal(int panel, int control, float* value);
int GetCtrlVal(int panel, int control, char* value, int capacity);
int ResetTextBox(int panel, int control, const char* text);

// List boxes. A row has its text (UTF-8 when unicode is set, drawn and read
// as Unicode, else 8-bit) and an integer value. The selected row's index is
// the list's value (-1: none); choosing a row calls the list's callback with
// the commit event. InsertListItem puts the row at index (-1 or beyond the
// end: at the end).
int ClearListBox(int panel, int control);
int InsertListItem(int panel, int control, int index, const char* text, int value,
                   bool unicode = false);
int GetNumListItems(int panel, int control, int* count);
int GetListItemValue(int panel, int control, int index, int* value);
int GetListItemColour(int panel, int control, int index, int* colour);  // the row's colour
int GetCtrlIndex(int panel, int control, int* index);
int SetCtrlIndex(int panel, int control, int index);  // -1 selects nothing
// All rows at once, in one change of the window: the row selected before
// stays selected when a row of its value is among the new ones (else none
// is), and the first row shown stays first the same way. A caller on another
// thread never shows a half-made list. A row's colour (0xRRGGBB) is its
// text's while it is not selected; kNoRowColour draws it as any row, and
// the row's text (LB_GETTEXT) is the same either way.
constexpr int kNoRowColour = -1;
struct ListRow {
  const char* text;
  int value;
  int colour = kNoRowColour;
};
int ReplaceListItems(int panel, int control, const ListRow* rows, int count, bool unicode);
// 0 when shown; kErrNoFile when the file does not exist, kErrFile when it
// cannot be shown.
int DisplayImageFile(int panel, int control, const char* path);
int DeleteImage(int panel, int control);  // the picture control shows nothing
// Ends the picture decoder (never from DllMain); a later picture starts it again.
void ShutdownPictures();

// Event loop.
int RunUserInterface();
// The loop of one modal panel: runs until a callback quits it, or the panel
// is hidden or discarded by anyone (0), or the host's own quit message ends
// it (kErrLoopEnded, the message left for the host's loop).
int RunPanelLoop(int panel);
int QuitUserInterface(int code);
int ProcessSystemEvents();

// The font dialog: starts from typeface and justification and writes the
// user's choice back into them (typeface holds typefaceCapacity bytes).
// Returns 1 when confirmed, 0 when cancelled.
int FontSelectPopup(const char* title, const char* sampleText, int monospacedOnly,
                    char* typeface, int typefaceCapacity, int* justification,
                    int minSize, int maxSize, int showDefaultFonts, int allowMetaFonts);

// Screen, colours, module directory, clock.
void GetScreenSize(int* height, int* width);
int MakeColor(int red, int green, int blue);
// The library's directory without trailing backslash; negative when it does
// not fit in capacity bytes (nothing is cut).
int GetModuleDir(void* module, char* dir, int capacity);
void GetSystemTime(int* hours, int* minutes, int* seconds);

// Line files. OpenFile(path, mode, action, type): (1,0,1) read text,
// (2,0,1) write text truncating, (2,1,0) append binary; negative on failure.
int OpenFile(const char* path, int mode, int action, int type);
// Reads one line (up to LF; a CR before it is dropped) into buf: at most
// maxBytes bytes are kept, the rest of the line is skipped; buf is terminated
// (it holds maxBytes + 1 bytes). Returns the count kept, -1 at end of file.
int ReadLine(int file, char* buf, int maxBytes);
// Writes count bytes and then the line end (CR LF in text mode; nothing more
// in binary mode). Returns the bytes written or a negative error.
int WriteLine(int file, const char* buf, int count);
int CloseFile(int file);  // 0, or negative when the data could not be flushed
// Replaces target with source in one step (source is removed). 0 on success;
// kErrReadOnly, and nothing changed, when target has the read-only attribute.
int ReplaceFile(const char* source, const char* target);
// 1 when the file exists and carries the read-only attribute, else 0.
int FileIsReadOnly(const char* path);
// 1 when the system says there is no such file (nor folder on its path); 0
// when it exists or cannot be told (access denied, say).
int FileMissing(const char* path);

}  // namespace ui
