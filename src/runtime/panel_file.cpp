// Reader of the plain-text panel file: one statement per line, panels and
// their controls in order; any fault fails the whole file with its line.
#include "runtime/panel_file.h"

#include "common/text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace ui {
namespace {

constexpr int kMaxPanels = 64;
constexpr int kMaxControls = 256;
constexpr int kMaxPanelId = 9999;
constexpr int kMaxControlNumber = 9999;
constexpr int kMaxCoord = 10000;
constexpr int kMaxPointSize = 200;
constexpr size_t kMaxText = 4096;
constexpr size_t kMaxName = 63;
constexpr size_t kMaxItems = 64;
constexpr int kMaxPrecision = 6;

struct KindName {
  CtrlKind kind;
  const char* name;
};
constexpr KindName kKindNames[] = {
    {CtrlKind::TextLine, "textline"}, {CtrlKind::Numeric, "numeric"},
    {CtrlKind::FloatNumeric, "float"}, {CtrlKind::Ring, "ring"},
    {CtrlKind::Toggle, "toggle"},     {CtrlKind::ColorPicker, "color"},
    {CtrlKind::Picture, "picture"},   {CtrlKind::Meter, "meter"},
    {CtrlKind::Led, "led"},           {CtrlKind::TextBox, "textbox"},
    {CtrlKind::Button, "button"},     {CtrlKind::Box, "box"},
    {CtrlKind::List, "list"},         {CtrlKind::Progress, "progress"},
};

// A token of a statement line: a bare word or a quoted string.
struct Token {
  std::string text;
  bool quoted = false;
};

// The parse in progress: where we are and what went wrong.
struct Parser {
  std::string source;
  int line = 0;
  std::string error;
  std::vector<PanelDef> panels;
  PanelDef* panel = nullptr;
  CtrlDef* ctrl = nullptr;
  int ctrlLine = 0;  // line of the current control statement
  int panelLine = 0;
  bool ctrlHasRect = false;
  bool panelHasSize = false;

  bool Fail(const std::string& what) { return FailAt(line, what); }
  bool FailAt(int at, const std::string& what) {
    if (error.empty()) error = source + ":" + std::to_string(at) + ": " + what;
    return false;
  }
};

// Splits one line into tokens. Quoted strings know \" \\ and \n.
bool Tokenize(Parser& p, const std::string& line, std::vector<Token>* out) {
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      Token t;
      t.quoted = true;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char d = line[i++];
        if (d == '"') {
          closed = true;
          break;
        }
        if (d == '\\') {
          if (i >= line.size()) break;
          char e = line[i++];
          if (e == 'n') t.text += '\n';
          else if (e == '"' || e == '\\') t.text += e;
          else return p.Fail(std::string("unknown escape '\\") + e + "' in text");
        } else {
          t.text += d;
        }
        if (t.text.size() > kMaxText) return p.Fail("text longer than 4096 characters");
      }
      if (!closed) return p.Fail("text without closing quote");
      out->push_back(t);
    } else {
      Token t;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
             line[i] != '"') {
        t.text += line[i++];
        if (t.text.size() > kMaxText) return p.Fail("word too long");
      }
      out->push_back(t);
    }
  }
  return true;
}

// Integer in decimal or 0x hexadecimal, optional minus sign, within lo..hi.
bool ParseInt(Parser& p, const Token& t, const char* what, long lo, long hi, int* out) {
  const std::string& s = t.text;
  if (t.quoted || s.empty()) return p.Fail(std::string("expected a number for ") + what);
  size_t pos = 0;
  bool negative = false;
  if (s[0] == '-') {
    negative = true;
    pos = 1;
  }
  int base = 10;
  if (s.size() > pos + 2 && s[pos] == '0' && (s[pos + 1] == 'x' || s[pos + 1] == 'X')) {
    base = 16;
    pos += 2;
  }
  if (pos >= s.size()) return p.Fail(std::string("expected a number for ") + what);
  long long v = 0;
  for (size_t i = pos; i < s.size(); ++i) {
    char c = s[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return p.Fail(std::string("'") + s + "' is not a number (" + what + ")");
    v = v * base + d;
    if (v > 0x7FFFFFFFLL) return p.Fail(std::string(what) + " out of range");
  }
  if (negative) v = -v;
  if (v < lo || v > hi) {
    return p.Fail(std::string(what) + " " + s + " out of range " + std::to_string(lo) +
                  ".." + std::to_string(hi));
  }
  *out = static_cast<int>(v);
  return true;
}

bool ParseDouble(Parser& p, const Token& t, const char* what, double* out) {
  if (t.quoted || t.text.empty()) return p.Fail(std::string("expected a number for ") + what);
  char* end = nullptr;
  errno = 0;
  double v = ReadNumber(t.text.c_str(), &end);
  if (*end != '\0' || errno != 0 || !std::isfinite(v)) {
    return p.Fail(std::string("'") + t.text + "' is not a number (" + what + ")");
  }
  *out = v;
  return true;
}

bool ParseColor(Parser& p, const Token& t, const char* what, bool allowNone, int* out) {
  if (allowNone && !t.quoted && t.text == "none") {
    *out = kNoColor;
    return true;
  }
  return ParseInt(p, t, what, 0, 0xFFFFFF, out);
}

bool ParseName(Parser& p, const Token& t, std::string* out) {
  const std::string& s = t.text;
  bool ok = !s.empty() && s.size() <= kMaxName && !t.quoted;
  for (size_t i = 0; ok && i < s.size(); ++i) {
    char c = s[i];
    bool alpha = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    ok = alpha || (i > 0 && c >= '0' && c <= '9');
  }
  if (!ok) return p.Fail("callback name '" + s + "' is not a plain name");
  *out = s;
  return true;
}

bool CheckArgs(Parser& p, const std::vector<Token>& tok, size_t min, size_t max) {
  size_t n = tok.size() - 1;
  if (n < min) return p.Fail("too few values for '" + tok[0].text + "'");
  if (n > max) return p.Fail("too many values for '" + tok[0].text + "'");
  return true;
}

bool NeedQuoted(Parser& p, const Token& t, const char* what) {
  if (!t.quoted) return p.Fail(std::string(what) + " must be in double quotes");
  return true;
}

// Checks the finished control: what its kind needs and allows.
bool FinishControl(Parser& p) {
  if (!p.ctrl) return true;
  CtrlDef& c = *p.ctrl;
  int at = p.ctrlLine;
  std::string name = "control " + std::to_string(c.number);
  if (!p.ctrlHasRect) return p.FailAt(at, name + " has no 'at' position");
  if (c.kind == CtrlKind::Button && c.callback.empty())
    return p.FailAt(at, name + ": a button needs a callback");
  if (c.kind == CtrlKind::Ring && c.items.empty())
    return p.FailAt(at, name + ": a ring needs at least one item");
  if (c.kind == CtrlKind::Ring || c.kind == CtrlKind::Numeric || c.kind == CtrlKind::Toggle ||
      c.kind == CtrlKind::ColorPicker) {
    if (!c.value.empty()) {
      Token t;
      t.text = c.value;
      int v;
      if (!ParseInt(p, t, "value", -0x7FFFFFFFL - 1, 0x7FFFFFFFL, &v)) {
        p.error.clear();
        return p.FailAt(at, name + ": value '" + c.value + "' is not an integer");
      }
    }
  }
  if (c.kind == CtrlKind::FloatNumeric && !c.value.empty()) {
    Token t;
    t.text = c.value;
    double v;
    if (!ParseDouble(p, t, "value", &v)) {
      p.error.clear();
      return p.FailAt(at, name + ": value '" + c.value + "' is not a number");
    }
  }
  p.ctrl = nullptr;
  return true;
}

bool FinishPanel(Parser& p) {
  if (!FinishControl(p)) return false;
  if (!p.panel) return true;
  if (!p.panelHasSize)
    return p.FailAt(p.panelLine, "panel " + std::to_string(p.panel->id) + " has no size");
  p.panel = nullptr;
  return true;
}

bool PanelStatement(Parser& p, const std::vector<Token>& tok) {
  if (!FinishPanel(p) || !CheckArgs(p, tok, 2, 2)) return false;
  PanelDef def;
  if (!ParseInt(p, tok[1], "panel id", 0, kMaxPanelId, &def.id)) return false;
  if (!NeedQuoted(p, tok[2], "the panel title")) return false;
  if (tok[2].text.empty()) return p.Fail("empty panel title");
  def.title = tok[2].text;
  if (FindPanel(p.panels, def.id)) return p.Fail("panel id " + tok[1].text + " used twice");
  if (p.panels.size() >= static_cast<size_t>(kMaxPanels)) return p.Fail("too many panels");
  p.panels.push_back(def);
  p.panel = &p.panels.back();
  p.panelLine = p.line;
  p.panelHasSize = false;
  return true;
}

bool ControlStatement(Parser& p, const std::vector<Token>& tok) {
  if (!p.panel) return p.Fail("'control' before any 'panel'");
  if (!FinishControl(p) || !CheckArgs(p, tok, 2, 2)) return false;
  CtrlDef def;
  if (!ParseInt(p, tok[1], "control number", 1, kMaxControlNumber, &def.number)) return false;
  if (!CtrlKindFromName(tok[2].text, &def.kind) || tok[2].quoted)
    return p.Fail("unknown kind '" + tok[2].text + "'");
  if (FindControl(*p.panel, def.number))
    return p.Fail("control number " + tok[1].text + " used twice in panel " +
                  std::to_string(p.panel->id));
  if (p.panel->controls.size() >= static_cast<size_t>(kMaxControls))
    return p.Fail("too many controls in one panel");
  if (def.kind == CtrlKind::TextBox) def.bgColor = 0xFFFFFF;
  p.panel->controls.push_back(def);
  p.ctrl = &p.panel->controls.back();
  p.ctrlLine = p.line;
  p.ctrlHasRect = false;
  return true;
}

// Statements that set something on the current panel.
bool PanelSetting(Parser& p, const std::vector<Token>& tok, bool* handled) {
  const std::string& key = tok[0].text;
  *handled = true;
  if (key == "size") {
    if (!CheckArgs(p, tok, 2, 2)) return false;
    if (!ParseInt(p, tok[1], "width", 1, kMaxCoord, &p.panel->width)) return false;
    if (!ParseInt(p, tok[2], "height", 1, kMaxCoord, &p.panel->height)) return false;
    p.panelHasSize = true;
    return true;
  }
  if (key == "background") {
    return CheckArgs(p, tok, 1, 1) &&
           ParseColor(p, tok[1], "background", false, &p.panel->backColor);
  }
  if (key == "caption") {
    if (!CheckArgs(p, tok, 1, 1)) return false;
    if (tok[1].text == "yes") p.panel->caption = true;
    else if (tok[1].text == "no") p.panel->caption = false;
    else return p.Fail("caption is 'yes' or 'no'");
    return true;
  }
  *handled = false;
  return true;
}

bool ParseJustify(Parser& p, const Token& t, int* out) {
  if (t.text == "left") *out = 0;
  else if (t.text == "right") *out = 16;
  else if (t.text == "centre" || t.text == "center") *out = 32;
  else return p.Fail("justify is left, right or centre");
  return true;
}

// Statements that set something on the current control.
bool ControlSetting(Parser& p, const std::vector<Token>& tok) {
  const std::string& key = tok[0].text;
  if (!p.ctrl) return p.Fail("'" + key + "' before any 'control'");
  CtrlDef& c = *p.ctrl;
  if (key == "at") {
    if (!CheckArgs(p, tok, 4, 4)) return false;
    p.ctrlHasRect = ParseInt(p, tok[1], "left", -kMaxCoord, kMaxCoord, &c.left) &&
                    ParseInt(p, tok[2], "top", -kMaxCoord, kMaxCoord, &c.top) &&
                    ParseInt(p, tok[3], "width", 1, kMaxCoord, &c.width) &&
                    ParseInt(p, tok[4], "height", 1, kMaxCoord, &c.height);
    return p.ctrlHasRect;
  }
  if (key == "label") {
    if (!CheckArgs(p, tok, 1, 1) || !NeedQuoted(p, tok[1], "a label")) return false;
    c.label = tok[1].text;
    return true;
  }
  if (key == "labelwidth")
    return CheckArgs(p, tok, 1, 1) && ParseInt(p, tok[1], "label width", 0, kMaxCoord, &c.labelWidth);
  if (key == "font") {
    if (!CheckArgs(p, tok, 2, 3) || !NeedQuoted(p, tok[1], "the typeface")) return false;
    if (tok[1].text.size() > 31) return p.Fail("typeface name longer than 31 characters");
    c.font = tok[1].text;
    if (!ParseInt(p, tok[2], "text size", 1, kMaxPointSize, &c.pointSize)) return false;
    if (tok.size() == 4) {
      if (tok[3].text != "bold") return p.Fail("after the text size only 'bold' may follow");
      c.bold = true;
    }
    return true;
  }
  if (key == "textcolor")
    return CheckArgs(p, tok, 1, 1) && ParseColor(p, tok[1], "text colour", false, &c.textColor);
  if (key == "textbg")
    return CheckArgs(p, tok, 1, 1) && ParseColor(p, tok[1], "text background", true, &c.bgColor);
  if (key == "color")
    return CheckArgs(p, tok, 1, 1) && ParseColor(p, tok[1], "colour", false, &c.color);
  if (key == "justify") return CheckArgs(p, tok, 1, 1) && ParseJustify(p, tok[1], &c.justify);
  if (key == "autosize") {
    if (!CheckArgs(p, tok, 0, 0)) return false;
    if (c.kind != CtrlKind::TextLine) return p.Fail("only a text line can autosize");
    c.autosize = true;
    return true;
  }
  if (key == "hidden" || key == "beside") {
    if (!CheckArgs(p, tok, 0, 0)) return false;
    (key == "hidden" ? c.hidden : c.beside) = true;
    return true;
  }
  if (key == "callback") {
    if (!CheckArgs(p, tok, 1, 1)) return false;
    if (c.kind != CtrlKind::Button && c.kind != CtrlKind::List)
      return p.Fail("only a button or a list has a callback");
    return ParseName(p, tok[1], &c.callback);
  }
  if (key == "item") {
    if (!CheckArgs(p, tok, 2, 2)) return false;
    if (c.kind != CtrlKind::Ring) return p.Fail("only a ring has items");
    if (!NeedQuoted(p, tok[1], "an item label")) return false;
    int v;
    if (!ParseInt(p, tok[2], "item value", -0x7FFFFFFFL - 1, 0x7FFFFFFFL, &v)) return false;
    for (const auto& it : c.items)
      if (it.second == v) return p.Fail("item value " + tok[2].text + " used twice");
    if (c.items.size() >= kMaxItems) return p.Fail("too many items");
    c.items.emplace_back(tok[1].text, v);
    return true;
  }
  if (key == "range") {
    if (!CheckArgs(p, tok, 2, 2)) return false;
    if (c.kind != CtrlKind::Numeric && c.kind != CtrlKind::FloatNumeric)
      return p.Fail("only a numeric entry has a range");
    if (!ParseDouble(p, tok[1], "minimum", &c.min) || !ParseDouble(p, tok[2], "maximum", &c.max))
      return false;
    if (c.min > c.max) return p.Fail("range minimum above maximum");
    c.hasRange = true;
    return true;
  }
  if (key == "precision") {
    if (!CheckArgs(p, tok, 1, 1)) return false;
    if (c.kind != CtrlKind::FloatNumeric) return p.Fail("only a float entry has a precision");
    return ParseInt(p, tok[1], "precision", 0, kMaxPrecision, &c.precision);
  }
  if (key == "value") {
    if (!CheckArgs(p, tok, 1, 1) || !NeedQuoted(p, tok[1], "a value")) return false;
    c.value = tok[1].text;
    return true;
  }
  return p.Fail("unknown statement '" + key + "'");
}

bool Statement(Parser& p, const std::vector<Token>& tok) {
  if (tok[0].quoted) return p.Fail("a line must start with a keyword");
  const std::string& key = tok[0].text;
  if (key == "panel") return PanelStatement(p, tok);
  if (key == "control") return ControlStatement(p, tok);
  if (!p.panel) return p.Fail("'" + key + "' before any 'panel'");
  bool handled = false;
  if (!PanelSetting(p, tok, &handled)) return false;
  if (handled) return true;
  return ControlSetting(p, tok);
}

}  // namespace

bool ParsePanelFile(const std::string& text, std::vector<PanelDef>* panels, std::string* error,
                    const std::string& sourceName) {
  Parser p;
  p.source = sourceName;
  p.panels.reserve(kMaxPanels);  // pointers into it stay valid
  bool ok = true;
  size_t start = 0;
  while (ok && start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    ++p.line;
    std::string line = text.substr(start, end - start);
    if (line.find('\0') != std::string::npos) {
      ok = p.Fail("NUL character in the file");
      break;
    }
    std::vector<Token> tok;
    ok = Tokenize(p, line, &tok) && (tok.empty() || Statement(p, tok));
    start = end + 1;
  }
  if (ok) ok = FinishPanel(p);
  if (ok && p.panels.empty()) ok = p.FailAt(p.line, "no panel in the file");
  if (!ok) {
    if (panels) panels->clear();
    if (error) *error = p.error;
    return false;
  }
  if (panels) *panels = std::move(p.panels);
  if (error) error->clear();
  return true;
}

bool LoadPanelFile(const char* path, std::vector<PanelDef>* panels, std::string* error) {
  std::string name = path ? path : "";
  FILE* f = path ? std::fopen(path, "rb") : nullptr;
  if (!f) {
    if (panels) panels->clear();
    if (error) *error = name + ": cannot open the panel file";
    return false;
  }
  std::string text;
  char buf[4096];
  size_t n;
  constexpr size_t kMaxFile = 1 << 20;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    text.append(buf, n);
    if (text.size() > kMaxFile) break;
  }
  bool readError = std::ferror(f) != 0;
  std::fclose(f);
  if (readError || text.size() > kMaxFile) {
    if (panels) panels->clear();
    if (error) *error = name + (readError ? ": read error" : ": file larger than 1 MiB");
    return false;
  }
  // Messages name the file without its directory.
  size_t slash = name.find_last_of("/\\");
  std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  return ParsePanelFile(text, panels, error, base);
}

const PanelDef* FindPanel(const std::vector<PanelDef>& panels, int id) {
  for (const auto& p : panels)
    if (p.id == id) return &p;
  return nullptr;
}

std::string UnknownCallback(const PanelDef& panel, const CallbackEntry* table, size_t count) {
  for (const CtrlDef& c : panel.controls) {
    if (c.kind != CtrlKind::Button && !(c.kind == CtrlKind::List && !c.callback.empty()))
      continue;
    bool bound = false;
    for (size_t i = 0; i < count && !bound; ++i)
      bound = table[i].name != nullptr && c.callback == table[i].name;
    if (!bound) return c.callback.empty() ? std::string("(none)") : c.callback;
  }
  return std::string();
}

bool HasCallbackButton(const PanelDef& panel, const char* callbackName) {
  for (const CtrlDef& c : panel.controls)
    if (c.kind == CtrlKind::Button && callbackName && c.callback == callbackName) return true;
  return false;
}

const CtrlDef* FindControl(const PanelDef& panel, int number) {
  for (const auto& c : panel.controls)
    if (c.number == number) return &c;
  return nullptr;
}

const char* CtrlKindName(CtrlKind kind) {
  for (const auto& k : kKindNames)
    if (k.kind == kind) return k.name;
  return "?";
}

bool CtrlKindFromName(const std::string& name, CtrlKind* kind) {
  for (const auto& k : kKindNames) {
    if (name == k.name) {
      *kind = k.kind;
      return true;
    }
  }
  return false;
}

Extent CtrlExtent(const CtrlDef& c) {
  Extent e{c.left, c.top, c.left + c.width, c.top + c.height};
  bool captionLeft = IsInputKind(c.kind) && c.kind != CtrlKind::Toggle && !c.label.empty();
  if (captionLeft) e.left -= c.labelWidth + 4;
  if (c.kind == CtrlKind::ColorPicker)
    e.right += kSwatchGap + kSwatchWidth + kSwatchGap + kPickButtonWidth;
  return e;
}

bool IsInputKind(CtrlKind kind) {
  return kind == CtrlKind::Numeric || kind == CtrlKind::FloatNumeric || kind == CtrlKind::Ring ||
         kind == CtrlKind::Toggle || kind == CtrlKind::ColorPicker;
}

}  // namespace ui
