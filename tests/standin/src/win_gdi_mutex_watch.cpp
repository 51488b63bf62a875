// Whether a watched mutex is locked, asked from a thread of its own: the thread making the GDI
// call may own the mutex, and try_lock on a std::mutex one already owns is undefined.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "tests/standin/script/gdi_script.h"

namespace {

class MutexProbe {
  public:
    MutexProbe() : worker_([this] { run(); }) {}

    ~MutexProbe() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        cond_.notify_all();
        worker_.join();
    }

    MutexProbe(const MutexProbe&) = delete;
    MutexProbe& operator=(const MutexProbe&) = delete;

    void watch(std::vector<std::mutex*> mutexes) {
        std::lock_guard lock(mutex_);
        watched_ = std::move(mutexes);
    }

    bool anyHeld() {
        // One question at a time, so that every caller gets the answer to its own question.
        std::lock_guard caller(callerMutex_);
        std::unique_lock lock(mutex_);
        if (watched_.empty()) {
            return false;
        }
        const std::uint64_t ticket = ++asked_;
        cond_.notify_all();
        cond_.wait(lock, [&] { return answered_ == ticket; });
        return answer_;
    }

  private:
    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            cond_.wait(lock, [&] { return stopping_ || asked_ != answered_; });
            if (stopping_) {
                return;
            }
            const std::uint64_t ticket = asked_;
            const std::vector<std::mutex*> mutexes = watched_;
            lock.unlock();
            const bool held = anyLocked(mutexes);
            lock.lock();
            answer_ = held;
            answered_ = ticket;
            cond_.notify_all();
        }
    }

    static bool anyLocked(const std::vector<std::mutex*>& mutexes) {
        for (std::mutex* watched : mutexes) {
            if (!isFree(*watched)) {
                return true;
            }
        }
        return false;
    }

    // try_lock may fail spuriously; a mutex that is really held fails every attempt, since its
    // owner is blocked waiting for this answer.
    static bool isFree(std::mutex& watched) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (watched.try_lock()) {
                watched.unlock();
                return true;
            }
            std::this_thread::yield();
        }
        return false;
    }

    std::mutex callerMutex_;
    std::mutex mutex_;
    std::condition_variable cond_;
    std::vector<std::mutex*> watched_;
    std::uint64_t asked_ = 0;
    std::uint64_t answered_ = 0;
    bool answer_ = false;
    bool stopping_ = false;
    std::thread worker_;
};

MutexProbe& probe() {
    static MutexProbe instance;
    return instance;
}

}  // namespace

namespace standin {

void watchMutexes(std::vector<std::mutex*> mutexes) {
    probe().watch(std::move(mutexes));
}

bool watchedMutexHeld() {
    return probe().anyHeld();
}

}  // namespace standin
