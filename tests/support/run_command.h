// Running the real binary in a scratch folder and capturing all it leaves.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace vestrel::testing {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

struct CommandResult {
    int status = -1;  // exit status, or 128 + signal number
    std::string out;
    std::string err;
};

// A /bin/sh command line run in the folder with no standard input. In it $S
// is the source tree, $V the binary, also found on the PATH as vestrel, and
// $N a prefix that runs a command as the user nobody when the caller is root,
// so that file permissions bind it (nobody may be unable to reach $V: run a
// copy in a folder it can enter).
CommandResult shell(const std::filesystem::path& folder, const std::string& command);

// The text as one shell word.
std::string quoted(const std::string& text);

std::string readFile(const std::filesystem::path& path);

// Every regular file below the folder (links followed), by relative path, with its bytes.
std::map<std::string, std::string> snapshot(const std::filesystem::path& folder);

// The path of the built vestrel binary and of the source tree.
std::string vestrelBinary();
std::filesystem::path sourceDir();

}  // namespace vestrel::testing
