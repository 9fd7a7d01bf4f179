// naive: the analysis of a vestrel run written the plain way, as a yardstick
// for the benchmark. One thread; the FASTA file read byte by byte with fgetc;
// the run limits; the gap scan and the contigs; the recursive segmentation
// with a counting pass and every candidate cut scored with its five
// divisions, in the order of operations vestrel documents; the walk and its
// slope. It prints the same console lines as vestrel from "Sequence length"
// to the last segmentation attempt (and the depth-limit message on standard
// error), so that bench/run.sh can compare them; it writes no output file and
// no curve. The slope and the numbers of records go to standard error.
//
//   naive FILE [-t HALTING] [-i MINIMUM] [-g GAP] [--split-records]
//
// Nothing here is tuned, on purpose: no buffers of our own, no pruning, no
// threads. Build with
//   g++ -std=c++20 -O2 -ffp-contract=off naive.cpp -o naive
// (never -ffast-math: the scores are compared bit for bit through the chosen
// cuts and the printed strengths).
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// --- parameters ---------------------------------------------------------------
double haltingParameter = 1000.0;
std::uint32_t minimumLength = 3000;
double gapOption = 0.01;
std::int32_t filteredGapSize = 0;
bool splitRecords = false;  // every FASTA record segmented on its own

// --- the sequence ---------------------------------------------------------------
char* bases = nullptr;
std::uint32_t length = 0;
std::int32_t lengthExcludingGaps = 0;
std::vector<std::uint32_t> recordStarts;  // 0-based index of each record's first base

char collapseBase(int letter) {
    switch (std::tolower(letter)) {
        case 'a': return 'a';
        case 'c': return 'c';
        case 'g': return 'g';
        case 't': return 't';
        case 'b': case 'h': case 'm': case 's': case 'v': case 'y': return 'c';
        case 'd': case 'r': return 'g';
        case 'k': case 'w': return 't';
        case 'n': return 'n';
        default:
            std::fprintf(stderr, "Unexpected character '%c'\n", letter);
            return 'n';
    }
}

void readFasta(std::FILE* in) {
    std::fseek(in, 0, SEEK_END);
    const long size = std::ftell(in);
    std::fseek(in, 0, SEEK_SET);
    bases = static_cast<char*>(std::malloc(static_cast<std::size_t>(size) + 1));
    if (bases == nullptr) {
        std::printf("pFileBuf:Not enough memory to allocate buffer\n");
        std::exit(0);
    }
    bool header = false;
    for (long i = 0; i < size; ++i) {
        const int c = std::fgetc(in);
        if (c == '>') {
            if (!header) recordStarts.push_back(length);
            header = true;
        }
        if (header && c == '\n') header = false;
        if (!(std::isalpha(c) || std::isdigit(c) || std::isprint(c) || std::isspace(c))) {
            std::printf("It seems that the input file is not in FASTA format or not a text file.\n");
            std::printf("Please input a sequence file in proper format.\n");
            std::exit(0);
        }
        if (!header && std::isalpha(c)) {
            const char base = collapseBase(c);
            bases[length] = base;
            ++length;
            if (base != 'n') ++lengthExcludingGaps;
        }
    }
}

// --- run limits -------------------------------------------------------------------
void checkRunLimits() {
    if (length < 1000) {
        std::printf("The input DNA sequence should be longer than 1000 bp.\n");
        std::exit(0);
    }
    std::printf("Sequence length: %u(bp)\n\n", length);
    std::printf("Sequence length (excluding gaps): %d(bp)\n\n", lengthExcludingGaps);
    if (minimumLength < 1000) {
        const char* least = nullptr;
        if (length > 10000000 && haltingParameter < 100) least = "100";
        else if (length <= 10000000 && haltingParameter < 10) least = "10";
        if (least != nullptr) {
            std::printf("You'd better change the value of minimum length or halting parameter.\n");
            std::printf("In this case, minimum length should be no less than 1000 bp or halting parameter "
                        "should be no less than %s.\n", least);
            std::exit(0);
        }
    }
    if (gapOption >= 1) filteredGapSize = static_cast<std::int32_t>(gapOption);
    else filteredGapSize = static_cast<std::int32_t>(static_cast<double>(length) * gapOption);
}

void printSegmentationHeading() {
    std::printf("\n\n1. Segmenting the DNA sequence...\n\n");
    std::printf("Halting parameter = %g Filtered gap size = %u bp Minimum length = %u bp\n\n",
                haltingParameter, static_cast<std::uint32_t>(filteredGapSize), minimumLength);
}

// --- records ----------------------------------------------------------------------
struct Segment {
    std::int32_t start, end, length;
    double gcContent;
    Segment *previous, *next;
};
struct SplitPoint {
    std::int32_t position;
    double strength;
    std::int32_t depth, contigStart, contigEnd;
    SplitPoint *previous, *next;
};
Segment *segmentHead = nullptr, *segmentTail = nullptr;
SplitPoint *splitHead = nullptr, *splitTail = nullptr;
std::int32_t splitCount = 0, segmentCount = 0;

void appendSegment(std::int32_t start, std::int32_t end, double gcContent) {
    auto* s = static_cast<Segment*>(std::malloc(sizeof(Segment)));
    if (s == nullptr) {
        std::fprintf(stderr, "Memory allocation for Site position failure.\n");
        std::abort();
    }
    *s = Segment{start, end, end - start + 1, gcContent, segmentTail, nullptr};
    if (segmentTail != nullptr) segmentTail->next = s;
    else segmentHead = s;
    segmentTail = s;
    ++segmentCount;
}

void appendSplitPoint(std::int32_t position, double strength, std::int32_t depth, std::int32_t contigStart,
                      std::int32_t contigEnd) {
    auto* p = static_cast<SplitPoint*>(std::malloc(sizeof(SplitPoint)));
    if (p == nullptr) {
        std::fprintf(stderr, "Memory allocation for Point position failure.\n");
        std::abort();
    }
    *p = SplitPoint{position, strength, depth, contigStart, contigEnd, splitTail, nullptr};
    ++splitCount;
    if (splitTail != nullptr) splitTail->next = p;
    else splitHead = p;
    splitTail = p;
}

// --- recursive segmenter ----------------------------------------------------------
std::int32_t segmentationDepth = 0;
std::int32_t currentContigStart = 0, currentContigEnd = 0;

double gcContentOf(std::int32_t start, std::int32_t end) {
    std::int32_t a = 0, c = 0, g = 0, t = 0;
    for (std::int32_t p = start; p <= end; ++p) {
        switch (std::tolower(static_cast<unsigned char>(bases[p - 1]))) {
            case 'a': ++a; break;
            case 'c': ++c; break;
            case 'g': ++g; break;
            case 't': ++t; break;
            default: break;
        }
    }
    const std::int32_t t4 = a + c + g + t;
    if (t4 == 0 && end < start) return 0;
    return static_cast<double>(c) / t4 + static_cast<double>(g) / t4;
}

void segmentRange(std::int32_t start, std::int32_t end) {
    if (segmentationDepth == 0) {
        currentContigStart = start;
        currentContigEnd = end;
    }
    // Counting pass.
    std::int32_t at = 0, gc = 0, other = 0;
    for (std::int32_t p = start; p <= end; ++p) {
        const char base = bases[p - 1];
        if (base == 'a' || base == 't') ++at;
        else if (base == 'c' || base == 'g') ++gc;
        else ++other;
    }
    const std::int32_t b = end - start + 1;
    const std::int32_t n = b - other;

    // Every candidate P = start - 1 ... end - 1.
    double best = -1000000.0;
    std::int32_t position = start - 1;  // shown when no candidate qualifies
    std::int32_t atLeft = 0, gcLeft = 0;
    for (std::int32_t p = start - 1; p <= end - 1; ++p) {
        double left;
        if (p == start - 1) {
            left = 0;
        } else {
            const std::int32_t nLeft = atLeft + gcLeft;
            left = atLeft * (static_cast<double>(atLeft) / nLeft) + gcLeft * (static_cast<double>(gcLeft) / nLeft);
        }
        const std::int32_t atRight = at - atLeft, gcRight = gc - gcLeft;
        const std::int32_t nRight = atRight + gcRight;
        const double right =
            atRight * (static_cast<double>(atRight) / nRight) + gcRight * (static_cast<double>(gcRight) / nRight);
        const double v = (left + right) / n;
        const char moved = bases[p];  // base p + 1 (1-based) joins the left part
        if (moved == 'a' || moved == 't') ++atLeft;
        else if (moved == 'c' || moved == 'g') ++gcLeft;
        if (v > best) {
            best = v;
            position = p;
        }
    }

    const double pAT = static_cast<double>(at) / n;
    const double pGC = static_cast<double>(gc) / n;
    const double strength = n * (best - (pAT * pAT + pGC * pGC));
    std::printf("Segmentation strength:%10.3f Position:%10d Segmentation times:%3d\n",
                std::isnan(strength) ? std::fabs(strength) : strength, position, segmentationDepth + 1);

    const std::int64_t minimum = minimumLength;
    const bool accepted = strength > haltingParameter && strength > 0 &&
                          static_cast<std::int64_t>(position) - start >= minimum &&
                          static_cast<std::int64_t>(end) - position >= minimum;
    if (!accepted) {
        appendSegment(start, end, gcContentOf(start, end));
        return;
    }
    appendSplitPoint(position, strength, segmentationDepth + 1, currentContigStart, currentContigEnd);
    ++segmentationDepth;
    if (segmentationDepth <= 1000) {
        segmentRange(start, position);
        segmentRange(position + 1, end);
        --segmentationDepth;
    } else {
        std::fflush(stdout);
        std::fprintf(stderr, "\nToo many segmentation times!\nThe segmentation process was halted!\n"
                             "The related input parameters should be changed.");
        --segmentationDepth;
    }
}

// --- gap scan and contigs ------------------------------------------------------------
constexpr int kMaximumGaps = 50000;
struct Gap {
    std::uint32_t startIndex, endIndex;
};
Gap gaps[kMaximumGaps];
int gapCount = 0;

void scanGaps() {
    std::uint32_t runStart = 0;
    for (std::uint32_t i = 0; i < length; ++i) {
        if (bases[i] != 'n') continue;
        if (i == 0 || bases[i - 1] != 'n') runStart = i;
        if (i == length - 1 || bases[i + 1] != 'n') {
            if (i - runStart + 1 > static_cast<std::uint32_t>(filteredGapSize)) {
                if (gapCount == kMaximumGaps) {
                    std::printf("too many contigs!\n");
                    std::exit(0);
                }
                gaps[gapCount++] = Gap{runStart, i};
            }
        }
    }
}

void listGaps() {
    for (int k = 0; k < gapCount; ++k) {
        std::printf("Gaps: %u-%u Gap size: %u\n", gaps[k].startIndex + 1, gaps[k].endIndex + 1,
                    gaps[k].endIndex - gaps[k].startIndex + 1);
        std::fflush(stdout);
    }
}

void segmentContig(std::int32_t start, std::int32_t end, bool announce) {
    if (end - start < 0) return;
    if (announce) {
        std::printf("\nContig: %d-%d\n\n", start, end);
        std::fflush(stdout);
    }
    segmentationDepth = 0;
    segmentRange(start, end);
}

struct Contig {
    std::int32_t start, end;
};

void segmentContigs() {
    std::vector<Contig> contigs;
    if (gapCount == 0) {
        contigs.push_back({1, static_cast<std::int32_t>(length)});
    } else {
        contigs.push_back({1, static_cast<std::int32_t>(gaps[0].startIndex)});
        for (int k = 1; k < gapCount; ++k)
            contigs.push_back({static_cast<std::int32_t>(gaps[k - 1].endIndex) + 2,
                               static_cast<std::int32_t>(gaps[k].startIndex)});
        contigs.push_back({static_cast<std::int32_t>(gaps[gapCount - 1].endIndex) + 2,
                           static_cast<std::int32_t>(length)});
    }
    if (splitRecords) {  // a record that begins inside a contig cuts it there
        std::vector<Contig> cut;
        std::size_t r = 0;  // both lists ascend
        for (Contig contig : contigs) {
            for (; r < recordStarts.size() && static_cast<std::int64_t>(recordStarts[r]) + 1 <= contig.end; ++r) {
                const std::int64_t first = static_cast<std::int64_t>(recordStarts[r]) + 1;
                if (first > contig.start) {
                    cut.push_back({contig.start, static_cast<std::int32_t>(first - 1)});
                    contig.start = static_cast<std::int32_t>(first);
                }
            }
            cut.push_back(contig);
        }
        contigs = cut;
    }
    const bool announce = gapCount > 0 || contigs.size() > 1;
    for (const Contig& contig : contigs) segmentContig(contig.start, contig.end, announce);
}

// --- walk and slope ------------------------------------------------------------------
double walkAndSlope() {
    const std::int32_t count = lengthExcludingGaps;
    auto* walk = static_cast<std::int32_t*>(std::malloc(sizeof(std::int32_t) * (count > 0 ? count : 1)));
    if (walk == nullptr) {
        std::fprintf(stderr, "naive: no memory for the walk\n");
        std::exit(2);
    }
    std::int32_t a = 0, c = 0, g = 0, t = 0, j = 0;
    for (std::uint32_t i = 0; i < length; ++i) {
        switch (bases[i]) {
            case 'a': ++a; break;
            case 'c': ++c; break;
            case 'g': ++g; break;
            case 't': ++t; break;
            default: break;
        }
        if (bases[i] != 'n') walk[j++] = (a + t) - (g + c);
    }
    double x = 0, mx = 0, mv = 0;
    for (std::int32_t k = 0; k < count; ++k) {
        x = x + 1;
        mx = mx + x / count;
        mv = mv + static_cast<double>(walk[k]) / count;
    }
    double sxx = 0, sxy = 0;
    x = 0;
    for (std::int32_t k = 0; k < count; ++k) {
        x = x + 1;
        const double dx = x - mx;
        sxx = sxx + dx * dx;
        sxy = sxy + dx * (walk[k] - mv);
    }
    std::free(walk);
    return sxy / sxx;
}

[[noreturn]] void usage() {
    std::fprintf(stderr, "usage: naive FILE [-t HALTING] [-i MINIMUM] [-g GAP] [--split-records]\n");
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) usage();
    for (int i = 2; i < argc; ++i) {
        const char* option = argv[i];
        if (std::strcmp(option, "--split-records") == 0) {
            splitRecords = true;
            continue;
        }
        if (i + 1 >= argc) usage();
        if (std::strcmp(option, "-t") == 0) haltingParameter = std::atof(argv[++i]);
        else if (std::strcmp(option, "-i") == 0) minimumLength = static_cast<std::uint32_t>(std::atol(argv[++i]));
        else if (std::strcmp(option, "-g") == 0) gapOption = std::atof(argv[++i]);
        else usage();
    }
    std::FILE* in = std::fopen(argv[1], "rb");
    if (in == nullptr) {
        std::printf("Can't open the sequence file!\n");
        return 0;
    }
    readFasta(in);
    checkRunLimits();
    std::fclose(in);
    printSegmentationHeading();
    scanGaps();
    listGaps();
    segmentContigs();
    std::printf("\n\n2. Calculating and outputing Vestrel coordinates\n\n");
    std::fflush(stdout);
    const double slope = walkAndSlope();
    std::fprintf(stderr, "naive: %d segments, %d split points, slope %.17g\n", segmentCount, splitCount, slope);
    return 0;
}
