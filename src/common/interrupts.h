// Files that must not outlive an interrupted run, and the holding back of
// interrupting signals in the threads that must not take them and while a
// run publishes its results.
#pragma once

#include <csignal>

namespace vestrel {

// The signals that end a run early: the run removes its temporary files and
// ends with status 128 + the signal. The main thread alone takes them.
constexpr int kInterruptingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXCPU, SIGUSR1, SIGUSR2, SIGALRM};

// Remembers a temporary file to remove if the process is interrupted;
// false when no more can be remembered.
bool rememberTemporaryFile(const char* path);
void forgetTemporaryFile(const char* path);

// The same for a temporary folder, removed with the files it holds.
bool rememberTemporaryFolder(const char* path);
void forgetTemporaryFolder(const char* path);

// Removes every remembered file and folder; safe inside a signal handler.
void removeTemporaryFiles();

// Holds the interrupting signals back in this thread for the guard's
// lifetime, and in the threads it starts meanwhile for theirs; one that
// arrived meanwhile is delivered when the guard ends.
class InterruptsHeldBack {
public:
    InterruptsHeldBack();
    ~InterruptsHeldBack();
    InterruptsHeldBack(const InterruptsHeldBack&) = delete;
    InterruptsHeldBack& operator=(const InterruptsHeldBack&) = delete;

private:
    sigset_t previous_;
};

// Holds the interrupting signals back in this thread until the process
// ends: once a run has begun to put its results in place, a signal lets it
// finish and end as it would have.
void holdInterruptsToTheEnd();

}  // namespace vestrel
