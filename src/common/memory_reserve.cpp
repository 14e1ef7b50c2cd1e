// The memory reserve: one block, taken and given back whole.
#include "common/memory_reserve.h"

#include <atomic>
#include <cstdlib>

namespace {
constexpr std::size_t kReserveBytes = 256 * 1024;
std::atomic<void*> reserve{nullptr};
}  // namespace

void RenewMemoryReserve() {
  if (reserve.load() != nullptr) return;
  void* block = std::malloc(kReserveBytes);
  if (block == nullptr) return;
  void* none = nullptr;
  if (!reserve.compare_exchange_strong(none, block)) std::free(block);
}

bool ReleaseMemoryReserve() {
  void* block = reserve.exchange(nullptr);
  if (block == nullptr) return false;
  std::free(block);
  return true;
}
