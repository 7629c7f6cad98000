// Threads that help the file hashing job: one file's algorithms split over
// several processors, or several small files hashed at once. Helper threads
// start on first need and wait, parked, for the next task; they live as long
// as the process.
//
//     HelperGroup helpers;
//     if (!helpers.Start([&] { HashSomePart(); }))
//         HashSomePart();                  // no thread to be had: do it here
//     HashTheRest();
//     helpers.Wait();                      // both parts done
//
// Nothing here calls a ResultSink: the calling thread keeps that to itself.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace vesk {

// The threads one job may keep busy, the calling thread included: the
// processors this process may run on, unless a count was set.
uint32_t HashThreadCount();

// For tests and benchmarks, never while something is being hashed: every job
// counts on `threadCount` threads, whatever the processors (1 hashes
// everything on the calling thread, as on a single processor); 0 goes back to
// the processors' count.
void SetHashThreadCount(uint32_t threadCount);

class Helper;

// Tasks started on helper threads, waited for together.
class HelperGroup {
public:
    HelperGroup() = default;
    ~HelperGroup() { Wait(); }
    HelperGroup(const HelperGroup&) = delete;
    HelperGroup& operator=(const HelperGroup&) = delete;

    // Runs `task` on a parked helper, or on a new one. False, with nothing
    // started, when no thread can be had.
    bool Start(std::function<void()> task);

    // Returns when every started task has returned; the helpers go back to
    // waiting for work.
    void Wait();

private:
    std::vector<Helper*> started_;
};

} // namespace vesk
