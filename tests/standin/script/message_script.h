// What tests read of the messages the program posted, and the window thread's queue behind
// GetMessageW.
#pragma once

#include <chrono>
#include <vector>

#include "standin/win_types.h"

namespace standin {

// Every message posted since the last reset, in posting order.
std::vector<MSG> postedMessages();
// Forgets the log, empties the queue and the input, and lets held posts through.
void resetMessages();
// Waits until a message with this number has been posted (at any time since the last reset).
bool waitForPosted(UINT message, std::chrono::milliseconds timeout);
// Takes the oldest queued message; waits for one if wait is set. False when none came.
bool takeQueuedMessage(MSG& out, bool wait);

// Makes every PostMessageW of this message wait, before it queues the message, until
// releasePosts: freezes the posting thread at a known point.
void holdPosts(UINT message);
// Waits until a thread is held posting this message.
bool waitForHeldPost(UINT message, std::chrono::milliseconds timeout);
void releasePosts();

// User input for the window thread, taken only when no posted message is waiting.
void queueInput(const MSG& input);

enum class Queued { none, posted, input };
// Takes the oldest posted message, else the oldest input, without waiting.
Queued takeNext(MSG& out);
// Waits until a message is posted or input arrives; the window thread is idle meanwhile.
void waitForQueueWork();
// Waits until the window thread is idle with no posted message and no input waiting.
bool waitUntilIdle(std::chrono::milliseconds timeout);
// Waits until the window thread has handled every input queued so far: it has asked for a
// message again after taking the last one (from a modal loop, if the input opened one).
bool waitUntilInputHandled(std::chrono::milliseconds timeout);

}  // namespace standin
