// make_genome: writes a deterministic, chromosome-like FASTA genome for the
// benchmark.
//
//   make_genome LENGTH SEED > out.fa        LENGTH may end in k, M or G (10^3, 10^6, 10^9)
//
// The sequence is a chain of compositional domains (lengths log-uniform from
// 3 kb to 2 Mb, GC fraction about normal around 0.41 with sd 0.05, clamped to
// [0.2, 0.7], bases drawn independently inside a domain). Between domains an
// assembly gap of 10 kb to 500 kb of N is inserted now and then (about 30 per
// 100 Mb); short runs of 1 to 100 N are sprinkled in (about one per 250 kb).
// Lowercase (soft-masked) stretches of 100 b to 10 kb alternate with uppercase
// stretches of the same length distribution, so about half of the bases are
// lowercase. Lines have 60 columns; the single header is
// ">chrSynthetic length=LENGTH seed=SEED".
//
// Only integer arithmetic is used, with a PRNG implemented here (xoshiro256**
// seeded through splitmix64), so the output is byte-identical on every
// machine and with every compiler.
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

// log2(hi / lo) in Q32 for the three length ranges.
constexpr std::uint64_t kLog2DomainRatio = 40290322772ULL;  // 2,000,000 / 3,000
constexpr std::uint64_t kLog2GapRatio = 24240177758ULL;     // 500,000 / 10,000
constexpr std::uint64_t kLog2MaskRatio = 28535145054ULL;    // 10,000 / 100

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

// GC fraction of a domain in Q32: 0.41 + 0.05 z, z from the sum of twelve
// uniforms (mean 6, sd 1), clamped to [0.2, 0.7].
std::uint64_t domainGc(Rng& rng) {
    std::int64_t sum = 0;
    for (int i = 0; i < 12; ++i) sum += static_cast<std::int64_t>(rng.next() >> 32);
    const std::int64_t z = sum - 6 * static_cast<std::int64_t>(kOne);  // sd 2^32
    std::int64_t gc = static_cast<std::int64_t>(41 * kOne / 100) + z * 5 / 100;
    const std::int64_t low = static_cast<std::int64_t>(20 * kOne / 100);
    const std::int64_t high = static_cast<std::int64_t>(70 * kOne / 100);
    if (gc < low) gc = low;
    if (gc > high) gc = high;
    return static_cast<std::uint64_t>(gc);
}

constexpr std::uint64_t kGapChance = 9 * kOne / 100;  // an assembly gap after a domain
constexpr std::uint64_t kShortRunSpacing = 500000;    // short N runs: every 1..this bases

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
    bool finish() {
        if (column_ != 0) buffer_[used_++] = '\n';
        flush();
        return std::fflush(stdout) == 0 && !failed_;
    }
    void text(const std::string& line) {
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

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t length = 0, seed = 0;
    if (argc != 3 || !parseLength(argv[1], length) || !parseSeed(argv[2], seed)) {
        std::fprintf(stderr,
                     "usage: make_genome LENGTH SEED > out.fa\n"
                     "  LENGTH: bases, optionally with a suffix k, M or G (e.g. 50M)\n"
                     "  SEED:   unsigned decimal integer\n");
        return 2;
    }
    Rng rng(seed);
    Writer out;
    out.text(">chrSynthetic length=" + std::to_string(length) + " seed=" + std::to_string(seed) + "\n");

    static const char kBases[4] = {'A', 'T', 'C', 'G'};  // index: 2 * (G or C) + which
    std::uint64_t position = 0;
    bool masked = false;
    std::uint64_t maskLeft = rng.uniform(1, logUniform(rng, 100, kLog2MaskRatio));
    std::uint64_t untilShortRun = rng.uniform(1, kShortRunSpacing);
    std::uint64_t domains = 0, gaps = 0, gapBases = 0, shortRuns = 0, lowercase = 0;

    while (position < length) {
        // One domain, then perhaps one assembly gap.
        const std::uint64_t gc = domainGc(rng);
        std::uint64_t domainLeft = logUniform(rng, 3000, kLog2DomainRatio);
        ++domains;
        std::uint64_t shortRunLeft = 0;
        for (; domainLeft > 0 && position < length; --domainLeft, ++position) {
            char base;
            if (shortRunLeft > 0) {
                base = 'N';
                --shortRunLeft;
            } else if (--untilShortRun == 0) {
                shortRunLeft = rng.uniform(1, 100) - 1;
                untilShortRun = rng.uniform(1, kShortRunSpacing);
                ++shortRuns;
                base = 'N';
            } else {
                const std::uint64_t draw = rng.next();
                const unsigned strong = (draw & 0xFFFFFFFFULL) < gc ? 2 : 0;
                base = kBases[strong + ((draw >> 32) & 1)];
            }
            if (base == 'N') {
                ++gapBases;
            } else if (masked) {
                base = static_cast<char>(base | 0x20);
                ++lowercase;
            }
            out.put(base);
            if (--maskLeft == 0) {
                masked = !masked;
                maskLeft = logUniform(rng, 100, kLog2MaskRatio);
            }
        }
        if (position < length && (rng.next() >> 32) < kGapChance) {
            std::uint64_t gapLeft = logUniform(rng, 10000, kLog2GapRatio);
            ++gaps;
            for (; gapLeft > 0 && position < length; --gapLeft, ++position) {
                out.put('N');
                ++gapBases;
                if (--maskLeft == 0) {
                    masked = !masked;
                    maskLeft = logUniform(rng, 100, kLog2MaskRatio);
                }
            }
        }
    }
    if (!out.finish()) {
        std::perror("make_genome: write failed");
        return 1;
    }
    std::fprintf(stderr,
                 "make_genome: %llu bases, %llu domains, %llu assembly gaps, %llu short N runs, "
                 "%llu N, %llu lowercase\n",
                 static_cast<unsigned long long>(length), static_cast<unsigned long long>(domains),
                 static_cast<unsigned long long>(gaps), static_cast<unsigned long long>(shortRuns),
                 static_cast<unsigned long long>(gapBases),
                 static_cast<unsigned long long>(lowercase));
    return 0;
}
