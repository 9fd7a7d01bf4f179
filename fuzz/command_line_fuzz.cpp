// Any argument list (NUL-separated): the parser either stops with status 0
// (help) or 1 and a message, or leaves parameters that pass every check.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "run/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::FILE* sink = std::fopen("/dev/null", "w");
    std::vector<std::string> args = {"vestrel", "seq.fa", ""};
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }

    vestrel::RunParameters p;
    const auto stop = vestrel::parseOptions(args, p, vestrel::Console{sink, sink});
    if (stop) {
        if ((stop->status != 0 && stop->status != 1) || stop->message.empty()) std::abort();
        return 0;
    }
    if (!(p.haltingParameter >= 0) || !std::isfinite(p.haltingParameter) || p.minimumLength < 100) std::abort();
    if (!std::isfinite(p.gapOption) || p.gapOption >= 2147483648.0) std::abort();
    if (p.plotCoordinates == p.coordinatesFileName.empty() || p.plotDensity == p.densityFileName.empty()) std::abort();
    return 0;
}
