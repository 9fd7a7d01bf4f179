#include "support/run_command.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vestrel::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vestrel-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Give back write permission that a test may have taken away.
    for (auto it = fs::recursive_directory_iterator(path_, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

CommandResult shell(const fs::path& folder, const std::string& command) {
    TempDir streams;
    const fs::path binary = vestrelBinary();
    const std::string nobody = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
    const std::string line = "cd " + quoted(folder.string()) + " && S=" + quoted(sourceDir().string()) +
                             " V=" + quoted(binary.string()) + " N=" + quoted(nobody) + " PATH=" +
                             quoted(binary.parent_path().string()) + ":\"$PATH\" /bin/sh -c " + quoted(command) +
                             " </dev/null >" + quoted((streams / "out").string()) + " 2>" +
                             quoted((streams / "err").string());
    const int status = std::system(line.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), readFile(streams / "out"),
            readFile(streams / "err")};
}

std::string quoted(const std::string& text) {
    std::string word = "'";
    for (const char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

std::string readFile(const fs::path& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = readFile(entry.path());
    return files;
}

std::string vestrelBinary() { return VESTREL_BINARY; }
fs::path sourceDir() { return VESTREL_SOURCE_DIR; }

}  // namespace vestrel::testing
