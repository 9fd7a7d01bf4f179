// The vestrel command: hands the arguments to the run driver.
#include <cstdio>
#include <string>
#include <vector>

#include "run/run_driver.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv, argv + argc);
    const int status = vestrel::runVestrel(args, vestrel::Console{stdout, stderr});
    // A console that could not be written is a failed run too.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("cannot write the standard output\n", stderr);
        return status == 0 ? 1 : status;
    }
    return status;
}
