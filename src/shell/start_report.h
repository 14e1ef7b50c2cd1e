// Tells the user why the plug-in did not start (or started without its
// timer): a "Tavik error" message box and tavik.log, both naming the cause
// and the path it concerns.
#pragma once

#include <cstddef>

enum class StartProblem {
  kFolderTooLong,     // number: the most characters a folder path may have
  kPanelFileMissing,
  kPanelFileRefused,  // detail: what is wrong in the panel file
  kNoWindow,          // detail: which window
  kNoTimer,           // number: the timer's period in ms
};

// Writes the reason to tavik.log beside the library (or in the user's temp
// folder when that cannot be written) and shows it in a message box.
void ReportStartProblem(void* module, StartProblem problem, const char* detail,
                        unsigned long number = 0);
