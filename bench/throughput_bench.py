#!/usr/bin/env python3
"""Throughput benchmark: captions per second through one server as 1, 2, 4 and 8 captures run at
once, on SQLite and (when a PostgreSQL server is at hand) on PostgreSQL, and what limits it.

Each capture reads a corpus of its own. For each count, on a fresh database and a fresh appserver:
the captures run once with every caption new (a look-up and an insert each) and once more with
every caption known (a look-up each). Beside the wall time it samples where the CPU went: the
server's own (from /proc), the captures' (from their rusage) and the whole machine's (from
/proc/stat, so a PostgreSQL backend counts too). A server near 100 % is bound by its one thread;
a machine near all its CPUs is bound by the CPUs; new rows that come no faster with more captures
wait for the commits, which the server's one database connection makes one at a time; otherwise
the captures wait for their round trips.

  throughput_bench.py [--postgres URL]   (default: VDR_TEST_POSTGRES_URL, as the tests use it)
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

from capture_bench import ROOT, Server, build, captures_at_once, corpora_of, fresh_sqlite, log, use_offscreen

COUNTS = (1, 2, 4, 8)


def machine_busy_seconds():
    with open("/proc/stat") as stat:
        values = [int(v) for v in stat.readline().split()[1:]]
    idle = values[3] + values[4]
    return (sum(values) - idle) / os.sysconf("SC_CLK_TCK")


def run_captures(binaries, server, corpora, log_path, timeout):
    """The captures at once: wall seconds, server CPU, captures' CPU and machine CPU, in seconds."""
    server_before, machine_before = server.cpu_s(), machine_busy_seconds()
    wall, captures_cpu = captures_at_once(binaries, server.address, corpora, log_path, timeout)
    return {"wall_s": wall, "server_cpu_s": server.cpu_s() - server_before, "captures_cpu_s": captures_cpu,
            "machine_cpu_s": machine_busy_seconds() - machine_before}


class Databases:
    """Fresh databases of one storage kind."""

    def __init__(self, kind, work, postgres_url):
        self.kind, self.work, self.postgres_url, self.made = kind, work, postgres_url, []

    def fresh(self, name):
        if self.kind == "sqlite":
            return fresh_sqlite(os.path.join(self.work, name + ".sqlite"))
        database = "vdr_throughput_%s" % name.replace("-", "_")
        self._psql("DROP DATABASE IF EXISTS %s" % database)
        self._psql("CREATE DATABASE %s ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE template0" % database)
        self.made.append(database)
        return self.postgres_url.rsplit("/", 1)[0] + "/" + database

    def drop_all(self):
        for database in self.made:
            self._psql("DROP DATABASE IF EXISTS %s" % database)

    def _psql(self, statement):
        subprocess.run(["psql", "-q", self.postgres_url, "-c", statement], check=True, capture_output=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter, epilog=__doc__)
    parser.add_argument("--forms", type=int, default=40, help="forms of each capture's corpus (40)")
    parser.add_argument("--captions", type=int, default=25, help="captions per form (25)")
    parser.add_argument("--repeat", type=int, default=2, help="repeats of each count (2)")
    parser.add_argument("--postgres", default=os.environ.get("VDR_TEST_POSTGRES_URL"),
                        help="a PostgreSQL database whose user may create databases")
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build-bench"))
    args = parser.parse_args()

    build(args.build_dir)
    binaries = {name: os.path.join(args.build_dir, "bin", name) for name in ("appserver", "capture")}
    work = tempfile.mkdtemp(prefix="throughput-bench-")
    use_offscreen(work)
    corpora = corpora_of(work, max(COUNTS), args.forms, args.captions, 9000)
    captions = args.forms * args.captions
    kinds = ["sqlite"] + (["postgresql"] if args.postgres else [])
    if not args.postgres:
        log("no PostgreSQL (--postgres or VDR_TEST_POSTGRES_URL): SQLite only")

    results = {}
    try:
        for kind in kinds:
            databases = Databases(kind, work, args.postgres)
            try:
                for count in COUNTS:
                    for repeat in range(args.repeat):
                        server = Server(binaries["appserver"], databases.fresh("%s-%d-%d" % (kind, count, repeat)),
                                        os.path.join(work, "appserver.log"))
                        try:
                            for phase in ("new", "known"):
                                sample = run_captures(binaries, server, corpora[:count],
                                                      os.path.join(work, "captures.log"), 600)
                                results.setdefault((kind, count, phase), []).append(sample)
                                log("%-10s %d at once, %-5s %6.2f s" % (kind, count, phase, sample["wall_s"]))
                        finally:
                            server.stop()
            finally:
                if kind == "postgresql":
                    databases.drop_all()
    finally:
        shutil.rmtree(work, ignore_errors=True)

    cpus = os.cpu_count()
    print("\n== %d forms x %d captions per capture, %d repeats, medians; %d CPUs ==" % (
        args.forms, args.captions, args.repeat, cpus))
    print("%-10s %-5s %5s %9s %12s %8s %9s %9s  %s" % ("storage", "phase", "at", "wall s", "captions/s", "scale",
                                                     "server", "machine", "limited by"))
    for kind in kinds:
        for phase in ("new", "known"):
            single = None
            for count in COUNTS:
                samples = results[(kind, count, phase)]
                wall = statistics.median(s["wall_s"] for s in samples)
                rate = count * captions / wall
                single = single or rate
                server = statistics.median(s["server_cpu_s"] / s["wall_s"] for s in samples)
                machine = statistics.median(s["machine_cpu_s"] / s["wall_s"] for s in samples)
                if server > 0.85:
                    limit = "the server's one thread"
                elif phase == "new" and count > 1 and rate < 1.2 * single:
                    # More captures bring no more rows: each insert's commit waits for the one before.
                    limit = "the commits, one at a time on the server's one database connection"
                elif machine > 0.8 * cpus:
                    limit = "the machine's CPUs (captures %.0f%%, server %.0f%%)" % (
                        100 * statistics.median(s["captures_cpu_s"] / s["wall_s"] for s in samples), 100 * server)
                else:
                    limit = "waiting: round trips"
                print("%-10s %-5s %5d %9.2f %12.0f %7.2fx %8.0f%% %8.0f%%  %s" % (
                    kind, phase, count, wall, rate, rate / single, 100 * server, 100 * machine, limit))
    return 0


if __name__ == "__main__":
    sys.exit(main())
