// Reader of the plain-text panel file: panels, their controls and callbacks.
// Portable C++ (no window system); used by the Win32 runtime and the fake.
// The format is documented for users in docs/panel-file.md.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "runtime/ui_runtime.h"

namespace ui {

enum class CtrlKind {
  TextLine,      // one line of text; the value is the text
  Numeric,       // integer entry
  FloatNumeric,  // floating-point entry
  Ring,          // choice among labelled integer values
  Toggle,        // check box, value 0/1
  ColorPicker,   // 0xRRGGBB entry with a colour swatch
  Picture,       // shows a picture file
  Meter,         // coloured bar showing a short text (its number)
  Led,           // round coloured lamp
  TextBox,       // multi-line read-only text
  Button,        // push button bound to a callback
  Box,           // filled decoration rectangle
  List,          // standard list box of rows; a callback fires when a row is chosen
  Progress,      // standard progress bar, 0 to 100
};

constexpr int kNoColor = -1;  // transparent: the panel background shows

struct CtrlDef {
  int number = 0;
  CtrlKind kind = CtrlKind::TextLine;
  int left = 0, top = 0, width = 0, height = 0;
  std::string label;        // button text, toggle text, or the caption left of an input
  int labelWidth = 70;      // room for that caption (inputs other than toggles)
  std::string font;         // typeface; empty: the runtime's default
  int pointSize = 13;       // text height in pixels
  bool bold = false;
  int textColor = 0x000000;
  int bgColor = kNoColor;   // text background
  int color = 0x808080;     // lamp, meter bar or box colour
  int justify = 0;          // 0 left, 16 right, 32 centred
  bool autosize = false;    // text line whose width follows its text
  bool hidden = false;      // starts hidden (the plug-in shows it)
  bool beside = false;      // ends only the rooms of the autosized lines beside it
  std::string callback;     // buttons and lists
  std::vector<std::pair<std::string, int>> items;  // rings: label, value
  bool hasRange = false;
  double min = 0, max = 0;  // numeric entries, when hasRange
  int precision = 0;        // decimals shown by a float entry
  std::string value;        // initial value as text
};

struct PanelDef {
  int id = 0;
  std::string title;
  int width = 0, height = 0;  // outer window size
  int backColor = 0xC0C0C0;
  bool caption = true;
  std::vector<CtrlDef> controls;
};

// Parses the whole text. On failure returns false, leaves panels empty and
// sets error to "<sourceName>:<line>: <reason>".
bool ParsePanelFile(const std::string& text, std::vector<PanelDef>* panels,
                    std::string* error, const std::string& sourceName = "panel file");

// Reads and parses a file; a missing or unreadable file is an error too.
bool LoadPanelFile(const char* path, std::vector<PanelDef>* panels, std::string* error);

const PanelDef* FindPanel(const std::vector<PanelDef>& panels, int id);
const CtrlDef* FindControl(const PanelDef& panel, int number);

// The first button or list callback of the panel that the table does not
// name, or an empty string when every one is bound. A button bound to nothing
// could never be pressed to any effect, so such a panel is not loaded.
std::string UnknownCallback(const PanelDef& panel, const CallbackEntry* table, size_t count);
// True when the panel has a button bound to this callback name.
bool HasCallbackButton(const PanelDef& panel, const char* callbackName);
// The kind's name in the file ("textline", "numeric", ...).
const char* CtrlKindName(CtrlKind kind);
bool CtrlKindFromName(const std::string& name, CtrlKind* kind);

// True for the kinds a user edits (numeric, float, ring, toggle, colour).
bool IsInputKind(CtrlKind kind);

// The colour picker's swatch and "..." button sit right of its entry field.
constexpr int kSwatchGap = 6;
constexpr int kSwatchWidth = 28;
constexpr int kPickButtonWidth = 28;

struct Extent {
  int left, top, right, bottom;
};
// Everything a control occupies on its panel: the caption left of an input,
// the colour picker's swatch and button, as placed by the runtime.
Extent CtrlExtent(const CtrlDef& c);

}  // namespace ui
