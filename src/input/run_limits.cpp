#include "input/run_limits.h"

#include <cmath>

#include "common/format.h"

namespace vestrel {

std::uint32_t choosePlotScale(std::uint32_t length) {
    if (length >= 100000000) return 10000;
    if (length >= 1000000) return 1000;
    if (length > 100000) return 100;
    if (length > 10000) return 10;
    return 1;
}

std::int32_t resolveFilteredGapSize(std::uint32_t length, double gapOption) {
    const double size = gapOption >= 1 ? gapOption : static_cast<double>(length) * gapOption;
    const double truncated = std::trunc(size);
    if (!(truncated > -2147483648.0)) return INT32_MIN;
    if (truncated > 2147483647.0) return INT32_MAX;
    return static_cast<std::int32_t>(truncated);
}

std::optional<Stop> parameterRuleStop(std::uint32_t length, const LimitOptions& options) {
    if (options.minimumLength >= 1000) return std::nullopt;
    const char* advice = nullptr;
    if (length > 10000000 && options.haltingParameter < 100)
        advice = "100";
    else if (length <= 10000000 && options.haltingParameter < 10)
        advice = "10";
    if (advice == nullptr) return std::nullopt;
    return stopOnOutput(format(
        "You'd better change the value of minimum length or halting parameter.\n"
        "In this case, minimum length should be no less than 1000 bp or halting "
        "parameter should be no less than %s.\n",
        advice));
}

Outcome<DerivedValues> checkRunLimits(const Sequence& sequence, const LimitOptions& options,
                                      const Console& console) {
    if (sequence.length < kMinimumBases)
        return stopOnOutput("The input DNA sequence should be longer than 1000 bp.\n");
    writeText(console.out, format("Sequence length: %u(bp)\n\n", sequence.length));
    writeText(console.out, format("Sequence length (excluding gaps): %d(bp)\n\n",
                                  sequence.lengthExcludingGaps));
    if (auto stop = parameterRuleStop(sequence.length, options)) return *stop;
    return DerivedValues{choosePlotScale(sequence.length),
                         resolveFilteredGapSize(sequence.length, options.gapOption)};
}

}  // namespace vestrel
