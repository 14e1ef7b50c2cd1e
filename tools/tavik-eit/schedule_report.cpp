// The EIT reader's schedule: the units through the plug-in's assembler and
// store, and the per-service listing of --schedule.
#include "tools/tavik-eit/schedule_report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "guide/event_description.h"
#include "text/dvb_text.h"

namespace tavik_eit {
namespace {

void TakeSection(void* context, const uint8_t* section, size_t size) {
  static_cast<guide::EventStore*>(context)->Put(section, size, guide::kNoClock, 0);
}

// Each line of text after six blanks, blank lines left out.
std::string Indented(const char* text) {
  std::string out;
  for (const char* at = text; *at != '\0';) {
    const char* end = std::strchr(at, '\n');
    if (end == nullptr) end = at + std::strlen(at);
    if (end > at) out += "      " + std::string(at, end) + "\n";
    at = *end != '\0' ? end + 1 : end;
  }
  return out;
}

}  // namespace

ScheduleReader::ScheduleReader() : store_(guide::EventStore::Create()) {}

ScheduleReader::~ScheduleReader() { guide::EventStore::Destroy(store_); }

void ScheduleReader::Feed(const uint8_t* units, size_t length) {
  if (store_ == nullptr) return;
  for (size_t at = 0; at + guide::kAssemblerUnit <= length; at += guide::kAssemblerUnit)
    assembler_.Feed(units + at, &TakeSection, store_);
}

std::vector<guide::StoredEvent> ScheduleReader::Events(uint16_t serviceId) const {
  std::vector<guide::EventKey> keys(static_cast<size_t>(store_->EventCount(serviceId)));
  keys.resize(static_cast<size_t>(
      guide::KeysInStartOrder(*store_, serviceId, keys.data(), static_cast<int>(keys.size()))));
  std::vector<guide::StoredEvent> events(keys.size());
  size_t n = 0;
  for (const guide::EventKey& k : keys)
    if (store_->Find(serviceId, k.eventId, &events[n])) ++n;
  events.resize(n);
  return events;
}

std::vector<uint16_t> ScheduleReader::Services() const {
  std::vector<uint16_t> ids(guide::kStoreServices);
  ids.resize(static_cast<size_t>(store_->Services(ids.data(), static_cast<int>(ids.size()))));
  std::sort(ids.begin(), ids.end());
  return ids;
}

std::string ServiceTitle(const std::vector<dvbread::ServiceName>& names, uint16_t serviceId) {
  for (const dvbread::ServiceName& n : names) {
    if (n.serviceId != serviceId || n.name.empty()) continue;
    char name[768];
    dvbtext::ToUtf8(n.name.data(), n.name.size(), dvbtext::Breaks::kBlank, name, sizeof name);
    if (name[0] != '\0') return name;
  }
  return "Service " + std::to_string(serviceId);
}

std::string FormatSchedule(const ScheduleReader& reader,
                           const std::vector<dvbread::ServiceName>& names,
                           const guide::TimeRules& rules, bool onlyService, uint16_t serviceId,
                           bool details) {
  std::string out;
  int shown = 0;
  char line[1024];
  std::vector<char> text(details ? guide::kEventTextBuffer : 0);
  for (uint16_t sid : reader.Services()) {
    if (onlyService && sid != serviceId) continue;
    const std::vector<guide::StoredEvent> events = reader.Events(sid);
    ++shown;
    std::snprintf(line, sizeof line, "service 0x%04X (%u) %s: %zu events\n", sid, sid,
                  ServiceTitle(names, sid).c_str(), events.size());
    out += line;
    for (const guide::StoredEvent& e : events) {
      const guide::CivilTime t = guide::ShownTime(e.key.startUtc, rules);
      char title[800];
      guide::FormatTitle(e, true, title, sizeof title);
      const int d = e.key.duration;
      std::snprintf(line, sizeof line, "  %04d-%02d-%02d %02d:%02d  %2d:%02d  %s%s\n", t.year,
                    t.month, t.day, t.hour, t.minute, d / 3600, d / 60 % 60, title,
                    e.key.present ? "  (present)" : e.key.following ? "  (following)" : "");
      out += line;
      if (details && guide::FormatEventText(e, true, text.data(), text.size()) > 0)
        out += Indented(text.data());
    }
  }
  if (shown == 0)
    out += onlyService ? "no event of that service in the input\n"
                       : "no event (tables 0x4E, 0x50 to 0x5F) in the input\n";
  return out;
}

int RunSchedule(const std::vector<uint8_t>& stream, const std::vector<dvbread::ServiceName>& names,
                const guide::TimeRules& rules, bool xmltv, long service, const std::string& source,
                bool details) {
  ScheduleReader reader;
  if (!reader.Ok()) {
    std::fprintf(stderr, "tavik-eit: no memory for the event store\n");
    return 2;
  }
  reader.Feed(stream.data(), stream.size());
  const bool only = service >= 0;
  const uint16_t sid = static_cast<uint16_t>(service);
  const guide::StoreFigures figures = reader.Store().Figures();
  if (xmltv) {
    int programmes = 0, untitled = 0;
    std::fputs(FormatXmltv(reader, names, only, sid, &programmes, &untitled).c_str(), stdout);
    std::fprintf(stderr, "tavik-eit: %d programmes%s\n", programmes,
                 untitled > 0 ? (", " + std::to_string(untitled) + " events without a title left out").c_str() : "");
    return programmes > 0 ? 0 : 1;
  }
  std::printf("%s; %lld sections whose CRC held, %lld refused; %d events of %d services\n",
              source.c_str(), reader.Counts().taken, reader.Counts().refused, figures.events,
              figures.services);
  std::fputs(FormatSchedule(reader, names, rules, only, sid, details).c_str(), stdout);
  return (only ? reader.Store().EventCount(sid) : figures.events) > 0 ? 0 : 1;
}

}  // namespace tavik_eit
