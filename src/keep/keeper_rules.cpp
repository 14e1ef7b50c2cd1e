// The kept guide's timing and the log's restraint.
#include "keep/keeper_rules.h"

namespace keep {

bool KeeperRules::WriteDue(uint64_t nowMs, uint32_t generation) const {
  return ExitWriteDue(generation) && nowMs - last_ >= kPeriodMs;
}

uint32_t KeeperRules::WaitMs(uint64_t nowMs) const {
  uint64_t since = nowMs - last_;
  return static_cast<uint32_t>(since < kPeriodMs ? kPeriodMs - since : kPeriodMs);
}

bool KeeperRules::Tried(uint64_t nowMs, uint32_t generation, FileProblem outcome) {
  last_ = nowMs;
  if (outcome == FileProblem::kNone) {
    written_ = generation;
    wrote_ = true;
    failing_ = false;
    return false;
  }
  bool tell = !failing_;
  failing_ = true;
  return tell;
}

}  // namespace keep
