#include "reports/plot_script.h"

#include <cctype>

#include "common/console.h"
#include "common/format.h"

namespace vestrel {
namespace {

// The name as gnuplot reads it between single quotes: each quote doubled,
// and "./" before a name that does not begin with '/', '.', a letter or a
// digit, which gnuplot would otherwise take for a command ('<' reads from one,
// '|' writes to one) or for data of its own ('-' is the script, '+' a range).
std::string quotedForScript(const std::string& name) {
    const unsigned char first = name.empty() ? 'a' : static_cast<unsigned char>(name[0]);
    std::string quoted = first == '/' || first == '.' || std::isalnum(first) ? "" : "./";
    quoted.reserve(quoted.size() + name.size());
    for (char c : name) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted;
}

std::string xLabelLine(std::uint32_t plotScale) {
    switch (plotScale) {
        case 1: return "set xlabel 'n(bp)'\n";
        case 10: return "set xlabel 'n(10bp)'\n";
        case 100: return "set xlabel 'n(100bp)'\n";
        case 1000: return "set xlabel 'n(Kb)'\n";
        default: return "set xlabel 'n(10Kb)'\n";
    }
}

// The density picture's plot, continued by the density file on the same line.
std::string gcContentWithDensity(const std::string& stem, std::uint32_t length) {
    return format("\nset xlabel 'n(bp)'\nset ylabel 'GC content'\nset y2label 'Density distribution'\n"
                  "set ytics nomirror\nset y2tics\nset tics out\n"
                  "plot [0:%ld] [] [0:] [] '%s.SegGC' title 'GC content' w lines,",
                  static_cast<long>(length), stem.c_str());
}

std::string densityPlot(const PlotParameters& parameters) {
    return format(" '%s' title 'Density distribution' w boxes lt 4 axes x2y2\n",
                  quotedForScript(parameters.densityFileName).c_str());
}

std::string terminalLine(std::int32_t graphSize, bool tall) {
    switch (graphSize) {
        case 1: return tall ? "set terminal png small size 640,624\n" : "set terminal png small size 640,480\n";
        case 2: return tall ? "set terminal png medium size 800,780\n" : "set terminal png medium size 800,600\n";
        case 3: return tall ? "set terminal png giant size 1200,1170\n" : "set terminal png giant size 1200,900\n";
        default: return tall ? "set terminal png giant size 2400,2340\n" : "set terminal png giant size 2400,1800\n";
    }
}

// Places the lower picture of the multiplot page.
constexpr const char* kLowerPicture = "\nset size 1,0.385\nset origin 0,0\n";
constexpr const char* kEndMultiplot = "\nunset multiplot\nreset\n";

void writePlotHead(std::FILE* script, const PlotParameters& parameters, const std::string& stem,
                   std::uint32_t length) {
    const std::string name = quotedForScript(stem);
    if (!parameters.multiplot) {
        writeText(script, "\nreset\n");
        writeText(script, terminalLine(parameters.graphSize, false));
        writeText(script, "set lmargin 14\nset rmargin 10\n");
        writeText(script, format("set output '%s_GCcontent.png'\n", name.c_str()));
        writeText(script, "set xlabel 'n(bp)'\nset ylabel 'GC content'\n");
        writeText(script, format("plot [0:%ld] [] '%s.SegGC' title 'GC content' w lines\n\n",
                                 static_cast<long>(length), name.c_str()));
    }
    writeText(script, "\nreset\n");
    writeText(script, terminalLine(parameters.graphSize, parameters.multiplot));
    writeText(script, format("set output '%s_Vestrel.png'\n", name.c_str()));
    writeText(script, "set lmargin 14\nset rmargin 10\n");
    if (parameters.multiplot)
        writeText(script, "set size 1,1\nset origin 0,0\nset multiplot\nset size 1,0.615\nset origin 0,0.385\n");
    writeText(script, xLabelLine(parameters.plotScale));
    writeText(script, "set ylabel 'Vestrel (bp)'\n");
}

void writePlotCommand(std::FILE* script, const std::string& stem, std::int32_t plotRangeEnd,
                      std::int32_t splitPointCount, std::int32_t coordinateCount) {
    const std::string name = quotedForScript(stem);
    std::string line = format("plot  [0:%d] [] '%s.Vestrel' title 'Vestrel' w lines", plotRangeEnd,
                              name.c_str());
    if (splitPointCount > 0)
        line += format(",'%s.SegP' title 'Segmentation points' w points pt 4 ps 2", name.c_str());
    if (coordinateCount > 0)
        line += format(",'%s.TagP' title 'Uploaded coordinates points' w points pt 6 ps 1.8",
                       name.c_str());
    line += "\n";
    writeText(script, line);
}

void writePlotTail(std::FILE* script, const PlotParameters& parameters, const std::string& stem,
                   std::uint32_t length) {
    const std::string name = quotedForScript(stem);
    if (parameters.multiplot && !parameters.densityFileName.empty()) {
        writeText(script, kLowerPicture);
        writeText(script, gcContentWithDensity(name, length).substr(1));
        writeText(script, densityPlot(parameters));
        writeText(script, kEndMultiplot);
    } else if (parameters.multiplot) {
        writeText(script, kLowerPicture);
        writeText(script, format("set xlabel 'n(bp)'\nset ylabel 'GC content'\n"
                                 "plot [0:%ld] [] '%s.SegGC' title 'GC content' w lines\n",
                                 static_cast<long>(length), name.c_str()));
        writeText(script, kEndMultiplot);
    } else if (!parameters.densityFileName.empty()) {
        writeText(script, "\nreset\n");
        writeText(script, terminalLine(parameters.graphSize, false));
        writeText(script, "\nset lmargin 14\nset rmargin 10\n");
        writeText(script, format("set output '%s_Density.png'\n", name.c_str()));
        writeText(script, gcContentWithDensity(name, length));
        writeText(script, densityPlot(parameters));
        writeText(script, "\n");
    } else {
        writeText(script, "\n");
    }
}

void writeLabels(std::FILE* script, const std::vector<ProjectedPoint>& splitPoints, bool withPositions) {
    int label = 0;
    for (const ProjectedPoint& point : splitPoints) {
        ++label;
        if (withPositions)
            writeText(script, format("set label '%d-%ld' at %f,%11.3f\n", label,
                                     static_cast<long>(point.position), point.x, point.y));
        else
            writeText(script, format("set label '%d' at %f,%11.3f\n", label, point.x, point.y));
    }
}

}  // namespace

void writePlotScript(std::FILE* script, const PlotParameters& parameters,
                     const PlotContents& contents) {
    writePlotHead(script, parameters, contents.stem, contents.length);
    writeLabels(script, contents.splitPoints, parameters.labelPoints);
    writePlotCommand(script, contents.stem, contents.plotRangeEnd,
                     static_cast<std::int32_t>(contents.splitPoints.size()), contents.coordinateCount);
    writePlotTail(script, parameters, contents.stem, contents.length);
}

}  // namespace vestrel
