// The vestrel command: prepares the process, then hands the arguments to
// the run driver.
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "common/interrupts.h"
#include "run/run_driver.h"

namespace {

// Removes the run's temporary files, then ends the process by the signal
// itself, so that it ends with status 128 + signal; as the first process of
// a namespace, where the default action is to ignore it, with that status.
extern "C" void interrupted(int signal) {
    // The main thread alone ends the run (it holds the signals back while
    // the results are put in place): a thread started elsewhere hands it on.
    if (::gettid() != ::getpid()) {
        const int error = errno;
        ::tgkill(::getpid(), ::getpid(), signal);
        errno = error;
        return;
    }
    vestrel::removeTemporaryFiles();
    std::signal(signal, SIG_DFL);
    sigset_t self;
    sigemptyset(&self);
    sigaddset(&self, signal);
    pthread_sigmask(SIG_UNBLOCK, &self, nullptr);
    std::raise(signal);
    _exit(128 + signal);
}

void prepareProcess() {
    // The large arrays of one record's analysis (its index, its curve) come
    // from memory the records before gave back, not from pages the system
    // must clear again for every record.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    // A closed standard stream would be taken by the next file opened.
    for (int descriptor = 0; descriptor <= 2; ++descriptor)
        if (::fcntl(descriptor, F_GETFD) < 0 && ::open("/dev/null", O_RDWR) < 0) _exit(1);
    for (int signal : vestrel::kInterruptingSignals) {
        struct sigaction current {};
        sigaction(signal, nullptr, &current);
        if (current.sa_handler == SIG_IGN) continue;  // ignored when we started: stays so
        struct sigaction action {};
        action.sa_handler = interrupted;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
    // A file-size limit fails the write, reported as a write that failed.
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
    prepareProcess();
    const std::vector<std::string> args(argv, argv + argc);
    const int status = vestrel::runVestrel(args, vestrel::Console{stdout, stderr});
    // A console that could not be written is a failed run too (the run
    // checks it before it puts its results in place).
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        if (status == 0) std::fputs("cannot write the standard output\n", stderr);
        return status == 0 ? 1 : status;
    }
    return status;
}
