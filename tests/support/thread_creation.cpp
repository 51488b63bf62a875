#include "tests/support/thread_creation.h"

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <new>
#include <thread>

namespace {

std::atomic<int> untilFailure{0};
std::atomic<testing_support::CreationFailure> failure{testing_support::CreationFailure::noThreads};
std::atomic<int> nextDelayMs{0};

struct DelayedStart {
    void* (*start)(void*);
    void* arg;
    int delayMs;
};

void* startLate(void* raw) {
    const DelayedStart delayed = *static_cast<DelayedStart*>(raw);
    delete static_cast<DelayedStart*>(raw);
    std::this_thread::sleep_for(std::chrono::milliseconds(delayed.delayMs));
    return delayed.start(delayed.arg);
}

}  // namespace

namespace testing_support {

void failThreadCreation(int nth, CreationFailure how) {
    failure = how;
    untilFailure = nth;
}

int creationsUntilFailure() {
    return untilFailure;
}

void delayNextThreadStart(std::chrono::milliseconds delay) {
    nextDelayMs = static_cast<int>(delay.count());
}

}  // namespace testing_support

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*),
                              void* arg) {
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto real = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    if (untilFailure > 0 && --untilFailure == 0) {
        // Thrown where std::thread's constructor would throw it, before any thread exists.
        if (failure == testing_support::CreationFailure::outOfMemory) {
            throw std::bad_alloc();
        }
        return EAGAIN;
    }
    if (const int delay = nextDelayMs.exchange(0); delay != 0) {
        return real(thread, attr, startLate, new DelayedStart{start, arg, delay});
    }
    return real(thread, attr, start, arg);
}
