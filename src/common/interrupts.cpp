#include "common/interrupts.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace vestrel {
namespace {

// A run writes a dozen files at most; each slot holds a path of its own.
constexpr int kSlots = 64;
std::atomic<char*> slots[kSlots];

}  // namespace

bool rememberTemporaryFile(const char* path) {
    char* copy = strdup(path);
    if (copy == nullptr) return false;
    for (std::atomic<char*>& slot : slots) {
        char* empty = nullptr;
        if (slot.compare_exchange_strong(empty, copy)) return true;
    }
    std::free(copy);
    return false;
}

void forgetTemporaryFile(const char* path) {
    for (std::atomic<char*>& slot : slots) {
        char* held = slot.load();
        if (held != nullptr && std::strcmp(held, path) == 0 && slot.compare_exchange_strong(held, nullptr)) {
            std::free(held);
            return;
        }
    }
}

void removeTemporaryFiles() {
    for (std::atomic<char*>& slot : slots)
        if (const char* path = slot.load()) ::unlink(path);
}

InterruptsHeldBack::InterruptsHeldBack() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : kInterruptingSignals) sigaddset(&held, signal);
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

InterruptsHeldBack::~InterruptsHeldBack() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

}  // namespace vestrel
