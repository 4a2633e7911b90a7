#include "platform/ThreadName.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <string>
#include <thread>

namespace sablewick {
namespace {

// The system refuses names of 16 bytes or more outright; those are shortened instead, so a worker
// pool is still told apart in a profile.
TEST(ThreadNameTest, NamesTheCallingThreadAndShortensLongNames)
{
    const struct {
        const char* given;
        const char* seen;
    } cases[] = {
        {"export-compose", "export-compose"},
        {"a-name-of-twenty-bytes", "a-name-of-twent"},
        {"", ""},
    };
    for (const auto& c : cases) {
        bool named = false;
        std::string seen;
        std::thread([&] {
            named = nameCurrentThread(c.given);
            char buffer[64] = {};
            pthread_getname_np(pthread_self(), buffer, sizeof buffer);
            seen = buffer;
        }).join();
        EXPECT_TRUE(named) << c.given;
        EXPECT_EQ(seen, c.seen) << c.given;
    }
}

}  // namespace
}  // namespace sablewick
