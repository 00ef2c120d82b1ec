// The message of the failure an action ends with, for tests of error texts.
#pragma once
#include <exception>
#include <functional>
#include <string>

namespace testsupport {

inline std::string messageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no failure)";
}

} // namespace testsupport
