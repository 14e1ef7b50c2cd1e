// The logo checker's logic; the rule itself is the plug-in's (banner/logo_path).
#include "tools/tavik-logos/logo_check.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "banner/logo_path.h"
#include "hostkit/channel_list.h"
#include "runtime/picture_header.h"

namespace tavik_logos {
namespace {

constexpr size_t kLogoPathSize = 256;  // the plug-in's logo path: 255 characters
constexpr size_t kMaxPictureBytes = size_t(64) << 20;

// Letters of U+00C0..U+017F without their accents, lower case (' ' for the
// two signs among them).
constexpr char kFold[] =
    "aaaaaaaceeeeiiiidnooooo ouuuuytsaaaaaaaceeeeiiiidnooooo ouuuuytyaaaaaaccccccccddddeeeeeeeeeeg"
    "gggggggghhhhiiiiiiiiiiiijjkkkllllllllllnnnnnnnnnoooooooorrrrrrssssssssttttttuuuuuuuuuuuuwwyyyz"
    "zzzzzs";
constexpr uint32_t kFoldFirst = 0xC0;
constexpr uint32_t kFoldLast = 0x17F;

bool StartsWith(const std::vector<uint8_t>& b, const char* sig, size_t n) {
  return b.size() >= n && std::memcmp(b.data(), sig, n) == 0;
}

bool IsSof(uint8_t m) { return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC; }

// Decodes UTF-8 when the whole name is valid UTF-8, else takes bytes as Latin-1.
std::vector<uint32_t> CodePoints(const std::string& s) {
  std::vector<uint32_t> cps;
  bool valid = true;
  for (size_t i = 0; i < s.size() && valid;) {
    uint8_t c = static_cast<uint8_t>(s[i]);
    int extra = c < 0x80             ? 0
                : (c & 0xE0) == 0xC0 ? 1
                : (c & 0xF0) == 0xE0 ? 2
                : (c & 0xF8) == 0xF0 ? 3
                                     : -1;
    if (extra < 0 || i + extra >= s.size()) {
      valid = false;
      break;
    }
    uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      uint8_t t = static_cast<uint8_t>(s[i + k]);
      if ((t & 0xC0) != 0x80) valid = false;
      cp = cp << 6 | (t & 0x3F);
    }
    cps.push_back(cp);
    i += extra + 1;
  }
  if (valid) return cps;
  cps.clear();
  for (unsigned char c : s) cps.push_back(c);
  return cps;
}

size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diag = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diag = up;
    }
  }
  return row[b.size()];
}

bool EndsWithJpg(const std::string& f) {
  if (f.size() < 4) return false;
  std::string ext = f.substr(f.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".jpg";
}

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string Trim(const std::string& s) {
  size_t e = s.size();
  while (e > 0 && (s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  return s.substr(0, e);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    lines.push_back(Trim(text.substr(start, nl - start)));
    start = nl + 1;
  }
  return lines;
}

std::string Printable(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

}  // namespace

PictureCheck CheckPicture(const std::vector<uint8_t>& b) {
  if (b.empty()) return {Picture::kEmpty, "an empty file"};
  if (StartsWith(b, "\x89PNG\r\n\x1A\n", 8)) return {Picture::kOtherFormat, "PNG data"};
  if (StartsWith(b, "GIF87a", 6) || StartsWith(b, "GIF89a", 6))
    return {Picture::kOtherFormat, "GIF data"};
  if (StartsWith(b, "BM", 2) && b.size() > 54) return {Picture::kOtherFormat, "BMP data"};
  if (!StartsWith(b, "\xFF\xD8\xFF", 3)) return {Picture::kNotAPicture, "not a picture file"};

  size_t i = 2;
  uint8_t sof = 0;
  unsigned width = 0, height = 0;
  while (true) {
    if (i >= b.size()) return {Picture::kTruncated, "a JPEG cut off before its picture data"};
    if (b[i] != 0xFF) return {Picture::kCorrupt, "a JPEG with broken segment markers"};
    while (i < b.size() && b[i] == 0xFF) ++i;  // fill bytes
    if (i >= b.size()) return {Picture::kTruncated, "a JPEG cut off before its picture data"};
    uint8_t m = b[i++];
    if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue;  // markers without a length
    if (m == 0xD8 || m == 0xD9)
      return {Picture::kCorrupt, "a JPEG that ends before its picture data"};
    if (i + 2 > b.size()) return {Picture::kTruncated, "a JPEG cut off in a segment"};
    size_t length = size_t(b[i]) << 8 | b[i + 1];
    if (length < 2) return {Picture::kCorrupt, "a JPEG with a bad segment length"};
    if (i + length > b.size()) return {Picture::kTruncated, "a JPEG cut off in a segment"};
    if (IsSof(m)) {
      if (m != 0xC0 && m != 0xC1 && m != 0xC2)
        return {Picture::kUnsupported,
                m == 0xC3 ? "a lossless JPEG"
                          : (m >= 0xC9 ? "an arithmetic-coded JPEG" : "a hierarchical JPEG")};
      if (length < 8) return {Picture::kCorrupt, "a JPEG with a bad frame header"};
      sof = m;
      height = unsigned(b[i + 3]) << 8 | b[i + 4];
      width = unsigned(b[i + 5]) << 8 | b[i + 6];
      if (width == 0 || height == 0) return {Picture::kCorrupt, "a JPEG of zero width or height"};
    }
    if (m == 0xDA) {
      if (sof == 0) return {Picture::kCorrupt, "a JPEG with picture data before its frame header"};
      // The end marker must follow the picture data.
      bool end = false;
      for (size_t k = b.size(); k >= i + length + 2; --k)
        if (b[k - 2] == 0xFF && b[k - 1] == 0xD9) {
          end = true;
          break;
        }
      if (!end) return {Picture::kTruncated, "a truncated JPEG (no end marker)"};
      const char* kind = sof == 0xC2 ? "progressive" : sof == 0xC1 ? "extended" : "baseline";
      return {Picture::kJpeg,
              std::to_string(width) + "x" + std::to_string(height) + " " + kind + " JPEG"};
    }
    i += length;
  }
}

bool ParsePlainList(const std::string& text, std::vector<std::string>* names, std::string* error) {
  int n = 0;
  for (const std::string& line : Lines(text)) {
    ++n;
    if (line.empty() || line[0] == '#') continue;
    if (line.size() > 91) {
      *error = "line " + std::to_string(n) + ": a channel name holds at most 91 bytes";
      return false;
    }
    names->push_back(line);
  }
  return true;
}

bool ParseSimulatorList(const std::string& text, std::vector<std::string>* names,
                        std::string* error) {
  std::vector<hostkit::Channel> channels;
  if (!hostkit::ParseChannelList(text, channels, *error)) return false;
  for (const hostkit::Channel& c : channels) names->push_back(c.name);
  return true;
}

std::string NameKey(const std::string& name) {
  std::string key;
  for (uint32_t cp : CodePoints(name)) {
    char c = 0;
    if (cp < 0x80)
      c = static_cast<char>(std::tolower(static_cast<int>(cp)));
    else if (cp >= kFoldFirst && cp <= kFoldLast)
      c = kFold[cp - kFoldFirst];
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) key.push_back(c);
  }
  return key;
}

std::vector<std::string> NearestFiles(const std::string& name,
                                      const std::vector<std::string>& files, size_t limit) {
  const std::string key = NameKey(name);
  std::vector<std::pair<size_t, std::string>> scored;
  for (const std::string& f : files) {
    if (!EndsWithJpg(f) || f == banner::kFallbackLogo) continue;
    const std::string fkey = NameKey(f.substr(0, f.size() - 4));
    if (fkey.empty()) continue;
    size_t d = EditDistance(key, fkey);
    size_t allowed = std::max<size_t>(1, std::min(key.size(), fkey.size()) / 4);
    if (d <= allowed || (key.size() >= 3 && (fkey.find(key) != std::string::npos ||
                                             key.find(fkey) != std::string::npos)))
      scored.emplace_back(d, f);
  }
  std::stable_sort(scored.begin(), scored.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> out;
  for (size_t k = 0; k < scored.size() && out.size() < limit; ++k) out.push_back(scored[k].second);
  return out;
}

bool ReservedDeviceName(const std::string& name) {
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  std::string upper;
  for (char c : name)
    upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  while (!upper.empty() && upper.back() == ' ') upper.pop_back();
  for (const char* d : kDevices)
    if (upper == d) return true;
  return upper.size() == 4 &&
         (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) && upper[3] >= '1' &&
         upper[3] <= '9';
}

bool ListFolder(const std::string& path, std::vector<std::string>* files, std::string* error) {
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) {
    *error = "cannot read the logo folder " + path;
    return false;
  }
  while (dirent* e = readdir(dir)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") files->push_back(n);
  }
  closedir(dir);
  std::sort(files->begin(), files->end());
  return true;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  bytes->clear();
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && bytes->size() < kMaxPictureBytes)
    bytes->insert(bytes->end(), buf, buf + n);
  std::fclose(f);
  return true;
}

ChannelResult CheckChannel(const LogoFolder& folder, const std::string& name) {
  ChannelResult r;
  r.name = name;
  char path[kLogoPathSize];
  const banner::LogoRule rule =
      banner::ChannelLogoPath(folder.iconDir.c_str(), name.c_str(), path, sizeof path);
  const std::string wanted = name + banner::kLogoExtension;
  r.fallback = true;
  r.file = banner::kFallbackLogo;
  if (rule == banner::LogoRule::kPathTooLong) {
    r.reason = "the path " + folder.iconDir + wanted + " is longer than 255 characters";
  } else if (rule == banner::LogoRule::kUnusableName) {
    r.reason =
        "the name holds a character a file name cannot hold (\\ / : * ? \" < > | or a control "
        "character)";
  } else if (ReservedDeviceName(name)) {
    r.reason = "\"" + name + "\" is a device name on Windows; no file can have it";
  } else {
    // Windows finds a file whatever the case of its name.
    std::string found;
    for (const std::string& f : folder.files)
      if (f == wanted) found = f;
    if (found.empty())
      for (const std::string& f : folder.files)
        if (SameIgnoringAsciiCase(f, wanted)) found = f;
    if (found.empty()) {
      r.reason = "there is no file " + wanted;
      r.suggestions = NearestFiles(name, folder.files, 3);
    } else {
      std::vector<uint8_t> bytes;
      PictureCheck pc = {Picture::kNotAPicture, "a file that cannot be read"};
      const std::string path = folder.path + "/" + found;
      if (ReadFile(path, &bytes)) pc = CheckPicture(bytes);
      int width = 0, height = 0;
      if (Shown(pc.kind) && (!ReadPictureSize(path.c_str(), &width, &height) ||
                             LogoTooLarge(bytes.size(), width, height))) {
        // The plug-in reads the size from the header and decodes nothing larger.
        pc = {Picture::kTooLarge,
              width > 0 ? std::to_string(width) + "x" + std::to_string(height) +
                              " pixels in " + std::to_string(bytes.size()) +
                              " bytes, larger than a logo may be (2048x2048 pixels, 8 MB)"
                        : "a picture whose size cannot be read from its header"};
      }
      if (Shown(pc.kind)) {
        r.fallback = false;
        r.file = found;
        r.reason = pc.detail;
        if (found != wanted) r.reason += "; its name differs in case only, which Windows ignores";
        if (pc.kind == Picture::kOtherFormat) r.reason += "; shown, though not a JPEG";
      } else {
        r.reason = found + " is " + pc.detail;
        if (pc.kind != Picture::kTooLarge) r.reason += ", not a JPEG the plug-in can show";
      }
    }
  }
  return r;
}

std::string FormatResult(const ChannelResult& r) {
  std::string out = "\"" + Printable(r.name) + "\": ";
  out += r.fallback ? "0.jpg (fallback: " + r.reason + ")" : r.file + " (found: " + r.reason + ")";
  out += "\n";
  if (!r.suggestions.empty()) {
    out += "    nearest existing files:";
    for (const std::string& s : r.suggestions) out += " \"" + Printable(s) + "\"";
    out += "\n    rename one to \"" + Printable(r.name) + ".jpg\" if it is this channel's logo\n";
  }
  return out;
}

}  // namespace tavik_logos
