// The Python module `vestrel`: a run of the command line on a file or on a
// sequence given as text, its results handed back as numpy arrays instead
// of (or, with a prefix, besides) its files.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "reports/composition_tracks.h"
#include "run/run_driver.h"

namespace py = pybind11;

namespace vestrel {
namespace {

// What the module keeps of one analysed (or skipped) sequence until the run
// is over and the arrays can be made.
struct Kept {
    std::string name, status;
    std::uint64_t length = 0;
    bool analysed = false;
    std::vector<Segment> segments;
    std::vector<SplitPoint> splitPoints;
    std::vector<CurveSample> curve;
    std::vector<ProjectedPoint> projected;
    std::vector<std::string> windowRecords;  // each window's record
    std::vector<WindowValues> windows;
    std::vector<std::string> records;  // of the replication table
    std::vector<std::uint64_t> recordLengths;
    std::vector<SkewExtremes> extremes;
};

Kept keep(const AnalysedSequence& found, std::uint32_t windowSize) {
    Kept kept;
    kept.name = found.name;
    kept.status = found.status;
    kept.length = found.length;
    if (found.analysis == nullptr) return kept;
    const Analysis& analysis = *found.analysis;
    kept.analysed = true;
    kept.segments = analysis.segments.records;
    kept.splitPoints = analysis.sortedSplitPoints;
    kept.curve = analysis.profile.samples;
    kept.projected = analysis.profile.splitPoints;
    const auto& spans = found.records->spans();
    for (std::size_t r = 0; r < analysis.composition.size() && r < spans.size(); ++r) {
        const std::string name = spans[r].name.c_str();  // as the files give it
        const std::uint64_t length = spans[r].end - spans[r].start;
        for (const WindowValues& window : windowValuesOf(analysis.composition[r], length, windowSize)) {
            kept.windowRecords.push_back(name);
            kept.windows.push_back(window);
        }
        kept.records.push_back(name);
        kept.recordLengths.push_back(length);
        kept.extremes.push_back(analysis.composition[r].extremes);
    }
    return kept;
}

template <class T, class Item, class Field>
py::array_t<T> column(const std::vector<Item>& items, Field field) {
    py::array_t<T> array(static_cast<py::ssize_t>(items.size()));
    T* out = array.mutable_data();
    for (const Item& item : items) *out++ = static_cast<T>(field(item));
    return array;
}

py::array strings(const std::vector<std::string>& values) {
    py::list list;
    for (const std::string& value : values) list.append(py::str(value));
    return py::module_::import("numpy").attr("array")(list, py::arg("dtype") = "str");
}

py::dict resultOf(const Kept& k, bool windows) {
    py::dict result;
    result["name"] = k.name;
    result["length"] = k.length;
    result["status"] = k.status;
    if (!k.analysed) return result;
    py::dict segments, splitPoints, curve, projected;
    segments["start"] = column<std::int32_t>(k.segments, [](const Segment& s) { return s.start; });
    segments["end"] = column<std::int32_t>(k.segments, [](const Segment& s) { return s.end; });
    segments["gc"] = column<double>(k.segments, [](const Segment& s) { return s.gcContent; });
    splitPoints["position"] = column<std::int32_t>(k.splitPoints, [](const SplitPoint& p) { return p.position; });
    splitPoints["strength"] = column<double>(k.splitPoints, [](const SplitPoint& p) { return p.strength; });
    splitPoints["depth"] = column<std::int32_t>(k.splitPoints, [](const SplitPoint& p) { return p.depth; });
    splitPoints["contig_start"] = column<std::int32_t>(k.splitPoints, [](const SplitPoint& p) { return p.contigStart; });
    splitPoints["contig_end"] = column<std::int32_t>(k.splitPoints, [](const SplitPoint& p) { return p.contigEnd; });
    curve["x"] = column<std::int32_t>(k.curve, [](const CurveSample& c) { return c.x; });
    curve["value"] = column<double>(k.curve, [](const CurveSample& c) { return c.gap ? NAN : c.value; });
    projected["position"] = column<std::int64_t>(k.projected, [](const ProjectedPoint& p) { return p.position; });
    projected["x"] = column<double>(k.projected, [](const ProjectedPoint& p) { return p.x; });
    projected["y"] = column<double>(k.projected, [](const ProjectedPoint& p) { return p.y; });
    result["segments"] = segments;
    result["split_points"] = splitPoints;
    result["curve"] = curve;
    result["projected"] = projected;
    if (!windows) return result;
    py::dict table, replication;
    table["record"] = strings(k.windowRecords);
    table["start"] = column<std::uint64_t>(k.windows, [](const WindowValues& w) { return w.start; });
    table["end"] = column<std::uint64_t>(k.windows, [](const WindowValues& w) { return w.end; });
    table["gc"] = column<double>(k.windows, [](const WindowValues& w) { return w.gc; });
    table["skew"] = column<double>(k.windows, [](const WindowValues& w) { return w.skew; });
    table["cumulative_skew"] = column<double>(k.windows, [](const WindowValues& w) { return w.cumulativeSkew; });
    replication["record"] = strings(k.records);
    replication["length"] = column<std::uint64_t>(k.recordLengths, [](std::uint64_t l) { return l; });
    replication["origin"] = column<std::uint64_t>(k.extremes, [](const SkewExtremes& e) { return e.origin; });
    replication["terminus"] = column<std::uint64_t>(k.extremes, [](const SkewExtremes& e) { return e.terminus; });
    replication["lowest"] = column<std::int64_t>(k.extremes, [](const SkewExtremes& e) { return e.lowest; });
    replication["highest"] = column<std::int64_t>(k.extremes, [](const SkewExtremes& e) { return e.highest; });
    result["windows"] = table;
    result["replication"] = replication;
    return result;
}

// A console kept in memory: what a run prints is not the caller's.
struct MemoryStream {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&text, &size);
    ~MemoryStream() {
        if (file != nullptr) std::fclose(file);
        std::free(text);
    }
    std::string contents() {
        std::fflush(file);
        return std::string(text != nullptr ? text : "", size);
    }
};

// Whether the text is a sequence rather than a file's name: a FASTA text,
// or letters of bases and blanks alone.
bool looksLikeBases(const std::string& text) {
    if (text.starts_with('>')) return true;
    bool any = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        if (std::string_view("ACGTUNRYKMSWBDHVacgtunrykmswbdhv-").find(c) == std::string_view::npos) return false;
        any = true;
    }
    return any;
}

// An int's value, or the nearest of LLONG_MIN and LLONG_MAX beyond them.
long long valueOf(const py::int_& number) {
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
    return overflow > 0 ? LLONG_MAX : overflow < 0 ? LLONG_MIN : value;
}

[[noreturn]] void raise(PyObject* type, std::string message) {
    while (!message.empty() && message.back() == '\n') message.pop_back();
    PyErr_SetString(type, message.c_str());
    throw py::error_already_set();
}

py::list analyse(py::object pathOrSequence, double halting, py::int_ minimumLength, double gap, py::object windows,
                 bool perRecord, py::int_ threads, py::object prefix) {
    const py::module_ os = py::module_::import("os");
    const bool isText = py::isinstance<py::str>(pathOrSequence);
    if (!isText && !py::isinstance(pathOrSequence, os.attr("PathLike")))
        throw py::type_error("path_or_sequence must be a str or an os.PathLike");
    const std::string given = py::str(os.attr("fsdecode")(pathOrSequence));
    RunResults results;
    std::string text;
    const bool inMemory = isText && !py::bool_(os.attr("path").attr("exists")(given)) && looksLikeBases(given);
    if (inMemory) {
        text = given.starts_with('>') ? given : ">sequence\n" + given + "\n";
        results.input = std::make_unique<MemorySource>(text, SIZE_MAX, true);
    }
    const auto number = [](double value) {
        char digits[32];
        std::snprintf(digits, sizeof digits, "%.17g", value);
        return std::string(digits);
    };
    std::vector<std::string> args{"vestrel", inMemory ? "sequence" : given, "-t", number(halting), "-i",
                                  py::str(minimumLength), "-g", number(gap)};
    const bool withWindows = !windows.is_none();
    if (withWindows && !py::isinstance<py::int_>(windows)) throw py::type_error("windows must be an int or None");
    if (withWindows) args.insert(args.end(), {"--windows", py::str(windows)});
    if (perRecord) args.push_back("--per-record");
    if (valueOf(threads) != 0) args.insert(args.end(), {"--threads", py::str(threads)});
    if (!prefix.is_none()) args.insert(args.end(), {"--prefix", py::str(os.attr("fsdecode")(prefix))});

    std::vector<Kept> kept;
    const long long size = withWindows ? valueOf(windows) : 0;
    const std::uint32_t windowSize = size > 0 && size <= INT32_MAX ? static_cast<std::uint32_t>(size) : 0;
    results.analysed = [&](const AnalysedSequence& found) { kept.push_back(keep(found, windowSize)); };
    MemoryStream out, err;
    if (out.file == nullptr || err.file == nullptr) throw std::bad_alloc();
    std::exception_ptr failure;
    {
        // A thread of its own runs it: the signals it holds back while it
        // puts its files in place are held back in that thread alone.
        py::gil_scoped_release released;
        std::thread run([&] {
            try {
                runVestrel(args, {out.file, err.file}, &results);
            } catch (...) {
                failure = std::current_exception();
            }
        });
        run.join();
    }
    if (failure) std::rethrow_exception(failure);
    if (results.stop) raise(results.stop->system ? PyExc_OSError : PyExc_ValueError, results.stop->message);
    if (const std::string warnings = err.contents(); !warnings.empty())
        PyErr_WarnEx(PyExc_RuntimeWarning, warnings.c_str(), 1);
    py::list list;
    for (const Kept& k : kept) list.append(resultOf(k, withWindows));
    return list;
}

constexpr const char* kAnalyseDoc = R"(Runs vestrel as the command line does and returns its results as a list of
dicts: one per FASTA record with per_record=True (skipped records too), else
one for the records joined. Each dict holds "name", "length" and "status"
("analysed", or why the record was skipped) and, when analysed, dicts of
numpy arrays keyed by column:
  "segments":     start, end (1-based, inclusive), gc (fraction)
  "split_points": position, strength, depth, contig_start, contig_end
  "curve":        x, value (NaN where the curve breaks at an n), as in STEM.Vestrel
  "projected":    position, x, y: the split points on the curve, as in STEM.SegP
and with windows=SIZE also
  "windows":      record, start, end (0-based, end excluded), gc, skew,
                  cumulative_skew (NaN where undefined)
  "replication":  record, length, origin, terminus, lowest, highest

path_or_sequence: a str or os.PathLike naming an existing file is read as the
command line reads it (FASTA, gzip). A str naming no file that starts with
'>' (FASTA text) or holds bases and blanks alone is the sequence itself.
Anything else is read as a file name: a missing one raises OSError.

Nothing is written unless prefix is given: then the files of
`vestrel FILE --prefix PREFIX` are written too. threads=0 takes every
processor. Bad input or options raise ValueError, a file that cannot be
read or written OSError, with the command line's message; warnings come as
RuntimeWarning. The GIL is released while it runs; an interrupt takes
effect when it returns.)";

}  // namespace
}  // namespace vestrel

PYBIND11_MODULE(vestrel, module) {
    module.doc() = "Base composition of DNA sequences: segmentation, the curve, split points and windows.";
    module.attr("__version__") = VESTREL_VERSION;
    module.def("analyse", &vestrel::analyse, vestrel::kAnalyseDoc, py::arg("path_or_sequence"),
               py::arg("halting") = 1000.0, py::arg("minimum_length") = 3000, py::arg("gap") = 0.01,
               py::arg("windows") = py::none(), py::arg("per_record") = false, py::arg("threads") = 0,
               py::arg("prefix") = py::none());
}
