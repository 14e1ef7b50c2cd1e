// The plug-in loaded against the fakes, in a temp folder of its own.
#include "tests/support/plugin_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "banner/banner.h"
#include "common/plugin_state.h"
#include "guide/guide.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fake_ui_runtime.h"
#include "settings/settings.h"
#include "shell/exports.h"
#include "shell/lifecycle.h"

namespace testing_support {

std::string MakeTempDir() {
  char tmpl[] = "/tmp/tavik-test-XXXXXX";
  char* dir = mkdtemp(tmpl);
  return dir ? dir : "/tmp";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string SourcePath(const std::string& relative) {
  return std::string(TAVIK_SOURCE_DIR) + "/" + relative;
}

void ResetEverything() {
  fake::ResetDesktop();
  fake::ResetUi();
  ResetSettings();
  ResetBanner();
  ResetGuide();
  hostLink.hostWnd = nullptr;
  hostLink.pluginId = 0;
  panels.banner = panels.settings = panels.about = panels.epg = kNoPanel;
  panels.menuOpen = kNoPanel;
}

}  // namespace testing_support

using namespace testing_support;

void PluginTest::SetUp() {
  ResetEverything();
  dir_ = MakeTempDir();
  // The plug-in builds its paths with backslashes, as on Windows; on Linux a
  // file name may hold them, so the panel file is put where that path points.
  fake::SetModuleDir(dir_);
}

void PluginTest::TearDown() {
  if (loaded_) Unload();
  // Natively the plug-in's backslash paths name files beside dir_.
  std::string cmd = "rm -rf '" + dir_ + "' '" + dir_ + "'\\\\*";
  if (std::system(cmd.c_str()) != 0) {
  }
}

int PluginTest::Load(bool withPanelFile) {
  if (withPanelFile)
    WriteFile(dir_ + "\\tavik.uir", ReadFile(SourcePath("src/resources/tavik.uir")));
  int result = Attach(nullptr);
  loaded_ = result == 1;
  if (hostWnd_ != nullptr)
    On_Start(nullptr, hostWnd_, 0, 7, nullptr, nullptr, nullptr);
  return result;
}

void PluginTest::Unload() {
  Detach();
  loaded_ = false;
}

void PluginTest::AddHostWindow(const std::string& title) {
  hostWnd_ = fake::AddWindow(title, win32::Rect{0, 0, 1280, 1000});
  fake::SetHostHandler([this](win32::Wnd, uint32_t msg, uintptr_t code, intptr_t lparam) {
    if (msg != host::kWmUser) return intptr_t(0);
    if (code == host::kCmdStartFilter)
      reinterpret_cast<host::EitFilterRequest*>(lparam)->handle = filterHandle_;
    if (code == host::kCmdSignalQuery)
      reinterpret_cast<host::SignalReply*>(lparam)->quality = quality_;
    return intptr_t(1);
  });
  if (loaded_) On_Start(nullptr, hostWnd_, 0, 7, nullptr, nullptr, nullptr);
}
