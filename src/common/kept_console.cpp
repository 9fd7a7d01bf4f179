#include "common/kept_console.h"

#include <cstdlib>
#include <new>

namespace vestrel {
namespace {

std::FILE* unbuffered(void* cookie, cookie_write_function_t* write) {
    std::FILE* file = ::fopencookie(cookie, "w", {nullptr, write, nullptr, nullptr});
    if (file == nullptr) throw std::bad_alloc();
    std::setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

}  // namespace

KeptConsole::KeptConsole() {
    out_ = unbuffered(&outStream_, &KeptConsole::write);
    try {
        err_ = unbuffered(&errStream_, &KeptConsole::write);
    } catch (...) {
        std::fclose(out_);
        throw;
    }
}

KeptConsole::~KeptConsole() {
    std::fclose(out_);
    std::fclose(err_);
}

ssize_t KeptConsole::write(void* cookie, const char* bytes, std::size_t size) {
    const Stream& stream = *static_cast<Stream*>(cookie);
    auto& kept = stream.owner->kept_;
    try {
        if (kept.empty() || kept.back().first != stream.error) kept.emplace_back(stream.error, std::string());
        kept.back().second.append(bytes, size);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return static_cast<ssize_t>(size);
}

void KeptConsole::replay(const Console& to) const {
    for (const auto& [error, text] : kept_) {
        if (error) std::fflush(to.out);
        writeText(error ? to.err : to.out, text);
    }
}

KeptText::KeptText() {
    file_ = ::open_memstream(&data_, &size_);
    if (file_ == nullptr) throw std::bad_alloc();
}

KeptText::~KeptText() {
    std::fclose(file_);
    std::free(data_);
}

std::string_view KeptText::text() {
    std::fflush(file_);
    return {data_, size_};
}

}  // namespace vestrel
