#!/usr/bin/env python3
"""Fairness benchmark: how much one misbehaving client costs the honest ones on the same server.

Each scenario runs on a fresh SQLite database and a fresh appserver, repeated (medians):
  alone      four captures at once, of four corpora of their own;
  garbage    the same four beside a client sending garbage lines as fast as its socket takes them
             and reading every error answer (the flood tool);
  requests   the same beside a client flooding look-ups instead of garbage;
  unread     the same beside a garbage flooder that never reads its answers.
  doorway    no captures: a TLS server requiring a token beside 1,000 idle TCP sockets, 64 blank-line
             holders and a handshake staller, all re-opened as dropped, and an honest client that
             opens the server object over and over (see doorway.py); --doorway runs it alone.
  big answers  not run with the rest: --big-answers runs it alone. Token holders that ask for page
             after page of long rows and never read, over TCP and over TLS: the server's peak
             resident set (see big_answers.py). Target: under 250 MB.
Each flooded scenario is set beside "alone" from the same repeat. Besides, the round trip of an
honest client replaying look-ups (bench_echo_pair --replay) is sampled alone and beside the garbage
flooder: its 99th percentile.

Targets: four captures beside a full-speed flooder take at most 3x their time alone, a garbage
flooder costs them no more than a flooder of requests (within 15%: the noise of one run), and the
honest round trip stays under 1 ms at the 99th percentile; in the doorway the honest client opens
within 1 s every time.
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

import big_answers
import doorway
from capture_bench import (LANGUAGE, ROOT, Server, build, captures_at_once, corpora_of, fresh_sqlite, log,
                           run_json, use_offscreen)

CAPTURES = 4
TARGETS = {"flooded_ratio": 3.0, "garbage_vs_requests": 1.15, "p99_us": 1000.0}
FLOODS = {"garbage": [], "requests": ["--requests"], "unread": ["--no-read"]}


def start_flood(binaries, address, options):
    flood = subprocess.Popen([binaries["flood"], address] + options, stdout=subprocess.PIPE)
    if flood.stdout.readline().strip() != b"flooding":
        raise RuntimeError("the flood tool did not start")
    return flood


def stop_flood(flood):
    flood.terminate()
    said = flood.communicate(timeout=30)[0].decode().strip()
    return said


def write_lookups(path, count):
    with open(path, "w", encoding="utf-8") as out:
        out.write(json.dumps({"jsonrpc": "2.0", "id": 0, "method": "rpc.open",
                              "params": {"serverName": "Vdr04000.rdmImpPocket"}}) + "\n")
        for number in range(1, count + 1):
            params = ["FAIR", "FRMFAIR", "LBL%d" % number, "CAPTION", "0", "Texto %d" % number, LANGUAGE]
            out.write(json.dumps({"jsonrpc": "2.0", "id": number, "method": "GetPropried", "params": params},
                                 separators=(",", ":")) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter, epilog=__doc__)
    parser.add_argument("--forms", type=int, default=20, help="forms of each capture's corpus (20)")
    parser.add_argument("--captions", type=int, default=25, help="captions per form (25)")
    parser.add_argument("--repeat", type=int, default=3, help="repeats of each scenario (3)")
    parser.add_argument("--lookups", type=int, default=3000, help="round trips sampled for the 99th percentile")
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build-bench"))
    parser.add_argument("--work-dir", help="where corpora, databases and logs go (default: a new temporary one)")
    parser.add_argument("--doorway", action="store_true", help="run the doorway scenario only")
    parser.add_argument("--doorway-tries", type=int, default=20, help="honest opens in the doorway (20)")
    parser.add_argument("--appserver", help="with --doorway or --big-answers: this appserver, instead of building "
                        "the benchmarks")
    parser.add_argument("--big-answers", action="store_true", help="run the big-answers scenario only")
    parser.add_argument("--big-clients", type=int, default=20, help="token holders in the big answers (20)")
    parser.add_argument("--big-rows", type=int, default=3000, help="rows of the program they ask for (3000)")
    args = parser.parse_args()

    if args.doorway:
        return run_doorway(args)
    if args.big_answers:
        return run_big_answers(args)

    build(args.build_dir)
    binaries = {name: os.path.join(args.build_dir, "bin", name)
                for name in ("appserver", "capture", "flood", "bench_echo_pair")}
    work = args.work_dir or tempfile.mkdtemp(prefix="fairness-bench-")
    os.makedirs(work, exist_ok=True)
    use_offscreen(work)
    log("work directory:", work)

    corpora = corpora_of(work, CAPTURES, args.forms, args.captions, 7000)
    lookups = os.path.join(work, "lookups.jsonl")
    write_lookups(lookups, args.lookups)
    timeout = 120 + args.forms * args.captions * CAPTURES * 0.05

    runs = {name: [] for name in ["alone"] + list(FLOODS)}
    said = {}
    round_trips = {"alone": [], "garbage": []}
    try:
        for repeat in range(args.repeat):
            for scenario in runs:
                name = "%s-%d" % (scenario, repeat)
                server = Server(binaries["appserver"], fresh_sqlite(os.path.join(work, name + ".sqlite")),
                                os.path.join(work, name + ".log"))
                flood = None
                try:
                    if scenario != "alone":
                        flood = start_flood(binaries, server.address, FLOODS[scenario])
                    seconds, _ = captures_at_once(binaries, server.address, corpora,
                                                  os.path.join(work, "captures.log"), timeout)
                    if scenario in round_trips:
                        sample = run_json([binaries["bench_echo_pair"], "--replay", lookups, "--connect",
                                           server.address, "--batches", "1"])
                        round_trips[scenario].append(sample["p99_us"])
                finally:
                    if flood:
                        said[scenario] = stop_flood(flood)
                    server.stop()
                runs[scenario].append(seconds)
                log("repeat %d/%d %-8s %6.2f s  %s" % (repeat + 1, args.repeat, scenario, seconds,
                                                       said.get(scenario, "") if flood else ""))
    finally:
        if not args.work_dir:
            shutil.rmtree(work, ignore_errors=True)

    alone = statistics.median(runs["alone"])
    ratios = {name: statistics.median(f / a for f, a in zip(runs[name], runs["alone"])) for name in FLOODS}
    garbage_vs_requests = statistics.median(g / r for g, r in zip(runs["garbage"], runs["requests"]))
    p99_alone = statistics.median(round_trips["alone"])
    p99_flooded = statistics.median(round_trips["garbage"])

    def verdict(value, target):
        return "meets" if value <= target else "MISSES"

    print("\n== %d captures of %d forms x %d captions each, %d repeats, medians ==" % (
        CAPTURES, args.forms, args.captions, args.repeat))
    print("alone: %.2f s" % alone)
    for name in FLOODS:
        print("beside a %-8s flooder: %.2f s, %.2fx alone (target at most %.1fx) %s   [flood: %s]" % (
            name, statistics.median(runs[name]), ratios[name], TARGETS["flooded_ratio"],
            verdict(ratios[name], TARGETS["flooded_ratio"]), said.get(name, "")))
    print("garbage flooder against a flooder of requests: %.2fx (target at most %.2fx) %s" % (
        garbage_vs_requests, TARGETS["garbage_vs_requests"],
        verdict(garbage_vs_requests, TARGETS["garbage_vs_requests"])))
    print("honest look-up round trip, 99th percentile: %.0f us alone, %.0f us beside the garbage flooder"
          " (target under %.0f us) %s" % (p99_alone, p99_flooded, TARGETS["p99_us"],
                                          verdict(p99_flooded, TARGETS["p99_us"])))
    args.appserver = binaries["appserver"]
    run_doorway(args)
    return 0


def run_doorway(args):
    if not args.appserver:
        build(args.build_dir)
        args.appserver = os.path.join(args.build_dir, "bin", "appserver")
    work = tempfile.mkdtemp(prefix="doorway-bench-")
    try:
        measured = doorway.run(args.appserver, work, args.doorway_tries)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0 if doorway.report(*measured) else 1


def run_big_answers(args, requests=30):
    if not args.appserver:
        build(args.build_dir)
        args.appserver = os.path.join(args.build_dir, "bin", "appserver")
    results = {}
    for name, tls in (("TCP", False), ("TLS", True)):
        work = tempfile.mkdtemp(prefix="big-answers-bench-")
        try:
            results[name] = big_answers.run(args.appserver, work, args.big_clients, requests, args.big_rows, tls)
        finally:
            shutil.rmtree(work, ignore_errors=True)
    return 0 if big_answers.report(results, args.big_clients, requests, args.big_rows) else 1


if __name__ == "__main__":
    sys.exit(main())
