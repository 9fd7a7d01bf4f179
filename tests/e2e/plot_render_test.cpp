// gnuplot runs the script of a real run in every mode and graph size, and
// draws every picture the script names at the size it asks for.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;

struct PictureSize {
    unsigned width = 0;
    unsigned height = 0;
    bool operator==(const PictureSize&) const = default;
};

std::ostream& operator<<(std::ostream& out, const PictureSize& size) {
    return out << size.width << "x" << size.height;
}

// Width and height from the IHDR chunk of a PNG file.
PictureSize pngSize(const fs::path& path) {
    const std::string bytes = readFile(path);
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) return {};
    auto word = [&](size_t at) {
        unsigned value = 0;
        for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
        return value;
    };
    return {word(16), word(20)};
}

PictureSize expectedSize(int graphSize, bool multiplot) {
    const PictureSize sizes[] = {{640, 480}, {800, 600}, {1200, 900}, {2400, 1800}};
    PictureSize size = sizes[std::clamp(graphSize, 1, 4) - 1];
    if (multiplot) size.height = size.height * 13 / 10;
    return size;
}

CommandResult runGnuplot(const std::string& script, const fs::path& folder) {
    return runCommand({"/usr/bin/env", "gnuplot", script}, folder);
}

// (multiplot, density, graph size)
class PlotRender : public ::testing::TestWithParam<std::tuple<bool, bool, int>> {};

TEST_P(PlotRender, DrawsEveryPictureAtItsSize) {
    const auto [multiplot, density, graphSize] = GetParam();
    TempDir folder;
    fs::copy_file(sourceDir() / "examples/lambda.fa", folder / "lambda.fa");
    fs::copy_file(sourceDir() / "tests/data/coordinates.txt", folder / "points.txt");
    fs::copy_file(sourceDir() / "tests/data/density.txt", folder / "density.txt");
    std::vector<std::string> argv = {vestrelBinary(), "lambda.fa", "-t",  "20", "-i", "500",
                                     "-l", "-z", "-c", "points.txt", "-s", std::to_string(graphSize)};
    if (multiplot) argv.push_back("-m");
    if (density) argv.insert(argv.end(), {"-d", "density.txt"});
    ASSERT_EQ(runCommand(argv, folder.path()).status, 0);

    const CommandResult plot = runGnuplot("lambda_Vestrel.plt", folder.path());
    ASSERT_NE(plot.status, 127) << "gnuplot is not installed";
    EXPECT_EQ(plot.status, 0);
    EXPECT_EQ(plot.err, "");

    std::vector<std::string> pictures = {"lambda_Vestrel.png"};
    if (!multiplot) pictures.push_back("lambda_GCcontent.png");
    if (!multiplot && density) pictures.push_back("lambda_Density.png");
    for (const std::string& picture : pictures) {
        const bool tall = multiplot && picture == "lambda_Vestrel.png";
        EXPECT_EQ(pngSize(folder / picture), expectedSize(graphSize, tall)) << picture;
    }
    for (const std::string unexpected : {"lambda_GCcontent.png", "lambda_Density.png"}) {
        if (std::find(pictures.begin(), pictures.end(), unexpected) == pictures.end()) {
            EXPECT_FALSE(fs::exists(folder / unexpected)) << unexpected;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PlotRender,
    ::testing::Combine(::testing::Bool(), ::testing::Bool(), ::testing::Values(1, 2, 3, 4)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param) ? "multiplot" : "separate") +
               (std::get<1>(info.param) ? "_density" : "_plain") + "_size" +
               std::to_string(std::get<2>(info.param));
    });

// Quotes in file names are escaped in the script, so gnuplot neither fails
// nor reads the rest of a name as commands.
TEST(PlotRenderNames, QuotesInNamesAreEscaped) {
    TempDir folder;
    fs::create_directory(folder / "it's here");
    fs::copy_file(sourceDir() / "examples/lambda.fa", folder / "it's here/it's.fa");
    fs::copy_file(sourceDir() / "tests/data/density.txt", folder / "gene's'; system 'touch pwned.txt");
    const CommandResult run = runCommand(
        {vestrelBinary(), "it's here/it's.fa", "-t", "20", "-i", "500", "-d",
         "gene's'; system 'touch pwned.txt"}, folder.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string script = readFile(folder / "it's here/it's_Vestrel.plt");
    EXPECT_NE(script.find("set output 'it''s here/it''s_Vestrel.png'\n"), std::string::npos);
    EXPECT_NE(script.find(" 'gene''s''; system ''touch pwned.txt' title"), std::string::npos);

    const CommandResult plot = runGnuplot("it's here/it's_Vestrel.plt", folder.path());
    EXPECT_EQ(plot.status, 0);
    EXPECT_EQ(plot.err, "");
    EXPECT_EQ(pngSize(folder / "it's here/it's_Vestrel.png"), expectedSize(2, false));
    EXPECT_EQ(pngSize(folder / "it's here/it's_Density.png"), expectedSize(2, false));
    EXPECT_FALSE(fs::exists(folder / "pwned.txt"));
}

}  // namespace
}  // namespace vestrel::testing
