#include "platform/ThreadName.h"

#include <pthread.h>

#include <cstring>

namespace sablewick {

bool nameCurrentThread(const char* name)
{
    char shortened[16] = {};
    std::strncpy(shortened, name, sizeof shortened - 1);
    return pthread_setname_np(pthread_self(), shortened) == 0;
}

}  // namespace sablewick
