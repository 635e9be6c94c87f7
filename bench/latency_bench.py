#!/usr/bin/env python3
"""Latency benchmark: the capture command over a slow link, plain and over TLS, beside the same
capture over the direct loopback link, measured in the same run.

A proxy of the benchmark's own (threads, loopback only) stands between the capture and the server
and holds every chunk, in each direction, for half the link's round trip before it forwards it:
each chunk leaves its delay after it arrived, in order, so chunks in flight overlap as on a real
link instead of waiting one behind the other. The kernel has finished the TCP handshake before the
proxy accepts, so a connection's first bytes to the server wait one more round trip, as they would
behind a real handshake. The proxy forwards bytes, so TLS runs through it unchanged: the capture
verifies the server's certificate (a CA of the run's own, the certificate naming 127.0.0.1 and
localhost) at the proxy's address.

Two corpora (--corpora, FILESxCAPTIONS each, generate_forms.py): 20 files of 50 captions, plain and
over TLS, and 100 files of 10 captions, plain (--tls-all runs TLS on it too). Every file is a
program of its own, so the second corpus also asks for the stored rows of 100 programs. For each
link (--rtts, 0 being the direct link, the baseline), repeated (medians):
  check  `capture --check` of captions that are all known: a fresh database filled by a capture
         over the direct link, then the check through the link (exit status 0 expected);
  new    a capture inserting every caption, on a fresh database each time, through the link.

For each it prints the wall time of the command, its ratio to the same run over the direct link,
and the round trips it cost beyond the direct link, per run and per file: (time - loopback) / the
link's measured round trip. A command that waits for every answer costs about one round trip per
look-up; one that keeps its requests in flight across files a few per run, whatever the number of
files. That count also holds what a slow link costs whatever its round trip (the proxy's own work,
answers arriving in bursts); "by slope" leaves it out: (time - the next faster link's time) / the
difference of their round trips.

Target at 50 ms round trip, for every corpus, check and run: at most 2 x the loopback time + 20
round trips per run. The other links' bounds, by the same formula, are printed for reference.
--strict makes a missed target the exit status.
"""

import argparse
import json
import os
import queue
import re
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

from capture_bench import LANGUAGE, ROOT, Child, Server, fresh_sqlite, generate, log, use_offscreen

SUMMARY = re.compile(r"files: (\d+), lines: (\d+), captions looked up: (\d+), "
                     r"(?:rows inserted|rows it would insert): (\d+), time: ([0-9.]+) s")
TARGET_RTT_MS = 50.0
TARGET_TIMES_LOOPBACK = 2.0
TARGET_TRIPS_PER_RUN = 20.0
# Links this slow or slower get --slow-repeats: a command that waits for every answer takes minutes
# over them.
SLOW_RTT_MS = 50.0
PINGS = 20
CHUNK = 65536


def build(build_dir):
    """Configures the build directory when it has no build yet, as capture_bench.py does, and builds
    the two programs this benchmark runs."""
    if not os.path.exists(os.path.join(build_dir, "build.ninja")):
        subprocess.run(["cmake", "-S", ROOT, "-B", build_dir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                        "-DVDR_BUILD_BENCH=ON"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["ninja", "-C", build_dir, "appserver", "capture"], check=True, stdout=subprocess.DEVNULL)


class Pipe:
    """One direction of a proxied connection: a reader stamps each chunk with the time it is due and
    queues it, a writer sends it then. Nothing waits behind another chunk's delay."""

    def __init__(self, source, target, delay_s, not_before):
        self.source, self.target, self.delay_s, self.not_before = source, target, delay_s, not_before
        self.chunks = queue.Queue()
        self.threads = [threading.Thread(target=self.read, daemon=True),
                        threading.Thread(target=self.write, daemon=True)]
        for thread in self.threads:
            thread.start()

    def read(self):
        try:
            while True:
                data = self.source.recv(CHUNK)
                self.chunks.put((max(time.monotonic(), self.not_before) + self.delay_s, data))
                if not data:
                    return
        except OSError:
            self.chunks.put((0.0, None))  # broken: the writer gives up at once

    def write(self):
        while True:
            due, data = self.chunks.get()
            if data is None:
                return
            wait = due - time.monotonic()
            if wait > 0:
                time.sleep(wait)
            try:
                if not data:
                    self.target.shutdown(socket.SHUT_WR)  # the end, delayed like the data before it
                    return
                self.target.sendall(data)
            except OSError:
                return

    def stop(self):
        self.chunks.put((0.0, None))
        for thread in self.threads:
            thread.join(5)


class DelayLink:
    """A loopback port that forwards to upstream (HOST:PORT) with rtt_ms round trip added."""

    def __init__(self, upstream, rtt_ms):
        host, port = upstream.rsplit(":", 1)
        self.upstream = (host, int(port))
        self.rtt_s = rtt_ms / 1000.0
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(16)
        self.listener.settimeout(0.1)  # so that stop() is seen
        self.address = "127.0.0.1:%d" % self.listener.getsockname()[1]
        self.running = True
        self.sockets, self.pipes = [], []
        self.thread = threading.Thread(target=self.accept, daemon=True)
        self.thread.start()

    def accept(self):
        while self.running:
            try:
                client, _ = self.listener.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            accepted = time.monotonic()
            client.settimeout(None)
            server = socket.create_connection(self.upstream)
            for end in (client, server):
                end.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            self.sockets += [client, server]
            half = self.rtt_s / 2
            self.pipes += [Pipe(client, server, half, accepted + self.rtt_s), Pipe(server, client, half, 0.0)]

    def stop(self):
        self.running = False
        self.thread.join(5)
        self.listener.close()
        for end in self.sockets:
            try:
                end.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            end.close()
        for pipe in self.pipes:
            pipe.stop()

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.stop()


class Direct:
    """The direct loopback link: the server's own address."""

    def __init__(self, upstream):
        self.address = upstream

    def __enter__(self):
        return self

    def __exit__(self, *_):
        pass


def link_to(upstream, rtt_ms):
    return DelayLink(upstream, rtt_ms) if rtt_ms > 0 else Direct(upstream)


def measured_rtt_ms(rtt_ms):
    """The link's own round trip, without the server: median of small pings to an echo behind it."""
    echo = socket.socket()
    echo.bind(("127.0.0.1", 0))
    echo.listen(1)

    def serve():
        peer, _ = echo.accept()
        with peer:
            while True:
                data = peer.recv(CHUNK)
                if not data:
                    return
                peer.sendall(data)

    thread = threading.Thread(target=serve, daemon=True)
    thread.start()
    times = []
    with DelayLink("127.0.0.1:%d" % echo.getsockname()[1], rtt_ms) as link:
        host, port = link.address.rsplit(":", 1)
        with socket.create_connection((host, int(port))) as peer:
            peer.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            peer.sendall(b"x")
            peer.recv(16)  # the first one carries the handshake's round trip as well
            for _ in range(PINGS):
                started = time.perf_counter()
                peer.sendall(b"ping")
                received = b""
                while len(received) < 4:
                    received += peer.recv(16)
                times.append(time.perf_counter() - started)
    thread.join(5)
    echo.close()
    return statistics.median(times) * 1000.0


class Tls:
    """A CA of the run's own and a server certificate it signed, for the loopback addresses."""

    def __init__(self, directory):
        os.makedirs(directory, exist_ok=True)
        self.ca = os.path.join(directory, "ca.pem")
        self.certificate = os.path.join(directory, "server.pem")
        self.key = os.path.join(directory, "server.key")
        ca_key, request, extensions = (os.path.join(directory, name) for name in ("ca.key", "server.csr", "server.ext"))
        ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]

        def openssl(*arguments):
            subprocess.run(["openssl"] + list(arguments), check=True, capture_output=True)

        openssl("req", "-x509", "-new", *ec, "-keyout", ca_key, "-out", self.ca, "-days", "2",
                "-subj", "/CN=Latency bench CA")
        openssl("req", "-new", *ec, "-keyout", self.key, "-out", request, "-subj", "/CN=127.0.0.1")
        with open(extensions, "w") as out:
            # The capture connects to the proxy's address, so that is the name it verifies.
            out.write("subjectAltName = IP:127.0.0.1, DNS:localhost\nextendedKeyUsage = serverAuth\n")
        openssl("x509", "-req", "-in", request, "-CA", self.ca, "-CAkey", ca_key, "-days", "2", "-out",
                self.certificate, "-extfile", extensions)
        os.chmod(self.key, 0o600)


class LinkServer(Server):
    """appserver on a free loopback port, over TLS when given the certificate."""

    def __init__(self, binary, database, log_path, tls=None):
        self.log = open(log_path, "wb")
        command = [binary, "--listen", "127.0.0.1:0", "--database", database]
        if tls:
            command += ["--tls-cert", tls.certificate, "--tls-key", tls.key]
        self.child = Child(command, stdout=subprocess.PIPE, stderr=self.log)
        line = self.child.process.stdout.readline().decode()
        match = re.match(r"appserver listening on (\S+)", line)
        if not match:
            raise RuntimeError("appserver did not start: %r (see %s)" % (line, log_path))
        self.address = match.group(1)


def capture_environment(work):
    """The environment of the captures: the host's stored server settings and the VDR_SERVER_*
    variables of whoever runs the benchmark would otherwise decide TLS and the token."""
    env = {name: value for name, value in os.environ.items() if not name.startswith("VDR_SERVER_")}
    env["XDG_CONFIG_HOME"] = os.path.join(work, "config")
    os.makedirs(env["XDG_CONFIG_HOME"], exist_ok=True)
    return env


def capture(binary, address, corpus, check, tls, env, log_path, timeout):
    """One capture: its wall seconds (process start to exit) and its summary line's figures."""
    command = [binary, "--language", LANGUAGE, "--server", address, "--check" if check else "--yes"]
    if tls:
        command += ["--ca-file", tls.ca]
    command.append(corpus)
    with open(log_path, "ab") as err:
        started = time.perf_counter()
        process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=err, stdin=subprocess.DEVNULL, env=env)
        killer = threading.Timer(timeout, process.kill)
        killer.start()
        out = process.stdout.read().decode("utf-8", "replace")
        # Waited for at once rather than polled, so that the wall time ends when the capture does.
        _, status, _ = os.wait4(process.pid, 0)
        wall = time.perf_counter() - started
        killer.cancel()
    process.returncode = os.waitstatus_to_exitcode(status)
    match = SUMMARY.search(out)
    if process.returncode != 0 or not match:
        raise RuntimeError("%s failed (status %d%s): %s -- see %s" % (
            "capture --check" if check else "capture", process.returncode,
            ", killed after %d s" % timeout if process.returncode < 0 else "", out.strip()[-500:], log_path))
    files, lines, lookups, stored = (int(match.group(i)) for i in range(1, 5))
    return {"wall_s": wall, "time_s": float(match.group(5)), "files": files, "lines": lines, "lookups": lookups,
            "inserted" if not check else "would_insert": stored, "load": os.getloadavg()[0]}


def expect(result, files, captions, field, count, what):
    if result["files"] != files or result["lookups"] != captions or result[field] != count:
        raise RuntimeError("%s should see %d files and %d captions, %s %d: got %s" % (
            what, files, captions, field.replace("_", " "), count, result))


def parse_rtts(text):
    try:
        rtts = sorted({float(value) for value in text.split(",") if value.strip()})
    except ValueError:
        raise argparse.ArgumentTypeError("round trips in milliseconds, separated by commas: %r" % text)
    if not rtts or rtts[0] < 0:
        raise argparse.ArgumentTypeError("round trips must be 0 or more milliseconds")
    return rtts if rtts[0] == 0 else [0.0] + rtts  # the direct link is every ratio's baseline


def rtt_name(rtt_ms):
    return "loopback" if rtt_ms == 0 else "%g ms" % rtt_ms


def parse_corpora(text):
    corpora = []
    for item in text.split(","):
        match = re.fullmatch(r"\s*(\d+)\s*x\s*(\d+)\s*", item)
        if not match or int(match.group(1)) < 1 or int(match.group(2)) < 1:
            raise argparse.ArgumentTypeError("corpora as FILESxCAPTIONS, separated by commas: %r" % text)
        corpora.append((int(match.group(1)), int(match.group(2))))
    return corpora


def corpus_name(files, captions_per_file):
    return "%dx%d" % (files, captions_per_file)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter, epilog=__doc__)
    parser.add_argument("--corpora", type=parse_corpora, default=parse_corpora("20x50,100x10"),
                        help="corpora as FILESxCAPTIONS per file, separated by commas; TLS runs on the first"
                             " (20x50,100x10)")
    parser.add_argument("--rtts", type=parse_rtts, default=parse_rtts("0,10,50"),
                        help="link round trips in ms, 0 the direct link, always run (0,10,50)")
    parser.add_argument("--repeats", type=int, default=5, help="repeats of each run (5)")
    parser.add_argument("--slow-repeats", type=int,
                        help="repeats of links of %g ms round trip or more (default: --repeats)" % SLOW_RTT_MS)
    parser.add_argument("--no-tls", action="store_true", help="plain TCP only")
    parser.add_argument("--tls-all", action="store_true", help="TLS on every corpus, not only the first")
    parser.add_argument("--strict", action="store_true", help="exit with status 1 when the %g ms target is missed"
                        % TARGET_RTT_MS)
    parser.add_argument("--seed", type=int, default=4000)
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build-bench"))
    parser.add_argument("--no-build", action="store_true",
                        help="run the programs in the build directory as they are, without building")
    parser.add_argument("--work-dir", help="where the corpus, databases and logs go (default: a new temporary one)")
    args = parser.parse_args()
    slow_repeats = args.repeats if args.slow_repeats is None else args.slow_repeats
    if args.repeats < 1 or slow_repeats < 1:
        parser.error("the repeats must be at least 1")

    if not args.no_build:
        build(args.build_dir)
    binaries = {name: os.path.join(args.build_dir, "bin", name) for name in ("appserver", "capture")}
    work = args.work_dir or tempfile.mkdtemp(prefix="latency-bench-")
    os.makedirs(work, exist_ok=True)
    log("work directory:", work)
    use_offscreen(work)
    env = capture_environment(work)
    # (name, files, captions, securities) of each corpus.
    corpora = []
    for number, (files, per_file) in enumerate(args.corpora):
        tls_too = not args.no_tls and (number == 0 or args.tls_all)
        securities = ["plain", "tls"] if tls_too else ["plain"]
        corpora.append((corpus_name(files, per_file), files, files * per_file, securities))
    repeats_of = {rtt: slow_repeats if rtt >= SLOW_RTT_MS else args.repeats for rtt in args.rtts}
    # Generous: a command that waits for every answer takes two round trips per new caption.
    timeout = 300 + 4 * max(captions for _, _, captions, _ in corpora) * max(args.rtts) / 1000.0

    results = {"machine": {"cpus": os.cpu_count(), "load_at_start": os.getloadavg()},
               "corpora": {name: {"files": files, "captions": captions, "securities": securities}
                           for name, files, captions, securities in corpora},
               "seed": args.seed, "rtts_ms": args.rtts,
               "repeats": {rtt_name(rtt): repeats_of[rtt] for rtt in args.rtts}, "runs": []}
    summary = []
    try:
        paths = {}
        for name, files, captions, _ in corpora:
            paths[name] = os.path.join(work, "forms-" + name)
            generate(paths[name], files, captions // files, args.seed)
        tls = Tls(os.path.join(work, "tls")) if any("tls" in c[3] for c in corpora) else None
        links = {rtt: measured_rtt_ms(rtt) for rtt in args.rtts if rtt > 0}
        results["measured_link_rtt_ms"] = {rtt_name(rtt): value for rtt, value in links.items()}
        log("link round trips measured through the proxy: " +
            ", ".join("%s %.2f ms" % (rtt_name(rtt), value) for rtt, value in links.items()))
        capture_log = os.path.join(work, "capture.log")

        def record(result, corpus, security, scenario, rtt, repeat):
            result.update({"corpus": corpus, "security": security, "scenario": scenario, "rtt_ms": rtt,
                           "repeat": repeat})
            results["runs"].append(result)
            log("repeat %d/%d %-6s %-5s %-5s %-9s %8.2f s (capture's own %.2f s)" % (
                repeat + 1, repeats_of[rtt], corpus, security, scenario, rtt_name(rtt), result["wall_s"],
                result["time_s"]))

        for repeat in range(max(repeats_of.values())):
            rtts = [rtt for rtt in args.rtts if repeat < repeats_of[rtt]]
            for corpus, files, captions, securities in corpora:
                for security in securities:
                    server_tls = tls if security == "tls" else None
                    name = "%s-%s-%d" % (corpus, security, repeat)
                    # One database for the checks, filled over the direct link; a check stores nothing.
                    server = LinkServer(binaries["appserver"],
                                        fresh_sqlite(os.path.join(work, name + "-check.sqlite")),
                                        os.path.join(work, name + "-check.log"), server_tls)
                    try:
                        fill = capture(binaries["capture"], server.address, paths[corpus], False, server_tls, env,
                                       capture_log, timeout)
                        expect(fill, files, captions, "inserted", captions, "the filling capture")
                        for rtt in rtts:
                            with link_to(server.address, rtt) as link:
                                result = capture(binaries["capture"], link.address, paths[corpus], True,
                                                 server_tls, env, capture_log, timeout)
                            expect(result, files, captions, "would_insert", 0, "the check")
                            record(result, corpus, security, "check", rtt, repeat)
                    finally:
                        server.stop()
                    for rtt in rtts:
                        new = "%s-new-%s" % (name, rtt_name(rtt).replace(" ", ""))
                        server = LinkServer(binaries["appserver"], fresh_sqlite(os.path.join(work, new + ".sqlite")),
                                            os.path.join(work, new + ".log"), server_tls)
                        try:
                            with link_to(server.address, rtt) as link:
                                result = capture(binaries["capture"], link.address, paths[corpus], False,
                                                 server_tls, env, capture_log, timeout)
                        finally:
                            server.stop()
                        expect(result, files, captions, "inserted", captions, "the capture of new captions")
                        record(result, corpus, security, "new", rtt, repeat)

        summary = summarise(results["runs"], args.rtts, links, corpora)
        results["summary"] = summary
        results["machine"]["load_at_end"] = os.getloadavg()
        load = statistics.median(run["load"] for run in results["runs"])
        report(summary, links, repeats_of, args.rtts, load)
        with open(os.path.join(work, "results.json"), "w") as out:
            json.dump(results, out, indent=1)
        print("\nall figures: %s" % os.path.join(work, "results.json"))
    finally:
        if not args.work_dir:
            # A temporary work directory goes; its results file stays, beside it.
            kept = os.path.join(tempfile.gettempdir(), "latency-bench-results.json")
            if os.path.exists(os.path.join(work, "results.json")):
                shutil.copy(os.path.join(work, "results.json"), kept)
                print("(work directory removed; results kept in %s)" % kept)
            shutil.rmtree(work, ignore_errors=True)

    missed = [row for row in summary if row["rtt_ms"] == TARGET_RTT_MS and not row["meets"]]
    if args.strict and TARGET_RTT_MS not in args.rtts:
        log("--strict: no %g ms link in --rtts, so no target to check" % TARGET_RTT_MS)
    return 1 if args.strict and missed else 0


def summarise(runs, rtts, links, corpora):
    rows = []
    for corpus, files, captions, securities in corpora:
        for scenario in ("check", "new"):
            for security in securities:
                def median_wall(rtt):
                    return statistics.median(run["wall_s"] for run in runs if (
                        run["corpus"], run["scenario"], run["security"], run["rtt_ms"]) == (
                            corpus, scenario, security, rtt))
                loopback = median_wall(0.0)
                previous = None  # the last slow link's row
                for rtt in rtts:
                    wall = median_wall(rtt)
                    row = {"corpus": corpus, "files": files, "captions": captions, "scenario": scenario,
                           "security": security, "rtt_ms": rtt, "wall_s": wall, "loopback_s": loopback,
                           "ratio": wall / loopback}
                    if rtt > 0:
                        # The link's measured round trip: the proxy's own overhead is the link's, not
                        # the capture's.
                        trip_s = links[rtt] / 1000.0
                        added_trips = (wall - loopback) / trip_s
                        row.update({"bound_s": TARGET_TIMES_LOOPBACK * loopback + TARGET_TRIPS_PER_RUN * trip_s,
                                    "round_trips_per_run": added_trips, "round_trips_per_file": added_trips / files,
                                    "round_trips_per_caption": added_trips / captions})
                        row["meets"] = wall <= row["bound_s"]
                        if previous:
                            # What the slower link added over the faster one: the round trips alone,
                            # without the fixed cost a slow link adds whatever its round trip (the
                            # proxy's own work, answers arriving in bursts).
                            row["round_trips_by_slope"] = (wall - previous["wall_s"]) / (
                                trip_s - links[previous["rtt_ms"]] / 1000.0)
                        previous = row
                    rows.append(row)
    return rows


def report(summary, links, repeats_of, rtts, load):
    counts = sorted(set(repeats_of.values()), reverse=True)
    odd = [rtt for rtt in rtts if repeats_of[rtt] != counts[0]]
    print("\n== capture over a slow link: medians of %d repeats%s ==" % (
        counts[0], " (%d at %s)" % (repeats_of[odd[0]], ", ".join(rtt_name(rtt) for rtt in odd)) if odd else ""))
    print("link round trips measured through the proxy: %s; load average %.1f on %d CPUs" % (
        ", ".join("%s: %.2f ms" % (rtt_name(rtt), value) for rtt, value in links.items()) or "none", load,
        os.cpu_count()))
    print("%-8s %-12s %-9s %8s %10s %8s %-8s %10s %10s %9s" % (
        "corpus", "run", "link", "wall s", "x loopback", "bound s", "verdict", "trips/run", "trips/file", "by slope"))
    for row in summary:
        run = "%s, %s" % (row["scenario"], row["security"])
        if row["rtt_ms"] == 0:
            print("%-8s %-12s %-9s %8.2f %9.2fx" % (row["corpus"], run, rtt_name(0), row["wall_s"], row["ratio"]))
            continue
        verdict = "meets" if row["meets"] else "MISSES"
        slope = row.get("round_trips_by_slope")
        print(("%-8s %-12s %-9s %8.2f %9.2fx %8.2f %-8s %10.1f %10.2f %9s%s" % (
            row["corpus"], run, rtt_name(row["rtt_ms"]), row["wall_s"], row["ratio"], row["bound_s"], verdict,
            row["round_trips_per_run"], row["round_trips_per_file"], "" if slope is None else "%.1f" % slope,
            "  <- target" if row["rtt_ms"] == TARGET_RTT_MS else "")).rstrip())
    print("target at %g ms round trip: at most %g x the loopback time + %g round trips per run, whatever the"
          " number of files; the other links' bounds by the same formula, for reference.\n"
          "trips/run: (time - loopback) / the link's measured round trip; trips/file: the same / files;"
          " by slope: (time - the faster link's time) / (round trip - the faster link's round trip), which"
          " leaves out what a slow link costs whatever its round trip"
          % (TARGET_RTT_MS, TARGET_TIMES_LOOPBACK, TARGET_TRIPS_PER_RUN))


if __name__ == "__main__":
    sys.exit(main())
