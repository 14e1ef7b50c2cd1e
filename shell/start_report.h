// Tells the user why the plug-in did not start (or started without its
// timer): a "Tavik error" message box and tavik.log, both naming the cause
// and the path it concerns.
#pragma once

#include <cstddef>

enum class StartProblem {
  kFolderTooLong,     // detail: the most characters a folder path may have
  kPanelFileMissing,  // detail: unused
  kPanelFileRefused,  // detail: what is wrong in the panel file
  kNoWindow,          // detail: which window
  kNoTimer,           // detail: the timer's period in ms
};

// Writes the reason to tavik.log beside the library (or in the user's temp
// folder when that cannot be written) and shows it in a message box.
void ReportStartProblem(void* module, StartProblem problem, const char* detail);

// The message for a problem in folder (also used by the tests): written into
// text, cut to fit capacity.
void StartProblemText(char* text, size_t capacity, StartProblem problem,
                      const char* folder, const char* detail);
