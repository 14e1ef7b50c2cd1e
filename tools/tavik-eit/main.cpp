// tavik-eit: reads the plug-in's EIT debug dump or a transport stream and
// prints, per service, the present and following lines the banner would show.
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/version.h"
#include "tools/hostkit/ts_units.h"
#include "tools/dvbread/ts_read.h"
#include "tools/tavik-eit/eit_reader.h"
#include "tools/tavik-eit/output_file.h"
#include "tools/tavik-eit/schedule_report.h"
#include "tools/tavik-eit/tool_time.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const char kTool[] = "tavik-eit";

void Usage(FILE* to) {
  std::fputs("usage: tavik-eit [options] FILE\n"
               "  FILE is the plug-in's EIT debug dump (C:\\Tavik_EIT.dbg, written while\n"
               "  titlemode is -1) or a transport stream (.ts, also in 192- or 204-byte\n"
               "  packets) with the EIT on PID 0x0012.\n"
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
               "options (a value may also follow an equals sign: --units=4):\n"
               "  --epgtext N     line form, as line 15 of tavik.ini: 0 name, 1 name > text,\n"
               "                  2 present text on the second line (default 0)\n"
               "  --timeshift H   hours added to start times, as line 10 of tavik.ini (default 0)\n"
               "  --epgchars [N]  1 (or the option alone): the lines in Unicode as the banner\n"
               "                  shows them with line 19 of tavik.ini at 1 (default 0: the 8-bit\n"
               "                  lines)\n"
               "  --localtime [N] 1 (or the option alone): start times in this PC's local time,\n"
               "                  as line 20 of tavik.ini (default 0: UTC as broadcast)\n"
               "  --schedule      every service's events: date, start, duration, title\n"
               "                  (times by --localtime and --timeshift)\n"
               "  --details       with --schedule: below each event its whole text as the EPG\n"
               "                  panel shows it: genre, age and marks (HD, 16:9, AD, ...),\n"
               "                  short text, description and its items\n"
               "  --xmltv         the schedule as XMLTV: a channel per service, a programme per\n"
               "                  event (start and stop in UTC; title, sub-title and the whole\n"
               "                  description in UTF-8; categories, video, audio, subtitles and\n"
               "                  the age rating)\n"
               "  --out FILE      write to FILE instead of the standard output, e.g.\n"
               "                  --out %USERPROFILE%\\Documents\\guide.xml (a folder of your own:\n"
               "                  the plug-in's folder under Program Files cannot be written)\n"
               "  --service ID    only this service id (decimal or 0x hex)\n"
               "  --all           also the service ids that are not real services (bytes\n"
               "                  inside other sections that look like a section's header)\n"
               "  --units N       units of 184 bytes per delivery, 1 to 10 (default 10)\n"
               "  --format F      dump or ts (default: recognised from the file)\n"
               "  --version, --help\n"
               "Nothing is written to any file but the one --out names. Exit code: 0 when every\n"
               "service listed has both lines (with --schedule or --xmltv: when there is an\n"
               "event), 1 when not, 2 for a bad command or file.\n",
             to);
}

bool ParseInt(const char* s, long lo, long hi, long* out) {
  char* end = nullptr;
  long v = std::strtol(s, &end, 0);
  if (end == s || *end != '\0' || v < lo || v > hi) return false;
  *out = v;
  return true;
}

// What the command asks for.
struct Command {
  long epgtext = 0, timeshift = 0, epgchars = 0, localtime = 0, service = -1,
       units = tavik_eit::kMaxUnitsPerDelivery;
  bool schedule = false, details = false, xmltv = false, all = false, help = false,
       version = false;
  std::string format, out, path;
};

// An option: a flag, a number in a range or a word; `bare` numbers may be
// given alone, meaning 1.
struct Option {
  const char* name;
  bool Command::*flag;
  long Command::*number;
  std::string Command::*text;
  const char* takes;
  long lo, hi;
  bool bare;
};

const Option kOptions[] = {
    {"--epgtext", nullptr, &Command::epgtext, nullptr, "a whole number (0, 1 or 2)", INT32_MIN,
     INT32_MAX, false},
    {"--timeshift", nullptr, &Command::timeshift, nullptr, "a whole number of hours", INT32_MIN,
     INT32_MAX, false},
    {"--epgchars", nullptr, &Command::epgchars, nullptr, "0 or 1 (alone: 1)", 0, 1, true},
    {"--localtime", nullptr, &Command::localtime, nullptr, "0 or 1 (alone: 1)", 0, 1, true},
    {"--service", nullptr, &Command::service, nullptr, "a service id from 0 to 0xFFFF", 0, 0xFFFF,
     false},
    {"--units", nullptr, &Command::units, nullptr, "a number from 1 to 10", 1,
     tavik_eit::kMaxUnitsPerDelivery, false},
    {"--format", nullptr, nullptr, &Command::format, "dump or ts", 0, 0, false},
    {"--out", nullptr, nullptr, &Command::out, "a file name", 0, 0, false},
    {"--schedule", &Command::schedule, nullptr, nullptr, nullptr, 0, 0, false},
    {"--details", &Command::details, nullptr, nullptr, nullptr, 0, 0, false},
    {"--xmltv", &Command::xmltv, nullptr, nullptr, nullptr, 0, 0, false},
    {"--all", &Command::all, nullptr, nullptr, nullptr, 0, 0, false},
    {"--help", &Command::help, nullptr, nullptr, nullptr, 0, 0, false},
    {"--version", &Command::version, nullptr, nullptr, nullptr, 0, 0, false},
};

// "; did you mean --xmltv?" for an unknown option that is a known one with
// other dashes, or its start.
std::string Suggestion(const std::string& name) {
  const size_t from = name.find_first_not_of("-/");
  if (from == std::string::npos) return "";
  std::string word = name.substr(from);
  for (char& ch : word) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  for (const Option& o : kOptions) {
    const std::string known = o.name + 2;
    if (word == known || (word.size() >= 3 && known.compare(0, word.size(), word) == 0))
      return std::string("; did you mean ") + o.name + "?";
  }
  return "";
}

bool LooksNumeric(const char* s) {
  long v = 0;
  return ParseInt(s, LONG_MIN, LONG_MAX, &v);
}

// Reads the command line into *c: "" or the one thing wrong with it.
std::string ReadCommand(int argc, char** argv, Command* c) {
  bool options = true;  // until "--": what follows it are file names
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (options && (a == "-h" || a == "/?")) {
      c->help = true;
      return "";
    }
    if (options && a == "--") {
      options = false;
      continue;
    }
    if (!options || a.size() < 2 || a[0] != '-') {
      if (!c->path.empty()) return "one input file only: " + c->path + " and " + a;
      c->path = a;
      continue;
    }
    const size_t eq = a.find('=');
    const std::string name = a.substr(0, eq);
    const Option* o = nullptr;
    for (const Option& k : kOptions)
      if (name == k.name) o = &k;
    if (o == nullptr) return "unknown option " + a + Suggestion(name);
    if (o->flag != nullptr) {
      if (eq != std::string::npos) return "bad option or value: " + a + ": " + name + " takes no value";
      c->*o->flag = true;
      if (c->help || c->version) return "";
      continue;
    }
    std::string value = "1";
    if (eq != std::string::npos)
      value = a.substr(eq + 1);
    else if (!o->bare || (i + 1 < argc && LooksNumeric(argv[i + 1])))
      value = i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0 ? argv[++i] : "";
    if (value.empty()) return "bad option or value: " + name + " needs a value: " + o->takes;
    long v = 0;
    if (o->number != nullptr ? !ParseInt(value.c_str(), o->lo, o->hi, &v)
                             : o->text == &Command::format && value != "dump" && value != "ts")
      return "bad option or value: " + name + " " + value + ": it takes " + o->takes;
    if (o->number != nullptr) c->*o->number = v;
    else c->*o->text = value;
  }
  return c->path.empty() ? "no input file" : "";
}

// A bad command: its one error, then where to read more.
int BadCommand(const std::string& message) {
  std::fprintf(stderr, "%s: %s\nusage: %s [options] FILE (%s --help lists the options)\n", kTool,
               message.c_str(), kTool, kTool);
  return 2;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kTool, message.c_str());
  return 2;
}

// The file's size and, when it reads as text, that it is text: for the
// messages about a file that holds no EIT.
std::string Holds(const std::vector<uint8_t>& data) {
  bool text = !data.empty();
  for (size_t i = 0; i < data.size() && i < 4096 && text; ++i)
    text = data[i] >= 0x20 ? data[i] != 0x7F : data[i] == '\t' || data[i] == '\n' || data[i] == '\r';
  return std::to_string(data.size()) + (data.size() == 1 ? " byte" : " bytes") +
         (text ? " of text" : "");
}

// The PIDs of a transport stream's packets, the first few.
std::string PidList(const std::vector<uint8_t>& data) {
  std::vector<bool> seen(0x2000);
  for (size_t at = 0; at + dvbread::kPacketSize <= data.size(); at += dvbread::kPacketSize)
    if (data[at] == 0x47) seen[(data[at + 1] & 0x1Fu) << 8 | data[at + 2]] = true;
  std::vector<unsigned> pids;
  for (unsigned pid = 0; pid < seen.size(); ++pid)
    if (seen[pid]) pids.push_back(pid);
  std::string list;
  char b[16];
  for (size_t k = 0; k < pids.size() && k < 8; ++k) {
    std::snprintf(b, sizeof b, "%s0x%04X", k ? ", " : "", pids[k]);
    list += b;
  }
  if (pids.size() > 8) list += " and " + std::to_string(pids.size() - 8) + " more";
  return list;
}

// Packets of 192 bytes (a 4-byte time stamp before each, as .m2ts files
// have them) or of 204 (16 bytes of parity after each) to the 188-byte
// packets the readers take. Returns the size read, 0 for neither.
size_t RepackTo188(std::vector<uint8_t>* data) {
  for (const size_t size : {size_t(192), size_t(204)}) {
    const size_t sync = size == 192 ? 4 : 0, packets = data->size() / size;
    bool all = packets >= 2;
    for (size_t k = 0; k < packets && k < 16 && all; ++k) all = (*data)[k * size + sync] == 0x47;
    if (!all) continue;
    std::vector<uint8_t> out;
    out.reserve(packets * dvbread::kPacketSize);
    for (size_t k = 0; k < packets; ++k) {
      const auto from = data->begin() + static_cast<std::ptrdiff_t>(k * size + sync);
      out.insert(out.end(), from, from + static_cast<std::ptrdiff_t>(dvbread::kPacketSize));
    }
    data->swap(out);
    return size;
  }
  return 0;
}

// The units in the order the host's filter hands them over, with, for a
// transport stream, which of them start a packet's payload; "" or what is
// wrong with the file.
std::string ReadUnits(const Command& c, const std::vector<uint8_t>& data,
                      std::vector<uint8_t>* stream, std::vector<char>* starts, bool* ts,
                      std::string* source) {
  const std::string& path = c.path;
  if (data.empty()) return path + ": an empty file (0 bytes), neither a transport stream nor an EIT dump";
  *ts = c.format.empty() ? dvbread::LooksLikeTransportStream(data) : c.format == "ts";
  if (*ts) {
    hostkit::UnitStats stats;
    for (const hostkit::Unit& u : hostkit::PidUnits(data, hostkit::kEitPid, &stats)) {
      stream->insert(stream->end(), u.bytes.begin(), u.bytes.end());
      starts->push_back(u.start ? 1 : 0);
    }
    if (stream->empty())
      return path + ": a transport stream of " + std::to_string(data.size() / dvbread::kPacketSize) +
             " packets, none of them on PID 0x0012 where the EIT is sent (its PIDs: " +
             PidList(data) + ")";
    *source = "transport stream, " + std::to_string(stream->size() / dvbread::kUnitSize) +
              " units of PID 0x0012";
    if (stats.continuityErrors > 0)
      *source += ", " + std::to_string(stats.continuityErrors) + " continuity errors";
    return "";
  }
  const std::string holds = Holds(data);
  if (data.size() < dvbread::kUnitSize)
    return path + ": " + holds +
           ", shorter than one 184-byte unit: neither a transport stream nor an EIT dump";
  if (c.format.empty() && holds.find("text") != std::string::npos)
    return path + ": " + holds + ", neither a transport stream nor an EIT dump";
  if (data.size() % dvbread::kUnitSize != 0)
    std::fprintf(stderr,
                 "%s: %s: %zu bytes is not a whole number of 184-byte units; the dump holds "
                 "a delivery of another size, and units after it may be misaligned\n",
                 kTool, path.c_str(), data.size());
  stream->assign(data.begin(), data.end() - data.size() % dvbread::kUnitSize);
  *source = "EIT dump, " + std::to_string(stream->size() / dvbread::kUnitSize) + " units";
  return "";
}

// The present and following lines of every service, as the banner shows them.
int RunLines(const Command& c, const guide::LineSettings& settings,
             const std::vector<uint8_t>& stream, const std::vector<char>& starts,
             const std::string& source) {
  tavik_eit::EitReader reader(settings, c.epgchars == 1);
  const size_t chunk = static_cast<size_t>(c.units) * dvbread::kUnitSize;
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

  std::printf("%s: %s; deliveries of %ld units; epgtext %d, timeshift %d%s%s\n", c.path.c_str(),
              source.c_str(), c.units, settings.epgtext, settings.timeshift,
              c.epgchars == 1 ? ", epgchars 1" : "", c.localtime == 1 ? ", localtime 1" : "");
  std::fputs(
      tavik_eit::FormatReport(reader, c.service >= 0, static_cast<uint16_t>(c.service), c.all).c_str(),
      stdout);
  bool allComplete = true, any = false;
  for (const auto& e : reader.Services()) {
    if (c.service >= 0 && e.first != c.service) continue;
    if (!reader.RealService(e.second)) continue;
    any = true;
    if (!e.second.now.complete || !e.second.next.complete) allComplete = false;
  }
  return any && allComplete ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The converted names and texts are UTF-8; the lines themselves are ASCII.
  SetConsoleOutputCP(CP_UTF8);
#endif
  Command c;
  const std::string bad = ReadCommand(argc, argv, &c);
  if (c.help) {
    Usage(stdout);
    return 0;
  }
  if (c.version) {
    std::printf("tavik-eit %s\n", TAVIK_VERSION);
    return 0;
  }
  if (!bad.empty()) return BadCommand(bad);
  if (c.details && !c.schedule) return BadCommand("--details goes with --schedule");

  std::vector<uint8_t> data;
  std::string error;
  if (!dvbread::ReadWholeFile(c.path, &data, &error, kTool)) return Fail(error);
  std::vector<uint8_t> stream;
  std::vector<char> starts;  // per unit, for a transport stream
  std::string source;
  bool ts = false;
  const size_t packets =
      c.format != "dump" && !dvbread::LooksLikeTransportStream(data) ? RepackTo188(&data) : 0;
  error = ReadUnits(c, data, &stream, &starts, &ts, &source);
  if (!error.empty()) return Fail(error);
  if (packets != 0) source += " (its " + std::to_string(packets) + "-byte packets read as 188)";

  tavik_eit::OutputFile out;
  if (!c.out.empty() && tavik_eit::SameFile(c.out, c.path))
    return Fail("--out " + c.out + " names the input file; give another name");
  if (!c.out.empty() && !out.Open(c.out, &error)) return Fail(error);

  guide::LineSettings settings;
  settings.epgtext = static_cast<int32_t>(c.epgtext);
  settings.timeshift = static_cast<int32_t>(c.timeshift);
  if (c.localtime == 1) settings.localTime = &tavik_eit::ToolLocalStart;
  int rc;
  if (c.schedule || c.xmltv) {
    guide::TimeRules rules;
    if (c.localtime == 1) rules.local = &tavik_eit::ToolLocalCivil;
    rules.timeshift = settings.timeshift;
    rc = tavik_eit::RunSchedule(stream, ts ? dvbread::SdtServiceNames(data)
                                           : std::vector<dvbread::ServiceName>(),
                                rules, c.xmltv, c.service, c.path + ": " + source, c.details);
  } else {
    rc = RunLines(c, settings, stream, starts, source);
  }

  if (c.out.empty()) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
      return Fail(std::string("cannot write all of the output: ") + std::strerror(errno));
    return rc;
  }
  if (!out.Close(rc != 2, &error)) return Fail(error);
  if (rc != 2)
    std::fprintf(stderr, "%s: wrote %s: %s%s\n", kTool, c.out.c_str(),
                 c.xmltv      ? "the schedule as XMLTV"
                 : c.schedule ? "the schedule"
                              : "the present and following lines",
                 out.bytes() > 0 ? (", " + std::to_string(out.bytes()) + " bytes").c_str() : "");
  return rc;
}
