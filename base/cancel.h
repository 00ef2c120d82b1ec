// Cancellation and progress callbacks shared by every long operation.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

// Called at fixed points of long work; throws to abandon it.
using TickFn = std::function<void()>;
// Percentage 0..100 and a UTF-8 status message.
using ProgressFn = std::function<void(int32_t percent, const std::string& message)>;

// Set by the UI thread, cleared by launch; polled by jobs and the decoder supervision.
extern std::atomic<bool> cancelFlag;

inline constexpr const char* kCancelledMessage = "Operacion cancelada. El original se conserva.";

// The user asked to stop. A window stays silent on it, where any other
// failure gets a message box; its message is still the status text.
struct Cancelled : std::runtime_error {
    Cancelled() : std::runtime_error(kCancelledMessage) {}
};

// Throws Cancelled once cancelFlag is set.
void checkCancel();
