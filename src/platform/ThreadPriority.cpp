#include "platform/ThreadPriority.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace sablewick {

namespace {
// setpriority with PRIO_PROCESS and a thread id sets that one thread's nice value on Linux.
id_t currentThreadId() { return static_cast<id_t>(syscall(SYS_gettid)); }
}  // namespace

int currentThreadNiceness()
{
    errno = 0;
    return getpriority(PRIO_PROCESS, currentThreadId());
}

bool lowerCurrentThreadPriority()
{
    return setpriority(PRIO_PROCESS, currentThreadId(), currentThreadNiceness() + backgroundNiceness) == 0;
}

}  // namespace sablewick
