// The kept guide: tavik.epg's container and its disk stage, the remembered
// channels and the keeper's timing.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "guide/schedule.h"
#include "guide/schedule_engine.h"
#include "keep/guide_file_disk.h"
#include "keep/guide_keeper.h"
#include "keep/guide_keeping.h"
#include "keep/remembered_channels.h"
#include "hostkit/record.h"
#include "settings/settings.h"
#include "tests/fakes/fake_ui_runtime.h"
#include "tests/support/plugin_fixture.h"

namespace {

using namespace keep;
using testing_support::ReadFile;
using testing_support::WriteFile;
constexpr uint64_t kMinute = 60 * 1000;

// A plug-in folder whose name is not ASCII, removed after the test.
struct Folder {
  std::string dir = testing_support::MakeTempDir() + "/Gu\xC3\xAD" "de \xE6\x9D\xB1";
  std::string file = dir + "/tavik.epg";
  Folder() { std::filesystem::create_directory(dir); }
  ~Folder() { std::filesystem::remove_all(std::filesystem::path(dir).parent_path()); }
  size_t Entries() const {
    size_t n = 0;
    for (auto& e : std::filesystem::directory_iterator(dir)) n += e.is_regular_file();
    return n;
  }
};

std::unique_ptr<RememberedChannels> Channels(int count, int first = 1) {
  auto channels = std::make_unique<RememberedChannels>();
  for (int i = first; i < first + count; ++i)
    channels->Learn(("Channel " + std::to_string(i)).c_str(), static_cast<uint16_t>(i), 11000 + i);
  return channels;
}

// A whole file: the channels and a store part of padding bytes.
std::string FileOf(const RememberedChannels& channels, size_t padding = 0) {
  GuideFileWriter file;
  file.Begin();
  channels.WritePart(&file.BeginPart(kPartChannels));
  file.EndPart();
  file.BeginPart(kPartStore).Bytes(std::string(padding, 'x').data(), padding);
  file.EndPart();
  EXPECT_TRUE(file.Finish());
  return std::string(reinterpret_cast<const char*>(file.buffer().data()), file.buffer().size());
}

FileProblem Save(const std::string& path, const std::string& bytes, Deadline deadline = {}) {
  return SaveGuideFile(path.c_str(), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                       deadline);
}

// Loads the file at path into a fresh list; the problem, and the list's size.
FileProblem LoadChannels(const std::string& path, size_t* count) {
  ByteBuffer bytes(kGuideFileMost);
  GuideFileView view;
  FileProblem problem = LoadGuideFile(path.c_str(), &bytes, &view);
  auto channels = std::make_unique<RememberedChannels>();
  const GuideFileView::Part* part = view.Find(kPartChannels);
  if (part != nullptr) {
    EXPECT_TRUE(channels->ReadPart(part->data, part->size));
  }
  *count = channels->Count();
  return problem;
}

TEST(GuideFile, ChannelsWrittenAndReadBackAreTheSame) {
  Folder folder;
  auto written = Channels(3);
  written->Learn("Kan\xC3\xA1l \xC4\x8C", 0xFFFF, 0xFFFFFFFFu);
  ASSERT_TRUE(written->SetStreamIds(2, 11002, 0x0437, 0x0001));
  ASSERT_EQ(Save(folder.file, FileOf(*written)), FileProblem::kNone);

  ByteBuffer bytes(kGuideFileMost);
  GuideFileView view;
  ASSERT_EQ(LoadGuideFile(folder.file.c_str(), &bytes, &view), FileProblem::kNone);
  ASSERT_EQ(view.count, 2u);
  auto read = std::make_unique<RememberedChannels>();
  const GuideFileView::Part* part = view.Find(kPartChannels);
  ASSERT_TRUE(part != nullptr && read->ReadPart(part->data, part->size));
  ASSERT_EQ(read->Count(), 4u);
  ByteBuffer again(1 << 20);  // every field of every channel, in order
  read->WritePart(&again);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(again.data()), again.size()),
            std::string(reinterpret_cast<const char*>(part->data), part->size));
  RememberedChannel c;
  EXPECT_TRUE(read->At(0, &c) && std::string(c.name) == "Kan\xC3\xA1l \xC4\x8C");
  EXPECT_TRUE(read->At(2, &c) && c.streamIdsKnown && c.transportStreamId == 0x0437);
  EXPECT_EQ(folder.Entries(), 1u);  // no temporary file left behind
}

TEST(GuideFile, DoubtfulFilesLoadNothingAndTheNextWriteReplacesThem) {
  const std::string good = FileOf(*Channels(5));
  std::string flipped = good, future = good;
  flipped[good.size() / 2] ^= 0x10;
  future[8] = 2;
  const struct {
    const char* what;
    std::string bytes;
    FileProblem problem;
  } cases[] = {
      {"empty", "", FileProblem::kEmpty},
      {"truncated", good.substr(0, good.size() - 7), FileProblem::kTruncated},
      {"header only", good.substr(0, 12), FileProblem::kTruncated},
      {"bit-flipped", flipped, FileProblem::kCorrupt},
      {"crc cut off", good.substr(0, good.size() - 4) + std::string(4, '\0'), FileProblem::kCorrupt},
      {"foreign", "<?xml version=\"1.0\"?><tv></tv>", FileProblem::kNotOurs},
      {"future version", future, FileProblem::kOtherVersion},
      {"20 MB", good + std::string(20u << 20, '\0'), FileProblem::kTooLarge},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Folder folder;
    WriteFile(folder.file, c.bytes);
    size_t count = 99;
    EXPECT_EQ(LoadChannels(folder.file, &count), c.problem);
    EXPECT_EQ(count, 0u);
    ASSERT_EQ(Save(folder.file, good), FileProblem::kNone);
    EXPECT_EQ(LoadChannels(folder.file, &count), FileProblem::kNone);
    EXPECT_EQ(count, 5u);
  }
  Folder folder;  // a folder where the file should be: unreadable
  std::filesystem::create_directory(folder.file);
  size_t count = 99;
  EXPECT_EQ(LoadChannels(folder.file, &count), FileProblem::kUnreadable);
  EXPECT_EQ(LoadChannels(folder.dir + "/none.epg", &count), FileProblem::kMissing);
}

TEST(GuideFile, AStoppedWriteLeavesTheOldFileWhole) {
  Folder folder;
  const std::string old = FileOf(*Channels(2)), next = FileOf(*Channels(7), 1 << 20);
  ASSERT_EQ(Save(folder.file, old), FileProblem::kNone);
  // A viewer ended after its temporary file was written, before the move.
  WriteFile(folder.file + ".4242-0.tmp", next.substr(0, next.size() / 2));
  // A write whose deadline passes after its first piece.
  int pieces = 0;
  Deadline soon{[](void* n) { return ++*static_cast<int*>(n) > 1; }, &pieces};
  EXPECT_EQ(Save(folder.file, next, soon), FileProblem::kOutOfTime);
  EXPECT_EQ(ReadFile(folder.file), old);
  EXPECT_EQ(folder.Entries(), 2u);  // its own temporary file removed
  EXPECT_EQ(Save(folder.dir + "/no such folder/tavik.epg", old), FileProblem::kCannotWrite);

  // Two viewers writing into one folder: every file read is whole.
  const std::string a = FileOf(*Channels(3), 300000), b = FileOf(*Channels(4), 200000);
  std::atomic<int> torn{0};
  std::thread other([&] {
    for (int i = 0; i < 20; ++i) Save(folder.file, b);
  });
  for (int i = 0; i < 20; ++i) {
    Save(folder.file, a);
    std::string seen = ReadFile(folder.file);
    torn += seen != a && seen != b;
  }
  other.join();
  EXPECT_EQ(torn, 0);
}

TEST(RememberedChannels, MostRecentFirstAndAtMostAThousand) {
  auto channels = Channels(1001);
  ASSERT_EQ(channels->Count(), RememberedChannels::kMost);
  RememberedChannel c;
  ASSERT_TRUE(channels->At(0, &c));
  EXPECT_EQ(c.serviceId, 1001);
  ASSERT_TRUE(channels->At(999, &c));
  EXPECT_EQ(c.serviceId, 2);  // channel 1, tuned longest ago, left

  uint32_t changes = channels->Changes();
  channels->Learn("Channel 1001", 1001, 12001);  // tuned again: nothing new
  EXPECT_EQ(channels->Changes(), changes);
  channels->Learn("Renamed", 500, 11500);  // tuned again: to the front, renamed
  channels->Learn("Channel 500", 500, 12345);  // another transponder: another channel
  ASSERT_TRUE(channels->At(1, &c));
  EXPECT_STREQ(c.name, "Renamed");
  EXPECT_EQ(channels->Count(), 1000u);
  EXPECT_FALSE(channels->SetStreamIds(1, 11001, 1, 1));  // forgotten

  // A part read after the start joins behind the channels tuned since.
  auto fresh = Channels(2, 999);
  ByteBuffer part(1 << 20);
  Channels(3, 1000)->WritePart(&part);
  ASSERT_TRUE(fresh->ReadPart(part.data(), part.size()));
  ASSERT_EQ(fresh->Count(), 4u);
  const uint16_t order[] = {1000, 999, 1002, 1001};
  for (size_t i = 0; i < 4; ++i) EXPECT_TRUE(fresh->At(i, &c) && c.serviceId == order[i]);
  // A part that does not read whole changes nothing.
  for (size_t cut : {size_t{3}, part.size() - 1}) EXPECT_FALSE(fresh->ReadPart(part.data(), cut));
  std::string doubled(reinterpret_cast<const char*>(part.data()), part.size());
  doubled[0] = 4;
  doubled += doubled.substr(4, 21);  // the first channel again
  EXPECT_FALSE(fresh->ReadPart(reinterpret_cast<const uint8_t*>(doubled.data()), doubled.size()));
  EXPECT_EQ(fresh->Count(), 4u);
}

TEST(GuideKeeper, WritesWhenChangedAtMostEveryTenMinutesAndLogsOnce) {
  KeeperRules rules(0);
  EXPECT_FALSE(rules.WriteDue(9 * kMinute, 1));  // too soon after the start
  EXPECT_TRUE(rules.WriteDue(10 * kMinute, 1));
  EXPECT_FALSE(rules.Tried(10 * kMinute, 1, FileProblem::kNone));
  EXPECT_FALSE(rules.ExitWriteDue(1));
  EXPECT_FALSE(rules.WriteDue(30 * kMinute, 1));  // nothing changed since
  EXPECT_FALSE(rules.WriteDue(19 * kMinute, 2));
  EXPECT_EQ(rules.WaitMs(15 * kMinute), 5 * kMinute);
  EXPECT_TRUE(rules.ExitWriteDue(2));
  EXPECT_TRUE(rules.Tried(20 * kMinute, 2, FileProblem::kCannotWrite));   // told
  EXPECT_FALSE(rules.WriteDue(29 * kMinute, 2));                         // no retry flood
  EXPECT_FALSE(rules.Tried(30 * kMinute, 2, FileProblem::kCannotWrite));  // not again
  EXPECT_FALSE(rules.Tried(40 * kMinute, 2, FileProblem::kNone));
  EXPECT_TRUE(rules.Tried(50 * kMinute, 3, FileProblem::kCannotWrite));  // a new run
}

// The worker over a fake clock: it reads the file once, writes after ten
// minutes and at exit, and a folder it cannot write costs one log line.
struct KeeperWorld {
  std::unique_ptr<RememberedChannels> channels = std::make_unique<RememberedChannels>();
  std::atomic<int> loads{0}, lines{0};
  KeeperHooks Hooks() {
    KeeperHooks h;
    h.context = this;
    h.generation = [](void* w) { return static_cast<KeeperWorld*>(w)->channels->Changes(); };
    h.fill = [](void* w, GuideFileWriter* file) {
      static_cast<KeeperWorld*>(w)->channels->WritePart(&file->BeginPart(kPartChannels));
      file->EndPart();
      return true;
    };
    h.loaded = [](void* w, const GuideFileView& view) {
      auto* world = static_cast<KeeperWorld*>(w);
      ++world->loads;
      if (const GuideFileView::Part* p = view.Find(kPartChannels))
        world->channels->ReadPart(p->data, p->size);
    };
    h.log = [](void* w, const char*) { ++static_cast<KeeperWorld*>(w)->lines; };
    return h;
  }
};

std::atomic<uint64_t> fakeNow{0};

TEST(GuideKeeper, ReadsOnceWritesPeriodicallyAndAtExit) {
  Folder folder;
  ASSERT_EQ(Save(folder.file, FileOf(*Channels(2))), FileProblem::kNone);
  WriteFile(folder.file + ".4242-0.tmp", "a write stopped half-way");
  KeeperWorld world;
  KeeperHooks hooks = world.Hooks();
  hooks.nowMs = [] { return fakeNow.load(); };
  GuideKeeper keeper;
  ASSERT_TRUE(keeper.Start(folder.file.c_str(), hooks));
  while (world.channels->Count() < 2) std::this_thread::yield();
  world.channels->Learn("New", 77, 12000);
  fakeNow += 10 * kMinute;
  keeper.Nudge();
  size_t count = 0;
  for (int i = 0; i < 2000 && count != 3; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(5)))
    LoadChannels(folder.file, &count);
  EXPECT_EQ(count, 3u);  // the periodic write
  world.channels->Learn("Newer", 78, 12000);
  keeper.Stop(1000);
  EXPECT_EQ(LoadChannels(folder.file, &count), FileProblem::kNone);
  EXPECT_EQ(count, 4u);  // the exit write
  EXPECT_EQ(folder.Entries(), 1u);  // the stale temporary file removed at the read
  ASSERT_TRUE(keeper.Start(folder.file.c_str(), hooks));
  while (world.loads < 2) std::this_thread::yield();
  world.channels->Learn("Late", 79, 12000);
  keeper.Stop(0);  // no time left: the last file stands
  EXPECT_EQ(LoadChannels(folder.file, &count), FileProblem::kNone);
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(world.loads, 2);
  EXPECT_EQ(world.lines, 1);  // the write out of time, once

  KeeperWorld unwritable;
  ASSERT_TRUE(keeper.Start((folder.dir + "/gone/tavik.epg").c_str(), unwritable.Hooks()));
  for (int i = 0; i < 3; ++i) {
    unwritable.channels->Learn("Again", static_cast<uint16_t>(i), 1);
    keeper.Nudge();
  }
  keeper.Stop(1000);
  EXPECT_EQ(unwritable.lines, 1);
}

TEST(GuideKeeper, ThePluginsKeeperLearnsTunedChannelsBesideTheLibrary) {
  Folder folder;
  fake::SetModuleDir(folder.dir);
  // Without the schedule's store there is nothing whole to write.
  RememberTunedChannel(hostkit::MakeRecord("Harbour TV", 11778, 0, 0x1234, 0));
  ASSERT_TRUE(StartKeepingGuide(nullptr));
  StopKeepingGuide(1000);
  size_t count = 0;
  EXPECT_EQ(LoadChannels(folder.file, &count), FileProblem::kMissing);
  settings.schedule = 1;
  guide::PrepareSchedule();
  ASSERT_TRUE(StartKeepingGuide(nullptr));
  StopKeepingGuide(1000);
  EXPECT_EQ(LoadChannels(folder.file, &count), FileProblem::kNone);
  EXPECT_EQ(count, 1u);
  guide::ReleaseSchedule();
  settings.schedule = 0;
  fake::ResetUi();
}

}  // namespace
