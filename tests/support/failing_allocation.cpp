#include "tests/support/failing_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> failing{false};
std::atomic<std::size_t> smallestFailing{0};
std::atomic<std::size_t> largestFailing{0};
std::atomic<int> sparedLeft{0};
std::atomic<int> refused{0};
std::atomic<std::thread::id> failingThread{};

void* allocate(std::size_t size) {
    if (failing && size >= smallestFailing && size <= largestFailing &&
        (failingThread.load() == std::thread::id{} ||
         failingThread.load() == std::this_thread::get_id()) &&
        sparedLeft-- <= 0) {
        ++refused;
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

}  // namespace

namespace testing_support {

void failAllocations(std::size_t smallest, std::size_t largest, int spared,
                     std::thread::id thread) {
    failingThread = thread;
    smallestFailing = smallest;
    largestFailing = largest;
    sparedLeft = spared;
    refused = 0;
    failing = true;
}

void stopFailingAllocations() {
    failing = false;
}

int refusedAllocations() {
    return refused;
}

}  // namespace testing_support

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
