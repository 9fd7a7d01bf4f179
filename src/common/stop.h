// How a phase tells the run driver that the run must end.
#pragma once

#include <string>
#include <variant>

#include "common/console.h"

namespace vestrel {

enum class Channel { standardOutput, standardError };

// A stop carries the message to print, where to print it and the exit status.
// Phases return it; only the run driver prints it and ends the run.
struct Stop {
    int status = 1;
    Channel channel = Channel::standardOutput;
    std::string message;
    bool system = false;  // the system refused: a file could not be opened, read or written
};

// The stop of a file the system would not open, read or write.
inline Stop bySystem(Stop stop) {
    stop.system = true;
    return stop;
}

inline Stop stopOnOutput(std::string message, int status = 1) {
    return Stop{status, Channel::standardOutput, std::move(message)};
}

inline Stop stopOnError(std::string message, int status = 1) {
    return Stop{status, Channel::standardError, std::move(message)};
}

// Prints the stop's message where it goes, after what the standard output
// holds; returns its exit status.
inline int reportStop(const Stop& stop, const Console& console) {
    if (stop.channel == Channel::standardError) std::fflush(console.out);
    writeText(stop.channel == Channel::standardOutput ? console.out : console.err, stop.message);
    return stop.status;
}

// Either a value or the stop that prevented it.
template <class T>
class Outcome {
public:
    Outcome(T value) : state_(std::move(value)) {}
    Outcome(Stop stop) : state_(std::move(stop)) {}

    bool ok() const { return std::holds_alternative<T>(state_); }
    T& value() { return std::get<T>(state_); }
    const T& value() const { return std::get<T>(state_); }
    const Stop& stop() const { return std::get<Stop>(state_); }

private:
    std::variant<T, Stop> state_;
};

}  // namespace vestrel
