#include "core/HelperThreads.h"

#include "platform/Platform.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace vesk {

// One parked thread: it runs a task when given one, then waits for the next.
class Helper {
public:
    void Run(std::function<void()> task) {
        std::lock_guard lock(mutex_);
        task_ = std::move(task);
        busy_ = true;
        changed_.notify_all();
    }

    void Wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
    }

    void Loop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return task_ != nullptr; });
            std::function<void()> task = std::move(task_);
            task_ = nullptr;
            lock.unlock();
            task();
            lock.lock();
            busy_ = false;
            changed_.notify_all();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> task_;
    bool busy_ = false;
};

namespace {

std::atomic<uint32_t> threadCountOverride{0};

// The helpers waiting for work. The pool is never destroyed: parked threads
// are not joined, they end with the process.
struct HelperPool {
    std::mutex mutex;
    std::vector<Helper*> idle;
};

HelperPool& Pool() {
    static HelperPool* pool = new HelperPool;
    return *pool;
}

Helper* TakeHelper() {
    HelperPool& pool = Pool();
    {
        std::lock_guard lock(pool.mutex);
        if (!pool.idle.empty()) {
            Helper* helper = pool.idle.back();
            pool.idle.pop_back();
            return helper;
        }
    }
    Helper* helper = new (std::nothrow) Helper;
    if (helper == nullptr)
        return nullptr;
    try {
        std::thread(&Helper::Loop, helper).detach();
    } catch (const std::system_error&) {
        delete helper;
        return nullptr;
    }
    return helper;
}

void ReturnHelper(Helper* helper) {
    HelperPool& pool = Pool();
    std::lock_guard lock(pool.mutex);
    pool.idle.push_back(helper);
}

} // namespace

uint32_t HashThreadCount() {
    // The affinity is read once; a process that changes its own while running
    // keeps the first count.
    static const uint32_t processors = platform::UsableProcessorCount();
    const uint32_t chosen = threadCountOverride.load(std::memory_order_relaxed);
    return chosen != 0 ? chosen : processors;
}

void SetHashThreadCount(uint32_t threadCount) {
    threadCountOverride.store(threadCount, std::memory_order_relaxed);
}

bool HelperGroup::Start(std::function<void()> task) {
    Helper* helper = TakeHelper();
    if (helper == nullptr)
        return false;
    try {
        started_.push_back(helper);
    } catch (const std::bad_alloc&) {
        ReturnHelper(helper);
        return false;
    }
    helper->Run(std::move(task));
    return true;
}

void HelperGroup::Wait() {
    for (Helper* helper : started_) {
        helper->Wait();
        ReturnHelper(helper);
    }
    started_.clear();
}

} // namespace vesk
