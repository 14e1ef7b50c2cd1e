// The plug-in loaded against the fakes with a settings file of the test's
// choosing, and helpers to read what a save wrote.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "common/plugin_state.h"
#include "tests/fakes/fake_ui_runtime.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"
#include "tests/support/plugin_fixture.h"

// The eighteen lines of a typical file: 3 s, style 1, white on black, cyan
// programme lines, Verdana.
inline const char kExampleIni[] =
    " 3.0\r\n1\r\n0\r\n16777215\r\n1\r\n1\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n255\r\n0\r\n0\r\n"
    "65535\r\n1\r\nVerdana\r\n";

// Lines joined with the given line end, the last one included.
inline std::string IniLines(std::initializer_list<std::string> lines,
                            const std::string& eol = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + eol;
  return text;
}

class SettingsTest : public PluginTest {
 protected:
  // The plug-in builds "<dir>\tavik.ini"; on Linux that is one file name.
  std::string IniPath() const { return dir_ + "\\tavik.ini"; }
  void WriteIni(const std::string& bytes) { testing_support::WriteFile(IniPath(), bytes); }
  std::string Ini() const { return testing_support::ReadFile(IniPath()); }

  // Loads the plug-in with this settings file (none for nullptr).
  void LoadWith(const char* ini) {
    if (ini != nullptr) WriteIni(ini);
    ASSERT_EQ(Load(), 1);
  }
  // The host is closed and started again on the same folder.
  void Restart() {
    Unload();
    testing_support::ResetEverything();
    fake::SetModuleDir(dir_);
    ASSERT_EQ(Load(), 1);
  }
  int Banner() const { return panels.banner; }
  int Panel() const { return panels.settings; }
  int PressSave() { return fake::PressButton(panels.settings, "SAVE"); }
};
