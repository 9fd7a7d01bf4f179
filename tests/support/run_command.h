// Running the real binary in a scratch folder and capturing all it leaves.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

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

// Runs argv with the folder as working directory and no standard input;
// `program` is the file executed (argv[0] when empty). With `unprivileged`, a
// root caller runs it as the user nobody, so that file permissions bind it.
CommandResult runCommand(const std::vector<std::string>& argv, const std::filesystem::path& folder,
                         bool unprivileged = false, const std::string& program = {});

// vestrel with these arguments, called "vestrel" as if found on the PATH, or
// started by the `wrapper` command (its path found on the PATH).
CommandResult runVestrel(const std::filesystem::path& folder, const std::vector<std::string>& args,
                         bool unprivileged = false, const std::vector<std::string>& wrapper = {});

// A /bin/sh command in the folder, with $S the source tree and $V the binary.
CommandResult shell(const std::filesystem::path& folder, const std::string& command);

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// Every regular file below the folder (links followed), by relative path, with its bytes.
std::map<std::string, std::string> snapshot(const std::filesystem::path& folder);

// The path of the built vestrel binary and of the source tree.
std::string vestrelBinary();
std::filesystem::path sourceDir();

}  // namespace vestrel::testing
