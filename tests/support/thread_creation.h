// Thread creation on demand: a test binary that links thread_creation.cpp has pthread_create
// interposed, so that a test can make a creation fail, as when the system is out of threads, or
// a new thread slow to take its first step. Every other creation goes to the real pthread_create
// (through the sanitizer's, if any).
#pragma once

#include <chrono>

namespace testing_support {

enum class CreationFailure {
    noThreads,    // the system has no thread to give: std::system_error
    outOfMemory,  // the new thread's state cannot be allocated: std::bad_alloc
};

// The nth thread creation from now on (1: the next one) fails.
void failThreadCreation(int nth, CreationFailure how = CreationFailure::noThreads);
// Creations left before the one that fails; 0 once it has failed or when none is to fail.
int creationsUntilFailure();
// The next thread created waits this long before it runs.
void delayNextThreadStart(std::chrono::milliseconds delay);

}  // namespace testing_support
