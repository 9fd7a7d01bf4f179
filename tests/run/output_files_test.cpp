#include "run/output_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_command.h"

namespace vestrel {
namespace {

namespace fs = std::filesystem;

class OutputFilesStemTest : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(OutputFilesStemTest, UpToFirstDotOfTheFileName) {
    EXPECT_EQ(stemOf(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputFilesStemTest,
    ::testing::Values(std::pair<std::string, std::string>{"data/seq.fa", "data/seq"},
                      std::pair<std::string, std::string>{"./seq.fa", "./seq"},
                      std::pair<std::string, std::string>{"run.old/seq.fa", "run.old/seq"},
                      std::pair<std::string, std::string>{"seq", "seq"},
                      std::pair<std::string, std::string>{"seq.fa.gz", "seq"},
                      std::pair<std::string, std::string>{"dir/.hidden.fa", "dir/.hidden"},
                      std::pair<std::string, std::string>{".hidden", ".hidden"},
                      std::pair<std::string, std::string>{"a.b/c.d/e", "a.b/c.d/e"},
                      std::pair<std::string, std::string>{"/x/y..fa", "/x/y"}));

const char* const kCreationOrder[] = {".SegGC",   "_GCcontent.html", ".SegP",
                                      ".Vestrel", "_Vestrel.plt",    "_SegPoints.html"};

// The output at the given position cannot be created (a folder stands in its
// way): the message names the first that fails, and no output is left behind
// nor emptied.
class OutputFilesBlockedTest : public ::testing::TestWithParam<int> {};

TEST_P(OutputFilesBlockedTest, StopsAtTheFirstFailureInCreationOrder) {
    testing::TempDir dir;
    const std::string stem = (dir / "s").string();
    fs::create_directory(stem + kCreationOrder[GetParam()]);
    const int earlier = GetParam() == 0 ? 5 : 0;  // an output of an earlier run
    testing::writeFile(stem + kCreationOrder[earlier], "earlier");
    Outcome<OutputFiles> created = createOutputFiles(outputNamesFor(stem));
    ASSERT_FALSE(created.ok());
    EXPECT_EQ(created.stop().status, 1);
    EXPECT_EQ(created.stop().channel, Channel::standardOutput);
    EXPECT_EQ(created.stop().message,
              GetParam() == 1 ? "cannot open the out file" : "cannot open the file");
    for (int i = 0; i < 6; ++i) {
        if (i == GetParam()) continue;
        EXPECT_EQ(fs::exists(stem + kCreationOrder[i]), i == earlier) << kCreationOrder[i];
    }
    EXPECT_EQ(testing::readFile(stem + kCreationOrder[earlier]), "earlier");
}

INSTANTIATE_TEST_SUITE_P(Positions, OutputFilesBlockedTest, ::testing::Range(0, 6));

TEST(OutputFilesTest, ControlCharactersAreBytes01To1FAnd7F) {
    for (int byte = 1; byte < 256; ++byte) {
        const bool control = byte <= 0x1F || byte == 0x7F;
        EXPECT_EQ(hasControlCharacter("ab" + std::string(1, static_cast<char>(byte)) + "c"),
                  control)
            << byte;
    }
    EXPECT_FALSE(hasControlCharacter(""));
}

}  // namespace
}  // namespace vestrel
