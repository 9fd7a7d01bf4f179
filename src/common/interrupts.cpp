#include "common/interrupts.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace vestrel {
namespace {

// A run writes a dozen files and a folder at most; each slot holds a path of
// its own.
constexpr int kSlots = 64;
std::atomic<char*> fileSlots[kSlots];
std::atomic<char*> folderSlots[4];

template <std::size_t N>
bool remember(std::atomic<char*> (&slots)[N], const char* path) {
    char* copy = strdup(path);
    if (copy == nullptr) return false;
    for (std::atomic<char*>& slot : slots) {
        char* empty = nullptr;
        if (slot.compare_exchange_strong(empty, copy)) return true;
    }
    std::free(copy);
    return false;
}

template <std::size_t N>
void forget(std::atomic<char*> (&slots)[N], const char* path) {
    for (std::atomic<char*>& slot : slots) {
        char* held = slot.load();
        if (held != nullptr && std::strcmp(held, path) == 0 && slot.compare_exchange_strong(held, nullptr)) {
            std::free(held);
            return;
        }
    }
}

// Removes the files of a folder, then the folder, with system calls alone.
// Entries are read again from the start after every pass that removed some,
// since removing them while they are listed may hide others.
void removeFolder(const char* path) {
    const int folder = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        alignas(8) char entries[8192];
        for (bool removed = true; removed;) {
            removed = false;
            ::lseek(folder, 0, SEEK_SET);
            for (ssize_t got; (got = ::getdents64(folder, entries, sizeof entries)) > 0;) {
                for (ssize_t at = 0; at < got;) {
                    const auto* entry = reinterpret_cast<const struct dirent64*>(entries + at);
                    at += entry->d_reclen;
                    const char* name = entry->d_name;
                    if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 &&
                        ::unlinkat(folder, name, 0) == 0)
                        removed = true;
                }
            }
        }
        ::close(folder);
    }
    ::rmdir(path);
}

sigset_t interruptingSignals() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : kInterruptingSignals) sigaddset(&held, signal);
    return held;
}

}  // namespace

bool rememberTemporaryFile(const char* path) { return remember(fileSlots, path); }
void forgetTemporaryFile(const char* path) { forget(fileSlots, path); }
bool rememberTemporaryFolder(const char* path) { return remember(folderSlots, path); }
void forgetTemporaryFolder(const char* path) { forget(folderSlots, path); }

void removeTemporaryFiles() {
    for (std::atomic<char*>& slot : fileSlots)
        if (const char* path = slot.load()) ::unlink(path);
    for (std::atomic<char*>& slot : folderSlots)
        if (const char* path = slot.load()) removeFolder(path);
}

InterruptsHeldBack::InterruptsHeldBack() {
    const sigset_t held = interruptingSignals();
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

InterruptsHeldBack::~InterruptsHeldBack() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

void holdInterruptsToTheEnd() {
    const sigset_t held = interruptingSignals();
    pthread_sigmask(SIG_BLOCK, &held, nullptr);
}

}  // namespace vestrel
