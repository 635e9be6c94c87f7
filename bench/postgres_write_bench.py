#!/usr/bin/env python3
"""PostgreSQL write benchmark: new captions per second through the capture command, set beside the
floor of the same cluster measured in the same run.

The floor is what the cluster itself commits: bench_insert_floor sends single-row INSERTs into a
scratch table, each row its own transaction, through Qt's QPSQL driver as the server does, on 1 and
on 4 connections at once. Each case runs on a fresh database, after a floor sample of its own; the
floor of a case is the median of the samples taken just before and just after it, since a virtual
machine's disk moves with the load. The cases:

  1 capture, 1 server        every caption new, then the same capture again (every caption known)
  4 captures, 1 server       as above, each capture of a corpus of its own
  4 captures, 2 servers      two captures through each of two servers sharing the database

and, with --sqlite, the first two on SQLite (no floor: the figure is for comparing builds).

Targets: one capture at least 1.0x the one-connection floor, four at least 0.5x the four-connection
floor, two servers at least as fast as one with the same four captures.

  postgres_write_bench.py [--postgres URL] [--repeat N] [--sqlite] [--build-dir DIR [--no-build]]
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from capture_bench import LANGUAGE, ROOT, Child, Server, build, corpora_of, fresh_sqlite, log, use_offscreen
from throughput_bench import Databases

# (label, captures, servers, floor connections, target ratio to that floor)
CASES = (("1 capture, 1 server", 1, 1, 1, 1.0),
         ("4 captures, 1 server", 4, 1, 4, 0.5),
         ("4 captures, 2 servers", 4, 2, 4, 0.5))
FLOOR_ROWS = 1000  # per connection


def floor_rate(binary, url, connections):
    result = subprocess.run([binary, "--database", url, "--connections", str(connections), "--rows",
                             str(FLOOR_ROWS)], check=True, capture_output=True, timeout=600)
    return json.loads(result.stdout.decode().strip().splitlines()[-1])["rows_per_s"]


def captures_through(binary, addresses, corpora, log_path, timeout=600):
    """One capture of each corpus at once, the captures spread over the addresses in turn: wall seconds."""
    started = time.perf_counter()
    with open(log_path, "ab") as err:
        children = [Child([binary, "--language", LANGUAGE, "--server", addresses[i % len(addresses)], "--yes",
                           corpus], stdout=subprocess.DEVNULL, stderr=err, stdin=subprocess.DEVNULL)
                    for i, corpus in enumerate(corpora)]
        for child in children:
            status, _ = child.wait(timeout)
            if status != 0:
                raise RuntimeError("a capture failed with status %d: see %s" % (status, log_path))
    return time.perf_counter() - started


def run_case(binaries, database, servers, corpora, captions, work):
    """New and known captions per second of the captures through that many servers on database."""
    started = [Server(binaries["appserver"], database, os.path.join(work, "appserver-%d.log" % n))
               for n in range(servers)]
    try:
        addresses = [server.address for server in started]
        captions *= len(corpora)
        log_path = os.path.join(work, "captures.log")
        new = captions / captures_through(binaries["capture"], addresses, corpora, log_path)
        known = captions / captures_through(binaries["capture"], addresses, corpora, log_path)
        return new, known
    finally:
        for server in started:
            server.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter, epilog=__doc__)
    parser.add_argument("--forms", type=int, default=40, help="forms of each capture's corpus (40)")
    parser.add_argument("--captions", type=int, default=25, help="captions per form (25)")
    parser.add_argument("--repeat", type=int, default=3, help="repeats of each case (3)")
    parser.add_argument("--postgres", default=os.environ.get("VDR_TEST_POSTGRES_URL"),
                        help="a PostgreSQL database whose user may create databases")
    parser.add_argument("--sqlite", action="store_true", help="also run the one-server cases on SQLite")
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build-bench"))
    parser.add_argument("--no-build", action="store_true", help="run the build directory's programs as they are")
    args = parser.parse_args()
    if not args.postgres:
        log("no PostgreSQL: give --postgres or set VDR_TEST_POSTGRES_URL")
        return 2

    if not args.no_build:
        build(args.build_dir)
    binaries = {name: os.path.join(args.build_dir, "bin", name)
                for name in ("appserver", "capture", "bench_insert_floor")}
    work = tempfile.mkdtemp(prefix="postgres-write-bench-")
    use_offscreen(work)
    corpora = corpora_of(work, 4, args.forms, args.captions, 9100)
    captions = args.forms * args.captions
    postgres = Databases("postgresql", work, args.postgres)
    sqlite = Databases("sqlite", work, None)
    results = {}
    try:
        for repeat in range(args.repeat):
            for label, captures, servers, connections, _ in CASES:
                floor_db = postgres.fresh("floor")
                before = floor_rate(binaries["bench_insert_floor"], floor_db, connections)
                database = postgres.fresh("case_%d_%d" % (captures, servers))
                new, known = run_case(binaries, database, servers, corpora[:captures], captions, work)
                after = floor_rate(binaries["bench_insert_floor"], floor_db, connections)
                sample = {"new": new, "known": known, "floor": statistics.median([before, after])}
                results.setdefault(("postgresql", label), []).append(sample)
                log("postgresql %-22s new %6.0f/s  known %6.0f/s  floor %6.0f/s" % (
                    label, new, known, sample["floor"]))
                if args.sqlite and servers == 1:
                    new, known = run_case(binaries, sqlite.fresh("case-%d" % captures), 1, corpora[:captures], captions, work)
                    results.setdefault(("sqlite", label), []).append({"new": new, "known": known})
                    log("sqlite     %-22s new %6.0f/s  known %6.0f/s" % (label, new, known))
    finally:
        postgres.drop_all()
        shutil.rmtree(work, ignore_errors=True)

    print("\n== %d captions per capture, %d repeats, medians; %d CPUs ==" % (captions, args.repeat, os.cpu_count()))
    print("%-10s %-22s %9s %9s %9s %7s %7s  %s" % ("storage", "case", "new/s", "known/s", "floor/s", "ratio",
                                                  "target", ""))
    one_server_four = None
    for (kind, label), samples in results.items():
        new = statistics.median(s["new"] for s in samples)
        known = statistics.median(s["known"] for s in samples)
        if kind == "sqlite":
            print("%-10s %-22s %9.0f %9.0f" % (kind, label, new, known))
            continue
        target = next(case[4] for case in CASES if case[0] == label)
        ratio = statistics.median(s["new"] / s["floor"] for s in samples)
        floor = statistics.median(s["floor"] for s in samples)
        verdict = "met" if ratio >= target else "MISSED"
        if label == "4 captures, 1 server":
            one_server_four = new
        elif label == "4 captures, 2 servers" and one_server_four:
            verdict += "; %.2fx one server (target 1.00x: %s)" % (
                new / one_server_four, "met" if new >= one_server_four else "MISSED")
        print("%-10s %-22s %9.0f %9.0f %9.0f %6.2fx %6.2fx  %s" % (kind, label, new, known, floor, ratio, target,
                                                                  verdict))
    return 0


if __name__ == "__main__":
    sys.exit(main())
