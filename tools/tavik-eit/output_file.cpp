// --out: the standard output to a temporary file beside the one named, put
// in its place at the end.
#include "tools/tavik-eit/output_file.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <stdlib.h>
#include <windows.h>
#endif
#include <sys/stat.h>

namespace tavik_eit {
namespace {

// A device (NUL, a terminal, a pipe) is written as it is, never replaced.
// Windows names its devices whatever the folder and extension (NUL.xml).
bool Device(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return true;
#ifdef _WIN32
  std::string base = path.substr(path.find_last_of("\\/:") + 1);
  base = base.substr(0, base.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
#else
  return false;
#endif
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
#ifdef _WIN32
  char fa[_MAX_PATH], fb[_MAX_PATH];
  return _fullpath(fa, a.c_str(), sizeof fa) && _fullpath(fb, b.c_str(), sizeof fb) &&
         _stricmp(fa, fb) == 0;
#else
  struct stat sa, sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
#endif
}

bool OutputFile::Open(const std::string& path, std::string* error) {
  path_ = path;
  const bool device = Device(path);
  temp_ = device ? "" : path + ".tavik-eit.tmp";
  if (std::freopen(device ? path.c_str() : temp_.c_str(), "w", stdout) != nullptr) return true;
  *error = "cannot write " + path + ": " + std::strerror(errno) +
           "; give a file in a folder of your own, e.g. --out "
#ifdef _WIN32
           "%USERPROFILE%\\Documents\\guide.xml";
#else
           "~/guide.xml";
#endif
  return false;
}

bool OutputFile::Close(bool keep, std::string* error) {
  bool ok = std::fflush(stdout) == 0 && !std::ferror(stdout);
  const int err = errno;
  const long size = std::ftell(stdout);
  ok = std::fclose(stdout) == 0 && ok;
  if (!ok) {
    *error = "cannot write all of " + path_ + ": " + std::strerror(err) +
             (temp_.empty() ? "" : "; it is left as it was");
  } else if (keep && !temp_.empty()) {
#ifdef _WIN32
    ok = MoveFileExA(temp_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    ok = std::rename(temp_.c_str(), path_.c_str()) == 0;
#endif
    if (!ok) *error = "cannot put the output in the place of " + path_ + " (is it open elsewhere?)";
  }
  if (ok && keep) bytes_ = size;
  if ((!ok || !keep) && !temp_.empty()) std::remove(temp_.c_str());
  return ok;
}

}  // namespace tavik_eit
