#include "reports/output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace vestrel {

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
        stem + "_GCcontent.bedGraph", stem + "_SegPoints.bed",
    };
}

std::optional<Stop> OutputFile::close() {
    if (!file_) return std::nullopt;
    std::FILE* file = file_.release();
    const bool failed = std::ferror(file) != 0;
    if (std::fclose(file) != 0 || failed)
        return stopOnError("cannot write the file " + name_ + "\n");
    return std::nullopt;
}

std::optional<OutputFile> createOutputFile(const std::string& name) {
    const int descriptor = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0) return std::nullopt;
    std::FILE* file = ::fdopen(descriptor, "wb+");
    if (file == nullptr) {
        ::close(descriptor);
        return std::nullopt;
    }
    return OutputFile(name, file);
}

Outcome<OutputFiles> createOutputFiles(const OutputNames& names, bool coordinates, bool browserTracks) {
    OutputFiles files;
    struct Step {
        OutputFile* file;
        const std::string* name;
        const char* message;
    };
    std::vector<Step> steps = {
        {&files.segmentSteps, &names.segmentSteps, "cannot open the file"},
        {&files.segmentPage, &names.segmentPage, "cannot open the out file"},
        {&files.splitPointData, &names.splitPointData, "cannot open the file"},
        {&files.curveData, &names.curveData, "cannot open the file"},
        {&files.plotScript, &names.plotScript, "cannot open the file"},
        {&files.splitPointPage, &names.splitPointPage, "cannot open the file"},
    };
    if (coordinates)
        steps.push_back({&files.coordinatePoints, &names.coordinatePoints, "Can't open .TagP file!"});
    if (browserTracks) {
        steps.push_back({&files.segmentTrack, &names.segmentTrack, "cannot open the file"});
        steps.push_back({&files.splitPointTrack, &names.splitPointTrack, "cannot open the file"});
    }
    // First make sure every file can be written, without emptying any.
    std::vector<std::string> made;
    for (const Step& step : steps) {
        int descriptor = ::open(step.name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            made.push_back(*step.name);
        } else if (errno == EEXIST) {
            descriptor = ::open(step.name->c_str(), O_WRONLY | O_CLOEXEC);
        }
        struct stat status {};
        const bool usable = descriptor >= 0 && ::fstat(descriptor, &status) == 0 &&
                            !S_ISDIR(status.st_mode);
        if (descriptor >= 0) ::close(descriptor);
        if (!usable) {
            for (const std::string& name : made) ::unlink(name.c_str());
            return stopOnOutput(step.message);
        }
    }
    for (const Step& step : steps) {
        std::optional<OutputFile> file = createOutputFile(*step.name);
        if (!file) return stopOnOutput(step.message);
        *step.file = std::move(*file);
    }
    return files;
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
