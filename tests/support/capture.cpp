#include "support/capture.h"

#include <cstdlib>

namespace vestrel::testing {

CapturedConsole::CapturedConsole()
    : out_(open_memstream(&outBuffer_, &outSize_)), err_(open_memstream(&errBuffer_, &errSize_)) {}

CapturedConsole::~CapturedConsole() {
    std::fclose(out_);
    std::fclose(err_);
    std::free(outBuffer_);
    std::free(errBuffer_);
}

std::string CapturedConsole::out() {
    std::fflush(out_);
    return std::string(outBuffer_, outSize_);
}

std::string CapturedConsole::err() {
    std::fflush(err_);
    return std::string(errBuffer_, errSize_);
}

}  // namespace vestrel::testing
