// The run's plug-in folder before and between loads: scenario header lines
// that remove a file or write a settings file before the first load, and the
// same changes as script commands before a reload.
#include <cstdio>

#include "tests/hosts/mdhost/mdhost.h"

namespace mdhost {
namespace {

constexpr char kSettingsFile[] = "tavik.ini";

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool FileExists(const std::string& path) {
  const DWORD attr = GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

// Changes are made only in a copy of the plug-in's folder, never in the build
// folder the simulator itself runs from.
bool FolderIsScratch(std::string& error) {
  const std::string folder = FolderOf(State().opt.plugin);
  if (FileExists(folder + "\\mdhost.exe")) {
    error = "the plug-in folder " + folder +
            " is a build folder; run the scenario through scripts/run-scenario.sh, which makes a copy";
    return false;
  }
  return true;
}

}  // namespace

std::string PluginFolderPath(const std::string& rel) {
  if (rel.size() > 1 && (rel[1] == ':' || rel[0] == '\\')) return rel;
  return FolderOf(State().opt.plugin) + "\\" + rel;
}

bool RemovePluginFile(const std::string& name, std::string& error) {
  if (!FolderIsScratch(error)) return false;
  const std::string path = PluginFolderPath(name);
  if (!DeleteFileA(path.c_str())) {
    error = "cannot remove " + path + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  Trace("folder: removed %s", name.c_str());
  return true;
}

bool WriteSettingsFile(const std::vector<std::string>& words, size_t from, std::string& error) {
  if (!FolderIsScratch(error)) return false;
  const std::string path = PluginFolderPath(kSettingsFile);
  const std::string text = FileLines(words, from);
  FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (f && std::fclose(f) != 0) ok = false;
  if (!ok) {
    error = "cannot write " + path;
    return false;
  }
  Trace("folder: %s written, %zu lines: %s", kSettingsFile, words.size() - from, Escaped(text).c_str());
  return true;
}

bool ApplyHeaders(std::string& error) {
  for (const auto& h : ScenarioHeaders()) {
    const std::string& key = h[0];
    if (key == "remove" && h.size() == 2) {
      if (!RemovePluginFile(h[1], error)) return false;
    } else if (key == "ini" && h.size() >= 2) {
      if (!WriteSettingsFile(h, 1, error)) return false;
    } else if (key == "file" && h.size() >= 3) {
      if (!FolderIsScratch(error) || !FileCommand(h, 1, error)) return false;
    } else if (key == "load" && h.size() == 2 && h[1] == "fails") {
      State().opt.loadFails = true;
    } else if (key == "remove" || key == "ini" || key == "load") {
      error = "header \"#! " + key + "\": usage #! remove FILE | #! ini LINE... | #! load fails";
      return false;
    }
    // Other keys belong to scripts/run-scenario.sh.
  }
  return true;
}

}  // namespace mdhost
