#pragma once

#include <exception>
#include <functional>
#include <string>

namespace sablewick {

// What an exception caught on a worker thread says, for a notice: its own words where it has
// any, else `otherwise`.
inline std::string exceptionReason(const std::exception_ptr& caught, const char* otherwise)
{
    try {
        std::rethrow_exception(caught);
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return otherwise;
    }
}

// The top of a worker thread: runs `body`, and whatever it throws ends it there, its reason handed
// to `failed` (when there is one) on this thread, instead of ending the process. False when it threw.
template <typename Body>
bool runCatchingAll(Body&& body, const char* otherwise, const std::function<void(const std::string&)>& failed)
{
    std::string reason;
    try {
        body();
        return true;
    } catch (...) {
        reason = exceptionReason(std::current_exception(), otherwise);
    }
    if (failed)
        failed(reason);
    return false;
}

}  // namespace sablewick
