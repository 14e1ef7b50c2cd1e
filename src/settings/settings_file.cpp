// The settings file beside the library: eighteen lines identified by position,
// then the optional lines 19 to 26, read once at start-up (GetPar) and
// rewritten whole on save (SetPar).
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <iterator>

#include "common/plugin_state.h"
#include "common/text.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "platform/win32.h"
#include "settings/settings.h"
#include "settings/settings_internal.h"

using namespace settings_file;

namespace {

// Lines 2 to 17 in file order, each with the settings-panel control that shows
// it. The panel is filled and read in this same order.
constexpr int kNoControl = 0;  // justification: set by the font button only
struct IntLine {
  std::atomic<int32_t> Settings::*field;
  int control;
};
constexpr IntLine kIntLines[] = {
    {&Settings::style, panel::kSetStyle},
    {&Settings::backcolor, panel::kSetBackcolor},
    {&Settings::textcolor, panel::kSetTextcolor},
    {&Settings::epgon, panel::kSetEpgon},
    {&Settings::showsignal, panel::kSetShowsignal},
    {&Settings::showdetails, panel::kSetShowdetails},
    {&Settings::videownd, panel::kSetVideownd},
    {&Settings::parkcursor, panel::kSetParkcursor},
    {&Settings::timeshift, panel::kSetTimeshift},
    {&Settings::titlemode, panel::kSetTitlemode},
    {&Settings::postkey, panel::kSetPostkey},
    {&Settings::alpha, panel::kSetAlpha},
    {&Settings::justify, kNoControl},
    {&Settings::epgtext, panel::kSetEpgtext},
    {&Settings::epgcolor, panel::kSetEpgcolor},
    {&Settings::slideout, panel::kSetSlideout},
};
constexpr int kIntLineCount = static_cast<int>(sizeof kIntLines / sizeof kIntLines[0]);
static_assert(kIntLineCount + 2 == kLineCount, "seconds, sixteen integers, typeface");

// Lines 19 to 26, after the typeface. An older library reads the eighteen
// lines and ignores these; a missing one reads as 0, which keeps the plug-in
// as it is without them.
constexpr IntLine kOptionalLines[] = {
    {&Settings::epgchars, panel::kSetEpgchars},
    {&Settings::localtime, panel::kSetLocaltime},
    {&Settings::scale, panel::kSetScale},
    {&Settings::schedule, panel::kSetSchedule},
    {&Settings::progress, panel::kSetProgress},
    {&Settings::place, panel::kSetPlace},
    {&Settings::marks, panel::kSetMarks},
    {&Settings::keepguide, kNoControl},
};

// A new install (no settings file at all) starts with what a viewer expects
// today: programme text in the broadcast's own characters, times in the PC's
// local time, the schedule, the programme's progress, its marks and the kept
// guide. A file that exists keeps its values; its missing lines read as 0.
constexpr std::atomic<int32_t> Settings::*kNewInstallOn[] = {
    &Settings::epgchars, &Settings::localtime, &Settings::schedule, &Settings::progress,
    &Settings::marks, &Settings::keepguide};
static_assert(sizeof kOptionalLines / sizeof kOptionalLines[0] == kOptionalLineCount,
              "one entry per optional line");

// Room for any line we write: a float's "%4.1f" needs at most 48 characters,
// an integer 11, the typeface 128.
constexpr int kLineBufferSize = kFontChars + 64;

// The text of the file's lines as read; a line that could not be read is
// empty. Lines 1 to 17 keep at most kValueChars characters, line 18 kFontChars.
struct FileText {
  char seconds[kValueChars + 1];
  char values[kIntLineCount][kValueChars + 1];
  char font[kFontChars + 1];
  char optional[kOptionalLineCount][kValueChars + 1];
};

// One line into buf (maxChars + 1 bytes); an unreadable line leaves it empty.
void ReadOneLine(int file, char* buf, int maxChars) {
  buf[0] = '\0';
  if (ui::ReadLine(file, buf, maxChars) < 0) buf[0] = '\0';
  buf[maxChars] = '\0';
}

void ReadFileText(const char* path, FileText* text) {
  *text = FileText{};
  int file = ui::OpenFile(path, 1, 0, 1);
  if (file < 0) return;  // no file: every line counts as empty text
  ReadOneLine(file, text->seconds, kValueChars);
  for (auto& value : text->values) ReadOneLine(file, value, kValueChars);
  ReadOneLine(file, text->font, kFontChars);
  for (auto& value : text->optional) ReadOneLine(file, value, kValueChars);
  ui::CloseFile(file);
}

// A save that did not reach the file is told to the user on screen, with
// the reason, and to the debugger output.
void ReportSaveFailure(const char* why, const char* path) {
  char message[700];
  FormatText(message, sizeof message, "Tavik: settings not saved: %s: %s\n", why, path);
  win32::OutputDebugStringA(message);
  FormatText(message, sizeof message,
             "The settings were not saved.\n\n%s:\n%s\n\n"
             "The banner uses the new settings until the viewer is closed.",
             why, path);
  win32::MessageBoxA(nullptr, message, "Tavik", win32::kMbOk | win32::kMbIconWarning |
                                                    win32::kMbTopmost);
}

// The display time with one decimal; the decimal mark is always a point,
// whatever locale the host process has set.
void FormatSeconds(char* buf, size_t capacity, float seconds) {
  FormatText(buf, capacity, kSecondsFormat, static_cast<double>(seconds));
  for (char* p = buf; *p != '\0'; ++p) {
    if (*p == ',') *p = '.';
  }
}

// Writes one integer line; false when the write failed.
bool WriteIntLine(int file, int32_t value) {
  char line[16];
  int n = FormatText(line, sizeof line, "%d", static_cast<int>(value));
  return n >= 0 && ui::WriteLine(file, line, n) >= 0;
}

// Writes the eighteen lines to an open file, then the optional lines up to the
// last one that is not 0: with them all at 0 the file is the eighteen lines
// alone. False when a write failed.
bool WriteLines(int file, float seconds, int32_t fileBackcolor) {
  char line[kLineBufferSize];
  FormatSeconds(line, sizeof line, seconds);
  bool ok = ui::WriteLine(file, line, static_cast<int>(BoundedLength(line, sizeof line))) >= 0;
  for (const IntLine& entry : kIntLines) {
    int32_t value = (settings.*entry.field).load();
    if (entry.field == &Settings::backcolor) value = fileBackcolor;
    ok = ok && WriteIntLine(file, value);
  }
  char font[kFontChars + 1];
  size_t fontLength = CopyText(font, sizeof font, settings.fontname);
  ok = ok && ui::WriteLine(file, font, static_cast<int>(fontLength)) >= 0;
  int optionalLines = 0;
  for (int i = 0; i < kOptionalLineCount; ++i) {
    if ((settings.*kOptionalLines[i].field).load() != 0) optionalLines = i + 1;
  }
  for (int i = 0; i < optionalLines; ++i) {
    ok = ok && WriteIntLine(file, (settings.*kOptionalLines[i].field).load());
  }
  return ok;
}

// Writes the new file beside the old one and swaps it in as one step, so a
// save that fails at any point leaves the old file as it was.
void WriteSettingsFile(float seconds, int32_t fileBackcolor) {
  const char* target = paths.iniPath;
  if (target[0] == '\0') {
    ReportSaveFailure("The plug-in's folder is not known", "tavik.ini");
    return;
  }
  if (ui::FileIsReadOnly(target)) {
    // Checked before anything is written: the user protected this file.
    ReportSaveFailure("The settings file is read-only", target);
    return;
  }
  char fresh[sizeof paths.iniPath + 8];
  if (Truncated(FormatText(fresh, sizeof fresh, "%s%s", target, kNewFileSuffix),
                sizeof fresh)) {
    ReportSaveFailure("The path is too long", target);
    return;
  }
  int file = ui::OpenFile(fresh, 2, 0, 1);
  if (file < 0) {
    ReportSaveFailure("The plug-in's folder cannot be written to", fresh);
    return;
  }
  bool written = WriteLines(file, seconds, fileBackcolor);
  bool flushed = ui::CloseFile(file) >= 0;
  if (!written || !flushed) {
    std::remove(fresh);
    ReportSaveFailure("Writing failed (is the disk full?)", fresh);
    return;
  }
  int replaced = ui::ReplaceFile(fresh, target);
  if (replaced != 0) {
    std::remove(fresh);
    ReportSaveFailure(replaced == ui::kErrReadOnly
                          ? "The settings file is read-only"
                          : "The settings file cannot be replaced (in use or protected)",
                      target);
  }
}

// The integer settings of [first, last) onto their panel controls, and back.
void ShowOnPanel(int settingsPanel, const IntLine* first, const IntLine* last) {
  for (const IntLine* entry = first; entry != last; ++entry) {
    if (entry->control != kNoControl) {
      ui::SetCtrlVal(settingsPanel, entry->control,
                     static_cast<int>((settings.*entry->field).load()));
    }
  }
}

void TakeFromPanel(int settingsPanel, const IntLine* first, const IntLine* last) {
  for (const IntLine* entry = first; entry != last; ++entry) {
    if (entry->control == kNoControl) continue;
    int value = (settings.*entry->field).load();
    ui::GetCtrlVal(settingsPanel, entry->control, &value);
    (settings.*entry->field).store(value);
  }
}

}  // namespace

void GetPar() {
  // Without tavik.ini, the settings a release ships beside the library (it
  // never ships a tavik.ini, so unpacking it over an install keeps the
  // user's); a Save then writes tavik.ini. Without either, a new install
  // starts with kNewInstallOn.
  bool newInstall = ui::FileMissing(paths.iniPath) != 0;
  const char* source = paths.iniPath;
  if (newInstall && paths.defaultIniPath[0] != '\0' && !ui::FileMissing(paths.defaultIniPath)) {
    source = paths.defaultIniPath;
    newInstall = false;
  }
  FileText text;
  ReadFileText(source, &text);

  // The display time: seconds in single precision, held in milliseconds.
  float seconds = static_cast<float>(TextToDouble(text.seconds));
  int32_t ms = SecondsToMs(seconds);
  settings.showtime = (ms < kMinShowtimeMs) ? kDefaultShowtimeMs : ms;
  for (int i = 0; i < kIntLineCount; ++i) {
    (settings.*kIntLines[i].field).store(TextToInt(text.values[i]));
  }
  CopyText(settings.fontname, sizeof settings.fontname, text.font);
  for (int i = 0; i < kOptionalLineCount; ++i) {
    (settings.*kOptionalLines[i].field).store(TextToInt(text.optional[i]));
  }
  if (newInstall) {
    for (auto field : kNewInstallOn) (settings.*field).store(1);
  }

  // The panel shows what the file holds: the seconds as read, both colours
  // even when equal. Before the panels are loaded these calls change nothing.
  const int settingsPanel = panels.settings;
  ui::SetCtrlVal(settingsPanel, panel::kSetShowtime, static_cast<double>(seconds));
  ShowOnPanel(settingsPanel, std::begin(kIntLines), std::end(kIntLines));
  ShowOnPanel(settingsPanel, std::begin(kOptionalLines), std::end(kOptionalLines));

  // Text in the background colour would be unreadable: fall back to white.
  if (settings.backcolor == settings.textcolor) settings.backcolor = kWhite;

  ApplyColors();
  ApplyStyle();
}

void SetPar() {
  const int settingsPanel = panels.settings;
  // A control that gives nothing keeps the value in memory.
  float seconds = static_cast<float>(settings.showtime.load()) / 1000.0f;
  ui::GetCtrlVal(settingsPanel, panel::kSetShowtime, &seconds);
  settings.showtime = SecondsToMs(seconds);
  TakeFromPanel(settingsPanel, std::begin(kIntLines), std::end(kIntLines));
  TakeFromPanel(settingsPanel, std::begin(kOptionalLines), std::end(kOptionalLines));

  // The file gets what the panel shows; the banner, as when reading, never
  // gets text in its own background colour.
  const int32_t fileBackcolor = settings.backcolor;
  if (settings.backcolor == settings.textcolor) settings.backcolor = kWhite;
  ApplyColors();
  ApplyStyle();
  WriteSettingsFile(seconds, fileBackcolor);
}
