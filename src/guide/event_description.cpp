// An event's whole text from its kept descriptors: facts, then description.
#include "guide/event_description.h"

#include <cstring>

#include "guide/eit_decoder.h"
#include "guide/schedule_text.h"
#include "text/dvb_text.h"

namespace guide {
namespace {

// Text written into a fixed buffer, always terminated; what does not fit is
// left out whole by the writers it calls.
class Writer {
 public:
  Writer(char* out, size_t capacity) : out_(out), cap_(capacity) {
    if (cap_ > 0) out_[0] = '\0';
  }
  size_t length() const { return n_; }
  char* at() { return out_ + n_; }
  size_t room() const { return cap_ - n_; }
  // Takes what a writer put at at(): room() must have been above 0.
  void Took(size_t n) { n_ += n; }
  void Put(const char* s) {
    for (; *s != '\0' && n_ + 1 < cap_; ++s) out_[n_++] = *s;
    if (cap_ > 0) out_[n_] = '\0';
  }
  // A line break before a part that follows another.
  void Break() {
    if (n_ > 0) Put("\n");
  }
  // Drops what was written after mark (a part that came out empty).
  void Back(size_t mark) {
    n_ = mark;
    if (cap_ > 0) out_[n_] = '\0';
  }

 private:
  char* out_;
  size_t cap_;
  size_t n_ = 0;
};

// A part of text on its own line: nothing (not even the break) when it
// converts to nothing.
void PutPart(Writer* w, const uint8_t* bytes, size_t length, bool unicode) {
  if (length == 0 || w->room() == 0) return;
  const size_t mark = w->length();
  w->Break();
  if (w->room() == 0) return w->Back(mark);
  const size_t n = ShownText(bytes, length, unicode, false, w->at(), w->room());
  if (n == 0) return w->Back(mark);
  w->Took(n);
}

bool IsBlankText(const char* s) {
  for (; *s != '\0'; ++s)
    if (*s != ' ' && *s != '\n' && *s != '\r' && *s != '\t') return false;
  return true;
}

}  // namespace

void ReadEventFacts(const StoredEvent& e, EventFacts* out) {
  *out = EventFacts();
  Component components[kMaxEventComponents];
  size_t componentCount = 0;
  const size_t kept = e.detailLength <= sizeof e.detail ? e.detailLength : sizeof e.detail;
  DescriptorCursor cursor(ByteView{e.detail, kept});
  Descriptor d;
  while (cursor.Next(&d)) {
    switch (d.tag) {
      case kContentDescriptor:
        out->genreCount += ReadGenres(d.body.data, d.body.size, out->genres + out->genreCount,
                                      kMaxEventGenres - out->genreCount);
        break;
      case kParentalRatingDescriptor:
        out->ratingCount +=
            ReadRatings(d.body.data, d.body.size, out->ratings + out->ratingCount,
                        kMaxEventRatings - out->ratingCount);
        break;
      case kComponentDescriptor:
        if (componentCount < kMaxEventComponents &&
            ReadComponent(d.body.data, d.body.size, &components[componentCount]))
          ++componentCount;
        break;
      case kExtendedEventDescriptor:
        if (out->extendedCount < kMaxExtendedDescriptors)
          out->extended[out->extendedCount++] = {d.body.data, d.body.size};
        break;
      default:
        break;
    }
  }
  out->marks = EventMarks(components, componentCount);
}

size_t GenreNames(const EventFacts& facts, char* out, size_t capacity) {
  Writer w(out, capacity);
  char names[kMaxEventGenres][kGenreNameBuffer];
  size_t named = 0;
  for (size_t i = 0; i < facts.genreCount; ++i) {
    if (!GenreName(facts.genres[i], names[named], sizeof names[named])) continue;
    bool again = false;
    for (size_t k = 0; k < named && !again; ++k) again = std::strcmp(names[k], names[named]) == 0;
    if (again) continue;
    // A name that does not fit whole is left out.
    if (std::strlen(names[named]) + (named > 0 ? 2 : 0) >= w.room()) break;
    if (named > 0) w.Put(", ");
    w.Put(names[named++]);
  }
  return w.length();
}

size_t AgeAndMarks(const EventFacts& facts, char* out, size_t capacity) {
  if (capacity == 0) return 0;
  size_t n = AgeText(facts.ratings, facts.ratingCount, out, capacity);
  if (n > 0 && n + 2 < capacity && (facts.marks & ((1u << kMarkCount) - 1)) != 0) {
    out[n] = ' ';
    const size_t m = MarksLine(facts.marks, out + n + 1, capacity - n - 1);
    n = m > 0 ? n + 1 + m : n;
    out[n] = '\0';
  } else if (n == 0) {
    n = MarksLine(facts.marks, out, capacity);
  }
  return n;
}

size_t FormatDescription(const StoredEvent& e, const EventFacts& facts, bool unicode, char* out,
                         size_t capacity, DescriptionParts* parts) {
  DescriptionParts made;
  Writer w(out, capacity);
  // The extended description joined, and as UTF-8 to see whether it begins
  // with the short text.
  uint8_t joined[kExtendedBuffer];
  JoinedExtended x;
  const char* language = e.language[0] != '\0' ? e.language : nullptr;
  const bool extended = facts.extendedCount > 0 &&
                        JoinExtended(facts.extended, facts.extendedCount, language, joined,
                                     sizeof joined, &x) &&
                        (x.text.length > 0 || x.itemCount > 0);
  bool repeated = false;
  if (extended && e.textLength > 0) {
    char shortUtf8[3 * 255 + 1];
    char extendedUtf8[3 * kExtendedBuffer + 1];
    dvbtext::ToUtf8(e.text, e.textLength, dvbtext::Breaks::kNewline, shortUtf8, sizeof shortUtf8);
    dvbtext::ToUtf8(joined + x.text.offset, x.text.length, dvbtext::Breaks::kNewline,
                    extendedUtf8, sizeof extendedUtf8);
    repeated = ExtendedRepeatsShort(shortUtf8, extendedUtf8);
  }
  if (!repeated) {
    PutPart(&w, e.text, e.textLength, unicode);
    made.shortLength = w.length();
    made.shortShown = made.shortLength > 0;
  }
  if (extended) {
    made.extended = true;
    PutPart(&w, joined + x.text.offset, x.text.length, unicode);
    for (size_t i = 0; i < x.itemCount; ++i) {
      const ExtendedItem& item = x.items[i];
      const size_t mark = w.length();
      PutPart(&w, joined + item.description.offset, item.description.length, unicode);
      const bool described = w.length() > mark;
      if (described) w.Put(": ");
      const size_t before = w.length();
      if (w.room() > 0) {
        if (!described) w.Break();
        w.Took(ShownText(joined + item.item.offset, item.item.length, unicode, false, w.at(),
                         w.room()));
      }
      if (w.length() == before || IsBlankText(out + before)) w.Back(mark);
    }
  }
  if (parts != nullptr) *parts = made;
  return w.length();
}

size_t FormatEventText(const StoredEvent& e, bool unicode, char* out, size_t capacity) {
  EventFacts facts;
  ReadEventFacts(e, &facts);
  Writer w(out, capacity);
  if (w.room() > 0) w.Took(GenreNames(facts, w.at(), w.room()));
  const size_t mark = w.length();
  w.Break();
  if (w.room() > 0) {
    const size_t n = AgeAndMarks(facts, w.at(), w.room());
    if (n == 0) w.Back(mark);
    else w.Took(n);
  }
  const size_t before = w.length();
  w.Break();
  if (w.room() > 0) {
    const size_t n = FormatDescription(e, facts, unicode, w.at(), w.room());
    if (n == 0) w.Back(before);
    else w.Took(n);
  }
  return w.length();
}

}  // namespace guide
