// What tests read of the messages the program posted.
#pragma once

#include <chrono>
#include <vector>

#include "platform/standin/types.h"

namespace standin {

// Every message posted since the last reset, in posting order.
std::vector<MSG> postedMessages();
// Forgets the log and empties the queue.
void resetMessages();
// Waits until a message with this number has been posted (at any time since the last reset).
bool waitForPosted(UINT message, std::chrono::milliseconds timeout);
// Takes the oldest queued message; waits for one if wait is set. False when none came.
bool takeQueuedMessage(MSG& out, bool wait);

}  // namespace standin
