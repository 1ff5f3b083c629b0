#!/usr/bin/env python3
"""MMS over HTTP: record an on-demand stream from the fake media server over
loopback with `brimcast-cli record` and with ffmpeg, and compare wall time,
CPU seconds per GB and peak resident memory.

    python3 bench/mmsh_bench.py [--build build] [--mb 500] [--also-mb 100]

Needs a built brimcast-cli and ffmpeg. The CLI is given the http:// form of
the address, which it tries with MMS over HTTP first. The stream is a short
ffmpeg-made sample played over and over by tests/servers/mmsh_server.py
(--repeat) as one long stream with continuous times, so no 500 MB file has
to exist. Each program gets a fresh server; the server's own CPU time is
reported too, to show that it is not what limits the run, and a plain
HTTP download of the same stream (curl to /dev/null) shows what the server
alone can deliver.
"""

import argparse
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SERVER = os.path.join(ROOT, "tests", "servers", "mmsh_server.py")


def make_sample(path):
    subprocess.run(
        ["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=640x360:rate=25",
         "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t", "10",
         "-c:v", "wmv2", "-b:v", "2000k", "-g", "50", "-c:a", "wmav2", "-b:a", "128k",
         "-ac", "2", "-packet_size", "3200", "-f", "asf", path],
        check=True)


def data_bytes(sample):
    with open(sample, "rb") as f:
        head = f.read(1 << 16)
    header_size = int.from_bytes(head[16:24], "little")
    count = int.from_bytes(head[header_size + 40:header_size + 48], "little")
    fp = head.find(bytes.fromhex("a1dcab8c47a9cf118ee400c00c205365"))
    packet = int.from_bytes(head[fp + 92:fp + 96], "little")
    return count * packet


def start_server(sample, repeat, connections):
    server = subprocess.Popen(
        [sys.executable, SERVER, "--port", "0", "--file", sample, "--repeat", str(repeat),
         "--connections", str(connections), "--lifetime", "1800"],
        stdout=subprocess.PIPE, text=True)
    line = server.stdout.readline()
    if not line.startswith("PORT "):
        raise SystemExit("the fake server did not start")
    return server, int(line.split()[1])


def measure(argv):
    """Runs argv under /usr/bin/time; returns wall seconds, CPU seconds,
    peak RSS in MB and the exit status. (The rusage of a child forked from
    this Python process would report Python's own resident size.)"""
    proc = subprocess.run(["/usr/bin/time", "-f", "BENCH %e %U %S %M", *argv],
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    lines = proc.stderr.strip().splitlines()
    stats = [l for l in lines if l.startswith("BENCH ")]
    if proc.returncode != 0 or not stats:
        print(f"  {argv[0]} exited with {proc.returncode}: {' '.join(lines)[:300]}")
    if not stats:
        return 0.0, 0.0, 0.0, proc.returncode or 1
    wall, user, system, rss_kb = stats[-1].split()[1:]
    return float(wall), float(user) + float(system), int(rss_kb) / 1024.0, proc.returncode


def server_cpu(server):
    _, _, usage = os.wait4(server.pid, 0)
    return usage.ru_utime + usage.ru_stime


def run(name, sample, repeat, connections, argv_for_port, out):
    server, port = start_server(sample, repeat, connections)
    wall, cpu, rss, rc = measure(argv_for_port(port))
    scpu = server_cpu(server)
    size = os.path.getsize(out) if out and os.path.exists(out) else 0
    if out and os.path.exists(out):
        os.remove(out)
    return {"name": name, "wall": wall, "cpu": cpu, "rss": rss, "rc": rc, "size": size,
            "server_cpu": scpu}


def row(r):
    gb = r["size"] / 1e9 if r["size"] else float("nan")
    return (f"| {r['name']} | {r['size'] / 1e6:.0f} MB | {r['wall']:.2f} s | {r['cpu']:.2f} s | "
            f"{r['cpu'] / gb:.2f} s | {r['rss']:.1f} MB | {r['server_cpu']:.2f} s |")


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--build", default=os.path.join(ROOT, "build"))
    p.add_argument("--mb", type=int, default=500, help="stream length in MB")
    p.add_argument("--also-mb", type=int, default=100,
                   help="a shorter run of the CLI, to show that memory stays flat")
    p.add_argument("--work", help="folder for the sample and the recordings (default: a temp folder)")
    args = p.parse_args()

    cli = os.path.join(args.build, "src", "cli", "brimcast-cli")
    if not os.access(cli, os.X_OK):
        raise SystemExit(f"{cli} not found: build the target brimcast-cli first")
    for tool in ("ffmpeg", "curl"):
        if not shutil.which(tool):
            raise SystemExit(f"{tool} not found")
    work = args.work or tempfile.mkdtemp(prefix="brimcast-bench-mmsh-")
    os.makedirs(work, exist_ok=True)
    sample = os.path.join(work, "sample.asf")
    if not os.path.exists(sample):
        make_sample(sample)
    per_pass = data_bytes(sample)
    out = os.path.join(work, "out.asf")

    def ours(repeat, label):
        # A profile of its own, so that nothing the user keeps in theirs
        # (limits, a proxy) changes the run.
        return run(label, sample, repeat, 2,
                   lambda port: [cli, "--config", os.path.join(work, "bench.conf"), "record", "-q",
                                 "--if-exists", "overwrite", "-d", work, "-t", "out",
                                 f"http://127.0.0.1:{port}/bench.asf"], out)

    repeat = math.ceil(args.mb * 1e6 / per_pass)
    results = [
        run("server alone (curl to /dev/null)", sample, repeat, 1,
            lambda port: ["curl", "-s", "-H", "Pragma: xPlayStrm=1", "-o", "/dev/null",
                          f"http://127.0.0.1:{port}/bench.asf"], None),
        ours(repeat, "brimcast-cli record"),
        run("ffmpeg -c copy -f asf", sample, repeat, 2,
            lambda port: ["ffmpeg", "-nostdin", "-v", "error", "-y", "-i",
                          f"mmsh://127.0.0.1:{port}/bench.asf", "-c", "copy", "-f", "asf", out], out),
    ]
    if args.also_mb:
        results.append(ours(math.ceil(args.also_mb * 1e6 / per_pass),
                            f"brimcast-cli record, {args.also_mb} MB stream"))
    # curl saves nothing: count what the server sent instead.
    results[0]["size"] = repeat * per_pass

    print(f"stream: {repeat} passes of a {per_pass / 1e6:.2f} MB sample, packet size 3200")
    print("| program | recorded | wall | CPU | CPU per GB | peak RSS | server CPU |")
    print("|---|---|---|---|---|---|---|")
    for r in results:
        print(row(r))
    ours_r, ff = results[1], results[2]
    if ours_r["size"] and ff["size"]:
        ratio = (ours_r["cpu"] / ours_r["size"]) / (ff["cpu"] / ff["size"])
        print(f"CPU per GB, Brimcast / ffmpeg: {ratio:.2f}; wall, Brimcast / ffmpeg: "
              f"{ours_r['wall'] / ff['wall']:.2f}; peak RSS, Brimcast / ffmpeg: "
              f"{ours_r['rss'] / ff['rss']:.2f}")
    if not args.work:
        shutil.rmtree(work, ignore_errors=True)
    return 0 if all(r["rc"] == 0 for r in results) else 1


if __name__ == "__main__":
    sys.exit(main())
