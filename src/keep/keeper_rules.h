// When the kept guide is written: when something changed, at most once every
// ten minutes, and at exit; and when a failure is worth a line in tavik.log.
// Plain arithmetic over a clock the caller reads, so tests give their own.
#pragma once

#include <cstdint>

#include "keep/guide_file.h"

namespace keep {

class KeeperRules {
 public:
  static constexpr uint64_t kPeriodMs = 10 * 60 * 1000;

  // startMs: the moment the keeper starts, which counts as a write for the
  // period; what was learnt before it counts as not written.
  explicit KeeperRules(uint64_t startMs) : last_(startMs) {}

  // True when there are changes (generation differs from the one last
  // written) and the last write was ten minutes ago or more.
  bool WriteDue(uint64_t nowMs, uint32_t generation) const;
  // At exit: true when there are changes not written yet.
  bool ExitWriteDue(uint32_t generation) const { return !wrote_ || generation != written_; }
  // How long to wait before WriteDue can next be true.
  uint32_t WaitMs(uint64_t nowMs) const;
  // A write of generation tried at nowMs with that outcome. True when its
  // failure is to be told in the log: the first of a run of failures, not
  // one every ten minutes.
  bool Tried(uint64_t nowMs, uint32_t generation, FileProblem outcome);

 private:
  uint64_t last_;
  uint32_t written_ = 0;
  bool wrote_ = false;
  bool failing_ = false;
};

}  // namespace keep
