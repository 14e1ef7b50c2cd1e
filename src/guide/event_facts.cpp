// The genre names and colours and the age rating text of an event.
#include "guide/event_facts.h"

#include <cstring>

#include "common/text.h"

namespace guide {
namespace {

constexpr int kLevels = 16;
constexpr uint8_t kUserDefined = 0xF;

// The groups' names and their level-2 names, in English as the DVB content
// classification gives them. Level 2 of 0x0 is the group in general (its
// name is the group's) except for the special characteristics, whose 0x0 is
// "original language"; 0xF is the broadcaster's own; nullptr is reserved.
struct GroupNames {
  const char* group;
  const char* sub[kLevels];
};

constexpr GroupNames kGroups[kGenreGroups] = {
    {"Movie/Drama",
     {nullptr, "detective/thriller", "adventure/western/war", "science fiction/fantasy/horror",
      "comedy", "soap/melodrama/folklore", "romance",
      "serious/classical/religious/historical movie/drama", "adult movie/drama"}},
    {"News/Current affairs",
     {nullptr, "news/weather report", "news magazine", "documentary",
      "discussion/interview/debate"}},
    {"Show/Game show", {nullptr, "game show/quiz/contest", "variety show", "talk show"}},
    {"Sports",
     {nullptr, "special events", "sports magazines", "football/soccer", "tennis/squash",
      "team sports (excluding football)", "athletics", "motor sport", "water sport",
      "winter sports", "equestrian", "martial sports"}},
    {"Children's/Youth programmes",
     {nullptr, "pre-school children's programmes", "entertainment programmes for 6 to 14",
      "entertainment programmes for 10 to 16", "informational/educational/school programmes",
      "cartoons/puppets"}},
    {"Music/Ballet/Dance",
     {nullptr, "rock/pop", "serious music/classical music", "folk/traditional music", "jazz",
      "musical/opera", "ballet"}},
    {"Arts/Culture (without music)",
     {nullptr, "performing arts", "fine arts", "religion", "popular culture/traditional arts",
      "literature", "film/cinema", "experimental film/video", "broadcasting/press", "new media",
      "arts/culture magazines", "fashion"}},
    {"Social/Political issues/Economics",
     {nullptr, "magazines/reports/documentary", "economics/social advisory",
      "remarkable people"}},
    {"Education/Science/Factual topics",
     {nullptr, "nature/animals/environment", "technology/natural sciences",
      "medicine/physiology/psychology", "foreign countries/expeditions",
      "social/spiritual sciences", "further education", "languages"}},
    {"Leisure hobbies",
     {nullptr, "tourism/travel", "handicraft", "motoring", "fitness and health", "cooking",
      "advertisement/shopping", "gardening"}},
    {"Special characteristics",
     {"original language", "black and white", "unpublished", "live broadcast",
      "plano-stereoscopic", "local or regional"}},
};

// Chosen to read on the EPG panel: each has a contrast of at least 4.5:1 on
// the list's white and 4.3:1 on the panel's grey (0xE8E8E8), as text and as
// a mark, and the hues stay apart from each other.
constexpr GenreColour kColours[kGenreGroups] = {
    {0x1, 0xB3261E, "Movie/Drama"},                        // red
    {0x2, 0x1F5AA6, "News/Current affairs"},               // blue
    {0x3, 0x8E2A9E, "Show/Game show"},                     // purple
    {0x4, 0x1E7B34, "Sports"},                             // green
    {0x5, 0xA85400, "Children's/Youth programmes"},        // orange
    {0x6, 0x5B3FC4, "Music/Ballet/Dance"},                 // violet
    {0x7, 0x00756F, "Arts/Culture (without music)"},       // teal
    {0x8, 0x7A6200, "Social/Political issues/Economics"},  // olive
    {0x9, 0x0B6E99, "Education/Science/Factual topics"},   // cyan
    {0xA, 0xC0186A, "Leisure hobbies"},                    // rose
    {0xB, 0x5F6368, "Special characteristics"},            // grey
};

bool Named(uint8_t level1) { return level1 >= kFirstGenreGroup && level1 <= kLastGenreGroup; }

// Appends text to out at *at when it fits whole; false (out unchanged past
// *at) when it does not.
bool AppendWhole(char* out, size_t capacity, size_t* at, const char* text, size_t length) {
  if (*at + length >= capacity) return false;
  std::memcpy(out + *at, text, length);
  *at += length;
  out[*at] = '\0';
  return true;
}

// "12+" for an age.
size_t AgeWord(int age, char* out, size_t capacity) {
  const int n = FormatText(out, capacity, "%d+", age);
  return Truncated(n, capacity) ? 0 : static_cast<size_t>(n);
}

// The country code in upper case; what is no letter or digit shows as '?'.
void CountryCode(const RatingEntry& e, char* code) {
  for (int k = 0; k < 3; ++k) {
    const char c = e.country[k];
    code[k] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A')
              : (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? c
                                                                   : '?';
  }
  code[3] = '\0';
}

}  // namespace

const char* GenreGroupName(uint8_t level1) {
  return Named(level1) ? kGroups[level1 - kFirstGenreGroup].group : nullptr;
}

const char* GenreSubName(uint8_t level1, uint8_t level2) {
  if (!Named(level1) || level2 >= kLevels) return nullptr;
  if (level2 == kUserDefined) return "user defined";
  return kGroups[level1 - kFirstGenreGroup].sub[level2];
}

bool GenreName(Genre genre, char* out, size_t capacity) {
  if (capacity > 0) out[0] = '\0';
  const char* group = GenreGroupName(genre.level1);
  if (group == nullptr) return false;
  const char* sub = GenreSubName(genre.level1, genre.level2);
  if (sub != nullptr)
    FormatText(out, capacity, "%s: %s", group, sub);
  else
    CopyText(out, capacity, group);
  return true;
}

size_t ReadGenres(const uint8_t* payload, size_t length, Genre* out, size_t capacity) {
  size_t n = 0;
  for (size_t i = 0; payload != nullptr && i + 1 < length && n < capacity; i += 2) {
    out[n].level1 = payload[i] >> 4;
    out[n].level2 = payload[i] & 0x0F;
    ++n;
  }
  return n;
}

bool FirstNamedGenre(const uint8_t* payload, size_t length, Genre* out) {
  for (size_t i = 0; payload != nullptr && i + 1 < length; i += 2) {
    if (!Named(payload[i] >> 4)) continue;
    out->level1 = payload[i] >> 4;
    out->level2 = payload[i] & 0x0F;
    return true;
  }
  return false;
}

const GenreColour* GenreColours() { return kColours; }

bool GenreColourOf(uint8_t level1, uint32_t* rgb) {
  if (!Named(level1)) return false;
  *rgb = kColours[level1 - kFirstGenreGroup].rgb;
  return true;
}

size_t ReadRatings(const uint8_t* payload, size_t length, RatingEntry* out, size_t capacity) {
  size_t n = 0;
  for (size_t i = 0; payload != nullptr && i + 3 < length && n < capacity; i += 4) {
    std::memcpy(out[n].country, payload + i, 3);
    out[n].rating = payload[i + 3];
    ++n;
  }
  return n;
}

int RatingAge(uint8_t rating) { return rating >= 0x01 && rating <= 0x0F ? rating + 3 : 0; }

size_t AgeText(const RatingEntry* entries, size_t count, char* out, size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = '\0';
  // The entries with an age, each country once (its first entry counts).
  constexpr size_t kMost = 64;  // a descriptor holds at most 63
  char codes[kMost][4];
  int ages[kMost];
  size_t n = 0;
  bool differ = false;
  for (size_t i = 0; i < count && n < kMost; ++i) {
    ages[n] = RatingAge(entries[i].rating);
    if (ages[n] == 0) continue;
    CountryCode(entries[i], codes[n]);
    bool seen = false;
    for (size_t k = 0; k < n && !seen; ++k) seen = std::memcmp(codes[k], codes[n], 3) == 0;
    if (seen) continue;
    differ |= ages[n] != ages[0];
    ++n;
  }
  if (n == 0) return 0;
  if (!differ) return AgeWord(ages[0], out, capacity);
  size_t at = 0;
  for (size_t i = 0; i < n; ++i) {
    char entry[16];
    const char* gap = at > 0 ? " / " : "";
    const int len = FormatText(entry, sizeof entry, "%s%s %d+", gap, codes[i], ages[i]);
    if (Truncated(len, sizeof entry) ||
        !AppendWhole(out, capacity, &at, entry, static_cast<size_t>(len)))
      break;
  }
  return at;
}

}  // namespace guide
