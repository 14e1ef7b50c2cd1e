// tavik.epg on disk: read whole with its checks, and written whole to a
// temporary file in the same folder that is then moved into place.
#pragma once

#include <cstddef>
#include <cstdint>

#include "keep/guide_file.h"

namespace keep {

// Reads the file at path into bytes and parses it into view (pointing into
// bytes). Any problem leaves view empty.
FileProblem LoadGuideFile(const char* path, ByteBuffer* bytes, GuideFileView* view);

// Removes the temporary files that writes stopped half-way left beside
// path (a write in progress elsewhere keeps its own); how many went.
int RemoveStaleTemps(const char* path);

// Says whether the time for a write has run out.
struct Deadline {
  bool (*passed)(void* context) = nullptr;
  void* context = nullptr;
  bool Passed() const { return passed != nullptr && passed(context); }
};

// Writes size bytes as the file at path: into "<path>.<process>-<n>.tmp",
// flushed, then moved over path. A write that fails or whose deadline passes
// removes its temporary file and leaves the file at path as it was.
FileProblem SaveGuideFile(const char* path, const uint8_t* data, size_t size,
                          const Deadline& deadline);

}  // namespace keep
