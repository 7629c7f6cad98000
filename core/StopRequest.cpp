#include "core/StopRequest.h"

#include <atomic>

namespace vesk {

namespace {

// A lock-free counter, which a signal handler may change.
std::atomic<uint64_t> stopCount{0};
static_assert(std::atomic<uint64_t>::is_always_lock_free);

} // namespace

uint64_t StopGeneration() {
    return stopCount.load(std::memory_order_acquire);
}

void StopRunningJobs() {
    stopCount.fetch_add(1, std::memory_order_acq_rel);
}

bool StoppedSince(uint64_t generation) {
    return stopCount.load(std::memory_order_acquire) != generation;
}

} // namespace vesk
