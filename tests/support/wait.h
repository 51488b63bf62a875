// Waiting in tests for what other threads do.
#pragma once

#include <chrono>
#include <functional>

namespace testing_support {

// Polls until the condition holds; false after the timeout.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace testing_support
