#include "reports/output_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <utility>

#include "common/format.h"
#include "common/interrupts.h"

namespace vestrel {
namespace {

// The longest file name a record gives, before the suffixes of its files.
constexpr std::size_t kMaximumRecordFileName = 200;

struct OutputSpec {
    OutputFile OutputFiles::*file;
    const std::string OutputNames::*name;
    const char* message;  // when it cannot be created
};

std::vector<OutputSpec> outputsOf(const OutputChoice& choice) {
    std::vector<OutputSpec> specs;
    if (!choice.perRecord)
        specs = {
            {&OutputFiles::segmentSteps, &OutputNames::segmentSteps, "cannot open the file"},
            {&OutputFiles::segmentPage, &OutputNames::segmentPage, "cannot open the out file"},
            {&OutputFiles::splitPointData, &OutputNames::splitPointData, "cannot open the file"},
            {&OutputFiles::curveData, &OutputNames::curveData, "cannot open the file"},
            {&OutputFiles::plotScript, &OutputNames::plotScript, "cannot open the file"},
            {&OutputFiles::splitPointPage, &OutputNames::splitPointPage, "cannot open the file"},
        };
    if (choice.coordinates && !choice.perRecord) specs.push_back({&OutputFiles::coordinatePoints, &OutputNames::coordinatePoints, "Can't open .TagP file!"});
    if (choice.significance && !choice.perRecord)
        specs.push_back({&OutputFiles::splitPointTable, &OutputNames::splitPointTable, "cannot open the file"});
    if (choice.browserTracks) {
        specs.push_back({&OutputFiles::segmentTrack, &OutputNames::segmentTrack, "cannot open the file"});
        specs.push_back({&OutputFiles::splitPointTrack, &OutputNames::splitPointTrack, "cannot open the file"});
    }
    if (choice.windows) {
        specs.push_back({&OutputFiles::gcWindows, &OutputNames::gcWindows, "cannot open the file"});
        specs.push_back({&OutputFiles::gcSkew, &OutputNames::gcSkew, "cannot open the file"});
        specs.push_back({&OutputFiles::cumulativeSkew, &OutputNames::cumulativeSkew, "cannot open the file"});
        specs.push_back({&OutputFiles::replication, &OutputNames::replication, "cannot open the file"});
    }
    if (choice.report) specs.push_back({&OutputFiles::reportPage, &OutputNames::reportPage, "cannot open the file"});
    if (choice.perRecord) specs.push_back({&OutputFiles::recordsTable, &OutputNames::recordsTable, "cannot open the file"});
    if (choice.bigWig && choice.browserTracks)
        specs.push_back({&OutputFiles::segmentTrackBigWig, &OutputNames::segmentTrackBigWig, "cannot open the file"});
    if (choice.bigWig && choice.windows) {
        specs.push_back({&OutputFiles::gcWindowsBigWig, &OutputNames::gcWindowsBigWig, "cannot open the file"});
        specs.push_back({&OutputFiles::gcSkewBigWig, &OutputNames::gcSkewBigWig, "cannot open the file"});
        specs.push_back(
            {&OutputFiles::cumulativeSkewBigWig, &OutputNames::cumulativeSkewBigWig, "cannot open the file"});
    }
    if (choice.multiqc) {
        specs.push_back({&OutputFiles::multiqcStats, &OutputNames::multiqcStats, "cannot open the file"});
        specs.push_back({&OutputFiles::multiqcProfile, &OutputNames::multiqcProfile, "cannot open the file"});
    }
    return specs;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

Stop refused(const char* message, const std::string& name, int error = errno) {
    return bySystem(stopOnOutput(refusal(message, name, error)));
}

// Makes a file (or a folder) `.NAME.PID.tmpXXXXXX` beside `name`, the X's
// drawn again until the name is new, NAME cut short to leave room for the
// rest within a file name's limit. It is remembered before it exists, so
// that no signal leaves it behind. The file's descriptor (0 for a folder),
// or -1 with errno set; `temporary` is the name made, or tried last.
int makeTemporary(const std::string& name, bool folder, std::string& temporary) {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::minstd_rand draw(std::random_device{}());
    const size_t base = name.rfind('/') + 1;  // 0 without a slash
    const std::string unique = format(".%ld.tmp", static_cast<long>(::getpid()));
    // The folder's old contents go to the same name with ".old".
    const size_t kept = NAME_MAX - std::strlen(".") - unique.size() - 6 - std::strlen(".old");
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = name.substr(0, base) + "." + name.substr(base, kept) + unique;
        for (int i = 0; i < 6; ++i) temporary += kLetters[draw() % (sizeof kLetters - 1)];
        if (!(folder ? rememberTemporaryFolder : rememberTemporaryFile)(temporary.c_str())) {
            errno = ENOMEM;
            return -1;
        }
        const int made = folder ? ::mkdir(temporary.c_str(), 0777)
                                : ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (made >= 0) return made;
        const int error = errno;
        (folder ? forgetTemporaryFolder : forgetTemporaryFile)(temporary.c_str());
        errno = error;
        if (error != EEXIST) return -1;
    }
    return -1;
}

// Whether the existing file may be renamed over: in a folder with the
// sticky bit only by the owner of the file or of the folder.
bool mayReplace(const struct stat& file, const std::string& folder) {
    struct stat status {};
    return ::geteuid() == 0 || file.st_uid == ::geteuid() || ::stat(folder.c_str(), &status) != 0 ||
           !(status.st_mode & S_ISVTX) || status.st_uid == ::geteuid();
}

// Flushes (and with `sync` syncs) and closes the stream; the error of the
// first thing that failed, or 0.
int closeStream(std::FILE* file, bool sync) {
    int error = 0;
    if (std::ferror(file)) {
        // The stream keeps no reason: one more byte at the end of the file,
        // which goes anyway, tells it (a full disk, a size limit).
        const char probe = 0;
        const off_t end = ::lseek(::fileno(file), 0, SEEK_END);
        error = end >= 0 && ::pwrite(::fileno(file), &probe, 1, end) < 0 ? errno : EIO;
    }
    if (std::fflush(file) != 0 && error == 0) error = errno;
    if (sync && ::fsync(::fileno(file)) != 0 && error == 0 && errno != EINVAL) error = errno;
    if (std::fclose(file) != 0 && error == 0) error = errno;
    return error;
}

}  // namespace

std::string stemOf(const std::string& inputName) {
    const size_t slash = inputName.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = inputName.find('.', nameStart + 1);
    if (dot == std::string::npos || nameStart >= inputName.size()) return inputName;
    return inputName.substr(0, dot);
}

OutputNames outputNamesFor(const std::string& stem) {
    return OutputNames{
        stem + ".SegGC",   stem + "_GCcontent.html",   stem + ".SegP", stem + ".Vestrel",
        stem + "_Vestrel.plt", stem + "_SegPoints.html", stem + ".TagP",
        stem + "_GCcontent.bedGraph", stem + "_SegPoints.bed", stem + "_GCwindows.bedGraph",
        stem + "_GCskew.bedGraph", stem + "_cumGCskew.bedGraph", stem + "_replication.tsv",
        stem + "_report.html", stem + "_records.tsv", stem + "_records", stem + "_GCcontent.bw",
        stem + "_GCwindows.bw", stem + "_GCskew.bw", stem + "_cumGCskew.bw", stem + "_vestrel_mqc.yaml",
        stem + "_vestrel_gc_mqc.yaml", stem + "_SegPoints.tsv",
    };
}

OutputFile::~OutputFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        forgetTemporaryFile(temporary_.c_str());
    }
}

Outcome<OutputFile> OutputFile::create(const std::string& name, const char* message) {
    OutputFile output;
    output.name_ = name;
    const int descriptor = makeTemporary(name, false, output.temporary_);
    if (descriptor < 0) return refused(message, output.temporary_);
    output.file_ = ::fdopen(descriptor, "wb+");
    if (output.file_ == nullptr) {
        const int error = errno;
        ::close(descriptor);
        return refused(message, output.temporary_, error);  // the temporary file goes with `output`
    }
    return output;
}

std::optional<Stop> OutputFile::finish() {
    if (file_ == nullptr) return std::nullopt;
    if (const int error = closeStream(std::exchange(file_, nullptr), true))
        return bySystem(stopOnError(refusal("cannot write the file", name_, error)));
    return std::nullopt;
}

void OutputFile::closeForPath() {
    if (file_ != nullptr) std::fclose(std::exchange(file_, nullptr));
}

bool OutputFile::publish() {
    if (temporary_.empty()) return true;
    if (::rename(temporary_.c_str(), name_.c_str()) != 0) return false;
    forgetTemporaryFile(temporary_.c_str());
    temporary_.clear();
    return true;
}

std::vector<const std::string*> namesWritten(const OutputNames& names, const OutputChoice& choice) {
    std::vector<const std::string*> written;
    for (const OutputSpec& spec : outputsOf(choice)) written.push_back(&(names.*spec.name));
    return written;
}

std::optional<Stop> checkOutputsWritable(const OutputNames& names, const OutputChoice& choice) {
    if (choice.perRecord) {
        // Replaced whole: a folder whose files may go, in a folder that takes new names.
        const std::string& folder = names.recordsFolder;
        struct stat status {};
        if (::stat(folder.c_str(), &status) == 0) {
            if (!S_ISDIR(status.st_mode)) return bySystem(stopOnOutput(refusal("cannot open the file", folder, ENOTDIR)));
            if (::access(folder.c_str(), W_OK | X_OK) != 0) return bySystem(stopOnOutput(refusal("cannot open the file", folder, errno)));
            if (!mayReplace(status, folderOf(folder))) return refused("cannot open the file", folder, EPERM);
        }
    }
    for (const OutputSpec& spec : outputsOf(choice)) {
        const std::string& name = names.*spec.name;
        struct stat status {};
        if (::stat(name.c_str(), &status) == 0) {
            if (S_ISDIR(status.st_mode)) return bySystem(stopOnOutput(refusal(spec.message, name, EISDIR)));
            if (::access(name.c_str(), W_OK) != 0) return bySystem(stopOnOutput(refusal(spec.message, name, errno)));
            if (!mayReplace(status, folderOf(name))) return refused(spec.message, name, EPERM);
        }
        if (::access(folderOf(name).c_str(), W_OK | X_OK) != 0)
            return bySystem(stopOnOutput(refusal(spec.message, name, errno)));
    }
    return std::nullopt;
}

std::optional<Stop> createOutputFiles(OutputFiles& files, const OutputNames& names, const OutputChoice& choice) {
    if (auto stop = checkOutputsWritable(names, choice)) return stop;
    for (const OutputSpec& spec : outputsOf(choice)) {
        Outcome<OutputFile> file = OutputFile::create(names.*spec.name, spec.message);
        if (!file.ok()) return file.stop();
        files.*spec.file = std::move(file.value());
    }
    return std::nullopt;
}

std::optional<Stop> publishOutputFiles(OutputFiles& files, OutputFolder* folder) {
    const OutputChoice every{true, true, true, true, false, true, true, true};
    std::vector<OutputFile*> written;
    for (const OutputSpec& spec : outputsOf(every)) written.push_back(&(files.*spec.file));
    written.insert(written.end() - 6, &files.recordsTable);  // before the bigWig and MultiQC files, as created
    for (OutputFile* file : written)
        if (auto stop = file->finish()) return stop;
    std::string oldFolder;  // the folder published over, to be removed
    if (folder != nullptr && *folder) {
        // Its files are complete: what they hold reaches the disk before
        // their names do.
        const int descriptor = ::open(folder->temporary_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptor < 0 || ::syncfs(descriptor) != 0) {
            const int error = errno;
            if (descriptor >= 0) ::close(descriptor);
            return bySystem(stopOnError(refusal("cannot write the folder", folder->name_, error)));
        }
        ::close(descriptor);
    }
    // Every file is complete: put them all in place one run at a time, under
    // a lock on the folder they share (it goes with the descriptor), not to
    // be interrupted half-way; then the folder is synced, so that the new
    // names survive a power cut.
    const auto putInPlace = [&]() -> std::optional<Stop> {
        for (OutputFile* file : written)
            if (!file->name().empty() && !file->publish())
                return bySystem(stopOnError(refusal("cannot write the file", file->name(), errno)));
        if (folder != nullptr && *folder) {
            // Swapped with a folder of that name if there is one, else renamed.
            const std::string& name = folder->name_;
            const std::string& temporary = folder->temporary_;
            if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, name.c_str(), RENAME_EXCHANGE) == 0) {
                oldFolder = temporary;
            } else if (errno == ENOENT) {
                if (::rename(temporary.c_str(), name.c_str()) != 0)
                    return bySystem(stopOnError(refusal("cannot write the folder", name, errno)));
                forgetTemporaryFolder(temporary.c_str());
            } else if (errno == EINVAL) {  // a file system that cannot swap: the old folder set aside first
                const std::string aside = temporary + ".old";
                if (::rename(name.c_str(), aside.c_str()) != 0 || ::rename(temporary.c_str(), name.c_str()) != 0)
                    return bySystem(stopOnError(refusal("cannot write the folder", name, errno)));
                forgetTemporaryFolder(temporary.c_str());
                oldFolder = aside;
            } else {
                return bySystem(stopOnError(refusal("cannot write the folder", name, errno)));
            }
            folder->temporary_.clear();
        }
        return std::nullopt;
    };
    std::string shared = folder != nullptr && *folder ? folder->name_ : "";
    for (const OutputFile* file : written)
        if (shared.empty()) shared = file->name();
    const int lock = ::open(folderOf(shared).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock >= 0) ::flock(lock, LOCK_EX);
    holdInterruptsToTheEnd();
    const std::optional<Stop> stop = putInPlace();
    if (lock >= 0) {
        ::fsync(lock);
        ::close(lock);
    }
    if (stop) return stop;
    if (!oldFolder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(oldFolder, ignored);
        forgetTemporaryFolder(oldFolder.c_str());
    }
    return std::nullopt;
}

OutputFolder::~OutputFolder() {
    if (temporary_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(temporary_, ignored);
    forgetTemporaryFolder(temporary_.c_str());
}

Outcome<OutputFolder> OutputFolder::create(const std::string& name) {
    OutputFolder folder;
    if (makeTemporary(name, true, folder.temporary_) < 0) return refused("cannot open the file", folder.temporary_);
    folder.name_ = name;
    return folder;
}

Outcome<FolderFile> FolderFile::create(const OutputFolder& folder, const std::string& file) {
    const std::string name = folder.name() + "/" + file;
    std::FILE* stream = std::fopen(folder.pathOf(file).c_str(), "wbxe");
    if (stream == nullptr) return bySystem(stopOnOutput(refusal("cannot open the file", name, errno)));
    return FolderFile(name, stream);
}

FolderFile::~FolderFile() {
    if (file_ != nullptr) std::fclose(file_);
}

std::optional<Stop> FolderFile::finish() {
    if (file_ == nullptr) return std::nullopt;
    if (const int error = closeStream(std::exchange(file_, nullptr), false))
        return bySystem(stopOnError(refusal("cannot write the file", name_, error)));
    return std::nullopt;
}

std::string RecordFileNames::next(const std::string& recordName) {
    ++records_;
    std::string name = recordName.substr(0, kMaximumRecordFileName);
    for (char& c : name) {
        const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                          c == '_' || c == '-';
        if (!safe) c = '_';
    }
    if (!name.empty() && name[0] == '.') name[0] = '_';
    if (name.empty()) name = "record" + std::to_string(records_);
    auto [given, fresh] = given_.try_emplace(name, 1);
    if (!fresh) {
        std::string numbered;
        do numbered = name + "_" + std::to_string(++given->second);
        while (given_.count(numbered) != 0);
        name = numbered;
        given_.emplace(name, 1);
    }
    return name;
}

bool sameFile(const std::string& first, const std::string& second) {
    struct stat a {}, b {};
    if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool hasControlCharacter(const std::string& name) {
    for (unsigned char c : name)
        if ((c >= 0x01 && c <= 0x1F) || c == 0x7F) return true;
    return false;
}

}  // namespace vestrel
