// An event's genre and age rating in words: the content descriptor's nibbles
// to the DVB genre names and the group's colour, the parental rating
// descriptor's entries to "12+". Pure functions over the descriptors' bytes
// (those after tag and length), called when a row, a detail or an XMLTV
// element is made.
#pragma once

#include <cstddef>
#include <cstdint>

namespace guide {

// The content descriptor's tag and the parental rating descriptor's.
constexpr uint8_t kContentDescriptor = 0x54;
constexpr uint8_t kParentalRatingDescriptor = 0x55;

// One genre: content_nibble_level_1 and _2.
struct Genre {
  uint8_t level1 = 0;
  uint8_t level2 = 0;
};

// The genre groups with a name: level 1 from 0x1 (Movie/Drama) to 0xB
// (Special characteristics).
constexpr uint8_t kFirstGenreGroup = 0x1;
constexpr uint8_t kLastGenreGroup = 0xB;
constexpr int kGenreGroups = kLastGenreGroup - kFirstGenreGroup + 1;

// A name long enough for every group and level-2 name joined.
constexpr size_t kGenreNameBuffer = 96;

// The name of a level-1 group ("Movie/Drama"); nullptr for 0x0 (undefined),
// the reserved 0xC-0xE and 0xF (the broadcaster's own).
const char* GenreGroupName(uint8_t level1);

// The level-2 name within its group ("comedy", "user defined" for 0xF);
// nullptr when the group has no name, for the group's general entry (its
// name is the group's) and for reserved values.
const char* GenreSubName(uint8_t level1, uint8_t level2);

// "Movie/Drama: comedy", or the group's name alone when level 2 has no name
// of its own; "" (false) when the group has none. Truncates to capacity.
bool GenreName(Genre genre, char* out, size_t capacity);

// The genres of a content descriptor's payload, in broadcast order (two
// bytes each: the nibbles, then a user byte); returns how many were written
// to out (at most capacity). A trailing odd byte is ignored.
size_t ReadGenres(const uint8_t* payload, size_t length, Genre* out, size_t capacity);

// The first genre of the payload whose group has a name; false when none.
bool FirstNamedGenre(const uint8_t* payload, size_t length, Genre* out);

// A group's colour on the EPG panel (as a mark at a row's left edge or as
// its text colour), and its name, for the user guide's table.
struct GenreColour {
  uint8_t level1;
  uint32_t rgb;  // 0xRRGGBB
  const char* name;
};

// The eleven groups' colours, in level-1 order.
const GenreColour* GenreColours();

// The colour of a group as 0xRRGGBB; false (and no colour) for a group
// without a name, so rows without a genre look as they always did.
bool GenreColourOf(uint8_t level1, uint32_t* rgb);

// One entry of the parental rating descriptor: a country code as broadcast
// (ISO 3166 alpha-3, or a region code such as "902") and its rating.
struct RatingEntry {
  char country[3];
  uint8_t rating;
};

// The entries of a parental rating descriptor's payload (four bytes each);
// returns how many were written to out (at most capacity).
size_t ReadRatings(const uint8_t* payload, size_t length, RatingEntry* out, size_t capacity);

// The minimum age a rating means (rating + 3 for 0x01-0x0F); 0 for 0
// (undefined) and for the broadcaster's own ratings above 0x0F.
int RatingAge(uint8_t rating);

// The age as shown: "12+" when every entry with an age says the same,
// "DEU 12+ / FRA 10+" when countries differ (each country once, first entry
// wins), "" when no entry has an age. Never cuts an entry in half: what does
// not fit whole is left out. Returns the length written.
size_t AgeText(const RatingEntry* entries, size_t count, char* out, size_t capacity);

}  // namespace guide
