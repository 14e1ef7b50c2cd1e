// Fuzz target for the section assembler, the section decoder and the event
// store: any run of header-less units, into a store small enough to fill.
// The input after its control byte is also read whole as one section by the
// decoder, every event, descriptor and view of it, from an exact-size copy.
//
// Input: a control byte (bits 0-1: the store's blocks, 1 to 4; bit 2: a
// clock, else none; bits 3-4: which service counts as tuned), then units of
// 184 bytes (a last partial unit is stuffed with 0xFF). Every section the
// assembler hands on must hold its CRC; the store must stay within its
// blocks and agree with itself whatever it is fed.
//
// Seeds from the real captures (runs of their EIT units) are written at
// start-up when TAVIK_EIT_SEEDS names a folder (the corpus).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "guide/crc32.h"
#include "guide/eit_decoder.h"
#include "guide/event_store.h"
#include "guide/section_assembler.h"
#include "tests/hostkit/ts_capture.h"

namespace {

constexpr size_t kUnit = guide::kAssemblerUnit;
constexpr size_t kSeedUnits = 100;

void WriteSeeds(const std::string& dir) {
  int n = 0;
  for (const std::string& path : tscap::CaptureFiles()) {
    std::vector<tscap::Unit> read;  // the PID 0x0012 units, as a host delivers them
    tscap::ReadPidUnits(path, tscap::kEitPid, &read);
    const std::vector<uint8_t> units = tscap::Concatenate(read);
    // A few runs from different places of each capture.
    for (size_t at = 0, k = 0; at < units.size() && k < 3; at += units.size() / 3 + kUnit, ++k) {
      at -= at % kUnit;
      std::vector<uint8_t> seed = {static_cast<uint8_t>(k * 5)};
      const size_t end = std::min(units.size(), at + kSeedUnits * kUnit);
      seed.insert(seed.end(), units.begin() + at, units.begin() + end);
      std::ofstream(dir + "/capture-" + std::to_string(n++), std::ios::binary)
          .write(reinterpret_cast<const char*>(seed.data()), seed.size());
    }
  }
}

struct Run {
  guide::EventStore* store;
  int64_t clock;
  uint16_t tuned;
};

void Take(void* context, const uint8_t* section, size_t size) {
  Run* run = static_cast<Run*>(context);
  if (!guide::SectionCrcHolds(section, size)) std::abort();  // the CRC is the judge
  (void)section[-1];  // the byte before a section is readable, as promised
  run->store->Put(section, size, run->clock, run->tuned);
}

void CheckStore(const guide::EventStore& store, int blocks) {
  const guide::StoreFigures f = store.Figures();
  if (f.bytesUsed > f.bytesReserved || f.services > guide::kStoreServices) std::abort();
  if (f.bytesReserved > size_t(blocks) * guide::kStoreSlot * guide::kStoreBlockSlots + (256u << 10))
    std::abort();
  uint16_t ids[guide::kStoreServices];
  const int n = store.Services(ids, guide::kStoreServices);
  int events = 0;
  static guide::EventKey keys[guide::kStoreMaxBlocks * guide::kStoreBlockSlots];
  for (int s = 0; s < n; ++s) {
    const int count = store.Keys(ids[s], keys, static_cast<int>(sizeof keys / sizeof keys[0]));
    if (count != store.EventCount(ids[s])) std::abort();
    events += count;
    guide::StoredEvent e;
    for (int k = 0; k < count; k += 7)
      if (!store.Find(ids[s], keys[k].eventId, &e) || e.key.eventId != keys[k].eventId) std::abort();
  }
  if (events != f.events) std::abort();
}

// Touches every byte a view gives, so a view past its section is caught.
unsigned Touch(guide::ByteView v) {
  unsigned sum = 0;
  for (size_t i = 0; i < v.size; ++i) sum += v.data[i];
  return sum;
}

unsigned WalkSection(const std::vector<uint8_t>& section) {
  guide::EitHeader header;
  guide::ByteView events;
  if (!guide::ReadEitSection(section.data(), section.size(), &header, &events)) return 0;
  unsigned sum = 0;
  guide::EitEventCursor cursor(events);
  for (guide::EitEvent event; cursor.Next(&event);) {
    guide::DescriptorCursor loop(event.descriptors);
    guide::ShortEventView shortEvent;
    if (guide::FindShortEvent(event.descriptors, &shortEvent))
      sum += Touch(shortEvent.language) + Touch(shortEvent.name) + Touch(shortEvent.text);
    for (guide::Descriptor d; loop.Next(&d);) {
      guide::ExtendedEventView extended;
      guide::ContentView content;
      guide::ParentalRatingView rating;
      guide::ComponentView component;
      guide::ByteView description, item;
      if (guide::ReadExtendedEvent(d, &extended)) {
        sum += Touch(extended.language) + Touch(extended.text);
        for (guide::ItemCursor items(extended.items); items.Next(&description, &item);)
          sum += Touch(description) + Touch(item);
      } else if (guide::ReadContent(d, &content)) {
        for (size_t i = 0; i < content.Count(); ++i) sum += content.Genre(i) + content.UserByte(i);
      } else if (guide::ReadParentalRating(d, &rating)) {
        for (size_t i = 0; i < rating.Count(); ++i) sum += Touch(rating.Country(i)) + rating.Rating(i);
      } else if (guide::ReadComponent(d, &component)) {
        sum += Touch(component.language) + Touch(component.text);
      }
    }
  }
  return sum;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* dir = std::getenv("TAVIK_EIT_SEEDS")) WriteSeeds(dir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  volatile unsigned walked = WalkSection(std::vector<uint8_t>(data + 1, data + size));
  (void)walked;
  const int blocks = 1 + (data[0] & 3);
  static guide::SectionAssembler assembler;
  assembler.Reset();
  Run run = {guide::EventStore::Create(blocks), (data[0] & 4) != 0 ? 1628627400 : guide::kNoClock,
             static_cast<uint16_t>((data[0] >> 3) & 3)};
  if (run.store == nullptr) return 0;
  uint8_t unit[kUnit];
  int fed = 0;
  for (size_t at = 1; at < size; at += kUnit) {
    const size_t n = size - at < kUnit ? size - at : kUnit;
    std::memset(unit, 0xFF, sizeof unit);
    std::memcpy(unit, data + at, n);
    assembler.Feed(unit, &Take, &run);
    if (++fed % 16 == 0) {
      run.store->Expire(run.clock + fed * 600, run.tuned);
      CheckStore(*run.store, blocks);
    }
  }
  CheckStore(*run.store, blocks);
  guide::EventStore::Destroy(run.store);
  return 0;
}
