#pragma once

// Lets every other program on the machine run, read and write before the calling process: the
// idle scheduling class (SCHED_IDLE), or nice 19 where that is refused, and the idle I/O class
// where the kernel has one. An unprivileged process cannot take it back, and programs it starts
// afterwards inherit it. False when the processor priority could not be lowered.
bool EnterBackgroundPriority();
