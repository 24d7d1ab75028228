#!/usr/bin/env python3
"""A poll of N punches by one user against one of N punches by N users the program does not
know yet: each of those brings a line to users.pending (synced with its element), a record to
user.dat / user.idx and a user to user.txt, which is saved once at the clock's end.
    python3 bench/poll/new_users.py [BUILD_DIR] [N]    (default build/dev 3000)
Prints the seconds of each poll, less those of an empty one, and the cost per element."""
import os, shutil, subprocess, sys, tempfile, time

build = sys.argv[1] if len(sys.argv) > 1 else "build/dev"
n = int(sys.argv[2]) if len(sys.argv) > 2 else 3000
app = os.path.abspath(os.path.join(build, "app"))
addr = "127.0.%d.%d" % (os.getpid() // 250 % 250 + 1, os.getpid() % 250 + 1)


def packed(i):
    d = "%010d" % i
    return "".join(d[k:k + 2] for k in range(0, 10, 2))


def state(punch_users, enrolled):
    lines = ["rdremu-state 1", "site 1", "  tcp %s:3001" % addr, "  reader 1", "    model 0",
             "    memory 2", "    online 1"]
    for u in enrolled:
        lines.append("    user " + packed(u) + "A5" * 11 + "03000000" + "7D00" + "00" + "00" + "00" * 68)
    for k, u in enumerate(punch_users):
        t = (k // 60 % 24, k % 60, 1 + k // 1440 % 28)
        el = "0000%02X%02X%02X011A00" % (t[1], t[0], t[2]) + "07000000" + packed(u) + "FFFFFF" \
             + "00000000" + "FFFFFFFF"
        lines.append("    log " + el)
    return "\n".join(lines) + "\n"


def poll(root, text):
    data = os.path.join(root, "data")
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(data)
    os.makedirs(os.path.join(root, "run"), mode=0o700)
    env = dict(os.environ, XDG_CONFIG_HOME=root, XDG_DATA_HOME=root, XDG_RUNTIME_DIR=os.path.join(root, "run"),
               QT_QPA_PLATFORM="offscreen", ZV_WSOCK_CLOSE_PAUSE_MS="0")
    for c in range(1, 5):
        env["RDRDLL32_COM%d" % c] = os.path.join(root, "nocom")
    with open(os.path.join(root, "zorvan32.INI"), "w", newline="") as f:
        f.write("[Zorvan32]\r\nDataPath=%s/\r\nInterCommandDelay=0\r\nSaveCommandLineLog=0\r\n" % data)
    with open(os.path.join(data, "site.txt"), "w", newline="") as f:
        f.write(".site\r\n1, , , , , , 0, %s, bench\r\n" % addr)
    with open(os.path.join(data, "clock.txt"), "w", newline="") as f:
        f.write(".site clock\r\n1, 1\r\n")
    st = os.path.join(root, "emu.state")
    with open(st, "w") as f:
        f.write(text)
    emu = subprocess.Popen([os.path.join(app, "rdremu"), "serve", st], stdout=subprocess.PIPE, env=env)
    while b"ready" not in emu.stdout.readline():
        pass
    t0 = time.time()
    rc = subprocess.run([os.path.join(app, "zorvan32"), "P"], env=env, capture_output=True).returncode
    secs = time.time() - t0
    emu.terminate()
    emu.wait()
    return secs, rc


root = tempfile.mkdtemp(prefix="zvbench-newusers-")
try:
    users = list(range(1000, 1000 + n))
    empty, _ = poll(root, state([], users))
    one, rc1 = poll(root, state([users[0]] * n, users))
    many, rc2 = poll(root, state(users, users))
    one, many = one - empty, many - empty
    print("%d punches by one user:   %.2f s, %.2f ms an element (exit %d)" % (n, one, 1000 * one / n, rc1))
    print("%d punches by %d new users: %.2f s, %.2f ms an element (exit %d): %.2f x" % (
        n, n, many, 1000 * many / n, rc2, many / one))
finally:
    shutil.rmtree(root, ignore_errors=True)
