# The Python module against the command line (VESTREL names its binary):
# every array equals the files of the same run, and bad input raises with
# the command line's message.
import lzma, os, pathlib, re, signal, subprocess, tempfile, unittest
import numpy as np
import vestrel

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
LAMBDA = os.path.join(ROOT, "examples", "lambda.fa")
OPTIONS = {"halting": "-t", "minimum_length": "-i", "gap": "-g", "windows": "--windows"}


def cli(path, cwd, **options):
    args = [os.environ["VESTREL"], path, "--prefix", options.pop("prefix", "out")]
    for key, value in options.items():
        args += ["--per-record"] if key == "per_record" else [OPTIONS[key], str(value)]
    return subprocess.run(args, cwd=cwd, capture_output=True, text=True, errors="replace")


def rows(path, skip=0):
    return [line.split("\t") for line in pathlib.Path(path).read_text("latin-1").splitlines()][skip:]


def cells(path):  # the rows of an HTML table of the command line
    return [[c.strip() for c in re.findall(r'<div align="center">(?:\s*<IMG[^>]*>)?([^<]*)</div>', row)]
            for row in re.findall(r'<TR align="center">.*?</tr>', pathlib.Path(path).read_text("latin-1"))]


def fixed(values, decimals):
    return ["nan" if np.isnan(v) else f"{v:.{decimals}f}" for v in values]


class Module(unittest.TestCase):
    def setUp(self):
        self.dir = self.enterContext(tempfile.TemporaryDirectory())

    def check(self, result, stem, windows=False):
        s, p, c, j = result["segments"], result["split_points"], result["curve"], result["projected"]
        self.assertEqual([r for r in rows(stem + ".SegGC") if r[1] != '" "'],
                         [[str(x), g] for a, b, g in zip(s["start"], s["end"], fixed(s["gc"], 6)) for x in (a, b)])
        table = [[str(a), b, str(d), f"{e}-{f}"] for a, b, d, e, f in zip(
            p["position"], fixed(p["strength"], 2), p["depth"], p["contig_start"], p["contig_end"])]
        self.assertEqual([r[1:] for r in cells(stem + "_SegPoints.html")], table)
        self.assertEqual([[r[0].strip(), r[1].strip()] for r in rows(stem + ".Vestrel")],
                         [[str(x), '" "' if np.isnan(v) else f"{v:.3f}"] for x, v in zip(c["x"], c["value"])])
        self.assertEqual([[r[0], r[1].strip()] for r in rows(stem + ".SegP")], list(map(list, zip(fixed(j["x"], 6), fixed(j["y"], 3)))))
        if not windows:
            return self.assertNotIn("windows", result)
        w, o = result["windows"], result["replication"]
        for suffix, column in (("_GCwindows.bedGraph", "gc"), ("_GCskew.bedGraph", "skew"),
                               ("_cumGCskew.bedGraph", "cumulative_skew")):
            kept = ~np.isnan(w[column])
            self.assertEqual(rows(stem + suffix, 1), [list(map(str, r)) for r in zip(
                w["record"][kept], w["start"][kept], w["end"][kept], fixed(w[column][kept], 6))])
        self.assertEqual(rows(stem + "_replication.tsv", 1), [list(map(str, r)) for r in zip(*o.values())])

    def compare(self, path, **options):
        self.assertEqual(cli(path, self.dir, **options).returncode, 0)
        results = vestrel.analyse(path, **options)
        if not options.get("per_record"):
            self.assertEqual([r["name"] for r in results], [os.path.basename(path).split(".")[0]])
            return self.check(results[0], os.path.join(self.dir, "out"), "windows" in options)
        table = rows(os.path.join(self.dir, "out_records.tsv"), 1)
        self.assertEqual([[r["name"], str(r["length"]), r["status"]] for r in results], [[t[0], t[2], t[-1]] for t in table])
        for result, row in zip(results, table):
            self.check(result, os.path.join(self.dir, "out_records", row[1]))
        return results

    def test_lambda_and_its_text(self):
        self.compare(LAMBDA, halting=30, minimum_length=1000)
        text = pathlib.Path(LAMBDA).read_text()
        for given in (text, "".join(text.split("\n")[1:])):  # FASTA text, bases alone
            self.check(vestrel.analyse(given, halting=30, minimum_length=1000)[0], os.path.join(self.dir, "out"))

    def test_klebsiella_joined_with_windows_and_per_record(self):
        genome = os.path.join(self.dir, "Klebs.fna")
        pathlib.Path(genome).write_bytes(lzma.decompress(pathlib.Path(ROOT, "tests/data/Klebs_HS11286.fna.xz").read_bytes()))
        self.compare(genome, halting=30, windows=1000)
        results = self.compare(genome, halting=30, per_record=True)
        self.assertEqual([len(r["split_points"]["position"]) for r in results], [98, 0, 8, 3, 0, 0, 0])

    def test_files_only_with_a_prefix_and_the_process_untouched(self):
        for side in ("cli", "py"):
            os.makedirs(os.path.join(self.dir, side))
        self.addCleanup(os.chdir, os.getcwd())
        os.chdir(os.path.join(self.dir, "py"))
        vestrel.analyse(LAMBDA, windows=1000, per_record=True)
        self.assertEqual(os.listdir("."), [])
        vestrel.analyse(LAMBDA, windows=1000, prefix="out")
        cli(LAMBDA, os.path.join(self.dir, "cli"), windows=1000)
        names = sorted(os.listdir(os.path.join(self.dir, "cli")))
        self.assertEqual(sorted(os.listdir(os.path.join(self.dir, "py"))), names)
        for name in names:
            self.assertEqual(*(pathlib.Path(self.dir, side, name).read_bytes() for side in ("cli", "py")), name)
        self.assertEqual(signal.pthread_sigmask(signal.SIG_BLOCK, []), set())
        self.assertIs(signal.getsignal(signal.SIGINT), signal.default_int_handler)

    def test_bad_input_raises_the_command_lines_message(self):
        binary = os.path.join(self.dir, "binary.fa")
        pathlib.Path(binary).write_bytes(b"\x00\x01\x02\x03 not a sequence")
        for path, options, error in (
                (os.path.join(self.dir, "missing.fa"), {}, OSError),
                (LAMBDA, {"halting": -1}, ValueError),
                (LAMBDA, {"minimum_length": 5}, ValueError),
                (binary, {}, ValueError),
                ("not-a-file.fa", {}, OSError),
                (LAMBDA, {"prefix": "/missing/out"}, OSError)):
            with self.subTest(path=path, options=options):
                with self.assertRaises(error) as raised:
                    vestrel.analyse(path, **options)
                run = cli(path, self.dir, **options)
                self.assertNotEqual(run.returncode, 0)
                self.assertIn(str(raised.exception) + "\n", run.stdout + run.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
