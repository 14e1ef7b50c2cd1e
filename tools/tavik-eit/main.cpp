// tavik-eit: reads the plug-in's EIT debug dump or a transport stream and
// prints, per service, the present and following lines the banner would show.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/version.h"
#include "hostkit/ts_units.h"
#include "tools/dvbread/ts_read.h"
#include "tools/tavik-eit/eit_reader.h"
#include "tools/tavik-eit/schedule_report.h"
#include "tools/tavik-eit/tool_time.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const char kTool[] = "tavik-eit";

void Usage(FILE* to) {
  std::fprintf(to,
               "usage: tavik-eit [options] FILE\n"
               "  FILE is the plug-in's EIT debug dump (C:\\Tavik_EIT.dbg, written while\n"
               "  titlemode is -1) or a transport stream (.ts) with the EIT on PID 0x0012.\n"
               "  For every service it prints the present (now) and following (next) lines\n"
               "  the banner shows after tuning that service, decoded by the plug-in's own\n"
               "  code, and beside them the event's name and text converted to UTF-8 by the\n"
               "  character table the broadcaster announces. Lines are printed with bytes\n"
               "  outside printable ASCII as \\xHH (with --epgchars 1, in UTF-8 as shown).\n"
               "  With --schedule or --xmltv it reads the whole schedule instead, through the\n"
               "  plug-in's own section assembler and event store: the present/following\n"
               "  table (0x4E) and the schedule tables (0x50 to 0x5F) of the actual stream;\n"
               "  the other stream's tables (0x4F, 0x60 to 0x6F) are passed over. Only\n"
               "  sections whose CRC holds are used. Service names come from the SDT (table\n"
               "  0x42, PID 0x0011) of a transport stream; a dump has none.\n"
               "  Character tables converted: the default table, ISO 8859 parts 1 to 15\n"
               "  (0x10 0x00 0xNN; parts 5 to 15 also by 0x01-0x0B), two-byte ISO 10646\n"
               "  (0x11), its Big5 subset (0x14), KS X 1001 (0x12), GB 2312 (0x13) and UTF-8\n"
               "  (0x15). Texts of 0x1F (encoding type) show U+FFFD outside ASCII.\n"
               "options:\n"
               "  --epgtext N     line form, as line 15 of tavik.ini: 0 name, 1 name > text,\n"
               "                  2 present text on the second line (default 0)\n"
               "  --timeshift H   hours added to start times, as line 10 of tavik.ini (default 0)\n"
               "  --epgchars N    1: the lines in Unicode as the banner shows them with line 19\n"
               "                  of tavik.ini at 1 (default 0: the 8-bit lines)\n"
               "  --localtime N   1: start times in this PC's local time, as line 20 of\n"
               "                  tavik.ini (default 0: UTC as broadcast)\n"
               "  --schedule      every service's events: date, start, duration, title\n"
               "                  (times by --localtime and --timeshift)\n"
               "  --xmltv         the schedule as XMLTV on standard output: a channel per\n"
               "                  service, a programme per event (start and stop in UTC,\n"
               "                  title and description in UTF-8, the category)\n"
               "  --service ID    only this service id (decimal or 0x hex)\n"
               "  --all           also the service ids that are not real services (bytes\n"
               "                  inside other sections that look like a section's header)\n"
               "  --units N       units of 184 bytes per delivery, 1 to 10 (default 10)\n"
               "  --format F      dump or ts (default: recognised from the file)\n"
               "  --version, --help\n"
               "Nothing is written to any file. Exit code: 0 when every service listed has\n"
               "both lines (with --schedule or --xmltv: when there is an event), 1 when not,\n"
               "2 for a bad command or file.\n");
}

bool ParseInt(const char* s, long lo, long hi, long* out) {
  char* end = nullptr;
  long v = std::strtol(s, &end, 0);
  if (end == s || *end != '\0' || v < lo || v > hi) return false;
  *out = v;
  return true;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kTool, message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The converted names and texts are UTF-8; the lines themselves are ASCII.
  SetConsoleOutputCP(CP_UTF8);
#endif
  guide::LineSettings settings;
  long service = -1, units = tavik_eit::kMaxUnitsPerDelivery, epgchars = 0, localtime = 0;
  bool schedule = false, xmltv = false, all = false;
  std::string format, path;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    long v = 0;
    if (a == "--help" || a == "-h") {
      Usage(stdout);
      return 0;
    } else if (a == "--version") {
      std::printf("tavik-eit %s\n", TAVIK_VERSION);
      return 0;
    } else if (a == "--epgtext" && value && ParseInt(value, -2147483647L - 1, 2147483647L, &v)) {
      settings.epgtext = static_cast<int32_t>(v);
      ++i;
    } else if (a == "--timeshift" && value && ParseInt(value, -2147483647L - 1, 2147483647L, &v)) {
      settings.timeshift = static_cast<int32_t>(v);
      ++i;
    } else if (a == "--epgchars" && value && ParseInt(value, 0, 1, &epgchars)) {
      ++i;
    } else if (a == "--localtime" && value && ParseInt(value, 0, 1, &localtime)) {
      ++i;
    } else if (a == "--schedule") {
      schedule = true;
    } else if (a == "--xmltv") {
      xmltv = true;
    } else if (a == "--all") {
      all = true;
    } else if (a == "--service" && value && ParseInt(value, 0, 0xFFFF, &v)) {
      service = v;
      ++i;
    } else if (a == "--units" && value && ParseInt(value, 1, tavik_eit::kMaxUnitsPerDelivery, &v)) {
      units = v;
      ++i;
    } else if (a == "--format" && value &&
               (!std::strcmp(value, "dump") || !std::strcmp(value, "ts"))) {
      format = value;
      ++i;
    } else if (a.size() > 1 && a[0] == '-') {
      Usage(stderr);
      return Fail("bad option or value: " + a);
    } else if (path.empty()) {
      path = a;
    } else {
      Usage(stderr);
      return Fail("one input file only");
    }
  }
  if (path.empty()) {
    Usage(stderr);
    return Fail("no input file");
  }

  std::vector<uint8_t> data;
  std::string error;
  if (!dvbread::ReadWholeFile(path, &data, &error, kTool)) return Fail(error);
  if (data.empty()) return Fail(path + " is empty");
  const bool ts = format.empty() ? dvbread::LooksLikeTransportStream(data) : format == "ts";

  // The units in the order the host's filter hands them over.
  std::vector<uint8_t> stream;
  std::vector<char> starts;  // per unit, for a transport stream
  std::string source;
  if (ts) {
    hostkit::UnitStats stats;
    for (const hostkit::Unit& u : hostkit::PidUnits(data, hostkit::kEitPid, &stats)) {
      stream.insert(stream.end(), u.bytes.begin(), u.bytes.end());
      starts.push_back(u.start ? 1 : 0);
    }
    if (stream.empty())
      return Fail(path + ": no packets of PID 0x0012 (is it a transport stream?)");
    source = "transport stream, " + std::to_string(stream.size() / dvbread::kUnitSize) +
             " units of PID 0x0012";
    if (stats.continuityErrors > 0)
      source += ", " + std::to_string(stats.continuityErrors) + " continuity errors";
  } else {
    if (data.size() < dvbread::kUnitSize)
      return Fail(path + ": shorter than one 184-byte unit: not an EIT dump");
    if (data.size() % dvbread::kUnitSize != 0)
      std::fprintf(stderr,
                   "%s: %s: %zu bytes is not a whole number of 184-byte units; the dump holds "
                   "a delivery of another size, and units after it may be misaligned\n",
                   kTool, path.c_str(), data.size());
    stream.assign(data.begin(), data.end() - data.size() % dvbread::kUnitSize);
    source = "EIT dump, " + std::to_string(stream.size() / dvbread::kUnitSize) + " units";
  }

  if (localtime == 1) settings.localTime = &tavik_eit::ToolLocalStart;
  if (schedule || xmltv) {
    guide::TimeRules rules;
    if (localtime == 1) rules.local = &tavik_eit::ToolLocalCivil;
    rules.timeshift = settings.timeshift;
    return tavik_eit::RunSchedule(stream, ts ? dvbread::SdtServiceNames(data)
                                             : std::vector<dvbread::ServiceName>(),
                                  rules, xmltv, service, path + ": " + source);
  }

  tavik_eit::EitReader reader(settings, epgchars == 1);
  const size_t chunk = static_cast<size_t>(units) * dvbread::kUnitSize;
  const bool progress = stream.size() > (size_t(4) << 20);
  for (size_t at = 0; at < stream.size(); at += chunk) {
    size_t n = stream.size() - at < chunk ? stream.size() - at : chunk;
    bool unitStarts[tavik_eit::kMaxUnitsPerDelivery];
    for (size_t u = 0; u < n / dvbread::kUnitSize && !starts.empty(); ++u)
      unitStarts[u] = starts[at / dvbread::kUnitSize + u] != 0;
    reader.Deliver(stream.data() + at, n, starts.empty() ? nullptr : unitStarts);
    if (progress && (at / chunk) % 2000 == 0)
      std::fprintf(stderr, "\r%s: decoding: %zu%%", kTool, at * 100 / stream.size());
  }
  if (progress) std::fprintf(stderr, "\r%s: decoding: 100%%\n", kTool);

  std::printf("%s: %s; deliveries of %ld units; epgtext %d, timeshift %d%s%s\n", path.c_str(),
              source.c_str(), units, settings.epgtext, settings.timeshift,
              epgchars == 1 ? ", epgchars 1" : "", localtime == 1 ? ", localtime 1" : "");
  std::fputs(
      tavik_eit::FormatReport(reader, service >= 0, static_cast<uint16_t>(service), all).c_str(),
      stdout);
  bool allComplete = true, any = false;
  for (const auto& e : reader.Services()) {
    if (service >= 0 && e.first != service) continue;
    if (!reader.RealService(e.second)) continue;
    any = true;
    if (!e.second.now.complete || !e.second.next.complete) allComplete = false;
  }
  return any && allComplete ? 0 : 1;
}
