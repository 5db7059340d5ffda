#include "platform/background_priority.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <linux/ioprio.h>

namespace {

constexpr int kLowestNice = 19;

// The I/O priority has no C library wrapper.
void EnterIdleIoClass() {
#ifdef SYS_ioprio_set
    syscall(SYS_ioprio_set, IOPRIO_WHO_PROCESS, 0, IOPRIO_PRIO_VALUE(IOPRIO_CLASS_IDLE, 0));
#endif
}

} // namespace

bool EnterBackgroundPriority() {
    // Threads started afterwards (a resolver's, say) inherit both.
    EnterIdleIoClass();
    const sched_param param{};
    const bool lowered = sched_setscheduler(0, SCHED_IDLE, &param) == 0 ||
                         setpriority(PRIO_PROCESS, 0, kLowestNice) == 0;
    // A change of class does not make the scheduler choose again: the lowered process would
    // keep its processor until the next tick while the program waits for it.
    sched_yield();
    return lowered;
}
