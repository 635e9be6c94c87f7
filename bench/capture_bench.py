#!/usr/bin/env python3
"""Capture benchmark: times the headless capture command against a real application server and
sets each figure beside its floor, measured in the same run on the same machine.

One run:
  1. builds what is missing (CMake + Ninja, Release, benchmarks on) in the build directory;
  2. writes the corpus (generate_forms.py) and the same corpus without caption lines;
  3. repeats, each time on a fresh SQLite database and a fresh appserver on a free loopback port:
     a capture where every caption is new, the same capture again (every caption known), and a
     capture of the corpus without captions (scan only); the server's peak memory is taken before
     it stops, the capture's from /usr/bin/time;
  4. once, replays known-caption look-ups straight to the server (bench_echo_pair --replay): the
     real request and answer sizes, and the server's share of a known caption;
  5. between the captures, samples the floors: the raw loopback round trip of messages of those
     sizes (bench_echo_pair), and reading+splitting a line plus one empty processEvents call with a
     window shown (bench_scan_floor). On a virtual machine the round trip moves with the load
     (a CPU that has gone idle is slow to wake), so each capture is set beside the samples taken
     just before and after it;
  6. prints every figure (medians of the repeats), its ratio to its floor and the target, and
     writes them all to results.json in the work directory.

--large runs the default corpus and then 2,000 forms, and compares the capture's peak memory.

--big (or --big-only, without the rest) runs the big programs, unpinned: a program of 100,000 stored
rows (4 form files of 25,000 captions, all of program BIG: the program code is the file name up to
its first dot) and one of 4,500 captions of 3,990 characters (one form file; 18 MB of values, each
sent twice in a row). Each on a fresh database: a run storing every caption (--yes), a check of the
captions now known (exit status 0 expected) and the run again (nothing to insert). Every step's
time, the capture's peak memory and the server's peak during that step are set beside the same
steps on a program of about one page of rows (the most the server sends in one answer when it
hands out a program's stored rows: one file of 5,000 captions, or of 500 long ones).

--mode picks how the processes are scheduled: "free" leaves them to the kernel, "pinned" runs the
server, the capture and both ends of the raw round trip on CPU 0 (taskset -c 0), which takes away the
cross-CPU wake-ups that make a virtual machine's round trip swing between 5 and 60 us, and so shows
the programs' own cost; "both" (the default) runs and reports each. Each mode has its own targets.
"""

import argparse
import json
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

# The programs print in the user's language; the benchmark reads their English.
os.environ["LC_ALL"] = "C.UTF-8"
os.environ.pop("LANGUAGE", None)

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
LANGUAGE = "POR"
SUMMARY = re.compile(r"files: (\d+), lines: (\d+), captions looked up: (\d+), "
                     r"(?:rows inserted|rows it would insert): (\d+), time: ([0-9.]+) s")
# The line before the summary when the capture judges changes.
CHANGES = re.compile(r"changed captions: (\d+), stored captions no longer in the forms: (\d+)")
REPLAYED_LOOKUPS = 4000
# Round trips in each floor sample taken between two captures.
ECHO_ROUND_TRIPS = 3000
TIME = "/usr/bin/time" if os.access("/usr/bin/time", os.X_OK) else None

TARGETS = {
    "known": 2.5,   # per known caption, in raw round trips
    "new": 5.0,     # per new caption, in raw round trips
    "scan": 2.0,    # per line, in (read+split + one empty processEvents)
    "capture_memory_growth": 0.10,
    "server_peak_mb": 100.0,
}
# On one CPU the round trip is a few microseconds, and the programs' own work shows beside it.
PINNED_TARGETS = {"known": 8.0, "new": 20.0}
# The prefix that schedules every process this benchmark starts; set per mode.
PIN = []

# The big programs: (name, program, baseline), the program and its baseline each (files, captions per
# file, caption length or None for the generator's usual mix). A baseline is about one page of the
# program's rows as the server handed them out when the figures in the README were measured (5,000
# rows or 4 MiB of answer: 500 rows of 3,990 characters, each value sent twice; pages hold 1 MiB
# since, so the long one spans four). Every form of a program is over 10,000 rows or 16 MiB.
BIG_PROGRAMS = (
    ("100,000 rows", (4, 25000, None), (1, 5000, None)),
    ("4,000-character values", (1, 4500, 3990), (1, 500, 3990)),
)
BIG_STEPS = (("run", False, "every caption new"), ("check", True, "every caption known"),
             ("again", False, "run again, nothing new"))


def log(*parts):
    print(*parts, file=sys.stderr, flush=True)


def build(build_dir):
    if not os.path.exists(os.path.join(build_dir, "build.ninja")):
        subprocess.run(["cmake", "-S", ROOT, "-B", build_dir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                        "-DVDR_BUILD_BENCH=ON"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["ninja", "-C", build_dir, "bench"], check=True, stdout=subprocess.DEVNULL)


def generate(directory, forms, captions, seed, without_captions=False, program=None, caption_length=None):
    if os.path.isdir(directory):
        shutil.rmtree(directory)
    command = [sys.executable, os.path.join(HERE, "generate_forms.py"), directory, "--forms", str(forms),
               "--captions", str(captions), "--seed", str(seed)]
    if without_captions:
        command.append("--without-captions")
    if program:
        command += ["--program", program]
    if caption_length:
        command += ["--caption-length", str(caption_length)]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)


def run_json(command, timeout=600):
    result = subprocess.run(command, check=True, capture_output=True, timeout=timeout)
    return json.loads(result.stdout.decode().strip().splitlines()[-1])


class Child:
    """A child process waited for with wait4, so that its exit status and wall time are exact."""

    def __init__(self, command, **popen_args):
        self.process = subprocess.Popen(command, **popen_args)
        self.started = time.perf_counter()

    def wait(self, timeout):
        """Its exit status and wall seconds; its CPU seconds stay in cpu_s."""
        deadline = time.monotonic() + timeout
        while True:
            pid, status, usage = os.wait4(self.process.pid, os.WNOHANG)
            if pid:
                self.process.returncode = os.waitstatus_to_exitcode(status)
                self.cpu_s = usage.ru_utime + usage.ru_stime
                return self.process.returncode, time.perf_counter() - self.started
            if time.monotonic() > deadline:
                self.process.kill()
                raise RuntimeError("%s did not end within %d s" % (self.process.args[0], timeout))
            time.sleep(0.01)


def fresh_sqlite(path):
    """The database URL of a SQLite file at path, with whatever an earlier run left there removed."""
    for suffix in ("", "-wal", "-shm"):
        if os.path.exists(path + suffix):
            os.remove(path + suffix)
    return "sqlite:" + path


def use_offscreen(work):
    """The captures run on Qt's offscreen platform, with a private runtime directory when none is set."""
    os.environ["QT_QPA_PLATFORM"] = "offscreen"
    if "XDG_RUNTIME_DIR" not in os.environ:
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        os.environ["XDG_RUNTIME_DIR"] = runtime


def corpora_of(work, count, forms, captions, first_seed):
    """count corpora of their own, forms-0, forms-1, ... in work."""
    corpora = []
    for number in range(count):
        corpus = os.path.join(work, "forms-%d" % number)
        generate(corpus, forms, captions, first_seed + number)
        corpora.append(corpus)
    return corpora


def captures_at_once(binaries, address, corpora, log_path, timeout):
    """One capture of each corpus, all at once: the wall seconds until all have ended and the CPU
    seconds they took together. Each must succeed."""
    started = time.perf_counter()
    with open(log_path, "ab") as err:
        children = [Child([binaries["capture"], "--language", LANGUAGE, "--server", address, "--yes", corpus],
                          stdout=subprocess.DEVNULL, stderr=err, stdin=subprocess.DEVNULL) for corpus in corpora]
        for child in children:
            status, _ = child.wait(timeout)
            if status != 0:
                raise RuntimeError("a capture failed with status %d: see %s" % (status, log_path))
    return time.perf_counter() - started, sum(child.cpu_s for child in children)


class Server:
    """appserver on a free loopback port; database is a URL (see fresh_sqlite)."""

    def __init__(self, binary, database, log_path):
        self.log = open(log_path, "wb")
        self.child = Child(PIN + [binary, "--listen", "127.0.0.1:0", "--database", database],
                           stdout=subprocess.PIPE, stderr=self.log)
        line = self.child.process.stdout.readline().decode()
        match = re.match(r"appserver listening on (\S+)", line)
        if not match:
            raise RuntimeError("appserver did not start: %r (see %s)" % (line, log_path))
        self.address = match.group(1)

    def memory_mb(self, field="VmHWM"):
        """VmHWM: the kernel's high-water mark of the server's resident set since it started or since
        reset_peak; VmRSS: the resident set now."""
        with open("/proc/%d/status" % self.child.process.pid) as status:
            for line in status:
                if line.startswith(field + ":"):
                    return int(line.split()[1]) / 1024.0
        raise RuntimeError("the kernel tells no %s for appserver" % field)

    def peak_mb(self):
        return self.memory_mb("VmHWM")

    def reset_peak(self):
        """Starts the high-water mark again from the resident set now; False when the kernel does not
        allow it (the peak then runs on from the server's start)."""
        try:
            with open("/proc/%d/clear_refs" % self.child.process.pid, "w") as clear:
                clear.write("5")
            return True
        except OSError:
            return False

    def cpu_s(self):
        """The CPU seconds the server has taken so far."""
        with open("/proc/%d/stat" % self.child.process.pid) as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def stop(self):
        peak = self.peak_mb()
        self.child.process.send_signal(signal.SIGTERM)
        status, _ = self.child.wait(30)
        self.log.close()
        if status != 0:
            raise RuntimeError("appserver stopped with status %d" % status)
        return peak


def capture(binaries, address, directory, log_path, timeout, check=False):
    """One capture run, or with check a check (which must find every caption known: exit status 0).
    Its peak memory comes from /usr/bin/time: the rusage of a child forked from this Python process
    counts Python's own size when the capture is smaller."""
    peak_file = log_path + ".peak"
    command = PIN + [binaries["capture"], "--language", LANGUAGE, "--server", address,
                     "--check" if check else "--yes", directory]
    if TIME:
        command = [TIME, "-f", "%M", "-o", peak_file] + command
    with open(log_path, "ab") as err:
        child = Child(command, stdout=subprocess.PIPE, stderr=err, stdin=subprocess.DEVNULL)
        out = child.process.stdout.read().decode("utf-8", "replace")
        status, wall = child.wait(timeout)
    peak = None
    if TIME:
        with open(peak_file) as text:
            peak = int(text.read().split()[-1]) / 1024.0
    match = SUMMARY.search(out)
    if status != 0 or not match:
        raise RuntimeError("capture%s failed (status %d): %s -- see %s" % (
            " --check" if check else "", status, out.strip()[-2000:], log_path))
    files, lines, lookups, inserted = (int(match.group(i)) for i in range(1, 5))
    changes = CHANGES.search(out)
    return {"files": files, "lines": lines, "lookups": lookups, "would_insert" if check else "inserted": inserted,
            "changed": int(changes.group(1)) if changes else None,
            "removed": int(changes.group(2)) if changes else None,
            "time_s": float(match.group(5)), "wall_s": wall, "cpu_s": child.cpu_s, "peak_mb": peak,
            "load": os.getloadavg()[0]}


def write_replay_requests(binaries, database, path, count):
    """GetPropried requests for stored rows, as the module sends them, from the server's export."""
    export = subprocess.run([binaries["appserver"], "--database", "sqlite:" + database, "export", "--format",
                             "json", "--language", LANGUAGE], check=True, capture_output=True)
    rows = json.loads(export.stdout)
    step = max(1, len(rows) // count)
    with open(path, "w", encoding="utf-8") as out:
        out.write(json.dumps({"jsonrpc": "2.0", "id": 0, "method": "rpc.open",
                              "params": {"serverName": "Vdr04000.rdmImpPocket"}}) + "\n")
        for number, row in enumerate(rows[::step][:count], start=1):
            params = [row["CDPROGRAMA"], row["NMFORMULARIO"], row["NMCOMPONENTE"], row["NMPROPRIEDADE"], "0",
                      row["STVALORPROP"].rstrip(), row["IDIDIOMA"]]
            request = {"id": number, "jsonrpc": "2.0", "method": "GetPropried", "params": params}
            out.write(json.dumps(request, ensure_ascii=False, separators=(",", ":")) + "\n")


class Floors:
    """Floor samples taken between the captures."""

    def __init__(self, binaries, scan_corpus):
        self.binaries = binaries
        self.scan_corpus = scan_corpus
        self.request_bytes, self.answer_bytes = 200, 800  # until the replay has measured them

    def round_trip_us(self):
        return run_json(PIN + [self.binaries["bench_echo_pair"], "--request-bytes", str(self.request_bytes),
                         "--answer-bytes", str(self.answer_bytes), "--round-trips", str(ECHO_ROUND_TRIPS),
                         "--batches", "1"])["median_us"]

    def json_exchanges_us(self):
        """Qt JSON work at both ends (bench_json), in microseconds: a look-up, and a new row sent."""
        out = subprocess.run([self.binaries["bench_json"], "--benchmark_filter=BM_(WholeExchange|NewRowExchange)",
                              "--benchmark_format=json", "--benchmark_min_time=0.2"],
                             check=True, capture_output=True, timeout=120)
        times = {entry["name"]: entry["real_time"] / 1000.0 for entry in json.loads(out.stdout)["benchmarks"]}
        return times["BM_WholeExchange"], times["BM_NewRowExchange"]

    def scan_line(self):
        return run_json([self.binaries["bench_scan_floor"], self.scan_corpus, "--passes", "3", "--calls",
                         "100000"])


def measure_corpus(binaries, work, label, forms, captions, seed, repeats):
    """The three captures, repeated, each beside its floors."""
    corpus = os.path.join(work, label, "forms")
    scan_corpus = os.path.join(work, label, "forms-without-captions")
    log("[%s] writing %d forms x %d captions" % (label, forms, captions))
    generate(corpus, forms, captions, seed)
    generate(scan_corpus, forms, captions, seed, without_captions=True)
    timeout = 120 + forms * captions * 0.05
    floors = Floors(binaries, scan_corpus)
    runs = {"new": [], "known": [], "scan": [], "server_peak_mb": []}
    replayed = None
    previous_echo = None
    for repeat in range(repeats):
        database = os.path.join(work, label, "translations-%d.sqlite" % repeat)
        server = Server(binaries["appserver"], fresh_sqlite(database),
                        os.path.join(work, label, "appserver-%d.log" % repeat))
        try:
            capture_log = os.path.join(work, label, "capture-%d.log" % repeat)
            for kind, directory in (("new", corpus), ("known", corpus), ("scan", scan_corpus)):
                result = capture(binaries, server.address, directory, capture_log, timeout)
                if replayed is None:
                    requests = os.path.join(work, label, "known-lookups.jsonl")
                    write_replay_requests(binaries, database, requests, REPLAYED_LOOKUPS)
                    replayed = run_json(PIN + [binaries["bench_echo_pair"], "--replay", requests, "--connect",
                                         server.address, "--batches", "3"])
                    floors.request_bytes = int(round(replayed["request_bytes"]))
                    floors.answer_bytes = int(round(replayed["answer_bytes"]))
                echo = floors.round_trip_us()
                adjacent = [value for value in (previous_echo, echo) if value is not None]
                result["round_trip_us"] = statistics.mean(adjacent)
                previous_echo = echo
                if kind in ("new", "known"):
                    lookup, new_row = floors.json_exchanges_us()
                    result["json_us"] = lookup + (new_row if kind == "new" else 0.0)
                if kind == "scan":
                    result["scan_floor"] = floors.scan_line()
                runs[kind].append(result)
                log("[%s] repeat %d/%d %-5s %7.2f s  %d lines, %d looked up, %d inserted, peak %s MiB,"
                    " round trip %.1f us, load %.1f" %
                    (label, repeat + 1, repeats, kind, result["time_s"], result["lines"], result["lookups"],
                     result["inserted"], "%.1f" % result["peak_mb"] if result["peak_mb"] else "?",
                     result["round_trip_us"], result["load"]))
        finally:
            runs["server_peak_mb"].append(server.stop())
    expected = forms * captions
    first = runs["new"][0]
    if first["lookups"] != expected or first["inserted"] != expected or runs["known"][0]["inserted"] != 0:
        raise RuntimeError("the corpus should give %d look-ups and %d new rows, then none: got %s / %s" %
                           (expected, expected, first, runs["known"][0]))
    return runs, replayed, floors


def median_of(runs, key):
    return statistics.median(run[key] for run in runs)


def peak_of(runs):
    peaks = [run["peak_mb"] for run in runs if run["peak_mb"] is not None]
    return max(peaks) if peaks else float("nan")


def summarise(runs, targets):
    out = {}
    for kind in ("new", "known"):
        r = runs[kind]
        out[kind] = {"captions": r[0]["lookups"], "lines": r[0]["lines"], "time_s": median_of(r, "time_s"),
                     "wall_s": median_of(r, "wall_s"),
                     "per_caption_us": statistics.median(x["time_s"] / x["lookups"] * 1e6 for x in r),
                     "round_trip_us": median_of(r, "round_trip_us"),
                     "ratio": statistics.median(x["time_s"] / x["lookups"] * 1e6 / x["round_trip_us"] for x in r),
                     "target": targets[kind], "capture_peak_mb": peak_of(r)}
    # What the message format alone costs: one round trip and the JSON of a look-up per known caption,
    # two round trips and the JSON of both exchanges per new one.
    for kind, trips in (("known", 1), ("new", 2)):
        r = runs[kind]
        out[kind]["json_us"] = median_of(r, "json_us")
        out[kind]["ratio_with_json"] = statistics.median(
            x["time_s"] / x["lookups"] * 1e6 / (trips * x["round_trip_us"] + x["json_us"]) for x in r)
    scan = runs["scan"]
    floor_ns = [x["scan_floor"]["read_split_ns_per_line"] + x["scan_floor"]["process_events_ns_per_call"]
                for x in scan]
    out["scan"] = {"captions": 0, "lines": scan[0]["lines"], "time_s": median_of(scan, "time_s"),
                   "wall_s": median_of(scan, "wall_s"),
                   "per_line_ns": statistics.median(x["time_s"] / x["lines"] * 1e9 for x in scan),
                   "floor_ns": statistics.median(floor_ns),
                   "read_split_ns": statistics.median(x["scan_floor"]["read_split_ns_per_line"] for x in scan),
                   "process_events_ns": statistics.median(x["scan_floor"]["process_events_ns_per_call"]
                                                          for x in scan),
                   "scanner_ns": statistics.median(x["scan_floor"]["scanner_ns_per_line"] for x in scan),
                   "ratio": statistics.median(x["time_s"] / x["lines"] * 1e9 / f for x, f in zip(scan, floor_ns)),
                   "target": TARGETS["scan"], "capture_peak_mb": peak_of(scan)}
    out["server_peak_mb"] = max(runs["server_peak_mb"])
    out["capture_peak_mb"] = max(out[k]["capture_peak_mb"] for k in ("new", "known", "scan"))
    out["load"] = statistics.median(x["load"] for k in ("new", "known", "scan") for x in runs[k])
    return out


def verdict(ratio, target):
    return "meets" if ratio <= target else "MISSES"


def report(label, summary, floors, replayed):
    print("\n== %s ==" % label)
    print("raw loopback round trip (%d-byte requests, %d-byte answers, sampled between the captures): median"
          " %.1f us beside the known-caption runs; load average %.1f on %d CPUs"
          % (floors.request_bytes, floors.answer_bytes, summary["known"]["round_trip_us"], summary["load"],
             os.cpu_count()))
    s = summary["scan"]
    print("scan floor: read+split %.0f ns/line + empty processEvents %.0f ns = %.0f ns/line"
          % (s["read_split_ns"], s["process_events_ns"], s["floor_ns"]))
    print("%-20s %8s %8s %7s %15s %10s %8s %7s %8s" % ("run", "captions", "lines", "time s", "per caption",
                                                     "floor", "ratio", "target", "peak MiB"))
    for kind, name in (("new", "every caption new"), ("known", "every caption known")):
        r = summary[kind]
        print("%-20s %8d %8d %7.2f %12.1f us %7.1f us %7.2fx %6.1fx %8.1f  %s" % (
            name, r["captions"], r["lines"], r["time_s"], r["per_caption_us"], r["round_trip_us"], r["ratio"],
            r["target"], r["capture_peak_mb"], verdict(r["ratio"], r["target"])))
    print("%-20s %8d %8d %7.2f %7.0f ns/line %7.0f ns %7.2fx %6.1fx %8.1f  %s" % (
        "scan only", 0, s["lines"], s["time_s"], s["per_line_ns"], s["floor_ns"], s["ratio"], s["target"],
        s["capture_peak_mb"], verdict(s["ratio"], s["target"])))
    print("server peak: %.1f MiB" % summary["server_peak_mb"])
    known = summary["known"]
    if replayed:
        print("a known caption, split: look-up replayed straight to the server %.1f us, so about %.0f us round"
              " trip + %.0f us server + %.0f us capture client (with the scan of its %.0f lines)"
              % (replayed["median_us"], known["round_trip_us"], replayed["median_us"] - known["round_trip_us"],
                 known["per_caption_us"] - replayed["median_us"], known["lines"] / known["captions"]))
    new = summary["new"]
    print("Qt JSON at both ends (bench_json): %.1f us per known caption, %.1f us per new one; against round"
          " trips + JSON a known caption is %.2fx, a new one %.2fx"
          % (known["json_us"], new["json_us"], known["ratio_with_json"], new["ratio_with_json"]))
    print("scanner line logic alone: %.0f ns/line" % s["scanner_ns"])


def measure_program(binaries, directory, shape, program, seed, repeats):
    """The big-program steps on a fresh database per repeat: for each step its runs (wall, own and CPU
    seconds, the capture's peak) with the server's CPU and peak during that step. Every step must
    find what it should: every caption new, then none, and never a changed or removed caption."""
    files, per_file, length = shape
    corpus = os.path.join(directory, "forms")
    log("[big] writing %s: %d files x %d captions%s" % (program, files, per_file,
                                                         " of %d characters" % length if length else ""))
    generate(corpus, files, per_file, seed, program=program, caption_length=length)
    sizes = [os.path.getsize(os.path.join(corpus, name)) for name in os.listdir(corpus)]
    captions = files * per_file
    timeout = 600 + captions * 0.01
    steps = {name: [] for name, _, _ in BIG_STEPS}
    start_mb = []
    for repeat in range(repeats):
        database = os.path.join(directory, "translations-%d.sqlite" % repeat)
        server = Server(binaries["appserver"], fresh_sqlite(database),
                        os.path.join(directory, "appserver-%d.log" % repeat))
        try:
            start_mb.append(server.memory_mb("VmRSS"))
            for name, check, _ in BIG_STEPS:
                reset = server.reset_peak()
                server_cpu = server.cpu_s()
                result = capture(binaries, server.address, corpus, os.path.join(directory, "capture.log"), timeout,
                                 check)
                result["server_cpu_s"] = server.cpu_s() - server_cpu
                result["server_peak_mb"] = server.peak_mb()
                result["server_peak_since"] = "step" if reset else "start"
                stored = result["would_insert" if check else "inserted"]
                if (result["lookups"] != captions or stored != (captions if name == "run" else 0)
                        or result["changed"] or result["removed"]):
                    raise RuntimeError("%s of %s should look up %d captions, %s %d and find none changed or"
                                       " removed: got %s" % (
                        name, program, captions, "find new" if check else "insert",
                        captions if name == "run" else 0, result))
                steps[name].append(result)
                log("[big] %s repeat %d/%d %-5s %7.2f s wall, capture peak %s MiB, server peak %.1f MiB, load %.1f" % (
                    program, repeat + 1, repeats, name, result["wall_s"],
                    "%.1f" % result["peak_mb"] if result["peak_mb"] else "?", result["server_peak_mb"],
                    result["load"]))
        finally:
            server.stop()
    summary = {}
    for name, _, _ in BIG_STEPS:
        runs = steps[name]
        summary[name] = {"wall_s": median_of(runs, "wall_s"), "time_s": median_of(runs, "time_s"),
                         "per_caption_us": median_of(runs, "wall_s") / captions * 1e6,
                         "capture_cpu_us": median_of(runs, "cpu_s") / captions * 1e6,
                         "server_cpu_us": median_of(runs, "server_cpu_s") / captions * 1e6,
                         "capture_peak_mb": peak_of(runs),
                         "server_peak_mb": max(run["server_peak_mb"] for run in runs),
                         "server_peak_since": runs[0]["server_peak_since"]}
    return {"program": program, "files": files, "captions_per_file": per_file, "caption_length": length,
            "captions": captions, "largest_file_mib": max(sizes) / 2**20, "files_mib": sum(sizes) / 2**20,
            "server_start_mb": statistics.median(start_mb), "steps": steps, "summary": summary}


def measure_big_programs(binaries, work, seed, repeats):
    results = []
    for number, (name, shape, baseline_shape) in enumerate(BIG_PROGRAMS):
        directory = os.path.join(work, "big-%d" % number)
        base = measure_program(binaries, os.path.join(directory, "baseline"), baseline_shape, "SMALL", seed, repeats)
        big = measure_program(binaries, os.path.join(directory, "program"), shape, "BIG", seed, repeats)
        results.append({"name": name, "program": big, "baseline": base})
    return results


def report_big_programs(results, repeats):
    print("\n== big programs, unpinned: %d repeat%s; each step beside the same step on a program of about one page"
          " of rows (base) ==" % (repeats, "" if repeats == 1 else "s, medians"))
    columns = ("step", "wall s", "own s", "per caption", "base", "x", "capture MiB", "base", "x", "server MiB",
               "base", "x")
    layout = "%-6s %7s %7s %11s %9s %6s %11s %7s %6s %10s %7s %6s"
    for case in results:
        big, base = case["program"], case["baseline"]

        def shape(figures):
            return "%d file%s x %s captions%s" % (
                figures["files"], "" if figures["files"] == 1 else "s", "{:,}".format(figures["captions_per_file"]),
                " of %d characters" % figures["caption_length"] if figures["caption_length"] else "")

        print("\n%s: program %s, %s (form files %.1f MiB, the largest %.1f MiB); base: %s (%.1f MiB);"
              " server at start %.1f MiB" % (case["name"], big["program"], shape(big), big["files_mib"],
                                              big["largest_file_mib"], shape(base), base["files_mib"],
                                              big["server_start_mb"]))
        print(layout % columns)
        for name, _, _ in BIG_STEPS:
            step, other = big["summary"][name], base["summary"][name]
            print(layout % (
                name, "%.2f" % step["wall_s"], "%.2f" % step["time_s"], "%.0f us" % step["per_caption_us"],
                "%.0f us" % other["per_caption_us"], "%.2fx" % (step["per_caption_us"] / other["per_caption_us"]),
                "%.1f" % step["capture_peak_mb"], "%.1f" % other["capture_peak_mb"],
                "%.2fx" % (step["capture_peak_mb"] / other["capture_peak_mb"]), "%.1f" % step["server_peak_mb"],
                "%.1f" % other["server_peak_mb"], "%.2fx" % (step["server_peak_mb"] / other["server_peak_mb"])))
        print("CPU per caption, program (base): " + "; ".join(
            "%s: capture %.0f us (%.0f), server %.0f us (%.0f)" % (
                name, big["summary"][name]["capture_cpu_us"], base["summary"][name]["capture_cpu_us"],
                big["summary"][name]["server_cpu_us"], base["summary"][name]["server_cpu_us"])
            for name, _, _ in BIG_STEPS))
    since = {figures["summary"][name]["server_peak_since"] for case in results
             for figures in (case["program"], case["baseline"]) for name, _, _ in BIG_STEPS}
    print("\nsteps: %s. wall s: the command from start to exit; own s: its summary's time; per caption: wall /"
          " captions.\ncapture MiB: the command's peak resident set; server MiB: the server's peak during the step%s."
          "\nExpected: the server's peak bounded by a page of rows whatever the program's size (x near 1); the"
          " command's by its files plus a page." % (
              "; ".join("%s: %s" % (name, what) for name, _, what in BIG_STEPS),
              "" if since == {"step"} else " (since its start: the kernel did not let the peak be reset)"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter, epilog=__doc__)
    parser.add_argument("--large", action="store_true",
                        help="also 2,000 forms x 50 captions, and compare the capture's peak memory")
    parser.add_argument("--forms", type=int, default=200, help="forms of the default corpus (200)")
    parser.add_argument("--captions", type=int, default=50, help="captions per form (50)")
    parser.add_argument("--repeat", type=int, default=3, help="repeats of each capture (3)")
    parser.add_argument("--large-repeat", type=int, help="repeats of the large corpus (default: --repeat)")
    parser.add_argument("--big", action="store_true",
                        help="also the big programs: 100,000 rows, and 4,500 captions of 3,990 characters")
    parser.add_argument("--big-only", action="store_true", help="the big programs alone")
    parser.add_argument("--big-repeat", type=int, default=1, help="repeats of the big programs (1)")
    parser.add_argument("--seed", type=int, default=4000)
    parser.add_argument("--mode", choices=("free", "pinned", "both"), default="both",
                        help="schedule the processes freely, on CPU 0, or each in turn (both)")
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build-bench"))
    parser.add_argument("--no-build", action="store_true",
                        help="run the programs in the build directory as they are, without building")
    parser.add_argument("--work-dir", help="where corpora, databases and logs go (default: a new temporary one)")
    args = parser.parse_args()
    if args.repeat < 1 or args.big_repeat < 1 or (args.large_repeat is not None and args.large_repeat < 1):
        parser.error("repeats must be at least 1")
    if args.big_only and args.large:
        parser.error("--big-only runs the big programs alone: no --large with it")

    if not args.no_build:
        build(args.build_dir)
    if not TIME:
        log("note: /usr/bin/time is missing (apt-get install -y time): no peak memory for the capture")
    binaries = {name: os.path.join(args.build_dir, "bin", name)
                for name in ("appserver", "capture", "bench_echo_pair", "bench_scan_floor", "bench_json")}
    work = args.work_dir or tempfile.mkdtemp(prefix="capture-bench-")
    os.makedirs(work, exist_ok=True)
    log("work directory:", work)
    use_offscreen(work)

    results = {"machine": {"cpus": os.cpu_count(), "load_at_start": os.getloadavg()}}
    modes = [] if args.big_only else ["free", "pinned"] if args.mode == "both" else [args.mode]
    try:
        for mode in modes:
            PIN[:] = ["taskset", "-c", "0"] if mode == "pinned" else []
            targets = dict(TARGETS, **PINNED_TARGETS) if mode == "pinned" else TARGETS
            corpora = [("default", args.forms, args.captions, args.repeat)]
            if args.large:
                corpora.append(("large", 2000, args.captions, args.large_repeat or args.repeat))
            for label, forms, captions, repeats in corpora:
                runs, replayed, floors = measure_corpus(binaries, work, "%s-%s" % (mode, label), forms, captions,
                                                        args.seed, repeats)
                summary = summarise(runs, targets)
                results.setdefault(mode, {})[label] = {"forms": forms, "captions_per_form": captions, "runs": runs,
                                                       "replayed_known_lookup": replayed, "summary": summary}
                report("%s, %s: %d forms x %d captions, %d repeats, medians" % (
                    mode, label, forms, captions, repeats), summary, floors, replayed)
        if args.large:
            first = results[modes[0]]
            small, large = first["default"]["summary"], first["large"]["summary"]
            growth = large["capture_peak_mb"] / small["capture_peak_mb"] - 1
            results["memory"] = {"capture_growth": growth, "server_peak_large_mb": large["server_peak_mb"]}
            print("\ncapture peak (%s): %.1f MiB at 2,000 forms vs %.1f MiB at %d forms: %+.1f%% (target: within"
                  " %d%%) %s" % (modes[0], large["capture_peak_mb"], small["capture_peak_mb"], args.forms,
                                 100 * growth, 100 * TARGETS["capture_memory_growth"],
                                 verdict(abs(growth), TARGETS["capture_memory_growth"])))
            print("server peak in the large run: %.1f MiB (target: under %.0f MiB) %s" % (
                large["server_peak_mb"], TARGETS["server_peak_mb"],
                "meets" if large["server_peak_mb"] < TARGETS["server_peak_mb"] else "MISSES"))
        if args.big or args.big_only:
            PIN[:] = []
            results["big_programs"] = measure_big_programs(binaries, work, args.seed, args.big_repeat)
            report_big_programs(results["big_programs"], args.big_repeat)
        results["machine"]["load_at_end"] = os.getloadavg()
        with open(os.path.join(work, "results.json"), "w") as out:
            json.dump(results, out, indent=1)
        print("\nall figures: %s" % os.path.join(work, "results.json"))
    finally:
        if not args.work_dir:
            # A temporary work directory goes; its results file stays, beside it.
            kept = os.path.join(tempfile.gettempdir(), "capture-bench-results.json")
            if os.path.exists(os.path.join(work, "results.json")):
                shutil.copy(os.path.join(work, "results.json"), kept)
                print("(work directory removed; results kept in %s)" % kept)
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
