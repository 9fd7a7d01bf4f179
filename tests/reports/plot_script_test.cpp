#include "reports/plot_script.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace vestrel {
namespace {

std::string written(const std::function<void(std::FILE*)>& write) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* script = open_memstream(&buffer, &size);
    write(script);
    std::fclose(script);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

class QuotedForScriptTest : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(QuotedForScriptTest, DoublesEverySingleQuote) {
    EXPECT_EQ(quotedForScript(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Names, QuotedForScriptTest,
                         ::testing::Values(std::pair<std::string, std::string>{"seq", "seq"},
                                           std::pair<std::string, std::string>{"", ""},
                                           std::pair<std::string, std::string>{"it's", "it''s"},
                                           std::pair<std::string, std::string>{"''", "''''"},
                                           std::pair<std::string, std::string>{"a\"b 'c", "a\"b ''c"}));

struct TerminalCase {
    std::int32_t graphSize;
    const char* plain;
    const char* tall;
};

void PrintTo(const TerminalCase& c, std::ostream* os) { *os << c.graphSize; }

class TerminalLineTest : public ::testing::TestWithParam<TerminalCase> {};

TEST_P(TerminalLineTest, ByGraphSize) {
    EXPECT_EQ(terminalLine(GetParam().graphSize, false), GetParam().plain);
    EXPECT_EQ(terminalLine(GetParam().graphSize, true), GetParam().tall);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, TerminalLineTest,
    ::testing::Values(
        TerminalCase{1, "set terminal png small size 640,480\n", "set terminal png small size 640,624\n"},
        TerminalCase{2, "set terminal png medium size 800,600\n", "set terminal png medium size 800,780\n"},
        TerminalCase{3, "set terminal png giant size 1200,900\n", "set terminal png giant size 1200,1170\n"},
        TerminalCase{4, "set terminal png giant size 2400,1800\n", "set terminal png giant size 2400,2340\n"},
        TerminalCase{0, "set terminal png giant size 2400,1800\n", "set terminal png giant size 2400,2340\n"},
        TerminalCase{5, "set terminal png giant size 2400,1800\n", "set terminal png giant size 2400,2340\n"},
        TerminalCase{-1, "set terminal png giant size 2400,1800\n", "set terminal png giant size 2400,2340\n"}));

class XLabelTest : public ::testing::TestWithParam<std::pair<std::uint32_t, std::string>> {};

TEST_P(XLabelTest, ByPlotScale) {
    RunParameters parameters;
    parameters.plotScale = GetParam().first;
    const std::string head = written([&](std::FILE* f) { writePlotHead(f, parameters, "s", 5000); });
    const std::string ending = "set xlabel '" + GetParam().second + "'\nset ylabel 'Vestrel (bp)'\n";
    ASSERT_GE(head.size(), ending.size());
    EXPECT_EQ(head.substr(head.size() - ending.size()), ending);
}

INSTANTIATE_TEST_SUITE_P(Scales, XLabelTest,
                         ::testing::Values(std::pair<std::uint32_t, std::string>{1, "n(bp)"},
                                           std::pair<std::uint32_t, std::string>{10, "n(10bp)"},
                                           std::pair<std::uint32_t, std::string>{100, "n(100bp)"},
                                           std::pair<std::uint32_t, std::string>{1000, "n(Kb)"},
                                           std::pair<std::uint32_t, std::string>{10000, "n(10Kb)"}));

struct CommandCase {
    std::int32_t splitPoints;
    std::int32_t coordinates;
    std::string line;
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.splitPoints << ' ' << c.coordinates; }

class PlotCommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(PlotCommandTest, PartsByCount) {
    EXPECT_EQ(written([](std::FILE* f) {
                  writePlotCommand(f, "x'y", 2499, GetParam().splitPoints, GetParam().coordinates);
              }),
              GetParam().line);
}

const std::string kCurve = "plot  [0:2499] [] 'x''y.Vestrel' title 'Vestrel' w lines";
const std::string kPoints = ",'x''y.SegP' title 'Segmentation points' w points pt 4 ps 2";
const std::string kTags = ",'x''y.TagP' title 'Uploaded coordinates points' w points pt 6 ps 1.8";

INSTANTIATE_TEST_SUITE_P(Counts, PlotCommandTest,
                         ::testing::Values(CommandCase{0, 0, kCurve + "\n"},
                                           CommandCase{3, 0, kCurve + kPoints + "\n"},
                                           CommandCase{0, 1, kCurve + kTags + "\n"},
                                           CommandCase{1, 7, kCurve + kPoints + kTags + "\n"}));

// Whole scripts, one per mode; the stem and density names carry a quote.
struct ModeCase {
    const char* name;
    bool multiplot;
    bool density;
    std::int32_t graphSize;
    std::uint32_t plotScale;
    std::uint32_t length;
    std::int32_t splitPoints;
    std::int32_t coordinates;
    std::string expected;
};

void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.name; }

class PlotScriptModeTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(PlotScriptModeTest, WholeScript) {
    const ModeCase& c = GetParam();
    RunParameters parameters;
    parameters.multiplot = c.multiplot;
    parameters.plotDensity = c.density;
    parameters.densityFileName = c.density ? "den's.txt" : "";
    parameters.graphSize = c.graphSize;
    parameters.plotScale = c.plotScale;
    const std::int32_t rangeEnd = static_cast<std::int32_t>((c.length - 1) / c.plotScale);
    const std::string script = written([&](std::FILE* f) {
        writePlotHead(f, parameters, "d/it's", c.length);
        if (c.splitPoints > 0) std::fputs("set label '1' at 2.500000,      1.250\n", f);
        writePlotCommand(f, "d/it's", rangeEnd, c.splitPoints, c.coordinates);
        writePlotTail(f, parameters, "d/it's", c.length);
    });
    EXPECT_EQ(script, c.expected);
}

const std::string kSegP = ",'d/it''s.SegP' title 'Segmentation points' w points pt 4 ps 2";
const std::string kTagP = ",'d/it''s.TagP' title 'Uploaded coordinates points' w points pt 6 ps 1.8";

INSTANTIATE_TEST_SUITE_P(
    Modes, PlotScriptModeTest,
    ::testing::Values(
        ModeCase{"Separate", false, false, 1, 1, 5000, 1, 0,
                 "\nreset\nset terminal png small size 640,480\nset lmargin 14\nset rmargin 10\n"
                 "set output 'd/it''s_GCcontent.png'\nset xlabel 'n(bp)'\nset ylabel 'GC content'\n"
                 "plot [0:5000] [] 'd/it''s.SegGC' title 'GC content' w lines\n\n"
                 "\nreset\nset terminal png small size 640,480\nset output 'd/it''s_Vestrel.png'\n"
                 "set lmargin 14\nset rmargin 10\nset xlabel 'n(bp)'\nset ylabel 'Vestrel (bp)'\n"
                 "set label '1' at 2.500000,      1.250\n"
                 "plot  [0:4999] [] 'd/it''s.Vestrel' title 'Vestrel' w lines" + kSegP + "\n"
                 "\n"},
        ModeCase{"SeparateDensity", false, true, 3, 100, 250000, 0, 2,
                 "\nreset\nset terminal png giant size 1200,900\nset lmargin 14\nset rmargin 10\n"
                 "set output 'd/it''s_GCcontent.png'\nset xlabel 'n(bp)'\nset ylabel 'GC content'\n"
                 "plot [0:250000] [] 'd/it''s.SegGC' title 'GC content' w lines\n\n"
                 "\nreset\nset terminal png giant size 1200,900\nset output 'd/it''s_Vestrel.png'\n"
                 "set lmargin 14\nset rmargin 10\nset xlabel 'n(100bp)'\nset ylabel 'Vestrel (bp)'\n"
                 "plot  [0:2499] [] 'd/it''s.Vestrel' title 'Vestrel' w lines" + kTagP + "\n"
                 "\nreset\nset terminal png giant size 1200,900\n\nset lmargin 14\nset rmargin 10\n"
                 "set output 'd/it''s_Density.png'\n"
                 "\nset xlabel 'n(bp)'\nset ylabel 'GC content'\nset y2label 'Density distribution'\n"
                 "set ytics nomirror\nset y2tics\nset tics out\n"
                 "plot [0:250000] [] [0:] [] 'd/it''s.SegGC' title 'GC content' w lines,"
                 " 'den''s.txt' title 'Density distribution' w boxes lt 4 axes x2y2\n"
                 "\n"},
        ModeCase{"Multiplot", true, false, 4, 10, 25000, 2, 3,
                 "\nreset\nset terminal png giant size 2400,2340\nset output 'd/it''s_Vestrel.png'\n"
                 "set lmargin 14\nset rmargin 10\n"
                 "set size 1,1\nset origin 0,0\nset multiplot\nset size 1,0.615\nset origin 0,0.385\n"
                 "set xlabel 'n(10bp)'\nset ylabel 'Vestrel (bp)'\n"
                 "set label '1' at 2.500000,      1.250\n"
                 "plot  [0:2499] [] 'd/it''s.Vestrel' title 'Vestrel' w lines" + kSegP + kTagP + "\n"
                 "\nset size 1,0.385\nset origin 0,0\nset xlabel 'n(bp)'\nset ylabel 'GC content'\n"
                 "plot [0:25000] [] 'd/it''s.SegGC' title 'GC content' w lines\n"
                 "\nunset multiplot\nreset\n"},
        ModeCase{"MultiplotDensity", true, true, 2, 1000, 1500000, 0, 0,
                 "\nreset\nset terminal png medium size 800,780\nset output 'd/it''s_Vestrel.png'\n"
                 "set lmargin 14\nset rmargin 10\n"
                 "set size 1,1\nset origin 0,0\nset multiplot\nset size 1,0.615\nset origin 0,0.385\n"
                 "set xlabel 'n(Kb)'\nset ylabel 'Vestrel (bp)'\n"
                 "plot  [0:1499] [] 'd/it''s.Vestrel' title 'Vestrel' w lines\n"
                 "\nset size 1,0.385\nset origin 0,0\nset xlabel 'n(bp)'\nset ylabel 'GC content'\n"
                 "set y2label 'Density distribution'\nset ytics nomirror\nset y2tics\nset tics out\n"
                 "plot [0:1500000] [] [0:] [] 'd/it''s.SegGC' title 'GC content' w lines,"
                 " 'den''s.txt' title 'Density distribution' w boxes lt 4 axes x2y2\n"
                 "\nunset multiplot\nreset\n"}),
    [](const ::testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vestrel
