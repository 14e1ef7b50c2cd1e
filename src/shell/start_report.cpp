// Why the plug-in did not start, told where a user sees it: the "Tavik error"
// message box and tavik.log (beside the library, else in the temp folder).
#include "shell/start_report.h"

#include <cstring>

#include "common/text.h"
#include "common/version.h"
#include "platform/win32.h"
#include "runtime/ui_runtime.h"

namespace {

constexpr const char* kErrorCaption = "Tavik error";
constexpr const char* kLogName = "tavik.log";
constexpr int kModeWrite = 2, kActionTruncate = 0, kTypeBinary = 0;  // OpenFile's codes
constexpr const char* kUnknownFolder = "(unknown folder)";

// Only used while a start fails, under the loader lock.
char folderText[4096];
char messageText[6000];
char logPath[4200];

// The library's folder, however long; kUnknownFolder when the system will
// not say.
const char* ModuleFolder(void* module) {
  if (ui::GetModuleDir(module, folderText, sizeof folderText) < 0 || folderText[0] == '\0')
    return kUnknownFolder;
  return folderText;
}

// Writes text into path, replacing what was there: the log holds the latest
// failed start. Lines end in CR LF. False when the file cannot be written.
bool WriteLog(const char* path, const char* text) {
  int file = ui::OpenFile(path, kModeWrite, kActionTruncate, kTypeBinary);
  if (file < 0) return false;
  int hours = 0, minutes = 0, seconds = 0;
  ui::GetSystemTime(&hours, &minutes, &seconds);
  char head[80];
  int n = FormatText(head, sizeof head, "%02d:%02d:%02d %s\r\n", hours, minutes, seconds,
                     TAVIK_ABOUT_TEXT);
  bool ok = ui::WriteLine(file, head, n) >= 0;
  for (const char* line = text; ok && *line;) {
    const char* end = std::strchr(line, '\n');
    size_t length = end ? static_cast<size_t>(end - line) : std::strlen(line);
    ok = ui::WriteLine(file, line, static_cast<int>(length)) >= 0 &&
         ui::WriteLine(file, "\r\n", 2) >= 0;
    line += length + (end ? 1 : 0);
  }
  return ui::CloseFile(file) >= 0 && ok;
}

// tavik.log beside the library; when that folder cannot be written (or its
// path is too long), the user's temp folder. Returns the file written, or
// null.
const char* WriteLogSomewhere(const char* folder, const char* text) {
  if (folder != kUnknownFolder &&
      !Truncated(FormatText(logPath, sizeof logPath, "%s\\%s", folder, kLogName),
                 sizeof logPath) &&
      WriteLog(logPath, text))
    return logPath;
  char temp[1024];
  uint32_t n = win32::GetTempPathA(sizeof temp, temp);
  if (n == 0 || n >= sizeof temp) return nullptr;
  if (!Truncated(FormatText(logPath, sizeof logPath, "%s%s", temp, kLogName),
                 sizeof logPath) &&
      WriteLog(logPath, text))
    return logPath;
  return nullptr;
}

// The message for a problem in folder, cut to fit capacity.
void StartProblemText(char* text, size_t capacity, StartProblem problem, const char* folder,
                      const char* detail, unsigned long number) {
  if (detail == nullptr) detail = "";
  switch (problem) {
    case StartProblem::kFolderTooLong:
      FormatText(text, capacity,
                 "Tavik cannot start: the path of its folder is too long (%u characters; "
                 "at most %lu fit).\n\n%s\n\nMove tavik.dll, tavik.uir and tavik_icon into "
                 "a plug-in folder with a shorter path.",
                 static_cast<unsigned>(std::strlen(folder)), number, folder);
      break;
    case StartProblem::kPanelFileMissing:
      FormatText(text, capacity,
                 "Tavik cannot start: its panel file tavik.uir was not found (or could "
                 "not be opened) in its folder:\n\n%s\n\nCopy tavik.uir from the Tavik "
                 "zip into that folder, beside tavik.dll.",
                 folder);
      break;
    case StartProblem::kPanelFileRefused:
      FormatText(text, capacity,
                 "Tavik cannot start: its panel file tavik.uir is damaged or from "
                 "another version:\n%s\n\nFolder: %s\n\nCopy tavik.uir from the zip that "
                 "tavik.dll came from into that folder.",
                 detail, folder);
      break;
    case StartProblem::kNoWindow:
      FormatText(text, capacity,
                 "Tavik cannot start: Windows would not make one of its windows (%s).\n\n"
                 "Folder: %s\n\nClose some programs (or restart Windows) and start the "
                 "viewer again.",
                 detail, folder);
      break;
    case StartProblem::kNoTimer:
      FormatText(text, capacity,
                 "Tavik started without its timer: Windows would not start a timer of "
                 "%lu ms, and the banner does not appear while there is none (Tavik "
                 "tries again at each channel change).\n\nFolder: %s\n\nCheck the display "
                 "time in Settings (a few seconds is usual), then start the viewer again.",
                 number, folder);
      break;
  }
}

}  // namespace

void ReportStartProblem(void* module, StartProblem problem, const char* detail,
                        unsigned long number) {
  const char* folder = ModuleFolder(module);
  StartProblemText(messageText, sizeof messageText, problem, folder, detail, number);
  win32::OutputDebugStringA(messageText);
  const char* log = WriteLogSomewhere(folder, messageText);
  if (log != nullptr) {
    size_t used = std::strlen(messageText);
    FormatText(messageText + used, sizeof messageText - used,
               "\n\n(This message is kept in %s.)", log);
  }
  win32::MessageBoxA(nullptr, messageText, kErrorCaption, win32::kMbOk);
}
