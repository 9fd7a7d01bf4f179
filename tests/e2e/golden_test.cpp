// Whole runs on real and synthetic genomes, compared byte for byte with the
// stored results: the console, the exit status and every file a run writes.
// Set VESTREL_UPDATE_GOLDEN=1 to rewrite the stored results after checking
// a change by hand.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <tuple>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;

struct GoldenCase {
    std::string name;
    std::string genome;     // below the source tree; .xz files are decompressed
    std::string inputName;  // the sequence file's name in the run folder
    std::vector<std::string> options;
};

std::ostream& operator<<(std::ostream& out, const GoldenCase& golden) { return out << golden.name; }

const GoldenCase kCases[] = {
    {"lambda_default", "examples/lambda.fa", "lambda.fa", {}},
    {"lambda_t100_i500", "examples/lambda.fa", "lambda.fa", {"-t", "100", "-i", "500"}},
    {"lambda_all_options", "examples/lambda.fa", "lambda.fa",
     {"-t", "20", "-i", "300", "-l", "-z", "-s", "1", "-c", "coordinates.txt", "-d", "density.txt"}},
    {"lambda_multiplot", "examples/lambda.fa", "lambda.fa",
     {"-t", "50", "-i", "500", "-m", "-s", "3", "-c", "coordinates.txt", "-d", "density.txt"}},
    {"klebsiella_default", "tests/data/Klebs_HS11286.fna.xz", "hs11286.fna", {}},
    {"klebsiella_t10_i1000", "tests/data/Klebs_HS11286.fna.xz", "hs11286.fna",
     {"-t", "10", "-i", "1000", "-l", "-c", "coordinates.txt"}},
    {"synthetic_gaps", "tests/data/synthetic.fa", "synthetic.fa", {"-t", "20", "-i", "500"}},
    {"synthetic_multiplot_z", "tests/data/synthetic.fa", "synthetic.fa",
     {"-t", "20", "-i", "500", "-g", "850", "-m", "-z", "-s", "4"}},
};

// Every case runs with the default settings, with 1, 2 and 7 threads, and
// with the plain reference scan on one thread: all give the same bytes.
const std::vector<std::string> kVariants[] = {
    {}, {"--threads", "1"}, {"--threads=2"}, {"--threads", "7"}, {"--kernel", "reference", "--threads", "1"}};

class GoldenRun : public ::testing::TestWithParam<std::tuple<GoldenCase, int>> {};

void prepareInputs(const GoldenCase& golden, const TempDir& folder) {
    const fs::path genome = sourceDir() / golden.genome;
    if (genome.extension() == ".xz") {
        const auto unpacked = runCommand(
            {"/bin/sh", "-c", "xz -dc '" + genome.string() + "' > '" + golden.inputName + "'"},
            folder.path());
        ASSERT_EQ(unpacked.status, 0) << unpacked.err;
    } else {
        fs::copy_file(genome, folder / golden.inputName);
    }
    fs::copy_file(sourceDir() / "tests/data/coordinates.txt", folder / "coordinates.txt");
    fs::copy_file(sourceDir() / "tests/data/density.txt", folder / "density.txt");
}

TEST_P(GoldenRun, MatchesStoredResults) {
    const GoldenCase& golden = std::get<0>(GetParam());
    const std::vector<std::string>& variant = kVariants[std::get<1>(GetParam())];
    TempDir folder;
    prepareInputs(golden, folder);
    auto inputs = snapshot(folder.path());

    std::vector<std::string> argv = {vestrelBinary(), golden.inputName};
    argv.insert(argv.end(), golden.options.begin(), golden.options.end());
    argv.insert(argv.end(), variant.begin(), variant.end());
    const CommandResult result = runCommand(argv, folder.path());

    std::map<std::string, std::string> actual;
    for (auto& [name, bytes] : snapshot(folder.path()))
        if (!inputs.count(name)) actual[name] = bytes;
    actual["stdout"] = result.out;
    actual["stderr"] = result.err;
    actual["status"] = std::to_string(result.status) + "\n";

    const fs::path expectedFolder = sourceDir() / "tests/golden" / golden.name;
    if (std::getenv("VESTREL_UPDATE_GOLDEN") != nullptr && variant.empty()) {
        fs::remove_all(expectedFolder);
        fs::create_directories(expectedFolder);
        for (auto& [name, bytes] : actual) writeFile(expectedFolder / name, bytes);
        GTEST_SKIP() << "rewrote " << expectedFolder;
    }
    ASSERT_TRUE(fs::is_directory(expectedFolder)) << expectedFolder;
    const auto expected = snapshot(expectedFolder);
    std::set<std::string> names;
    for (auto& entry : expected) names.insert(entry.first);
    for (auto& entry : actual) names.insert(entry.first);
    for (const std::string& name : names) {
        ASSERT_TRUE(expected.count(name)) << "unexpected output file " << name;
        ASSERT_TRUE(actual.count(name)) << "missing output file " << name;
        EXPECT_TRUE(expected.at(name) == actual.at(name))
            << name << " differs from " << (expectedFolder / name);
    }
}

std::string goldenName(const ::testing::TestParamInfo<std::tuple<GoldenCase, int>>& info) {
    static const char* const variants[] = {"default", "threads1", "threads2", "threads7", "reference"};
    return std::get<0>(info.param).name + "_" + variants[std::get<1>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Genomes, GoldenRun,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Range(0, static_cast<int>(std::size(kVariants)))),
                         goldenName);

}  // namespace
}  // namespace vestrel::testing
