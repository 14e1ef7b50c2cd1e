// tavik-logos: for each channel, which logo file the banner shows, by which rule and why.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/version.h"
#include "tools/dvbread/dvb_text.h"
#include "tools/dvbread/ts_read.h"
#include "tools/tavik-logos/list_encoding.h"
#include "tools/tavik-logos/logo_check.h"

#ifdef _WIN32
#include <stdlib.h>
#include <windows.h>
#else
#include <climits>
#include <cstdlib>
#endif

namespace {

const char kTool[] = "tavik-logos";

void Usage(FILE* to) {
  std::fprintf(
      to,
      "usage: tavik-logos [options] LOGO_FOLDER (--names FILE | --channels FILE | --ts FILE | "
      "NAME...)\n"
      "  LOGO_FOLDER is the plug-in's tavik_icon folder. For each channel it prints the\n"
      "  file the banner shows, by which rule, and why. The banner looks, in this order,\n"
      "  for <channel name>.jpg, <channel name>.png, then <pack name>.png and\n"
      "  <pack name>.jpg, and shows the first that exists; 0.jpg when none exists or\n"
      "  the one found cannot be shown. The pack name is the channel name as logo packs\n"
      "  write it: lower case, accents left off, & as \"and\", + as \"plus\", * as \"star\",\n"
      "  nothing but a-z and 0-9 (\"Canal+ Sport\" gives canalplussport.png).\n"
      "  Pictures may be JPEG, PNG (its transparent parts show the banner's background),\n"
      "  GIF or BMP, at most 2048x2048 pixels and 8 MB. A channel name holding\n"
      "  \\ / : * ? \" < > | or a control character, or a path longer than 255\n"
      "  characters, has no file of its own name. For a channel that falls back it\n"
      "  suggests the nearest existing names and its pack name.\n"
      "channels (each name exactly as the viewer shows it in its channel list):\n"
      "  --names FILE     a plain text list, one channel name per line (# starts a\n"
      "                   comment): write it yourself, or keep the name column of the\n"
      "                   channel list your viewer exports; UTF-8 (with or without\n"
      "                   a byte-order mark), UTF-16 with one, or ANSI text\n"
      "  --channels FILE  a channel list, one channel per line as\n"
      "                   name;frequency;polarity;serviceid;ca (a viewer's channel\n"
      "                   export saved in that form, or Tavik's own test lists); only\n"
      "                   the name counts here\n"
      "  --ts FILE        the service names in a recording's SDT (a .ts file)\n"
      "  NAME...          channel names on the command line\n"
      "options:\n"
      "  --plugin-dir DIR the plug-in folder as Windows names it (e.g. C:\\ProgDVB\\Plugins),\n"
      "                   for the 255-character limit; default: the logo folder's own path\n"
      "  --version, --help\n"
      "Nothing is written to any file. Exit code: 0 when every channel shows its own logo,\n"
      "1 when any falls back to 0.jpg, 2 for a bad command or file.\n");
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kTool, message.c_str());
  return 2;
}

// A bad command: its one error, then where to read more.
int BadCommand(const std::string& message) {
  Fail(message);
  std::fprintf(stderr, "usage: %s LOGO_FOLDER --names FILE (%s --help lists the other ways)\n",
               kTool, kTool);
  return 2;
}

std::string AbsolutePath(const std::string& path) {
#ifdef _WIN32
  char buf[_MAX_PATH];
  return _fullpath(buf, path.c_str(), sizeof buf) ? std::string(buf) : path;
#else
  char buf[PATH_MAX];
  return realpath(path.c_str(), buf) ? std::string(buf) : path;
#endif
}

// A service name from the SDT as the host would hand it to the plug-in: text
// in the system's 8-bit code page (UTF-8 on Linux).
std::string HostName(const std::vector<uint8_t>& broadcast) {
  std::string utf8 = dvbread::DvbToUtf8(broadcast.data(), broadcast.size()).utf8;
  for (char& c : utf8)
    if (c == '\n') c = ' ';
#ifdef _WIN32
  wchar_t wide[256];
  char ansi[512];
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide, 256);
  if (n > 0 && WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof ansi, nullptr, nullptr) > 0)
    return ansi;
#endif
  return utf8;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // Channel and file names are in the system's 8-bit code page, as the
  // plug-in and the file system see them.
  SetConsoleOutputCP(GetACP());
#endif
  std::string folder, listPath, listKind, pluginDir;
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--help" || a == "-h") {
      Usage(stdout);
      return 0;
    } else if (a == "--version") {
      std::printf("tavik-logos %s\n", TAVIK_VERSION);
      return 0;
    } else if ((a == "--names" || a == "--channels" || a == "--ts") && hasValue) {
      if (!listKind.empty()) return BadCommand("give one of --names, --channels, --ts");
      listKind = a;
      listPath = argv[++i];
    } else if (a == "--plugin-dir" && hasValue) {
      pluginDir = argv[++i];
    } else if (a == "--names" || a == "--channels" || a == "--ts" || a == "--plugin-dir") {
      return BadCommand(a + " needs a value: " + (a == "--plugin-dir" ? "a folder" : "a file"));
    } else if (a.size() > 1 && a[0] == '-' && a != "--") {
      return BadCommand("bad option: " + a);
    } else if (folder.empty()) {
      folder = a;
    } else {
      names.push_back(a);
    }
  }
  if (folder.empty()) {
    return BadCommand("no logo folder");
  }
  if (!listKind.empty() && !names.empty())
    return BadCommand("channel names both from a file and the command line");

  tavik_logos::LogoFolder logos;
  logos.path = folder;
  std::string error;
  if (!tavik_logos::ListFolder(folder, &logos.files, &error)) return Fail(error);
#ifdef _WIN32
  const char sep = '\\';
#else
  const char sep = '/';
#endif
  logos.iconDir = pluginDir.empty()
                      ? AbsolutePath(folder) + sep
                      : pluginDir + (pluginDir.back() == '\\' ? "" : "\\") + "tavik_icon\\";

  if (listKind == "--ts") {
    std::vector<uint8_t> ts;
    if (!dvbread::ReadWholeFile(listPath, &ts, &error, kTool)) return Fail(error);
    if (!dvbread::LooksLikeTransportStream(ts))
      return Fail(listPath + " is not a transport stream: its " + std::to_string(ts.size()) +
                  " bytes have no sync byte 0x47 every 188 bytes (a list of channel names is "
                  "read with --names FILE)");
    for (const dvbread::ServiceName& s : dvbread::SdtServiceNames(ts))
      names.push_back(HostName(s.name));
    if (names.empty())
      return Fail(listPath + ": a transport stream of " + std::to_string(ts.size() / dvbread::kPacketSize) +
                  " packets with no service names in its SDT (PID 0x0011, table 0x42)");
  } else if (!listKind.empty()) {
    std::vector<uint8_t> bytes;
    if (!tavik_logos::ReadFile(listPath, &bytes))
      return Fail("cannot open the list " + listPath + ": " + std::strerror(errno));
    const tavik_logos::ListText list = tavik_logos::DecodeList(bytes);
    const bool ok = listKind == "--names"
                        ? tavik_logos::ParsePlainList(list.text, &names, &error)
                        : tavik_logos::ParseSimulatorList(list.text, &names, &error);
    if (!ok && listKind == "--channels" && list.text.find(';') == std::string::npos)
      error += " (a list of names alone is read with --names FILE)";
    if (!ok) return Fail(listPath + " (" + list.encoding + "): " + error);
    if (names.empty())
      return Fail(listPath + " (" + list.encoding +
                  ") holds no channel names, only blank lines and # comments");
    std::printf("%s: %zu channel names, %s\n", listPath.c_str(), names.size(),
                list.encoding.c_str());
  }
  if (names.empty()) {
    return BadCommand("no channel names");
  }

  std::vector<uint8_t> fallback;
  bool fallbackShown = false;
  for (const std::string& f : logos.files)
    if (f == "0.jpg" && tavik_logos::ReadFile(folder + "/" + f, &fallback))
      fallbackShown = tavik_logos::Shown(tavik_logos::CheckPicture(fallback).kind);
  if (!fallbackShown)
    std::printf(
        "warning: 0.jpg is missing or not a picture the plug-in can show: a channel that "
        "falls back shows no logo at all\n");

  int fallbacks = 0;
  for (size_t k = 0; k < names.size(); ++k) {
    tavik_logos::ChannelResult r = tavik_logos::CheckChannel(logos, names[k]);
    if (r.fallback) ++fallbacks;
    std::fputs(tavik_logos::FormatResult(r).c_str(), stdout);
    if (names.size() > 500 && k % 200 == 0)
      std::fprintf(stderr, "\r%s: %zu of %zu channels", kTool, k, names.size());
  }
  if (names.size() > 500) std::fprintf(stderr, "\n");
  std::printf("%zu channels: own logo for %zu, fallback 0.jpg for %d\n", names.size(),
              names.size() - fallbacks, fallbacks);
  return fallbacks > 0 ? 1 : 0;
}
