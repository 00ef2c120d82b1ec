// Test hook for error paths: when armed, the Nth checked write fails, so
// "disk full" and permission failures run for real in tests. Writers call
// ioFaultNow() once per write and treat true as a failed write.
#pragma once
#include <atomic>
#include <cstdint>

// 0 = disarmed; N > 0 = the Nth call from now fails, and every one after it.
extern std::atomic<int64_t> ioFailCountdown;

bool ioFaultNow();
