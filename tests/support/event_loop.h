#pragma once

#include <functional>

namespace tallyglass::testing {

// Runs the Qt event loop until the condition holds; false if it did not within the time.
bool processEventsUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// Runs the event loop for a while, to show that something does not happen.
void processEventsFor(int milliseconds);

} // namespace tallyglass::testing
