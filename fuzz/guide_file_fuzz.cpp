// Fuzzes tavik.epg's reader: any bytes as the file, and the same bytes given
// a true size and CRC so the parts behind the check are reached too. Nothing
// may fault, channels read from a part must write back to the same part, and
// a store read from its part must write back to a part that reads whole.
// A whole file of a few channels is written as a seed at start-up when
// TAVIK_EIT_SEEDS names a folder (the corpus, as scripts/run-fuzzer.sh gives).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/text.h"
#include "guide/crc32.h"
#include "guide/event_store.h"
#include "keep/guide_file.h"
#include "keep/remembered_channels.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "guide file fuzz: %s\n", what);
    std::abort();
  }
}

// The store part into a store of two blocks (its bounds are reached soon):
// what it holds writes back as a part that reads whole into a full store.
void ReadStore(const keep::GuideFileView::Part& part) {
  guide::EventStore* store = guide::EventStore::Create(2);
  if (store == nullptr) return;
  // Events taken may give room to later ones: only the held ones count.
  if (store->RestoreSnapshot(part.data, part.size, guide::kNoClock, 1) < 0)
    Check(store->Figures().events == 0, "a refused part left events");
  keep::ByteBuffer again(keep::kGuideFileMost);
  store->WriteSnapshot(&again);
  guide::EventStore* back = guide::EventStore::Create();
  if (back != nullptr) {
    Check(back->RestoreSnapshot(again.data(), again.size(), guide::kNoClock, 1) ==
                  store->Figures().events &&
              back->Figures().bytesUsed == store->Figures().bytesUsed,
          "a store written back does not read whole");
    guide::EventStore::Destroy(back);
  }
  guide::EventStore::Destroy(store);
}

void ReadParts(const uint8_t* data, size_t size) {
  keep::GuideFileView view;
  if (keep::ParseGuideFile(data, size, &view) != keep::FileProblem::kNone) {
    Check(view.count == 0, "a refused file left parts");
    return;
  }
  if (const keep::GuideFileView::Part* store = view.Find(keep::kPartStore)) ReadStore(*store);
  const keep::GuideFileView::Part* part = view.Find(keep::kPartChannels);
  if (part == nullptr) return;
  auto channels = std::make_unique<keep::RememberedChannels>();
  if (!channels->ReadPart(part->data, part->size)) {
    Check(channels->Count() == 0, "a refused part left channels");
    return;
  }
  Check(channels->Count() <= keep::RememberedChannels::kMost, "more channels than kept");
  keep::ByteBuffer again(keep::kGuideFileMost);
  channels->WritePart(&again);
  // A part may say a channel's flags with bits we do not keep: compare sizes,
  // then every channel read back.
  Check(again.size() == part->size, "channels written back differ in size");
  auto back = std::make_unique<keep::RememberedChannels>();
  Check(back->ReadPart(again.data(), again.size()), "channels written back do not read");
  for (size_t i = 0; i < channels->Count(); ++i) {
    keep::RememberedChannel a, b;
    Check(channels->At(i, &a) && back->At(i, &b), "a channel went missing");
    Check(a.serviceId == b.serviceId && a.frequency == b.frequency &&
              std::strcmp(a.name, b.name) == 0 && BoundedLength(a.name, sizeof a.name) < sizeof a.name,
          "a channel changed on its way back");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* dir = std::getenv("TAVIK_EIT_SEEDS");
  if (dir == nullptr) return 0;
  auto channels = std::make_unique<keep::RememberedChannels>();
  channels->Learn("Harbour TV", 0x1234, 11778);
  channels->Learn("Kan\xC3\xA1l", 7, 12000);
  channels->SetStreamIds(7, 12000, 0x437, 1);
  auto file = std::make_unique<keep::GuideFileWriter>();
  file->Begin();
  channels->WritePart(&file->BeginPart(keep::kPartChannels));
  file->EndPart();
  file->BeginPart(keep::kPartStore).U32(0);
  file->EndPart();
  char path[1024];
  if (!file->Finish() || Truncated(FormatText(path, sizeof path, "%s/seed-guide-file", dir), sizeof path))
    return 0;
  if (std::FILE* f = std::fopen(path, "wb")) {
    std::fwrite(file->buffer().data(), 1, file->buffer().size(), f);
    std::fclose(f);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadParts(data, size);
  // The same bytes made whole: a true size at 12 and a CRC after them.
  if (size < 20 || size > (1u << 20)) return 0;
  std::unique_ptr<uint8_t[]> whole(new uint8_t[size + 4]);
  std::memcpy(whole.get(), data, size);
  uint32_t total = static_cast<uint32_t>(size + 4);
  for (int i = 0; i < 4; ++i) whole[12 + i] = static_cast<uint8_t>(total >> (8 * i));
  uint32_t crc = guide::Crc32Mpeg(whole.get(), size);
  for (int i = 0; i < 4; ++i) whole[size + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  ReadParts(whole.get(), size + 4);
  return 0;
}
