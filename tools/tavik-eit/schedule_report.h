// The EIT reader's schedule: every unit of the input through the plug-in's
// own section assembler into its own event store (no clock: a recording
// keeps every event), then printed per service or written as XMLTV.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "guide/event_store.h"
#include "guide/schedule_text.h"
#include "guide/section_assembler.h"
#include "tools/dvbread/ts_read.h"

namespace tavik_eit {

class ScheduleReader {
 public:
  ScheduleReader();
  ~ScheduleReader();
  ScheduleReader(const ScheduleReader&) = delete;
  ScheduleReader& operator=(const ScheduleReader&) = delete;

  // False when the store could not be made.
  bool Ok() const { return store_ != nullptr; }
  // Whole 184-byte units, in the order the host hands them over.
  void Feed(const uint8_t* units, size_t length);
  const guide::EventStore& Store() const { return *store_; }
  const guide::SectionAssembler::Counts& Counts() const { return assembler_.counts(); }

  // A service's events in start order (those without a start left out).
  std::vector<guide::StoredEvent> Events(uint16_t serviceId) const;
  // The service ids held, in id order.
  std::vector<uint16_t> Services() const;

 private:
  guide::SectionAssembler assembler_;
  guide::EventStore* store_;
};

// The service's name from the SDT (UTF-8), or "Service N".
std::string ServiceTitle(const std::vector<dvbread::ServiceName>& names, uint16_t serviceId);

// --schedule: per service its events, one a line: date, start, duration,
// title; with details, below each event its whole text as the EPG panel
// shows it (genre names, age and marks, short text, extended description,
// items), indented, in UTF-8.
std::string FormatSchedule(const ScheduleReader& reader,
                           const std::vector<dvbread::ServiceName>& names,
                           const guide::TimeRules& rules, bool onlyService, uint16_t serviceId,
                           bool details = false);

// --xmltv: the whole XMLTV document. *programmes gets the number written,
// *untitled the events left out for want of a title.
std::string FormatXmltv(const ScheduleReader& reader, const std::vector<dvbread::ServiceName>& names,
                        bool onlyService, uint16_t serviceId, int* programmes, int* untitled);

// Reads the units of stream (deliveries as a host makes them) and prints the
// schedule, or writes XMLTV to standard output; source names the input in
// the schedule's first line. Returns the exit code: 0 with events, 1 without.
int RunSchedule(const std::vector<uint8_t>& stream, const std::vector<dvbread::ServiceName>& names,
                const guide::TimeRules& rules, bool xmltv, long service, const std::string& source,
                bool details = false);

}  // namespace tavik_eit
