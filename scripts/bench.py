#!/usr/bin/env python3
"""Runs the benchmarks of bench/ and prints one table of ratios, every figure of a row measured
in this run (the machine is shared, so only ratios of one run compare). Through scripts/bench.sh."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def run(cmd, env=None, timeout=3600):
    e = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    e.update(env or {})
    r = subprocess.run(cmd, env=e, capture_output=True, text=True, timeout=timeout)
    if r.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (" ".join(cmd), r.returncode, (r.stdout + r.stderr)[-500:]))
    return r.stdout


def grab(pattern, text, what):
    m = re.search(pattern, text, re.M)
    if not m:
        raise RuntimeError("no %s in:\n%s" % (what, text[-800:]))
    return m.groups() if len(m.groups()) > 1 else m.group(1)


class Table:
    def __init__(self):
        self.rows = []

    def add(self, what, figure, against, ratio, aim=""):
        self.rows.append((what, figure, against, ratio, aim))
        print("  %s: %s against %s = %s" % (what, figure, against, ratio), flush=True)

    def print(self):
        w = [max(len(r[i]) for r in self.rows + [("measure", "figure", "against", "ratio", "aim")])
             for i in range(5)]
        fmt = "  ".join("%%-%ds" % n for n in w)
        print()
        print(fmt % ("measure", "figure", "against", "ratio", "aim"))
        for r in self.rows:
            print(fmt % r)


def startup(app, users, tmp):
    """Seconds from start to exit of zorvan32 with a user.txt of `users` users and nothing to
    do, less the one-second pause the program keeps after each parameter."""
    root = tempfile.mkdtemp(dir=tmp)
    data = os.path.join(root, "data")
    os.makedirs(data)
    os.makedirs(os.path.join(root, "run"), mode=0o700)
    with open(os.path.join(root, "zorvan32.INI"), "w", newline="") as f:
        f.write("[Zorvan32]\r\nDataPath=%s\r\nInterCommandDelay=1\r\nSaveCommandLineLog=0\r\n" % data)
    with open(os.path.join(data, "user.txt"), "w", newline="") as f:
        f.write(".ID\r\n.--\r\n")
        for i in range(users):
            f.write("%11d,   0,         0,         ,         3, User %d\r\n" % (1000 + i, i))
    env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
    env.pop("HOME", None)
    env.update(XDG_CONFIG_HOME=root, XDG_DATA_HOME=root, XDG_RUNTIME_DIR=os.path.join(root, "run"),
               QT_QPA_PLATFORM="offscreen")
    best = 1e9
    for _ in range(3):
        t = time.time()
        # "Q" is no operation: the program loads its lists, runs the parameter and closes.
        subprocess.run([os.path.join(app, "zorvan32"), "Q"], env=env, capture_output=True, timeout=120)
        best = min(best, time.time() - t - 1.0)
    shutil.rmtree(root, ignore_errors=True)
    return max(best, 1e-3)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("build", nargs="?", default="build/dev")
    ap.add_argument("--short", action="store_true", help="small sizes, about a minute")
    a = ap.parse_args()
    build = a.build if os.path.isabs(a.build) else os.path.join(ROOT, a.build)
    bench, app = os.path.join(build, "bench"), os.path.join(build, "app")
    if not os.access(os.path.join(bench, "poll", "poll_bench"), os.X_OK):
        sys.exit("bench: %s is not built with its benchmarks (ZV_BENCH=ON)" % build)
    if a.short:
        n = dict(poll=3000, serial=30, small=300, large=3000, view=(5, 20), reps=1, lines=(30, 500, 100))
    else:
        n = dict(poll=40000, serial=300, small=3000, large=30000, view=(10, 100), reps=3,
                 lines=(300, 5000, 500))
    tmp = tempfile.mkdtemp(prefix="zvbench-")
    t = Table()
    started = time.time()
    print("bench: %s, %s" % ("short" if a.short else "full", build), flush=True)

    out = run([os.path.join(bench, "poll", "poll_bench"), "--count", str(n["poll"]),
               "--serial-count", str(n["serial"])])
    dur = grab(r"durable limit .*: ([\d.]+) elements/s; poll reaches ([\d.]+)", out, "durable limit")
    raw = grab(r"raw bandwidth: ([\d.]+) elements/s; poll reaches ([\d.]+)", out, "raw bandwidth")
    rate = grab(r"punches polled in [\d.]+ s: ([\d.]+) elements/s", out, "poll rate")
    t.add("poll %d punches, loopback" % n["poll"], "%s el/s" % rate, "durable limit %s el/s" % dur[0], dur[1], ">= 0.8")
    t.add("poll %d punches, loopback" % n["poll"], "%s el/s" % rate, "library raw %s el/s" % raw[0], raw[1])
    ser = grab(r"serial line at (\d+) baud: .*: ([\d.]+) elements/s\n\s*line limit ([\d.]+) elements/s.*reaches ([\d.]+)",
               out, "serial line")
    t.add("poll %d punches, %s baud" % (n["serial"], ser[0]), "%s el/s" % ser[1], "line limit %s el/s" % ser[2], ser[3], ">= 0.95")
    mem = grab(r"peak memory: 1000 punches (\d+) KiB, (\d+) punches (\d+) KiB: ([\d.]+) x", out, "peak memory")
    t.add("peak memory, poll of %s punches" % mem[1], "%s KiB" % mem[2], "1000 punches %s KiB" % mem[0], mem[3], "<= 1.2")
    lb = n["lines"]
    out = run([os.path.join(bench, "lines", "lines_bench"), "--serial-punches", str(lb[0]),
               "--net-punches", str(lb[1]), "--silent-punches", str(lb[2])])
    ser = grab(r"serial: (\d+) sites at (\d+) baud.*\n\s*one site alone ([\d.]+) s; one line at a time ([\d.]+) s "
               r"\(([\d.]+) x\); \d+ lines ([\d.]+) s \(([\d.]+) x\)", out, "serial lines")
    t.add("P, %s serial sites at %s baud, %s lines" % (ser[0], ser[1], ser[0]), "%s s" % ser[5],
          "one site alone %s s" % ser[2], ser[6], "<= 1.2")
    t.add("P, %s serial sites at %s baud, 1 line" % (ser[0], ser[1]), "%s s" % ser[3],
          "one site alone %s s" % ser[2], ser[4], "about %s" % ser[0])
    net = grab(r"network: (\d+) sites.*\n\s*one line (\d+) elements/s, (\d+) KiB; \d+ lines (\d+) elements/s "
               r"\(([\d.]+) x\), (\d+) KiB \(([\d.]+) x\)", out, "network lines")
    t.add("P, %s network sites, %s lines" % (net[0], net[0]), "%s el/s" % net[3], "1 line %s el/s" % net[1],
          net[4], ">= 4")
    t.add("peak memory, P with %s lines" % net[0], "%s KiB" % net[5], "1 line %s KiB" % net[2], net[6], "<= 1.5")
    sil = grab(r"silent: (\d+) sites, (\d+) of them silent.*\n\s*slowest site alone ([\d.]+) s .*; \d+ lines ([\d.]+) s "
               r"\(([\d.]+) x\)", out, "silent sites")
    t.add("P, %s network sites, %s silent, %s lines" % (sil[0], sil[1], sil[0]), "%s s" % sil[3],
          "slowest site alone %s s" % sil[2], sil[4], "<= 1.3")

    out = run([os.path.join(bench, "bandwidth", "rdr_bandwidth"), "--count", str(n["serial"]),
               "--line", "serial", "--baud", "9600"])
    lib = grab(r"(\d+) elements/s, .*\n.*line limit ([\d.]+) elements/s.*reached ([\d.]+) %", out, "library at 9600")
    t.add("library alone, 9600 baud", "%s el/s" % lib[0], "line limit %s el/s" % lib[1], "%.3f" % (float(lib[2]) / 100))

    out = run([os.path.join(bench, "users", "users_bench")])
    per = dict(re.findall(r"^\s*(\d+) users .*\n\s*100000 lookups: .*?(\d+) ns per lookup", out, re.M))
    big, small = max(per, key=int), min(per, key=int)
    t.add("user lookup, %s users" % big, "%s ns" % per[big], "%s users %s ns" % (small, per[small]),
          "%.2f" % (float(per[big]) / float(per[small])), "flat (hash)")

    shm = "/dev/shm" if os.path.isdir("/dev/shm") else tempfile.gettempdir()
    out = run([os.path.join(bench, "userdb", "userdb_bench"), "--small", str(n["small"]), "--large",
               str(n["large"]), "--reps", str(n["reps"])], env={"TMPDIR": shm})
    r = grab(r"ratio (\d+) / (\d+) users \(linear: ([\d.]+)\): F ([\d.]+), R ([\d.]+), G ([\d.]+), D ([\d.]+)",
             out, "user database ratios")
    for op, v in zip("FRGD", r[3:7]):
        secs = grab(r"^%s .*\s%s users\s+([\d.]+) s" % (op, r[0]), out, op)
        t.add("%s, %s users (files on %s)" % (op, r[0], shm), "%s s" % secs, "%s users" % r[1], v,
              "<= %.0f (linear %s)" % (float(r[2]) * 1.2, r[2]))

    s_small, s_big = startup(app, 1000, tmp), startup(app, 100000, tmp)
    t.add("start-up, 100000 users", "%.2f s" % s_big, "1000 users %.2f s" % s_small, "%.1f" % (s_big / s_small))

    # The log a line goes into holds 0 or 100000 lines before (the sizes the harness offers).
    out = run([os.path.join(bench, "app", "bench_applog"), "--benchmark_filter=BM_AddLogLine_InOperation/(0|100000)/0$"])
    lines = dict(re.findall(r"BM_AddLogLine_InOperation/(\d+)/0\s+([\d.]+) us", out))
    big = "100000"
    t.add("log window, a line after %s" % big, "%s us" % lines[big], "after 0: %s us" % lines["0"],
          "%.2f" % (float(lines[big]) / float(lines["0"])), "flat")

    v1, v2 = n["view"]
    out = run([os.path.join(bench, "views", "bench_views"), str(v1), str(v2)])
    opens = {int(mb): float(s) for mb, s in re.findall(r"^view\s+(\d+) MB\s+open\s+([\d.]+) s", out, re.M)}
    t.add("open a %d MB log (View)" % v2, "%.2f s" % opens[v2], "%d MB %.2f s" % (v1, opens[v1]),
          "%.1f" % (opens[v2] / max(opens[v1], 1e-3)), "<= %d (linear)" % (v2 // v1))

    out = run([os.path.join(bench, "dialogs", "bench_dialogs"), "--benchmark_filter=BM_FillSortedBox"])
    fill = re.findall(r"BM_FillSortedBox/(\d+)\s+([\d.]+) ms", out)
    (n1, t1), (n2, t2) = fill[0], fill[-1]
    per1, per2 = float(t1) / int(n1), float(t2) / int(n2)
    t.add("Users box, an entry of %s" % n2, "%.1f us" % (1000 * per2), "of %s: %.1f us" % (n1, 1000 * per1),
          "%.2f" % (per2 / per1), "flat")

    t.print()
    print("\nbench: %.0f s; rerun: scripts/bench.sh %s%s" % (time.time() - started, "--short " if a.short else "", a.build))
    shutil.rmtree(tmp, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
