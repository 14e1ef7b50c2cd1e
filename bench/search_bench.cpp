// Cost of one search keystroke over 5,000 events (title and a 300-byte
// description each), folded UTF-8 and 8-bit, against a plain scan of the
// same bytes for a word (the floor: reading the text once).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "guide/guide_search.h"

namespace {

constexpr int kEvents = 5000;

struct Guide {
  std::vector<std::string> titles, texts;
};

// Titles and descriptions of European broadcasts: Latin with accents, Greek, Cyrillic.
const Guide& Texts() {
  static Guide g = [] {
    const char* words[] = {"Nachrichten", "m\xC3\xA9t\xC3\xA9o", "Stra\xC3\x9F" "e", "Film",
                           "\xCE\x95\xCE\xB9\xCE\xB4\xCE\xAE\xCF\x83\xCE\xB5\xCE\xB9\xCF\x82",
                           "\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8", "the",
                           "\xC5\x81\xC3\xB3" "d\xC5\xBA", "Sport", "journal", "der", "una"};
    Guide out;
    uint32_t seed = 12345;
    auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (int i = 0; i < kEvents; ++i) {
      std::string title, text;
      while (title.size() < 30) title += std::string(words[next() % 12]) + " ";
      while (text.size() < 300) text += std::string(words[next() % 12]) + " ";
      out.titles.push_back(title);
      out.texts.push_back(text.substr(0, 300));
    }
    return out;
  }();
  return g;
}

// A word no event holds: every text is read to its end (the worst case).
void Filter(benchmark::State& state, const char* typed, bool unicode) {
  const Guide& g = Texts();
  guide::SearchQuery q;
  guide::PrepareSearch(typed, unicode, &q);
  for (auto _ : state) {
    int found = 0;
    for (int i = 0; i < kEvents; ++i) {
      const guide::SearchText t[2] = {{g.titles[i].data(), g.titles[i].size()},
                                      {g.texts[i].data(), g.texts[i].size()}};
      found += guide::SearchMatches(q, t, 2);
    }
    benchmark::DoNotOptimize(found);
  }
}

void BM_SearchUnicode(benchmark::State& state) { Filter(state, "Stra\xC3\x9F" "e zebra", true); }
void BM_Search8Bit(benchmark::State& state) { Filter(state, "strasse zebra", false); }

void BM_PlainScan(benchmark::State& state) {
  const Guide& g = Texts();
  for (auto _ : state) {
    int found = 0;
    for (int i = 0; i < kEvents; ++i)
      found += std::strstr(g.titles[i].c_str(), "zebra") != nullptr ||
               std::strstr(g.texts[i].c_str(), "zebra") != nullptr;
    benchmark::DoNotOptimize(found);
  }
}

BENCHMARK(BM_SearchUnicode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Search8Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainScan)->Unit(benchmark::kMillisecond);

}  // namespace
