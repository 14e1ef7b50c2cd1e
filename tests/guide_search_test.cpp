// Tests of the guide's search, the reminder book and the all-channels rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "guide/channel_overview.h"
#include "guide/guide_search.h"
#include "guide/reminders.h"

using namespace guide;

namespace {

constexpr int64_t kNow = 1628627400;  // 2021-08-10 20:30 UTC, a Tuesday

bool Matches(const char* typed, bool unicode, std::vector<std::string> texts) {
  SearchQuery q;
  PrepareSearch(typed, unicode, &q);
  std::vector<SearchText> t;
  for (const std::string& s : texts) t.push_back({s.data(), s.size()});
  return SearchMatches(q, t.data(), static_cast<int>(t.size()));
}

TEST(GuideSearch, WordsCaseAccentsGreekAndCyrillic) {
  struct Case { const char* typed; bool unicode; const char* title; const char* text; bool match; };
  const Case cases[] = {
      {"", false, "Anything", "", true},
      {"  \t ", true, "", "", true},
      {"news", false, "Evening NEWS", "", true},
      {"NEWS weather", false, "Evening News", "and the Weather", true},  // words over texts
      {"news sport", false, "Evening News", "and the weather", false},
      {"ws an", false, "News", "", false},  // no word across texts
      {u8"café", false, u8"CAFÉ", "", false},  // 8-bit: only ASCII folds
      {u8"café", false, u8"café", "", true},
      {"cafe", true, u8"Le CAFÉ de la gare", "", true},
      {u8"été", true, "ETE", "", true},  // accents typed too
      {"strasse", true, u8"Straße", "", true},
      {"lodz zurich", true, u8"Łódź", u8"Zürich", true},
      {"cafe", true, u8"Cafe\u0301", "", true},  // a combining accent
      {u8"ειδήσεις", true, u8"ΕΙΔΗΣΕΙΣ", "", true},
      {u8"новости", true, "", u8"НОВОСТИ дня", true},
      {u8"нов", false, u8"НОВ", "", false},
      {"x", true, "\xC3", "", false},  // a cut sequence
  };
  for (const Case& c : cases)
    EXPECT_EQ(Matches(c.typed, c.unicode, {c.title, c.text}), c.match)
        << c.typed << " in " << c.title;
}

TEST(GuideSearch, LongTextsAndBounds) {
  // A word across the fold's chunk boundary is still found; a text is read
  // only as far as its length.
  for (size_t at = 1000; at < 1040; ++at) {
    std::string text(at, 'a');
    text += u8"ÉNeedle";
    EXPECT_TRUE(Matches("eneedle", true, {text})) << at;
    EXPECT_TRUE(Matches("needle", false, {text})) << at;
  }
  SearchQuery q;
  PrepareSearch("news", false, &q);
  const SearchText cut = {"news", 3};
  EXPECT_FALSE(SearchMatches(q, &cut, 1));
  char small[4];
  EXPECT_EQ(FoldSearchText("\xC3\x86" "bc", 4, true, small, sizeof small), 3u);  // "aeb"
  EXPECT_STREQ(small, "aeb");
}

struct FakeSchedule {
  std::vector<std::pair<uint16_t, int64_t>> events;  // event id, start
  bool held = true;
  std::vector<std::string> log;
};

EventState FindIn(void* context, const ReminderChannel&, uint16_t eventId, int64_t* start) {
  FakeSchedule* s = static_cast<FakeSchedule*>(context);
  if (!s->held) return EventState::kUnknown;
  for (auto& e : s->events)
    if (e.first == eventId) return *start = e.second, EventState::kHeld;
  return EventState::kGone;
}

void LogTo(void* context, const char* line) {
  static_cast<FakeSchedule*>(context)->log.push_back(line);
}

TEST(GuideReminders, TheClockFollowsTheSchedule) {
  FakeSchedule s;
  s.events = {{1, kNow + 600}, {2, kNow + 900}, {3, kNow + 1200}};
  const ReminderHooks hooks = {&FindIn, &LogTo, &s};
  ReminderChannel ch = {0x10, 0x20, 0x30, "Harbour TV"};
  ReminderBook book;
  EXPECT_EQ(book.Toggle(ch, 1, kNow + 600, "News"), ToggleResult::kSet);
  EXPECT_EQ(book.Toggle(ch, 2, kNow + 900, "Film"), ToggleResult::kSet);
  for (ToggleResult r : {ToggleResult::kSet, ToggleResult::kCleared})
    EXPECT_EQ(book.Toggle(ch, 3, kNow + 1200, "Late"), r);
  EXPECT_TRUE(book.Has(ch, 1) && !book.Has({0x10, 0x21, 0x30, ""}, 1));  // not another stream's
  TimeRules rules;
  ReminderDue due;
  struct Step { int64_t now; int lead; const char* line; };
  const Step steps[] = {
      {kNow + 400, 2, nullptr},                                // before the lead time
      {kNow + 481, 2, "Starts in 2 min: 20:40 News"},          // 119 s: rounded up
      {kNow + 482, 2, nullptr},                                // once
      {kNow + 600, 0, nullptr},                                // remind 0: off
  };
  for (const Step& st : steps)
    EXPECT_STREQ(book.Tick(st.now, st.lead, rules, hooks, &due) ? due.line : nullptr, st.line);
  EXPECT_STREQ(due.channel.name, "Harbour TV");
  // The film moves 5 minutes later: its reminder moves with it.
  s.events[1].second = kNow + 1200;
  EXPECT_FALSE(book.Tick(kNow + 840, 2, rules, hooks, &due));
  ASSERT_TRUE(book.Tick(kNow + 1200, 2, rules, hooks, &due));
  EXPECT_STREQ(due.line, "Starts now: 20:50 Film");
  // Past its start the news goes; a schedule not held keeps, a gone event takes and logs.
  EXPECT_EQ(book.Count(), 1);
  book.Toggle(ch, 4, kNow + 3000, "Night");
  s.held = false;
  book.Tick(kNow + 1210, 2, rules, hooks, &due);
  EXPECT_EQ(book.Count(), 2);
  s.held = true;
  s.events.erase(s.events.begin() + 1);
  book.Tick(kNow + 1220, 2, rules, hooks, &due);
  EXPECT_EQ(book.Count(), 0);
  ASSERT_EQ(s.log.size(), 2u);
  EXPECT_EQ(s.log[0], "Reminder dropped, the event left the schedule: Harbour TV 20:50 Film");
}

TEST(GuideReminders, BoundAndBytes) {
  ReminderBook book;
  ReminderChannel ch = {1, 2, 3, "Chan"};
  for (int i = 0; i < kMaxReminders; ++i)
    ASSERT_EQ(book.Toggle(ch, uint16_t(i), kNow + 60 * i, "T"), ToggleResult::kSet);
  EXPECT_EQ(book.Toggle(ch, 500, kNow, "T"), ToggleResult::kFull);
  std::vector<uint8_t> bytes(book.Save(nullptr, 0));
  EXPECT_EQ(book.Save(bytes.data(), bytes.size() - 1), bytes.size());  // too small: nothing
  ASSERT_EQ(book.Save(bytes.data(), bytes.size()), bytes.size());
  ReminderBook back;
  ASSERT_TRUE(back.Load(bytes.data(), bytes.size(), kNow + 60 * 9));  // ten passed while closed
  EXPECT_EQ(back.Count(), kMaxReminders - 10);
  EXPECT_EQ(back.At(0).eventId, 10);
  EXPECT_STREQ(back.At(0).channel.name, "Chan");
  for (size_t cut = 0; cut < bytes.size(); cut += 97)  // damaged: nothing
    EXPECT_FALSE(back.Load(bytes.data(), cut, kNow)) << cut;
  EXPECT_EQ(back.Count(), 0);
}

TEST(GuideOverview, OrderAndRows) {
  const OverviewEvent news = {kNow - 600, 1800, "News"}, film = {kNow + 1200, 5400, "Film"},
                      open = {kNow - 60, 0, "Open end"};
  const OverviewChannel channels[] = {
      {"One", 5, false, &news, &film},
      {"Two", 9, false, &open, &film},
      {"Three", 7, true, &open, nullptr},
      {"Four", 8, false, nullptr, &film},  // no present event: no row
      {"Five", 1, false, &news, nullptr},
  };
  int order[8];
  ASSERT_EQ(OrderOverview(channels, 5, order, 8), 4);
  const char* expected[] = {"Three\t20:29 Open end", "Two\t20:29 Open end\t\t20:50 Film",
                            "One\t20:20 News\t+20 min\t20:50 Film", "Five\t20:20 News\t+20 min"};
  char row[320];
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(FormatOverviewRow(channels[order[i]], kNow, TimeRules(), row, sizeof row));
    EXPECT_STREQ(row, expected[i]);
  }
  EXPECT_FALSE(FormatOverviewRow(channels[3], kNow, TimeRules(), row, sizeof row));
  FormatOverviewRow(channels[0], kNow, TimeRules(), row, 8);  // cut at its buffer's end
  EXPECT_STREQ(row, "One\t20:");
  std::vector<SearchHit> hits;
  for (int i = 0; i < kSearchRowCap + 7; ++i)
    hits.push_back({kNow + 60 * (kSearchRowCap + 7 - i), i % 2, uint16_t(i), "One", "Film"});
  std::vector<std::string> rows;
  auto sink = [](void* c, const SearchHit*, const char* t) {
    static_cast<std::vector<std::string>*>(c)->push_back(t);
  };
  EXPECT_EQ(ComposeSearchRows(hits.data(), int(hits.size()), TimeRules(), sink, &rows),
            kSearchRowCap + 1);
  EXPECT_EQ(rows[0], "Tue 10.08. 20:31 One: Film");
  EXPECT_EQ(rows[kSearchRowCap], "7 more matches not listed");
  const TimeRules shifted = {nullptr, 4, false};
  FormatSearchRow({kNow + 86400 * 3, 0, 1, "Two", "Late"}, shifted, row, sizeof row);
  EXPECT_STREQ(row, "Sat 14.08. 00:30 Two: Late");
}

}  // namespace
