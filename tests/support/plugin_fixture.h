// A test fixture that loads the plug-in against the fake desktop and the fake
// runtime, in a fresh plug-in folder of its own (tavik.uir copied in).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/host_interface.h"

namespace testing_support {

// A new empty folder under the system's temp folder.
std::string MakeTempDir();
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
std::string SourcePath(const std::string& relative);  // inside the repository

// Resets every subsystem and fake to the state at load.
void ResetEverything();

}  // namespace testing_support

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Folder the plug-in is loaded from; write tavik.ini here before Load().
  std::string dir_;
  // Loads the plug-in (attach) and gives it the host window; returns attach's result.
  int Load(bool withPanelFile = true);
  void Unload();
  // A host main window on the fake desktop that answers the command messages:
  // start filter writes filterHandle_, signal query writes quality_.
  void AddHostWindow(const std::string& title = "ProgDVB 6.5");

  void* hostWnd_ = nullptr;
  int filterHandle_ = 1;
  int quality_ = 75;
  bool loaded_ = false;
};
