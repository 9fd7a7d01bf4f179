// make_genome: writes deterministic FASTA inputs for the benchmarks: one
// chromosome-like sequence, a human-like assembly or a collection of
// bacterial-like genomes.
//
//   make_genome LENGTH SEED > out.fa        LENGTH may end in k, M or G (10^3, 10^6, 10^9)
//   make_genome --assembly SEED > out.fa
//   make_genome --collection COUNT SEED > out.fa
//
// One sequence (LENGTH SEED): a chain of compositional domains (lengths
// log-uniform from 3 kb to 2 Mb, GC fraction about normal around 0.41 with sd
// 0.05, clamped to [0.2, 0.7], bases drawn independently inside a domain).
// Between domains an assembly gap of 10 kb to 500 kb of N is inserted now and
// then (about 30 per 100 Mb); short runs of 1 to 100 N are sprinkled in (about
// one per 250 kb). Lowercase (soft-masked) stretches of 100 b to 10 kb
// alternate with uppercase stretches of the same length distribution, so about
// half of the bases are lowercase. Lines have 60 columns; the single header is
// ">chrSynthetic length=LENGTH seed=SEED".
//
// --assembly: 24 chromosomes with the lengths of the human reference
// (chr1..chr22, chrX, chrY; 3,088,269,832 bases), each made like the single
// sequence above with a generator of its own, then 400 unplaced scaffolds of
// 1 kb to 200 kb (log-uniform, about 15 Mb in all) made the same way, then 50
// short records of 100 to 999 bases (uniform). About 3.1 Gb, 3.15 GB of text.
// Headers: ">chr1 synthetic length=248956422", ">scaffold_1 synthetic
// length=...", ">short_1 synthetic length=...".
//
// --collection: COUNT bacterial-like genomes, each a chromosome of 3 to 6 Mb
// (uniform) and one or two plasmids of 20 to 300 kb (log-uniform). Each
// genome has its own GC fraction, uniform in [0.3, 0.7]; its domains (3 kb to
// 500 kb, log-uniform) vary about it with sd 0.04, clamped to [0.2, 0.8].
// Uppercase, no N. Headers: ">genome17_chromosome synthetic length=...
// gc=0.523", ">genome17_plasmid1 ...". 300 genomes are about 1.4 Gb.
//
// Only integer arithmetic is used, with a PRNG implemented here (xoshiro256**
// seeded through splitmix64), so the output is byte-identical on every
// machine and with every compiler. Every mode streams: memory stays at the
// 1 MiB output buffer whatever the length.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

class Rng {
public:
    explicit Rng(std::uint64_t seed) {
        for (auto& word : state_) word = splitmix(seed);
    }
    std::uint64_t next() {
        const std::uint64_t result = rotl(state_[1] * 5, 7) * 9;
        const std::uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = rotl(state_[3], 45);
        return result;
    }
    // Uniform in [lo, hi] (the tiny modulo bias does not matter here).
    std::uint64_t uniform(std::uint64_t lo, std::uint64_t hi) { return lo + next() % (hi - lo + 1); }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    static std::uint64_t splitmix(std::uint64_t& x) {
        std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    std::uint64_t state_[4];
};

// 2^(j/64) in Q30 for j = 0..64.
constexpr std::uint64_t kPow2[65] = {
    1073741824, 1085434106, 1097253708, 1109202018, 1121280436, 1133490379, 1145833280,
    1158310587, 1170923762, 1183674286, 1196563654, 1209593378, 1222764986, 1236080024,
    1249540052, 1263146652, 1276901417, 1290805962, 1304861917, 1319070932, 1333434672,
    1347954824, 1362633090, 1377471191, 1392470869, 1407633882, 1422962010, 1438457051,
    1454120821, 1469955159, 1485961921, 1502142985, 1518500250, 1535035634, 1551751076,
    1568648537, 1585730000, 1602997467, 1620452965, 1638098541, 1655936265, 1673968228,
    1692196547, 1710623359, 1729250827, 1748081133, 1767116489, 1786359126, 1805811301,
    1825475297, 1845353420, 1865448001, 1885761398, 1906295993, 1927054196, 1948038440,
    1969251188, 1990694927, 2012372174, 2034285470, 2056437387, 2078830522, 2101467502,
    2124350982, 2147483648};

// log2(hi / lo) in Q32 for the length ranges.
constexpr std::uint64_t kLog2DomainRatio = 40290322772ULL;          // 2,000,000 / 3,000
constexpr std::uint64_t kLog2GapRatio = 24240177758ULL;             // 500,000 / 10,000
constexpr std::uint64_t kLog2MaskRatio = 28535145054ULL;            // 10,000 / 100
constexpr std::uint64_t kLog2ScaffoldRatio = 32830112350ULL;        // 200,000 / 1,000
constexpr std::uint64_t kLog2PlasmidRatio = 16779967337ULL;         // 300,000 / 20,000
constexpr std::uint64_t kLog2BacterialDomainRatio = 31700388180ULL; // 500,000 / 3,000

// About lo * (hi / lo)^u for u uniform in [0, 1): log-uniform lengths, in
// fixed point (64 steps per octave, interpolated linearly).
std::uint64_t logUniform(Rng& rng, std::uint64_t lo, std::uint64_t log2RatioQ32) {
    const std::uint64_t u = rng.next() >> 32;                   // Q32 in [0, 1)
    const std::uint64_t e = (u * (log2RatioQ32 >> 16)) >> 16;   // Q32 exponent
    const unsigned whole = static_cast<unsigned>(e >> 32);
    const unsigned step = static_cast<unsigned>((e >> 26) & 63);
    const std::uint64_t within = (e >> 10) & 0xFFFF;
    const std::uint64_t mantissa = kPow2[step] + (((kPow2[step + 1] - kPow2[step]) * within) >> 16);
    return ((lo * mantissa) << whole) >> 30;
}

constexpr std::uint64_t kOne = 1ULL << 32;  // probabilities in Q32

// How a sequence is made. The chromosome profile is the one-sequence mode's;
// every field of it keeps that mode's output as it always was.
struct Profile {
    std::int64_t meanGc;           // Q32
    std::int64_t gcSdPerMille;     // sd of a domain's GC about the mean, in thousandths
    std::int64_t gcLow, gcHigh;    // Q32 clamp of a domain's GC
    std::uint64_t domainShortest;  // domain lengths: log-uniform from this ...
    std::uint64_t log2DomainRatio; // ... to this many times it (Q32)
    std::uint64_t gapChance;       // Q32 chance of an assembly gap after a domain (0: never)
    std::uint64_t shortRunSpacing; // short N runs every 1..this bases (0: none)
    bool softMasked;               // lowercase stretches
};

Profile chromosomeProfile() {
    return {static_cast<std::int64_t>(41 * kOne / 100), 50, static_cast<std::int64_t>(20 * kOne / 100),
            static_cast<std::int64_t>(70 * kOne / 100), 3000, kLog2DomainRatio, 9 * kOne / 100, 500000, true};
}

// GC fraction of a domain in Q32: mean + sd z, z from the sum of twelve
// uniforms (mean 6, sd 1), clamped.
std::uint64_t domainGc(Rng& rng, const Profile& profile) {
    std::int64_t sum = 0;
    for (int i = 0; i < 12; ++i) sum += static_cast<std::int64_t>(rng.next() >> 32);
    const std::int64_t z = sum - 6 * static_cast<std::int64_t>(kOne);  // sd 2^32
    std::int64_t gc = profile.meanGc + z * profile.gcSdPerMille / 1000;
    if (gc < profile.gcLow) gc = profile.gcLow;
    if (gc > profile.gcHigh) gc = profile.gcHigh;
    return static_cast<std::uint64_t>(gc);
}

bool parseLength(const char* text, std::uint64_t& length) {
    const std::size_t size = std::strlen(text);
    if (size == 0) return false;
    std::uint64_t unit = 1;
    std::size_t digits = size;
    switch (text[size - 1]) {
        case 'k': case 'K': unit = 1000ULL; --digits; break;
        case 'm': case 'M': unit = 1000000ULL; --digits; break;
        case 'g': case 'G': unit = 1000000000ULL; --digits; break;
        default: break;
    }
    if (digits == 0 || digits > 12) return false;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    }
    length = value * unit;
    return length > 0 && length <= 100000000000ULL;
}

bool parseSeed(const char* text, std::uint64_t& seed) {
    if (*text == '\0' || std::strlen(text) > 19) return false;
    seed = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9') return false;
        seed = seed * 10 + static_cast<std::uint64_t>(*c - '0');
    }
    return true;
}


bool parseCount(const char* text, std::uint64_t& count) {
    if (!parseSeed(text, count)) return false;
    return count >= 1 && count <= 100000;
}

class Writer {
public:
    Writer() : buffer_(kSize + 2) {}
    void put(char base) {
        buffer_[used_++] = base;
        if (++column_ == 60) {
            buffer_[used_++] = '\n';
            column_ = 0;
        }
        if (used_ >= kSize) flush();
    }
    // Ends the last line of a record.
    void endRecord() {
        if (column_ != 0) buffer_[used_++] = '\n';
        column_ = 0;
    }
    bool finish() {
        endRecord();
        flush();
        return std::fflush(stdout) == 0 && !failed_;
    }
    void text(const std::string& line) {
        flush();
        if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size()) failed_ = true;
    }

private:
    static constexpr std::size_t kSize = 1 << 20;
    void flush() {
        if (used_ && std::fwrite(buffer_.data(), 1, used_, stdout) != used_) failed_ = true;
        used_ = 0;
    }
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    int column_ = 0;
    bool failed_ = false;
};

struct Counts {
    std::uint64_t records = 0, bases = 0, domains = 0, gaps = 0, gapBases = 0, shortRuns = 0, lowercase = 0;
};

// Writes LENGTH bases of one record (its header already written), drawing
// from RNG as the one-sequence mode always has.
void writeSequence(Rng& rng, Writer& out, std::uint64_t length, const Profile& profile, Counts& counts) {
    static const char kBases[4] = {'A', 'T', 'C', 'G'};  // index: 2 * (G or C) + which
    std::uint64_t position = 0;
    bool masked = false;
    std::uint64_t maskLeft = 0;
    if (profile.softMasked) maskLeft = rng.uniform(1, logUniform(rng, 100, kLog2MaskRatio));
    std::uint64_t untilShortRun = profile.shortRunSpacing ? rng.uniform(1, profile.shortRunSpacing) : 0;
    const auto stepMask = [&] {
        if (profile.softMasked && --maskLeft == 0) {
            masked = !masked;
            maskLeft = logUniform(rng, 100, kLog2MaskRatio);
        }
    };

    while (position < length) {
        // One domain, then perhaps one assembly gap.
        const std::uint64_t gc = domainGc(rng, profile);
        std::uint64_t domainLeft = logUniform(rng, profile.domainShortest, profile.log2DomainRatio);
        ++counts.domains;
        std::uint64_t shortRunLeft = 0;
        for (; domainLeft > 0 && position < length; --domainLeft, ++position) {
            char base;
            if (shortRunLeft > 0) {
                base = 'N';
                --shortRunLeft;
            } else if (profile.shortRunSpacing && --untilShortRun == 0) {
                shortRunLeft = rng.uniform(1, 100) - 1;
                untilShortRun = rng.uniform(1, profile.shortRunSpacing);
                ++counts.shortRuns;
                base = 'N';
            } else {
                const std::uint64_t draw = rng.next();
                const unsigned strong = (draw & 0xFFFFFFFFULL) < gc ? 2 : 0;
                base = kBases[strong + ((draw >> 32) & 1)];
            }
            if (base == 'N') {
                ++counts.gapBases;
            } else if (masked) {
                base = static_cast<char>(base | 0x20);
                ++counts.lowercase;
            }
            out.put(base);
            stepMask();
        }
        if (position < length && profile.gapChance && (rng.next() >> 32) < profile.gapChance) {
            std::uint64_t gapLeft = logUniform(rng, 10000, kLog2GapRatio);
            ++counts.gaps;
            for (; gapLeft > 0 && position < length; --gapLeft, ++position) {
                out.put('N');
                ++counts.gapBases;
                stepMask();
            }
        }
    }
    out.endRecord();
    ++counts.records;
    counts.bases += length;
}

// One record of a multi-record mode: its header, then its bases drawn from a
// generator of its own, seeded from the mode's generator.
void writeRecord(Rng& mode, Writer& out, const std::string& name, std::uint64_t length, const Profile& profile,
                 Counts& counts, const std::string& more = "") {
    out.text(">" + name + " synthetic length=" + std::to_string(length) + more + "\n");
    Rng own(mode.next());
    writeSequence(own, out, length, profile, counts);
}

// The human reference's chromosome lengths, chr1..chr22, chrX, chrY.
constexpr std::uint64_t kChromosomeLengths[24] = {
    248956422, 242193529, 198295559, 190214555, 181538259, 170805979, 159345973, 145138636,
    138394717, 133797422, 135086622, 133275309, 114364328, 107043718, 101991189, 90338345,
    83257441,  80373285,  58617616,  64444167,  46709983,  50818468,  156040895, 57227415};
constexpr int kScaffolds = 400;
constexpr int kShortRecords = 50;

void writeAssembly(std::uint64_t seed, Writer& out, Counts& counts) {
    Rng mode(seed ^ 0x617373656d626c79ULL);  // "assembly"
    const Profile profile = chromosomeProfile();
    for (int c = 0; c < 24; ++c) {
        const std::string name = c < 22 ? "chr" + std::to_string(c + 1) : (c == 22 ? "chrX" : "chrY");
        writeRecord(mode, out, name, kChromosomeLengths[c], profile, counts);
    }
    for (int s = 1; s <= kScaffolds; ++s)
        writeRecord(mode, out, "scaffold_" + std::to_string(s), logUniform(mode, 1000, kLog2ScaffoldRatio), profile,
                    counts);
    for (int s = 1; s <= kShortRecords; ++s)
        writeRecord(mode, out, "short_" + std::to_string(s), mode.uniform(100, 999), profile, counts);
}

void writeCollection(std::uint64_t count, std::uint64_t seed, Writer& out, Counts& counts) {
    Rng mode(seed ^ 0x636f6c6c65637421ULL);  // "collect!"
    for (std::uint64_t g = 1; g <= count; ++g) {
        Profile profile{static_cast<std::int64_t>(30 * kOne / 100 + mode.uniform(0, 40 * kOne / 100)),
                        40,
                        static_cast<std::int64_t>(20 * kOne / 100),
                        static_cast<std::int64_t>(80 * kOne / 100),
                        3000,
                        kLog2BacterialDomainRatio,
                        0,
                        0,
                        false};
        const std::uint64_t chromosome = mode.uniform(3000000, 6000000);
        const int plasmids = 1 + static_cast<int>(mode.next() >> 63);
        char gc[16];
        std::snprintf(gc, sizeof gc, " gc=0.%03lld", static_cast<long long>(profile.meanGc * 1000 >> 32));
        const std::string genome = "genome" + std::to_string(g);
        writeRecord(mode, out, genome + "_chromosome", chromosome, profile, counts, gc);
        for (int p = 1; p <= plasmids; ++p)
            writeRecord(mode, out, genome + "_plasmid" + std::to_string(p), logUniform(mode, 20000, kLog2PlasmidRatio),
                        profile, counts, gc);
    }
}

int usage() {
    std::fprintf(stderr,
                 "usage: make_genome LENGTH SEED > out.fa\n"
                 "       make_genome --assembly SEED > out.fa\n"
                 "       make_genome --collection COUNT SEED > out.fa\n"
                 "  LENGTH: bases, optionally with a suffix k, M or G (e.g. 50M)\n"
                 "  SEED:   unsigned decimal integer\n"
                 "  COUNT:  genomes, 1 to 100000\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t length = 0, seed = 0, count = 0;
    Writer out;
    Counts counts;
    const bool assembly = argc == 3 && std::strcmp(argv[1], "--assembly") == 0;
    const bool collection = argc == 4 && std::strcmp(argv[1], "--collection") == 0;
    if (assembly) {
        if (!parseSeed(argv[2], seed)) return usage();
        writeAssembly(seed, out, counts);
    } else if (collection) {
        if (!parseCount(argv[2], count) || !parseSeed(argv[3], seed)) return usage();
        writeCollection(count, seed, out, counts);
    } else {
        if (argc != 3 || !parseLength(argv[1], length) || !parseSeed(argv[2], seed)) return usage();
        Rng rng(seed);
        out.text(">chrSynthetic length=" + std::to_string(length) + " seed=" + std::to_string(seed) + "\n");
        writeSequence(rng, out, length, chromosomeProfile(), counts);
    }
    if (!out.finish()) {
        std::perror("make_genome: write failed");
        return 1;
    }
    if (assembly || collection)
        std::fprintf(stderr, "make_genome: %llu records, ", static_cast<unsigned long long>(counts.records));
    else
        std::fprintf(stderr, "make_genome: ");
    std::fprintf(stderr,
                 "%llu bases, %llu domains, %llu assembly gaps, %llu short N runs, "
                 "%llu N, %llu lowercase\n",
                 static_cast<unsigned long long>(counts.bases), static_cast<unsigned long long>(counts.domains),
                 static_cast<unsigned long long>(counts.gaps), static_cast<unsigned long long>(counts.shortRuns),
                 static_cast<unsigned long long>(counts.gapBases),
                 static_cast<unsigned long long>(counts.lowercase));
    return 0;
}
