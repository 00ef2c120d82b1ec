// Failed writes on request, linked into every test program in place of the
// program's ioFaultNow(), which never fails. While a FailingWrites armed
// with N is in scope, the Nth checked write from its start fails, and every
// write after it (a full disk stays full). Leaving the scope disarms it,
// also when an assertion or the code under test throws, so a failure never
// leaks into the tests that run after it in the same process.
#pragma once
#include <cstdint>

struct FailingWrites {
    explicit FailingWrites(int64_t nth);
    ~FailingWrites();
    FailingWrites(const FailingWrites&) = delete;
    FailingWrites& operator=(const FailingWrites&) = delete;
};
