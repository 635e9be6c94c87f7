"""The big-answers scenario of the fairness benchmark: token holders that ask for the largest answers
and never read them.

A server requiring a token holds one program of rows whose two values run to 4,000 characters, many
pages of GetProgramRows. Clients open the server object with the token, send the same first-page
request again and again without waiting, and never read an answer: the server must stop reading
from each once its answers back up, holding no more than a bounded amount for it. Its resident set
at its peak (VmHWM) with that many clients, over plain TCP and over TLS. Target: under 250 MB.
"""

import json
import os
import socket
import ssl
import subprocess
import time

import doorway

TARGET_MB = 250.0
TOKEN = "big-answers-bench-token-0123456789"
PROGRAM, LANGUAGE = "BIGANSWER", "POR"
FIELDS = [{"name": name, "type": kind, "size": size} for name, kind, size in [
    ("CDPROGRAMA", "string", 20), ("NMFORMULARIO", "string", 50), ("NMCOMPONENTE", "string", 50),
    ("NMPROPRIEDADE", "string", 50), ("NRVALORPROP", "number", 0), ("IDSITTRADUCAO", "string", 1),
    ("STVALORPROP", "string", 4000), ("STAGRVALPROP", "string", 4000), ("DTULTATUTRAD", "datetime", 0),
    ("IDIDIOMA", "string", 3)]]


def request(number, method, params):
    return (json.dumps({"jsonrpc": "2.0", "id": number, "method": method, "params": params},
                       separators=(",", ":")) + "\n").encode()


def connect(port, context):
    sock = socket.create_connection(("127.0.0.1", port))
    return context.wrap_socket(sock, server_hostname="127.0.0.1") if context else sock


def store_rows(port, context, rows, per_delta=100):
    """rows rows of PROGRAM, each value 3,990 characters and unique, stored through SetPropried."""
    with connect(port, context) as sock:
        reader = sock.makefile("rb")
        sock.sendall(doorway.open_line(TOKEN))
        json.loads(reader.readline())
        for first in range(0, rows, per_delta):
            changes = []
            for number in range(first, min(first + per_delta, rows)):
                value = ("%08d " % number) + "x" * 3981
                changes.append({"op": "insert", "values": [PROGRAM, "FRMBIG", "LBL%d" % number, "CAPTION", 0,
                                                           None, value, value, None, LANGUAGE]})
            sock.sendall(request(first + 2, "SetPropried", [{"fields": FIELDS, "changes": changes}]))
            answer = json.loads(reader.readline())
            if not answer.get("result", {}).get("ok"):
                raise RuntimeError("storing the rows failed: %r" % answer)


def first_page_bytes(port, context):
    with connect(port, context) as sock:
        reader = sock.makefile("rb")
        sock.sendall(doorway.open_line(TOKEN))
        reader.readline()
        sock.sendall(request(2, "GetProgramRows", [PROGRAM, LANGUAGE, ""]))
        return len(reader.readline())


def rss_mb(pid, field):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1]) / 1024.0
    raise RuntimeError("the kernel tells no %s for appserver" % field)


def settle(pid, quiet_s=2.0, limit_s=60.0):
    """Waits until the server's resident set has not grown for quiet_s."""
    started = last_change = time.monotonic()
    peak = rss_mb(pid, "VmHWM")
    while time.monotonic() - last_change < quiet_s and time.monotonic() - started < limit_s:
        time.sleep(0.2)
        now = rss_mb(pid, "VmHWM")
        if now > peak:
            peak, last_change = now, time.monotonic()
    return peak


def run(appserver, work, clients, requests, rows, tls):
    """The server's peak resident set (MB) at start, with the rows stored, and with the clients."""
    certificate = key = None
    options = []
    if tls:
        certificate, key = doorway.make_certificate(work)
        options = ["--tls-cert", certificate, "--tls-key", key]
    context = ssl.create_default_context(cafile=certificate) if tls else None
    token_file = os.path.join(work, "big.token")
    with open(token_file, "w") as out:
        out.write(TOKEN)
    os.chmod(token_file, 0o600)
    database = os.path.join(work, "big-%s.sqlite" % ("tls" if tls else "tcp"))
    for suffix in ("", "-wal", "-shm"):
        if os.path.exists(database + suffix):
            os.remove(database + suffix)
    figures = {}
    with open(os.path.join(work, "big.log"), "ab") as server_log:
        server = subprocess.Popen([appserver, "--listen", "127.0.0.1:0", "--database", "sqlite:" + database,
                                   "--token-file", token_file, "--max-connections", str(clients + 8)] + options,
                                  stdout=subprocess.PIPE, stderr=server_log)
        holders = []
        try:
            port = int(server.stdout.readline().decode().rsplit(":", 1)[1])
            figures["start"] = rss_mb(server.pid, "VmHWM")
            store_rows(port, context, rows)
            figures["page"] = first_page_bytes(port, context) / 1048576.0
            figures["stored"] = settle(server.pid)
            pages = b"".join(request(number + 2, "GetProgramRows", [PROGRAM, LANGUAGE, ""])
                             for number in range(requests))
            for _ in range(clients):
                sock = connect(port, context)
                sock.sendall(doorway.open_line(TOKEN) + pages)
                holders.append(sock)
            figures["clients"] = settle(server.pid)
        finally:
            for sock in holders:
                sock.close()
            server.terminate()
            server.wait(30)
    return figures


def report(results, clients, requests, rows):
    print("\n== big answers: %d rows of two 3,990-character values, %d token holders each sending %d "
          "first-page GetProgramRows requests and reading none ==" % (rows, clients, requests))
    met = True
    for name, figures in results.items():
        ok = figures["clients"] < TARGET_MB
        met = met and ok
        print("%-3s server peak: %.1f MB at start, %.1f MB with the rows stored (a page: %.2f MiB), "
              "%.1f MB with the clients (target under %.0f MB) %s" % (
                  name, figures["start"], figures["stored"], figures["page"], figures["clients"], TARGET_MB,
                  "meets" if ok else "MISSES"))
    return met
