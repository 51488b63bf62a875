#include "platform/standin/messages.h"

#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/standin/message_log.h"

namespace {

std::mutex messageMutex;
std::condition_variable messageCond;
std::deque<MSG> queued;
std::vector<MSG> logged;

}  // namespace

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const MSG msg{window, message, wParam, lParam, 0, {0, 0}};
    {
        std::lock_guard lock(messageMutex);
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
    std::lock_guard lock(messageMutex);
    queued.clear();
    logged.clear();
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

}  // namespace standin
