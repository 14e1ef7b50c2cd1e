// The logo checker's logic; the rule itself is the plug-in's (banner/logo_path).
#include "tools/tavik-logos/logo_check.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "banner/logo_path.h"
#include "tools/hostkit/channel_list.h"
#include "runtime/picture_header.h"

namespace tavik_logos {
namespace {

constexpr size_t kLogoPathSize = 256;  // the plug-in's logo path: 255 characters
constexpr size_t kMaxPictureBytes = size_t(64) << 20;

bool StartsWith(const std::vector<uint8_t>& b, const char* sig, size_t n) {
  return b.size() >= n && std::memcmp(b.data(), sig, n) == 0;
}

bool IsSof(uint8_t m) { return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC; }

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

// A file named as a logo may be: .jpg or .png.
bool LogoFileName(const std::string& f) {
  if (f.size() < 4) return false;
  std::string ext = f.substr(f.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == banner::kLogoExtension || ext == banner::kPngExtension;
}

// A PNG with an alpha channel (colour types 4 and 6) or a tRNS chunk before
// its picture data: its transparent parts show the banner's background.
bool PngHasTransparency(const std::vector<uint8_t>& b) {
  constexpr size_t kColourType = 25;
  if (b.size() > kColourType && (b[kColourType] == 4 || b[kColourType] == 6)) return true;
  for (size_t i = 8; i + 8 <= b.size();) {
    const size_t length = size_t(b[i]) << 24 | size_t(b[i + 1]) << 16 | size_t(b[i + 2]) << 8 |
                          b[i + 3];
    if (std::memcmp(&b[i + 4], "tRNS", 4) == 0) return true;
    if (std::memcmp(&b[i + 4], "IDAT", 4) == 0 || length > b.size()) return false;
    i += length + 12;  // length, type, data, CRC
  }
  return false;
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
  if (StartsWith(b, "\x89PNG\r\n\x1A\n", 8))
    return {Picture::kOtherFormat,
            PngHasTransparency(b) ? "PNG data with transparency" : "PNG data"};
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
  char key[kLogoPathSize];
  banner::PackName(name.c_str(), key, sizeof key);
  return key;
}

std::vector<std::string> NearestFiles(const std::string& name,
                                      const std::vector<std::string>& files, size_t limit) {
  const std::string key = NameKey(name);
  std::vector<std::pair<size_t, std::string>> scored;
  for (const std::string& f : files) {
    if (!LogoFileName(f) || f == banner::kFallbackLogo) continue;
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
    *error = "cannot read the logo folder " + path + ": " + std::strerror(errno);
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

namespace {

const char* SourceText(banner::LogoSource source) {
  switch (source) {
    case banner::LogoSource::kOwnJpeg: return "by the channel's name";
    case banner::LogoSource::kOwnPng: return "by the channel's name, as PNG";
    default: return "by the pack name";
  }
}

bool OwnSource(banner::LogoSource source) {
  return source == banner::LogoSource::kOwnJpeg || source == banner::LogoSource::kOwnPng;
}

// Windows finds a file whatever the case of its name.
std::string FindInFolder(const LogoFolder& folder, const std::string& wanted) {
  for (const std::string& f : folder.files)
    if (f == wanted) return f;
  for (const std::string& f : folder.files)
    if (SameIgnoringAsciiCase(f, wanted)) return f;
  return "";
}

// The verdict on the file the banner tries: shown, or 0.jpg instead.
void JudgeFile(const LogoFolder& folder, const std::string& found, const std::string& wanted,
               banner::LogoSource source, ChannelResult* r) {
  std::vector<uint8_t> bytes;
  PictureCheck pc = {Picture::kNotAPicture, "a file that cannot be read"};
  const std::string path = folder.path + "/" + found;
  if (ReadFile(path, &bytes)) pc = CheckPicture(bytes);
  int width = 0, height = 0;
  if (Shown(pc.kind) && (!ReadPictureSize(path.c_str(), &width, &height) ||
                         LogoTooLarge(bytes.size(), width, height))) {
    // The plug-in reads the size from the header and decodes nothing larger.
    pc = {Picture::kTooLarge,
          width > 0 ? std::to_string(width) + "x" + std::to_string(height) + " pixels in " +
                          std::to_string(bytes.size()) +
                          " bytes, larger than a logo may be (2048x2048 pixels, 8 MB)"
                    : "a picture whose size cannot be read from its header"};
  }
  if (!Shown(pc.kind)) {
    r->reason = found + " is " + pc.detail;
    if (pc.kind != Picture::kTooLarge)
      r->reason += ", not a picture the plug-in can show (JPEG, PNG, GIF or BMP)";
    return;
  }
  r->fallback = false;
  r->file = found;
  r->reason = pc.detail;
  if (pc.kind == Picture::kOtherFormat)
    r->reason += ", " + std::to_string(width) + "x" + std::to_string(height) + " pixels";
  r->reason += std::string("; ") + SourceText(source);
  if (!OwnSource(source)) r->reason += " \"" + r->packName + "\"";
  if (found != wanted) r->reason += "; its name differs in case only, which Windows ignores";
}

}  // namespace

ChannelResult CheckChannel(const LogoFolder& folder, const std::string& name) {
  ChannelResult r;
  r.name = name;
  r.fallback = true;
  r.file = banner::kFallbackLogo;
  char path[kLogoPathSize];
  banner::PackName(name.c_str(), path, sizeof path);
  r.packName = path;
  // Why the channel's own names are not tried, if they are not.
  const banner::LogoRule own =
      banner::ChannelLogoPath(folder.iconDir.c_str(), name.c_str(), path, sizeof path);
  std::vector<std::string> reasons, missing;
  if (own == banner::LogoRule::kPathTooLong)
    reasons.push_back("the path " + folder.iconDir + name + banner::kLogoExtension +
                      " is longer than 255 characters");
  else if (own == banner::LogoRule::kUnusableName)
    reasons.push_back(
        "the name holds a character a file name cannot hold (\\ / : * ? \" < > | or a control "
        "character)");
  else if (ReservedDeviceName(name))
    reasons.push_back("\"" + name + "\" is a device name on Windows; no file can have it");
  // The first file of the rule's order that exists decides.
  for (banner::LogoSource source : banner::kLogoSources) {
    if (!banner::LogoSourcePath(folder.iconDir.c_str(), name.c_str(), source, path,
                                sizeof path))
      continue;
    const std::string wanted = path + folder.iconDir.size();
    if (ReservedDeviceName(wanted.substr(0, wanted.size() - 4))) continue;
    const std::string found = FindInFolder(folder, wanted);
    if (found.empty()) {
      missing.push_back(wanted);
      continue;
    }
    JudgeFile(folder, found, wanted, source, &r);
    return r;
  }
  if (!missing.empty()) {
    std::string list = "there is no file " + missing[0];
    for (size_t k = 1; k < missing.size(); ++k)
      list += (k + 1 == missing.size() ? " or " : ", ") + missing[k];
    reasons.push_back(list);
  }
  for (size_t k = 0; k < reasons.size(); ++k) r.reason += (k ? "; " : "") + reasons[k];
  r.suggestions = NearestFiles(name, folder.files, 3);
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
  if (r.fallback && !r.packName.empty())
    out += "    its logo pack name: \"" + r.packName + "\" (" + r.packName + ".png or " +
           r.packName + ".jpg is shown too)\n";
  return out;
}

}  // namespace tavik_logos
