// Hostile files in the run's plug-in folder: "file NAME ACTION..." as a
// scenario header (before the first load) or a script command (before a
// load or a save), so tests can hand the plug-in what careless users and
// broken disks do: protected, cut, swollen, misnamed files and folders where
// files should be.
#include <cstdio>
#include <cstring>

#include "tests/hosts/mdhost/mdhost.h"

namespace mdhost {
namespace {

constexpr size_t kMaxFileBytes = 64u << 20;  // what a test may ask to write

bool ReadWhole(const std::string& path, std::string& out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[65536];
  size_t got;
  out.clear();
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, got);
  std::fclose(f);
  return true;
}

bool WriteWhole(const std::string& path, const std::string& data) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}

bool Number(const std::string& word, size_t& out) {
  long v = 0;
  if (!ToInt(word, v) || v < 0 || static_cast<size_t>(v) > kMaxFileBytes) return false;
  out = static_cast<size_t>(v);
  return true;
}

}  // namespace

// words[from] is the file (relative to the plug-in's folder), then one of:
//   write "TEXT"            the file holds exactly TEXT
//   copy FILE               a copy of another file of the folder
//   cut N                   the first N bytes are kept
//   cut-before "TEXT"       everything from the first TEXT on is dropped
//   replace "OLD" "NEW"     the first OLD becomes NEW
//   fill N BYTE             N bytes of BYTE (a number)
//   append-fill N BYTE      N bytes of BYTE added at the end
//   readonly | writable     the read-only attribute set or cleared
//   mkdir                   a folder of that name
bool FileCommand(const std::vector<std::string>& w, size_t from, std::string& error) {
  if (w.size() < from + 2) {
    error = "usage: file NAME write|copy|cut|cut-before|replace|fill|append-fill|readonly|writable|mkdir ...";
    return false;
  }
  const std::string name = w[from];
  const std::string path = PluginFolderPath(name);
  const std::string& action = w[from + 1];
  const size_t argc = w.size() - from - 2;
  std::string data;
  size_t n = 0, byte = 0;
  bool ok = true;
  if (action == "write" && argc == 1) {
    ok = WriteWhole(path, w[from + 2]);
  } else if (action == "copy" && argc == 1) {
    ok = ReadWhole(PluginFolderPath(w[from + 2]), data) && WriteWhole(path, data);
  } else if (action == "cut" && argc == 1 && Number(w[from + 2], n)) {
    ok = ReadWhole(path, data) && WriteWhole(path, data.substr(0, n));
  } else if ((action == "cut-before" && argc == 1) || (action == "replace" && argc == 2)) {
    const std::string& text = w[from + 2];
    ok = ReadWhole(path, data);
    const size_t at = ok ? data.find(text) : std::string::npos;
    if (ok && at == std::string::npos) {
      error = "\"" + text + "\" not in " + name;
      return false;
    }
    if (ok && action == "replace") data.replace(at, text.size(), w[from + 3]);
    else if (ok) data.resize(at);
    ok = ok && WriteWhole(path, data);
  } else if ((action == "fill" || action == "append-fill") && argc == 2 && Number(w[from + 2], n) &&
             Number(w[from + 3], byte) && byte < 256) {
    if (action == "append-fill") ok = ReadWhole(path, data);
    data.append(n, static_cast<char>(byte));
    ok = ok && WriteWhole(path, data);
  } else if ((action == "readonly" || action == "writable") && argc == 0) {
    DWORD attr = GetFileAttributesA(path.c_str());
    ok = attr != INVALID_FILE_ATTRIBUTES;
    if (ok) {
      attr = action == "readonly" ? (attr | FILE_ATTRIBUTE_READONLY) : (attr & ~FILE_ATTRIBUTE_READONLY);
      ok = SetFileAttributesA(path.c_str(), attr) != 0;
    }
  } else if (action == "mkdir" && argc == 0) {
    ok = CreateDirectoryA(path.c_str(), nullptr) != 0;
  } else {
    error = "file: unknown action or wrong arguments: " + action;
    return false;
  }
  if (!ok) {
    error = "file: cannot " + action + " " + path + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  Trace("folder: %s %s%s", name.c_str(), action.c_str(), argc ? " ..." : "");
  return true;
}

}  // namespace mdhost
