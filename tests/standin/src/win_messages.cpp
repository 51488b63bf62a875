#include "standin/win_messages.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>

#include "tests/standin/script/message_script.h"

namespace {

std::mutex messageMutex;
std::condition_variable messageCond;
std::deque<MSG> queued;
std::deque<MSG> input;
std::vector<MSG> logged;
std::set<UINT> heldMessages;
std::multiset<UINT> heldPosters;
bool windowThreadIdle = false;
// Input is counted as queued and as handled: handled once the window thread asks for its next
// message after taking it (a modal loop's request counts too).
std::uint64_t inputQueued = 0;
std::uint64_t inputTaken = 0;
std::uint64_t inputHandled = 0;

}  // namespace

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const MSG msg{window, message, wParam, lParam, 0, {0, 0}};
    {
        std::unique_lock lock(messageMutex);
        if (heldMessages.count(message) != 0) {
            const auto poster = heldPosters.insert(message);
            messageCond.notify_all();
            messageCond.wait(lock, [message] { return heldMessages.count(message) == 0; });
            heldPosters.erase(poster);
        }
        queued.push_back(msg);
        logged.push_back(msg);
    }
    messageCond.notify_all();
    return TRUE;
}

namespace standin {

std::vector<MSG> postedMessages() {
    std::lock_guard lock(messageMutex);
    return logged;
}

void resetMessages() {
    {
        std::lock_guard lock(messageMutex);
        queued.clear();
        input.clear();
        inputHandled = inputTaken = inputQueued;
        logged.clear();
        heldMessages.clear();
    }
    messageCond.notify_all();
}

bool waitForPosted(UINT message, std::chrono::milliseconds timeout) {
    std::unique_lock lock(messageMutex);
    return messageCond.wait_for(lock, timeout, [message] {
        for (const MSG& msg : logged) {
            if (msg.message == message) {
                return true;
            }
        }
        return false;
    });
}

bool takeQueuedMessage(MSG& out, bool wait) {
    std::unique_lock lock(messageMutex);
    if (wait) {
        messageCond.wait(lock, [] { return !queued.empty(); });
    }
    if (queued.empty()) {
        return false;
    }
    out = queued.front();
    queued.pop_front();
    return true;
}

void holdPosts(UINT message) {
    std::lock_guard lock(messageMutex);
    heldMessages.insert(message);
}

bool waitForHeldPost(UINT message, std::chrono::milliseconds timeout) {
    std::unique_lock lock(messageMutex);
    return messageCond.wait_for(lock, timeout,
                                [message] { return heldPosters.count(message) != 0; });
}

void releasePosts() {
    {
        std::lock_guard lock(messageMutex);
        heldMessages.clear();
    }
    messageCond.notify_all();
}

void queueInput(const MSG& event) {
    {
        std::lock_guard lock(messageMutex);
        input.push_back(event);
        ++inputQueued;
    }
    messageCond.notify_all();
}

Queued takeNext(MSG& out) {
    std::unique_lock lock(messageMutex);
    if (inputHandled != inputTaken) {
        inputHandled = inputTaken;
        lock.unlock();
        messageCond.notify_all();
        lock.lock();
    }
    if (!queued.empty()) {
        out = queued.front();
        queued.pop_front();
        return Queued::posted;
    }
    if (!input.empty()) {
        out = input.front();
        input.pop_front();
        ++inputTaken;
        return Queued::input;
    }
    return Queued::none;
}

void waitForQueueWork() {
    std::unique_lock lock(messageMutex);
    windowThreadIdle = true;
    messageCond.notify_all();
    messageCond.wait(lock, [] { return !queued.empty() || !input.empty(); });
    windowThreadIdle = false;
}

bool waitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(messageMutex);
    return messageCond.wait_for(lock, timeout,
                                [] { return windowThreadIdle && queued.empty() && input.empty(); });
}

}  // namespace standin

namespace standin {

bool waitUntilInputHandled(std::chrono::milliseconds timeout) {
    std::unique_lock lock(messageMutex);
    return messageCond.wait_for(lock, timeout, [] { return inputHandled == inputQueued; });
}

}  // namespace standin
