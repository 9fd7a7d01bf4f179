// The vestrel command: prepares the process, then hands the arguments to
// the run driver.
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "common/interrupts.h"
#include "run/run_driver.h"

namespace {

// Removes the run's temporary files, then ends the process by the signal
// itself, so that it ends with status 128 + signal.
extern "C" void interrupted(int signal) {
    vestrel::removeTemporaryFiles();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
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
