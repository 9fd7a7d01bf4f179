#include "run/output_files.h"

#include <sys/stat.h>

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
    };
}

Outcome<OutputFiles> createOutputFiles(const OutputNames& names) {
    OutputFiles files;
    struct Step {
        FileHandle* handle;
        const std::string* name;
        const char* message;
    };
    const Step steps[] = {
        {&files.segmentSteps, &names.segmentSteps, "cannot open the file"},
        {&files.segmentPage, &names.segmentPage, "cannot open the out file"},
        {&files.splitPointData, &names.splitPointData, "cannot open the file"},
        {&files.curveData, &names.curveData, "cannot open the file"},
        {&files.plotScript, &names.plotScript, "cannot open the file"},
        {&files.splitPointPage, &names.splitPointPage, "cannot open the file"},
    };
    for (const Step& step : steps) {
        step.handle->reset(std::fopen(step.name->c_str(), "wb+"));
        if (!*step.handle) return stopOnOutput(step.message);
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
