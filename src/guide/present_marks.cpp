// The present programme's age and marks for the banner: read from the
// store's copy of its own descriptors under the schedule lock.
#include "common/channel_record.h"
#include "guide/event_description.h"
#include "guide/event_store.h"
#include "guide/schedule.h"
#include "guide/schedule_engine.h"

namespace guide {
namespace {

struct MarksRequest {
  uint16_t serviceId;
  EventTiming timing;
  PresentMarks* out;
};

void ReadMarks(const EventStore& store, void* context) {
  MarksRequest* r = static_cast<MarksRequest*>(context);
  StoredEvent e;
  // The store's event of that id is the present one only when it starts as
  // the present/following section says (an id a broadcaster used again for
  // another day's programme says nothing about this one).
  if (!store.Find(r->serviceId, r->timing.eventId, &e) || e.key.startUtc != r->timing.startUtc)
    return;
  EventFacts facts;
  ReadEventFacts(e, &facts);
  AgeText(facts.ratings, facts.ratingCount, r->out->age, sizeof r->out->age);
  r->out->marks = facts.marks;
  r->out->found = true;
}

}  // namespace

bool CopyPresentMarks(PresentMarks* out) {
  if (out == nullptr) return false;
  *out = PresentMarks();
  MarksRequest r = {CurrentServiceId(), {}, out};
  if (!PresentEventTiming(&r.timing)) return false;
  out->eventId = r.timing.eventId;
  ReadSchedule(&ReadMarks, &r);
  return out->found;
}

}  // namespace guide
