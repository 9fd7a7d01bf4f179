// The report page in a real browser: its script runs without error, it holds
// a mark per split point, every record's name and every gap, a zoom asked
// for in the address changes the x range of both panels, its picture is not
// blank, and nothing in it loads from outside the file.
#include <gtest/gtest.h>

#include <sstream>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

CommandResult chromium(const TempDir& folder, const std::string& what, const std::string& url) {
    return shell(folder.path(), "timeout 120 chromium --headless --no-sandbox --disable-gpu "
                                "--disable-background-networking --disable-component-update --disable-sync "
                                "--no-first-run --user-data-dir=profile --window-size=1280,1600 "
                                "--virtual-time-budget=5000 " + what + " " + quoted(url) + " 2>/dev/null");
}

struct Report {
    std::string setup, input;
    std::vector<std::string> records;
};
void PrintTo(const Report& report, std::ostream* out) { *out << report.input; }

class ReportPage : public ::testing::TestWithParam<Report> {};

TEST_P(ReportPage, ShowsTheWholeRunInABrowser) {
    const Report& report = GetParam();
    TempDir folder;
    ASSERT_EQ(shell(folder.path(), report.setup).status, 0);
    const CommandResult run = shell(folder.path(), "vestrel " + report.input +
                                                       " -t 20 -i 1000 --report --prefix run -c points.txt -d density.txt"
                                                       " --windows 5000");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string page = readFile(folder / "run_report.html");
    // Nothing to load: no source, style import or address but the banner's
    // link and the SVG namespace (a name, never loaded).
    for (const char* load : {"src=", "url(", "@import", "action="}) EXPECT_EQ(count(page, load), 0u) << load;
    EXPECT_EQ(count(page, "href="), count(page, "href=\"http://vestrel.example.org\""));
    EXPECT_EQ(count(page, "//"), count(page, "http://vestrel.example.org") + count(page, "http://www.w3.org/2000/svg") +
                                     count(page, "// "));
    const std::string url = "file://" + (folder / "run_report.html").string();
    const CommandResult dom = chromium(folder, "--dump-dom", url + "#x=1000-2000");
    ASSERT_EQ(dom.status, 0) << dom.err;
    EXPECT_NE(dom.out.find("<body data-status=\"ready\""), std::string::npos) << dom.out.substr(0, 2000);
    EXPECT_EQ(count(dom.out, "<g class=\"split\""), count(readFile(folder / "run_SegPoints.html"), "<TR align"));
    EXPECT_EQ(count(dom.out, ", -log10 p "), count(readFile(folder / "run_SegPoints.tsv"), "\n") - 1);
    EXPECT_EQ(count(dom.out, "<rect class=\"gap\""), 3 * count(run.out, "\nGaps: "));  // in the three panels
    EXPECT_EQ(count(dom.out, "data-x-start=\"1000\" data-x-end=\"2000\""), 3u);
    for (const std::string& record : report.records) EXPECT_NE(dom.out.find(">" + record + "<"), std::string::npos);
    EXPECT_EQ(count(dom.out, "<g class=\"origin\""), report.records.size());  // in the cumulative skew panel
    ASSERT_EQ(chromium(folder, "--screenshot=page.png", url).status, 0);
    EXPECT_GT(readFile(folder / "page.png").size(), 40000u);  // a blank page compresses to a few kB
}

const std::string kInputs = R"(cp "$S/tests/data/density.txt" . && printf '100\n5000\n' > points.txt && )";

INSTANTIATE_TEST_SUITE_P(Genomes, ReportPage, ::testing::Values(
    Report{kInputs + R"(cp "$S/examples/lambda.fa" .)", "lambda.fa", {"gi|9626243|ref|NC_001416.1|"}},
    Report{kInputs + R"(cp "$S/tests/data/synthetic.fa" .)", "synthetic.fa", {"synthetic_1", "synthetic_2"}},
    Report{kInputs + R"(xz -dc "$S/tests/data/Klebs_HS11286.fna.xz" > hs.fna)", "hs.fna",
           {"CP003200.1", "CP003223.1", "CP003224.1", "CP003225.1", "CP003226.1", "CP003227.1", "CP003228.1"}}));

// The page of a run per record: a row per record, and the record the
// address names drawn with its own marks, zoomed as asked; without a
// record in the address, the first. A record of the page's table that
// was skipped has no picture to choose.
TEST(ReportPage, ShowsTheRecordChosenOfARunPerRecord) {
    TempDir folder;
    ASSERT_EQ(shell(folder.path(), kInputs + R"(xz -dc "$S/tests/data/Klebs_HS11286.fna.xz" > hs.fna &&
        printf '>short\nACGT\n' >> hs.fna && vestrel hs.fna --per-record -t 20 -i 1000 --report --windows 5000 \
        -c points.txt > /dev/null)").status, 0);
    const std::string page = readFile(folder / "hs_report.html");
    EXPECT_EQ(count(page, "<tr data-file="), 8u);
    EXPECT_EQ(count(page, "<option value="), 7u);
    EXPECT_EQ(count(page, "src="), 0u);
    const std::string url = "file://" + (folder / "hs_report.html").string();
    const CommandResult chosen = chromium(folder, "--dump-dom", url + "#record=CP003224.1&x=1000-2000");
    ASSERT_EQ(chosen.status, 0) << chosen.err;
    EXPECT_NE(chosen.out.find("data-status=\"ready\" data-record=\"CP003224.1\""), std::string::npos)
        << chosen.out.substr(0, 2000);
    EXPECT_EQ(count(chosen.out, "<g class=\"split\""),
              count(readFile(folder / "hs_records/CP003224.1_SegPoints.html"), "<TR align"));
    // Its split-point table with the p-values of the record's own table: -log10 p, corrected, inflation.
    std::istringstream tsv(readFile(folder / "hs_records/CP003224.1_SegPoints.tsv"));
    std::string field, cells;
    tsv.ignore(1000, '\n');
    for (int column = 0; column < 9 && std::getline(tsv, field, column < 8 ? '\t' : '\n'); ++column)
        if (column >= 6) cells += "<td>" + (field.empty() ? "-" : field) + "</td>";
    EXPECT_NE(chosen.out.find(cells + "</tr>"), std::string::npos) << cells;
    EXPECT_NE(readFile(folder / "hs_records.tsv").find("\tstrongest\tstrongest_neg_log10_p\t"), std::string::npos);
    EXPECT_EQ(count(chosen.out, "<g class=\"coordinate\""), 2u);
    EXPECT_EQ(count(chosen.out, "<g class=\"origin\""), 1u);
    EXPECT_EQ(count(chosen.out, "data-x-start=\"1000\" data-x-end=\"2000\""), 3u);
    const CommandResult first = chromium(folder, "--dump-dom", url);
    EXPECT_NE(first.out.find("data-record=\"CP003200.1\""), std::string::npos);
    EXPECT_NE(first.out.find("data-x-start=\"1\" data-x-end=\"5333942\""), std::string::npos);
}

// Past a thousand records both pages show the first thousand after the
// pictures and keep every row for the download; the pages load.
TEST(ReportPage, ShowsTheFirstThousandRecordsAfterThePictures) {
    TempDir folder;
    ASSERT_EQ(shell(folder.path(), R"({ cat "$S/examples/lambda.fa" && for i in $(seq 1500); do
        printf '>r%d\nACGTACGTTTGCAGCGGCAA\n' $i; done; } > many.fa)").status, 0);
    for (const std::string options : {"--split-records", "--per-record"}) {
        ASSERT_EQ(shell(folder.path(), "vestrel many.fa --report " + options + " >/dev/null").status, 0) << options;
        const std::string page = readFile(folder / "many_report.html");
        const size_t table = page.find("<table id=\"records\""), tsv = page.find("id=\"records-tsv\">");
        EXPECT_GT(table, page.rfind("<figure")) << options;  // the cuts below throw where either is missing
        EXPECT_EQ(count(page.substr(table, page.find("</table>", table) - table), "<tr"), 1001u) << options;
        EXPECT_EQ(count(page.substr(tsv, page.find("</script>", tsv) - tsv), "\\u000a"), 1502u) << options;
        const CommandResult dom = chromium(folder, "--dump-dom", "file://" + (folder / "many_report.html").string());
        EXPECT_NE(dom.out.find("data-status=\"ready\""), std::string::npos) << options << dom.out.substr(0, 2000);
    }
}

// The density boxes within the sequence, at most one a pixel column (a
// million lines over lambda's 48,502 bases); a note where a file gives none.
TEST(ReportPage, DrawsTheDensityWithinTheSequenceOrSaysWhyNot) {
    const std::pair<std::string, std::string> cases[] = {  // the file's making, the note
        {"seq 1000000 | awk '{ print $1, $1 % 17 }' > d", ""},
        {"printf 'position value\\n1 2\\n' > d", "gave no boxes: its line 1, \"position value\", is not two numbers"},
        {"printf '1,2\\n3,4\\n' > d", "gave no boxes: its line 1, \"1,2\", is not"},
        {"mkdir d", "could not be read: it is a folder"},
        {"printf '# far\\n\\n48600 5\\n90000 6\\n' > d", "gave no boxes: none of its 2 positions lies within"}};
    for (const auto& [making, note] : cases) {
        TempDir folder;
        ASSERT_EQ(shell(folder.path(), making + R"( && cp "$S/examples/lambda.fa" . &&
            vestrel lambda.fa --report -d d > /dev/null)").status, 0) << making;
        const std::string page = readFile(folder / "lambda_report.html");
        const size_t boxes = count(page, "<rect class=\"density\"");
        EXPECT_TRUE(note.empty() ? boxes > 0 && boxes <= 1111 : boxes == 0) << making << ": " << boxes << " boxes";
        EXPECT_EQ(count(page, "<p class=\"note\">The density file d " + note), note.empty() ? 0u : 1u) << making;
    }
}

}  // namespace
}  // namespace vestrel::testing
