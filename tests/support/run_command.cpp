#include "support/run_command.h"

#include <fcntl.h>
#include <grp.h>
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
    for (auto it = fs::recursive_directory_iterator(path_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
}

CommandResult runCommand(const std::vector<std::string>& argv, const fs::path& folder,
                         bool unprivileged, const std::string& program) {
    TempDir streams;
    const std::string outPath = (streams / "stdout").string();
    const std::string errPath = (streams / "stderr").string();
    std::vector<char*> cArgs;
    for (const std::string& arg : argv) cArgs.push_back(const_cast<char*>(arg.c_str()));
    cArgs.push_back(nullptr);

    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0) _exit(125);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (unprivileged && geteuid() == 0) {
            constexpr uid_t kNobody = 65534;
            if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(125);
        }
        if (chdir(folder.c_str()) != 0) _exit(125);
        execv(program.empty() ? cArgs[0] : program.c_str(), cArgs.data());
        _exit(127);
    }
    int waitStatus = 0;
    while (waitpid(child, &waitStatus, 0) < 0) continue;
    CommandResult result;
    result.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

// A copy of the binary that the user nobody can run wherever the build is.
static std::string reachableBinary() {
    static TempDir folder;
    const fs::path copy = folder / "vestrel";
    if (!fs::exists(copy)) {
        fs::copy_file(vestrelBinary(), copy);
        fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::others_exec);
        fs::permissions(copy, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    }
    return copy.string();
}

CommandResult runVestrel(const fs::path& folder, const std::vector<std::string>& args, bool unprivileged,
                         const std::vector<std::string>& wrapper) {
    const std::string binary = unprivileged ? reachableBinary() : vestrelBinary();
    std::vector<std::string> argv = wrapper;
    argv.push_back(wrapper.empty() ? "vestrel" : binary);
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv, folder, unprivileged, wrapper.empty() ? binary : "/usr/bin/" + wrapper[0]);
}

CommandResult shell(const fs::path& folder, const std::string& command) {
    return runCommand({"/usr/bin/env", "S=" + sourceDir().string(), "V=" + vestrelBinary(), "/bin/sh", "-c", command},
                      folder);
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = readFile(entry.path());
    }
    return files;
}

std::string vestrelBinary() { return VESTREL_BINARY; }
fs::path sourceDir() { return VESTREL_SOURCE_DIR; }

}  // namespace vestrel::testing
