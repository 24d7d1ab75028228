#!/usr/bin/env python3
"""The reliability suite: zorvan32 killed, starved of disk and served by faulty readers.

Every case runs in a private tree (data directory, XDG directories, emulator on its own
loopback address) and checks what an administrator relies on: the run ends within its bound,
a failure is reported (a run that reports nothing did all of its work), no punch is lost,
no file is left half written. See docs/reliability.md. Run through scripts/reliability.sh.
"""
import argparse
import concurrent.futures
import datetime
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OPS = ["P", "C", "T", "G", "F", "R", "D", "X"]
# Each operation's parameter: site 1, clock 1 is the source reader; R and D restore to clock 2.
PARAM = {"P": "P", "C": "C", "T": "T", "G": "G0011", "F": "F0011", "R": "R0012", "D": "D0012",
         "X": "X"}
PUNCH_START = datetime.datetime(2026, 1, 1, 0, 0)
STAMP = time.strftime("%Y%m%d")

_addr_lock = threading.Lock()
_addr_next = [0]


def next_address():
    # A loopback address of its own per installation, so that cases run side by side.
    with _addr_lock:
        n = _addr_next[0]
        _addr_next[0] += 1
    base = os.getpid() % 200 + 20
    return "127.%d.%d.%d" % (base, n // 250 % 250 + 1, n % 250 + 1)


class Failure(Exception):
    pass


def expect(cond, what):
    if not cond:
        raise Failure(what)


class Run:
    def __init__(self):
        self.rc = None
        self.seconds = 0.0
        self.timed_out = False
        self.killed = False


class Install:
    """One installation: a data directory and an emulator serving its readers."""

    def __init__(self, app, name, tmp):
        self.app = app
        self.root = tempfile.mkdtemp(prefix="zvrel-%s-" % name, dir=tmp)
        self.data = os.path.join(self.root, "data")
        self.state = os.path.join(self.root, "emu.state")
        os.makedirs(self.data)
        os.makedirs(os.path.join(self.root, "run"), mode=0o700)
        self.addr = next_address()
        self.server = None
        env = {k: v for k, v in os.environ.items() if not k.startswith(("XDG_", "RDRDLL32_", "ZV_"))}
        env.pop("HOME", None)
        env.update({
            "XDG_CONFIG_HOME": self.root, "XDG_DATA_HOME": self.root,
            "XDG_RUNTIME_DIR": os.path.join(self.root, "run"), "QT_QPA_PLATFORM": "offscreen",
            # Short waits: a dead line is given up in seconds, not minutes.
            "RDRDLL32_TIMEOUT_MS": "1000", "RDRDLL32_CONNECT_TIMEOUT_MS": "1500",
            "RDRDLL32_MODEM_TIMEOUT_MS": "700", "RDRDLL32_DIAL_TIMEOUT_MS": "3000",
            "RDRDLL32_MODEM_GUARD_MS": "50", "ZV_BANK_SEND_PAUSE_MS": "5",
            "ZV_BANK_FAIL_PAUSE_MS": "100", "ZV_WSOCK_CLOSE_PAUSE_MS": "0",
        })
        for n in range(1, 5):
            env["RDRDLL32_COM%d" % n] = os.path.join(self.root, "com%d" % n)
        self.env = env
        with open(os.path.join(self.root, "zorvan32.INI"), "w", newline="") as f:
            f.write("[Zorvan32]\r\nDataPath=%s\r\nInterCommandDelay=1\r\nSaveCommandLineLog=1\r\n"
                    % self.data)
        self.emu("init")

    # --- the emulator ---
    def emu(self, verb, *args):
        r = subprocess.run([os.path.join(self.app, "rdremu"), verb, self.state] + list(args),
                           env=self.env, capture_output=True, text=True, timeout=60)
        if r.returncode != 0:
            raise Failure("rdremu %s failed: %s" % (verb, r.stderr.strip()))
        return r.stdout

    def serve(self):
        out = open(os.path.join(self.root, "emu.out"), "w+")
        self.server = subprocess.Popen([os.path.join(self.app, "rdremu"), "serve", self.state],
                                       env=self.env, stdout=out, stderr=subprocess.STDOUT,
                                       start_new_session=True)
        deadline = time.time() + 15
        while time.time() < deadline:
            out.seek(0)
            if "ready" in out.read():
                return
            if self.server.poll() is not None:
                break
            time.sleep(0.02)
        out.seek(0)
        raise Failure("the emulator did not start: " + out.read()[-300:])

    def stop(self):
        # SIGTERM saves the state at once, so that show tells the final truth.
        if self.server and self.server.poll() is None:
            self.server.send_signal(signal.SIGTERM)
            try:
                self.server.wait(15)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()
                raise Failure("the emulator did not stop")
        self.server = None

    def show(self, site=1, addr=None):
        args = ["--site", str(site)] + (["--addr", str(addr)] if addr is not None else [])
        return self.emu("show", *args)

    # --- the program ---
    def write(self, name, text):
        with open(os.path.join(self.data, name), "w", newline="", encoding="latin-1") as f:
            f.write(text)

    def path(self, name):
        return os.path.join(self.data, name)

    def read(self, name, mode="r"):
        try:
            with open(self.path(name), mode + ("" if "b" in mode else ""),
                      **({} if "b" in mode else {"newline": "", "encoding": "latin-1"})) as f:
                return f.read()
        except FileNotFoundError:
            return b"" if "b" in mode else ""

    def run(self, params, bound, kill_when=None, fsize=None, wrap=(), env=None, exe="zorvan32"):
        """zorvan32 with the parameters; killed (SIGKILL) when kill_when() answers true, and
        counted as a hang when it outlives the bound. `wrap` goes before the command and `env`
        adds to its environment; what it prints is kept in the tree (out.txt)."""
        cmd = list(wrap) + [os.path.join(self.app, exe)] + params
        if fsize is not None:
            cmd = ["prlimit", "--fsize=%d" % fsize, "--"] + cmd
        r = Run()
        start = time.time()
        with open(os.path.join(self.root, "out.txt"), "w") as out:
            p = subprocess.Popen(cmd, env=dict(self.env, **(env or {})), stdout=out,
                                 stderr=subprocess.STDOUT, start_new_session=True)
        while p.poll() is None:
            if time.time() - start > bound:
                r.timed_out = True
                break
            if kill_when is not None and kill_when(time.time() - start):
                r.killed = True
                break
            time.sleep(0.003)
        if p.poll() is None:
            os.killpg(p.pid, signal.SIGKILL)
        r.rc = p.wait()
        r.seconds = time.time() - start
        return r

    def errors(self):
        return [l for l in self.read("Error.Log").split("\r\n") if l]

    def cleanup(self):
        try:
            self.stop()
        finally:
            shutil.rmtree(self.root, ignore_errors=True)


# --- what the files and readers hold ---------------------------------------------------

def punch_keys(text):
    """The punches of Punch.Log as (user, year, month, day, hour, minute); the file must end
    with a whole line."""
    expect(text == "" or text.endswith("\r\n"), "Punch.Log ends in a half line")
    keys = []
    for line in text.split("\r\n")[:-1]:
        f = [x.strip() for x in line.split(",")]
        expect(len(f) >= 10 and re.fullmatch(r"\d{10}", f[3]), "Punch.Log line unreadable: %r" % line)
        keys.append((f[3],) + tuple(int(x) for x in (f[9], f[7], f[8], f[5], f[6])))
    return keys


def reader_log_keys(show):
    keys = set()
    for m in re.finditer(r"type 7 user (\d{10}) (\d\d)/(\d\d)/(\d\d) (\d\d):(\d\d)", show):
        user, mo, d, y, h, mi = m.groups()
        keys.add((user, int(y), int(mo), int(d), int(h), int(mi)))
    return keys


def reader_log_count(show):
    return sum(int(n) for n in re.findall(r"^\s*log (\d+)", show, re.M))


def all_punches(n, user="0000000042"):
    out = set()
    for i in range(n):
        t = PUNCH_START + datetime.timedelta(minutes=i)
        out.add((user, t.year % 100, t.month, t.day, t.hour, t.minute))
    return out


def reader_users(show):
    return {m.group(1): m.group(2) for m in
            re.finditer(r"user (\d{10}) tz \d+ authority \d+ reject \d+ template ([0-9A-F]*)", show)}


def store_records(inst):
    """user.idx and user.dat: every line that names an id names a record written for it."""
    idx = inst.read("user.idx", "rb")
    dat = inst.read("user.dat", "rb")
    expect(idx == b"" or idx.endswith(b"\r\n"), "user.idx ends in a half line")
    records = {}
    for i, raw in enumerate(idx.split(b"\r\n")[:-1]):
        t = raw.strip()
        if t in (b"", b"0"):
            continue
        expect(re.fullmatch(rb"\d{10}", t), "user.idx line %d unreadable: %r" % (i, raw))
        rec = dat[24 * i:24 * i + 24]
        expect(len(rec) == 24, "user.idx line %d names a record beyond user.dat" % i)
        expect(rec[:5].hex() == t.decode(), "user.idx line %d names %s, its record holds %s"
               % (i, t.decode(), rec[:5].hex()))
        records.setdefault(t.decode(), rec[5:16].hex().upper())
    return records


def user_txt_ids(inst):
    text = inst.read("user.txt")
    expect(text == "" or text.endswith("\r\n"), "user.txt ends in a half line")
    ids = set()
    for line in text.split("\r\n")[:-1]:
        if line.startswith("."):
            continue
        f = line.split(",")
        expect(len(f) >= 6 and f[0].strip().isdigit(), "user.txt line unreadable: %r" % line)
        ids.add(int(f[0]))
    return ids


def users_kept(inst, enrolled, pending_too):
    """Every enrolled user with a punch in Punch.Log is in user.txt (or, after a kill, among
    the users a poll saw and has not kept yet); after the last poll in user.idx too."""
    punched = {int(k[0]) for k in punch_keys(inst.read("Punch.Log"))} & enrolled
    kept = user_txt_ids(inst)
    if pending_too:
        kept |= {int(l.split(",")[2]) for l in inst.read("users.pending").split("\r\n")
                 if l.count(",") == 3 and l.split(",")[2].isdigit()}
    else:
        kept &= {int(i) for i in store_records(inst)}
        expect(inst.read("users.pending") == "", "users still pending after the last poll")
    expect(punched <= kept, "users punched, yet kept nowhere: %s" % sorted(punched - kept)[:10])


def text_files_whole(inst):
    for name in os.listdir(inst.data):
        if name.lower().endswith((".log", ".txt")) or name == "trans.dat":
            text = inst.read(name)
            expect(text == "" or text.endswith("\n"), name + " ends in a half line")
    trans = inst.read("trans.dat")
    for line in trans.split("\r\n")[:-1]:
        expect(re.fullmatch(r"[0-9A-F]{56}", line), "trans.dat line unreadable: %r" % line)


# --- the readers of a case ----------------------------------------------------------------

def template_of(i):
    return "%02X" % (i % 251) + "A5" * 9 + "%02X" % (i // 251 % 256)


def add_users(inst, addr, n, batch, site=1, first=1000):
    for b in range(0, n, batch):
        k = min(batch, n - b)
        inst.emu("add-user", "--site", str(site), "--addr", str(addr), "--user", str(first + b),
                 "--tz", str(b // batch % 4), "--authority", "3",
                 "--template", template_of(b // batch), "--count", str(k))


def tcp_install(app, tmp, name, punches=0, users=0, fault=()):
    inst = Install(app, name, tmp)
    inst.emu("add-site", "--site", "1", "--tcp", inst.addr + ":3001", *fault)
    finish_readers(inst, punches, users)
    inst.write("site.txt", ".site\r\n1, , , , , , 0, %s, reliability\r\n" % inst.addr)
    return inst


def modem_install(app, tmp, name, answer, punches=0, users=0):
    inst = Install(app, name, tmp)
    inst.emu("add-site", "--site", "1", "--serial", inst.env["RDRDLL32_COM1"], "--phone", "5551234",
             "--modem-answer", answer)
    finish_readers(inst, punches, users)
    inst.write("site.txt", ".site\r\n1, 1, 9600, AT&F, 9, 5551234, 0, , reliability\r\n")
    return inst


def finish_readers(inst, punches, users, site=1):
    inst.emu("add-reader", "--site", str(site), "--addr", "1", "--model", "2", "--memory", "1")
    inst.emu("add-reader", "--site", str(site), "--addr", "2", "--model", "2", "--memory", "1")
    if punches:
        inst.emu("add-punch", "--site", str(site), "--addr", "1", "--user", "42", "--time",
                 PUNCH_START.strftime("%Y-%m-%d %H:%M"), "--count", str(punches))
    if users:
        add_users(inst, 1, users, max(1, users // 10), site)
    if site != 1:
        return
    inst.write("clock.txt", ".site clock menu comment\r\n1, 1, , source\r\n1, 2, , target\r\n")
    inst.write("empty.bin", "")  # the menu of a clock that names none
    # The users file names the reader's users (G gets those) and one the reader lacks.
    inst.write("user.txt", user_txt(list(range(1000, 1000 + users)) + [999] if users else []))


def user_txt(ids):
    # As the program writes it, so that a save changes its size only by the lines it adds.
    return ".ID\r\n.--\r\n" + "".join("%11d,   0,         0,         ,         3, User %d\r\n" % (i, i)
                                        for i in ids)


# --- the checks of an operation's outcome ------------------------------------------------

def check_files(inst):
    text_files_whole(inst)
    punch_keys(inst.read("Punch.Log"))
    store_records(inst)
    user_txt_ids(inst)


def check_complete(inst, op, punches, source):
    """After a run that reported no failure: the operation did all of its work (the emulator
    stopped, so its state is final)."""
    if op == "P":
        got = set(punch_keys(inst.read("Punch.Log")))
        expect(all_punches(punches) <= got, "P reported nothing, yet punches are missing")
        expect(reader_log_count(inst.show(1, 1)) == 0, "P reported nothing, yet the reader keeps punches")
    elif op in "GF":
        expect(store_records(inst) == source, op + " reported nothing, yet templates differ from the reader")
    elif op in "RD":
        expect(reader_users(inst.show(1, 2)) == source, op + " reported nothing, yet clock 2 differs")
    elif op == "C":
        expect(inst.show(1).count("setup saved yes") == 2, "C reported nothing, yet a setup was not saved")
    elif op == "T":
        expect("time sent none" not in inst.show(1), "T reported nothing, yet a time was not sent")
    elif op == "X":
        log = command_line_log(inst)
        expect("Clock 1: responded." in log and "Clock 2: responded." in log,
               "X reported nothing, yet a clock did not respond")
    if op in "FD":
        expect("idle yes" not in inst.show(1), op + " left a reader idle")


def check_partial(inst, op, punches, source):
    """After any run: nothing half written, nothing stored that the reader did not hold."""
    check_files(inst)
    if op == "P":
        keys = punch_keys(inst.read("Punch.Log"))
        expect(all_punches(punches) <= set(keys) | reader_log_keys(inst.show(1, 1)),
               "a punch is neither in Punch.Log nor in the reader")
    elif op in "GF":
        for uid, tmpl in store_records(inst).items():
            expect(source.get(uid) == tmpl, "user.dat holds a wrong record for " + uid)
    elif op in "RD":
        for uid, tmpl in reader_users(inst.show(1, 2)).items():
            expect(source.get(uid) == tmpl, "clock 2 holds a wrong record for " + uid)


def file_size(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return 0


def command_line_log(inst):
    names = sorted(n for n in os.listdir(inst.data) if re.fullmatch(r"\d{8}-\d{6}(-\d+)?\.log", n))
    return "".join(inst.read(n) for n in names)


# --- prepared files for R and D -----------------------------------------------------------

class Prepared:
    """user.txt, user.idx and user.dat got by G and F from a reader with `users` users, made
    once and copied into each case that restores."""

    def __init__(self, app, tmp, users):
        inst = tcp_install(app, tmp, "prep", users=users)
        try:
            self.source = reader_users(inst.show(1, 1))
            inst.serve()
            r = inst.run([PARAM["G"], PARAM["F"]], 120)
            inst.stop()
            expect(not r.timed_out and not inst.errors(), "the clean G and F reported: %s" % inst.errors())
            expect(store_records(inst) == self.source, "a clean F did not store every template")
            self.files = {n: inst.read(n, "rb") for n in ("user.txt", "user.idx", "user.dat")}
        finally:
            inst.cleanup()

    def copy_to(self, inst):
        for name, data in self.files.items():
            with open(inst.path(name), "wb") as f:
                f.write(data)


# --- the families of cases ------------------------------------------------------------------

class Result:
    def __init__(self, family, what, checks):
        self.family, self.what, self.checks = family, what, checks
        self.tried = 0
        self.held = 0
        self.failures = []
        self.seconds = 0.0

    def add(self, ok, seconds=0.0, why=""):
        self.tried += 1
        self.held += ok
        self.seconds = max(self.seconds, seconds)
        if not ok:
            self.failures.append(why)


def end_fault(inst, fault, args):
    """Site 1 plays its fault no more."""
    if fault.startswith("modem "):
        inst.emu("set-site", "--site", "1", "--modem-answer", "OK")
    else:
        inst.emu("set-site", "--site", "1", *[a if not a.isdigit() else "0" for a in args])


def fault_case(app, tmp, op, fault, args, sizes, prepared, bound):
    punches, users = sizes["fault_punches"], sizes["fault_users"]
    if fault.startswith("modem "):
        inst = modem_install(app, tmp, "fault", fault[6:], punches, users)
    else:
        inst = tcp_install(app, tmp, "fault", punches, users, args)
    try:
        source = reader_users(inst.show(1, 1))
        if op in "RD":
            prepared.copy_to(inst)
        inst.serve()
        r = inst.run([PARAM[op]], bound)
        inst.stop()
        expect(not r.timed_out, "%s did not end within %d s" % (op, bound))
        errors = inst.errors()
        if not errors:
            check_complete(inst, op, punches, source)
        elif op in "PCTGFRDX" and fault in ("modem BUSY", "modem NO CARRIER", "modem SILENT"):
            expect(any("Failed to connect" in e for e in errors), "no connection failure line")
        check_partial(inst, op, punches, source)
        seconds = r.seconds
        # The fault gone, the same operation completes the work, and nothing got lost on the way.
        end_fault(inst, fault, args)
        inst.serve()
        r2 = inst.run([PARAM[op]], bound)
        inst.stop()
        expect(not r2.timed_out, "the run after the fault did not end")
        expect(not inst.errors()[len(errors):], "the run after the fault reported %s" % inst.errors()[len(errors):])
        check_complete(inst, op, punches, source)
        if op == "P":
            keys = punch_keys(inst.read("Punch.Log"))
            expect(len(keys) - len(set(keys)) <= 1, "more than one punch doubled by one fault")
    except Failure as e:
        return False, 0.0, "%s under %s: %s (kept in %s)" % (op, fault, e, inst.root)
    finally:
        inst.stop()
    if not KEEP_ALL:
        shutil.rmtree(inst.root, ignore_errors=True)
    return True, seconds, ""


def kill_series(app, tmp, op, kills, sizes, prepared, bound, res):
    """kill -9 at random moments of op, checked after each kill; then run to the end."""
    punches = sizes["kill_punches"] if op == "P" else 0
    users = sizes["kill_users"] if op in "GF" else 0
    inst = tcp_install(app, tmp, "kill" + op, 0 if op == "P" else punches, users)
    enrolled = set()
    if op == "P":
        # First punches of enrolled users, so that the kills find users seen and not yet kept.
        add_users(inst, 1, 10, 10)
        enrolled = set(range(1000, 1010))
        for u in sorted(enrolled) + [42]:
            inst.emu("add-punch", "--site", "1", "--addr", "1", "--user", str(u), "--time",
                     PUNCH_START.strftime("%Y-%m-%d %H:%M"),
                     "--count", str(punches if u == 42 else max(1, punches // 40)))
    try:
        source = reader_users(inst.show(1, 1)) if op in "GF" else prepared.source
        if op in "RD":
            prepared.copy_to(inst)
        inst.serve()
        # How long a whole run takes, measured on a copy of the work (not for P: it consumes).
        length = 3.0
        if op != "P":
            r = inst.run([PARAM[op]], bound)
            expect(not r.timed_out and not inst.errors(), "a clean %s reported %s" % (op, inst.errors()))
            length = max(r.seconds - 1.0, 0.3)  # less the pause after the parameter
        for k in range(kills):
            if op in "GF" and k == 0:
                for n in ("user.idx", "user.dat"):
                    os.remove(inst.path(n))
            if op == "P":
                # A random moment after the poll has started, told by the size of Punch.Log
                # (its lines are about 95 bytes).
                target = file_size(inst.path("Punch.Log")) + 95 * (
                    1 + random.randrange(max(1, punches // (kills + 1))))
                when = lambda t: file_size(inst.path("Punch.Log")) >= target
            else:
                moment = random.uniform(0.05, length * 1.1)
                when = lambda t: t >= moment
            r = inst.run([PARAM[op]], bound, kill_when=when)
            expect(not r.timed_out, "%s did not end" % op)
            check_partial(inst, op, punches, source)
            if op == "P":
                users_kept(inst, enrolled, True)
            res.add(True, r.seconds)
        before = len(inst.errors())
        r = inst.run([PARAM[op]], bound)
        inst.stop()
        expect(not r.timed_out, "the last %s did not end" % op)
        expect(len(inst.errors()) == before, "the last %s reported %s" % (op, inst.errors()[before:]))
        check_complete(inst, op, punches, source)
        if op == "P":
            keys = punch_keys(inst.read("Punch.Log"))
            expect(len(keys) - len(set(keys)) <= kills, "more second copies than kills")
            users_kept(inst, enrolled, False)
        res.add(True, r.seconds)
    except Failure as e:
        res.add(False, 0.0, "kill during %s: %s (kept in %s)" % (op, e, inst.root))
        return
    finally:
        inst.stop()
    if not KEEP_ALL:
        shutil.rmtree(inst.root, ignore_errors=True)


def full_disk(app, tmp, op, sizes, res, bound):
    """A file size limit that the operation's files outgrow midway: a failure line, nothing
    lost, and the same operation without the limit completes the work. "S" is a poll whose
    new user makes user.txt too big to save."""
    punches = sizes["disk_punches"] if op == "P" else 3 if op == "S" else 0
    users = sizes["disk_users"] if op in "GF" else 0
    inst = tcp_install(app, tmp, "disk" + op, punches, users)
    if op == "S":
        inst.emu("add-user", "--site", "1", "--addr", "1", "--user", "42", "--template", template_of(42))
    try:
        source = reader_users(inst.show(1, 1))
        inst.serve()
        if op == "P":
            limit = 95 * random.randrange(punches // 4, punches * 3 // 4) + random.randrange(95)
        elif op in "GF":
            limit = 24 * random.randrange(users // 4, users * 3 // 4) + random.randrange(24)
        else:
            old = list(range(1000, 1000 + sizes["save_users"]))
            inst.write("user.txt", user_txt(old))
            limit = file_size(inst.path("user.txt")) + 10
        r = inst.run([PARAM[op[0] if op != "S" else "P"]], bound, fsize=limit)
        op = "P" if op == "S" else op
        expect(not r.timed_out, "%s on a full disk did not end" % op)
        errors = inst.errors()
        expect(errors, "%s on a full disk reported nothing" % op)
        check_partial(inst, op, punches, source)
        if limit > file_size(inst.path("user.txt")) and users == 0 and op == "P" and punches == 3:
            expect(user_txt_ids(inst) == set(old), "user.txt changed although it could not be saved")
            expect(any("Failed to save users file" in e for e in errors), "no line for the failed save")
        r = inst.run([PARAM[op]], bound)
        inst.stop()
        expect(len(inst.errors()) == len(errors), "%s after the full disk reported %s" % (op, inst.errors()[len(errors):]))
        check_complete(inst, op, punches, source)
        if op == "P":
            keys = punch_keys(inst.read("Punch.Log"))
            expect(len(keys) - len(set(keys)) <= 1, "more than one punch doubled by a full disk")
        res.add(True, r.seconds)
    except Failure as e:
        res.add(False, 0.0, "full disk during %s: %s (kept in %s)" % (op, e, inst.root))
        return
    finally:
        inst.stop()
    if not KEEP_ALL:
        shutil.rmtree(inst.root, ignore_errors=True)


def kill_during_save(app, tmp, kills, sizes, res, bound):
    """kill -9 while a poll saves a large user.txt (a new user arrived): the file afterwards is
    the old one or the new one, whole."""
    inst = tcp_install(app, tmp, "killsave", punches=1)
    # The reader knows the punching user, so the poll adds it to user.txt and saves the file.
    inst.emu("add-user", "--site", "1", "--addr", "1", "--user", "42", "--template", template_of(42))
    hits = 0
    try:
        old = set(range(1000, 1000 + sizes["save_users"]))
        for k in range(kills + 1):
            inst.write("user.txt", user_txt(sorted(old)))
            if k:
                t = PUNCH_START + datetime.timedelta(minutes=k)
                inst.emu("add-punch", "--site", "1", "--addr", "1", "--user", "42",
                         "--time", t.strftime("%Y-%m-%d %H:%M"))
            inst.serve()
            seen = []

            def saving(_):
                # The save writes a temporary file beside user.txt and renames it.
                if any(n.startswith(".zvtmp") for n in os.listdir(inst.data)):
                    seen.append(1)
                    return True
                return False
            last = k == kills
            r = inst.run(["P"], bound, kill_when=None if last else saving)
            inst.stop()
            expect(not r.timed_out, "P did not end")
            hits += bool(seen)
            ids = user_txt_ids(inst)
            expect(ids in (old, old | {42}), "user.txt is neither the old one nor the new one")
            check_partial(inst, "P", k + 1, {})
            if last:
                expect(ids == old | {42}, "the last poll did not save its new user")
                check_complete(inst, "P", k + 1, {})
            res.add(True, r.seconds)
        left = sum(n.startswith(".zvtmp") for n in os.listdir(inst.data))
        res.checks += " (%d of %d kills inside the save; %d temporary files left)" % (hits, kills, left)
    except Failure as e:
        res.add(False, 0.0, "kill during the user.txt save: %s (kept in %s)" % (e, inst.root))
        return
    finally:
        inst.stop()
    if not KEEP_ALL:
        shutil.rmtree(inst.root, ignore_errors=True)


def endless_reader(app, tmp, op, res, bound):
    """A reader that never ends: its log (P) or its data banks (F). The run stops at what the
    reader's memory can hold (128K: 8,192 elements, 33 banks), says so, keeps every punch it
    took, and the honest clock after it is still polled."""
    inst = Install(app, "endless" + op, tmp)
    try:
        inst.emu("add-site", "--site", "1", "--tcp", inst.addr + ":3001")
        lie = "endless-log" if op == "P" else "endless-banks"
        inst.emu("add-reader", "--site", "1", "--addr", "1", "--memory", "0", "--lie", lie)
        inst.emu("add-reader", "--site", "1", "--addr", "2", "--memory", "0")
        add_users(inst, 1, 3, 3)
        inst.emu("add-punch", "--site", "1", "--addr", "2", "--user", "42", "--time",
                 PUNCH_START.strftime("%Y-%m-%d %H:%M"))
        inst.write("site.txt", ".site\r\n1, , , , , , 0, %s, reliability\r\n" % inst.addr)
        inst.write("clock.txt", ".site clock\r\n1, 1\r\n1, 2\r\n")
        inst.serve()
        r = inst.run(["P" if op == "P" else "F"], bound)
        expect(not r.timed_out, "%s against an endless reader did not end within %d s" % (op, bound))
        expect(r.rc == 1, "%s against an endless reader exited %s, not 1" % (op, r.rc))
        want = ("Failed to receive all transactions: more than the reader's memory holds (8192)"
                if op == "P" else "More banks than the reader's memory holds (33)")
        expect(any(want in e for e in inst.errors()), "no line: " + want)
        check_files(inst)
        log = command_line_log(inst)
        if op == "P":
            keys = punch_keys(inst.read("Punch.Log"))
            expect(len(keys) == 8193 + 1 and len(set(keys)) == len(keys),
                   "Punch.Log holds %d lines, %d different, not 8194" % (len(keys), len(set(keys))))
            expect("Clock 2: Number of transactions received: 1." in log, "clock 2 was not polled")
        else:
            expect(set(store_records(inst)) == {"%010d" % i for i in (1000, 1001, 1002)},
                   "user.idx does not hold the reader's three users")
            expect("Clock 2: Users found 3" not in log and "Clock 2: Users found 0" in log,
                   "clock 2 was not read")
        inst.stop()
        expect("idle yes" not in inst.show(1), op + " left the endless reader idle")
        res.add(True, r.seconds)
    except Failure as e:
        res.add(False, 0.0, "endless reader during %s: %s (kept in %s)" % (op, e, inst.root))
        return
    finally:
        inst.stop()
    if not KEEP_ALL:
        shutil.rmtree(inst.root, ignore_errors=True)


def kill_during_window_save(app, tmp, mode, kills, res):
    """kill -9 while site.txt is saved the way the windows save it (the editor's save of a data
    file, a dialog's save of its list), again and again: site.txt is always one whole version."""
    exe = os.path.join(app, "zvsaveloop")
    root = os.path.join(tmp, "winsave-" + mode)
    os.makedirs(root, exist_ok=True)
    lines = [".site  port  baud  init    dial      phone     tza     ipaddress     description"]
    lines += ["%5d,     ,     ,      ,       ,            ,   0,       127.0.0.2, Site %d" % (i, i)
              for i in range(1, 3000)]
    with open(os.path.join(root, "site.txt"), "w") as f:
        f.write("\r\n".join(lines) + "\r\n")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=root, XDG_DATA_HOME=root,
               XDG_RUNTIME_DIR=root)
    os.chmod(root, 0o700)
    try:
        for _ in range(kills):
            start = time.time()
            p = subprocess.Popen([exe, mode, root], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                 env=env)
            expect(p.stdout.readline().strip() == b"ready", "zvsaveloop did not start")
            time.sleep(random.uniform(0.05, 0.6))
            p.kill()
            p.wait()
            with open(os.path.join(root, "site.txt"), "rb") as f:
                now = f.read()
            versions = []
            for n in (0, 1):
                with open(os.path.join(root, "expect-%d" % n), "rb") as f:
                    versions.append(f.read())
            expect(now in versions, "site.txt is not one whole version after a kill")
            res.add(True, time.time() - start)
        left = sum(n.startswith(".zvtmp") for n in os.listdir(root))
        res.checks += " (%d temporary files left)" % left
    except Failure as e:
        res.add(False, 0.0, "kill during the %s save: %s (kept in %s)" % (mode, e, root))
        return
    if not KEEP_ALL:
        shutil.rmtree(root, ignore_errors=True)


def concurrent_runs(app, tmp, rounds, users, each, res, bound):
    """Two programs polling two sites into one data directory at once (as two accounts' cron
    jobs would; here one account with two runtime directories, so that the one-instance lock
    lets both run): every punch once, every new user kept, a log of each run."""
    for rnd in range(rounds):
        inst = Install(app, "concurrent", tmp)
        try:
            addrs = {"11": inst.addr, "12": next_address()}
            sites, clocks, want, ids = "", "", 0, set()
            for site, addr in addrs.items():
                inst.emu("add-site", "--site", site, "--tcp", addr + ":3001")
                inst.emu("add-reader", "--site", site, "--addr", "1", "--model", "2", "--memory", "1")
                inst.emu("add-user", "--site", site, "--addr", "1", "--user", str(int(site) * 1000),
                         "--count", str(users))
                for u in range(users):
                    uid = int(site) * 1000 + u
                    ids.add(uid)
                    inst.emu("add-punch", "--site", site, "--addr", "1", "--user", str(uid),
                             "--time", PUNCH_START.strftime("%Y-%m-%d %H:%M"), "--count", str(each))
                    want += each
                sites += "%s, , , , , , 0, %s, concurrent\r\n" % (site, addr)
                clocks += "%s, 1\r\n" % site
            inst.write("site.txt", ".site\r\n" + sites)
            inst.write("clock.txt", ".site clock\r\n" + clocks)
            with open(os.path.join(inst.root, "zorvan32.INI"), "a", newline="") as f:
                f.write("NewUserRestriction=0\r\n")
            inst.serve()
            start = time.time()
            procs = []
            for k, site in enumerate(addrs):
                env = dict(inst.env, ZV_LOCK_WAIT=str(bound))
                run = os.path.join(inst.root, "run%d" % k)
                os.makedirs(run, mode=0o700)
                env["XDG_RUNTIME_DIR"] = run
                procs.append(subprocess.Popen([os.path.join(app, "zorvan32"), "P" + site], env=env,
                                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                              start_new_session=True))
            outs = []
            for p in procs:
                try:
                    outs.append(p.communicate(timeout=2 * bound)[0].decode("latin-1"))
                except subprocess.TimeoutExpired:
                    os.killpg(p.pid, signal.SIGKILL)
                    p.wait()
                    raise Failure("a run outlived %d s" % (2 * bound))
            for p, out in zip(procs, outs):
                # 2 is the documented answer of a run that did not get its turn in time.
                expect(p.returncode == 0 or (p.returncode == 2 and "Not run: the data directory" in out),
                       "a run ended with %d: %s" % (p.returncode, out.strip()[-300:]))
            refused = sum(p.returncode == 2 for p in procs)
            secs = time.time() - start
            inst.stop()
            keys = punch_keys(inst.read("Punch.Log"))
            expect(len(set(keys)) == len(keys), "a punch twice in Punch.Log")
            expect(len(keys) == want or (refused and len(keys) < want),
                   "Punch.Log holds %d punches of %d" % (len(keys), want))
            expect(inst.read(STAMP + ".log") == inst.read("Punch.Log"), "the day's log differs from Punch.Log")
            trans = [l for l in inst.read("trans.dat").split("\r\n")[:-1] if l != "0" * 56]
            expect(len(trans) == len(set(trans)) == len(keys), "trans.dat holds %d lines for %d punches"
                   % (len(trans), len(keys)))
            text_files_whole(inst)
            if not refused:
                for site in addrs:
                    expect(reader_log_count(inst.show(int(site), 1)) == 0, "a reader keeps punches")
                expect(ids <= user_txt_ids(inst), "users missing from user.txt")
                expect({"%010d" % i for i in ids} <= set(store_records(inst)), "users missing from user.idx")
            logs = [n for n in os.listdir(inst.data) if re.fullmatch(r"\d{8}-\d{6}(-\d+)?\.log", n)]
            expect(len(logs) == 2, "%d run logs for two runs" % len(logs))
            res.add(True, secs)
            if refused:
                res.checks += " (a run exited 2)"
        except Failure as e:
            res.add(False, 0.0, "two runs at once: %s (kept in %s)" % (e, inst.root))
            inst.stop()
            continue
        if not KEEP_ALL:
            inst.cleanup()
# --- several lines at once -------------------------------------------------------------------
# The promises again while several lines work at once (`--parallel-lines`): site 1 as in the
# cases above, and beside it sites on lines of their own (loopback addresses, one on a serial
# line), each with a source and a target reader like site 1's.

LINES_PARAM = {"P": "P", "C": "C", "T": "T", "X": "X", "R": "R", "D": "D"}


def add_line_sites(inst, sites, punches, users, serial=True):
    """Sites 2..sites beside site 1: the last on the serial line of COM2 (when `serial`), the
    others each on a loopback address of its own."""
    site_lines, clock_lines = "", ""
    for s in range(2, sites + 1):
        if serial and s == sites:
            inst.emu("add-site", "--site", str(s), "--serial", inst.env["RDRDLL32_COM2"])
            site_lines += "%d, 2, 9600, , , , 0, , line %d\r\n" % (s, s)
        else:
            addr = next_address()
            inst.emu("add-site", "--site", str(s), "--tcp", addr + ":3001")
            site_lines += "%d, , , , , , 0, %s, line %d\r\n" % (s, addr, s)
        finish_readers(inst, punches, users, s)
        clock_lines += "%d, 1, , source\r\n%d, 2, , target\r\n" % (s, s)
    inst.write("site.txt", inst.read("site.txt") + site_lines)
    inst.write("clock.txt", inst.read("clock.txt") + clock_lines)


def punch_keys_by_site(text):
    """punch_keys, each site's apart (in the order they stand)."""
    by_site = {}
    for line, key in zip(text.split("\r\n"), punch_keys(text)):
        by_site.setdefault(int(line.split(",")[0]), []).append(key)
    return by_site


def site_of_error(line):
    m = re.search(r"\bSite (\d+)\b", line)
    return int(m.group(1)) if m else None


def lines_check(inst, op, want, source, sites, complete):
    """check_partial for every site; check_complete's checks for the sites in `complete`.
    `want`: each site's punches, for P."""
    check_files(inst)
    by_site = punch_keys_by_site(inst.read("Punch.Log")) if op == "P" else {}
    log = command_line_log(inst) if op == "X" else ""
    for s in range(1, sites + 1):
        if op == "P":
            keys = set(by_site.get(s, []))
            expect(want[s] <= keys | reader_log_keys(inst.show(s, 1)),
                   "site %d: a punch is neither in Punch.Log nor in the reader" % s)
        elif op in "RD":
            for uid, tmpl in reader_users(inst.show(s, 2)).items():
                expect(source.get(uid) == tmpl, "site %d: clock 2 holds a wrong record for %s" % (s, uid))
        if s not in complete:
            continue
        show = inst.show(s)
        if op == "P":
            expect(want[s] <= keys, "site %d: punches missing" % s)
            expect(reader_log_count(inst.show(s, 1)) == 0, "site %d: the reader keeps punches" % s)
        elif op in "RD":
            expect(reader_users(inst.show(s, 2)) == source, "site %d: clock 2 differs" % s)
        elif op == "C":
            expect(show.count("setup saved yes") == 2, "site %d: a setup was not saved" % s)
        elif op == "T":
            expect("time sent none" not in show, "site %d: a time was not sent" % s)
        elif op == "X":
            expect(all("Site %d, Clock %d: responded." % (s, c) in log for c in (1, 2)),
                   "site %d: a clock did not respond" % s)
        if op == "D":
            expect("idle yes" not in show, "site %d: a reader left idle" % s)


def lines_fault_case(app, tmp, op, fault, args, sizes, prepared, bound, lines):
    """A fault on site 1's line while the other lines are healthy, `lines` lines at once: the
    healthy sites complete and report nothing, site 1 reports or completes, files whole, no
    punch lost; the fault gone, the same run completes, at most one punch doubled."""
    punches, users, sites = sizes["fault_punches"], sizes["fault_users"], sizes["line_sites"]
    if fault.startswith("modem "):
        inst = modem_install(app, tmp, "lines-fault", fault[6:], punches, users)
    else:
        inst = tcp_install(app, tmp, "lines-fault", punches, users, args)
    params = ["--parallel-lines", str(lines), LINES_PARAM[op]]
    try:
        add_line_sites(inst, sites, punches, users)
        want = {s: all_punches(punches) for s in range(1, sites + 1)}
        source = reader_users(inst.show(1, 1))
        if op in "RD":
            prepared.copy_to(inst)
            source = prepared.source
        inst.serve()
        r = inst.run(params, bound)
        inst.stop()
        expect(not r.timed_out, "%s did not end within %d s" % (op, bound))
        errors = inst.errors()
        healthy = set(range(2, sites + 1))
        wrong = [e for e in errors if site_of_error(e) in healthy]
        expect(not wrong, "a healthy line reported: %s" % wrong[:3])
        lines_check(inst, op, want, source, sites, healthy | (set() if errors else {1}))
        seconds = r.seconds
        end_fault(inst, fault, args)
        inst.serve()
        r2 = inst.run(params, bound)
        inst.stop()
        expect(not r2.timed_out, "the run after the fault did not end")
        expect(not inst.errors()[len(errors):], "the run after the fault reported %s" % inst.errors()[len(errors):])
        lines_check(inst, op, want, source, sites, set(range(1, sites + 1)))
        if op == "P":
            for s, keys in punch_keys_by_site(inst.read("Punch.Log")).items():
                expect(len(keys) - len(set(keys)) <= (1 if s == 1 else 0),
                       "site %d: %d punches doubled" % (s, len(keys) - len(set(keys))))
    except Failure as e:
        return False, 0.0, "%s under %s, %d lines: %s (kept in %s)" % (op, fault, lines, e, inst.root)
    finally:
        inst.stop()
    if not KEEP_ALL:
        shutil.rmtree(inst.root, ignore_errors=True)
    return True, seconds, ""


def lines_kill_series(app, tmp, kills, sizes, bound, res, lines):
    """kill -9 at random moments of a poll of several sites, `lines` lines at once, checked
    after each kill; then polled to the end: every punch once, but for at most one second
    copy per line and kill; the users of the punches kept."""
    sites, punches = sizes["line_sites"], sizes["lines_kill_punches"]
    inst = tcp_install(app, tmp, "lines-killP")

    def body():
        add_line_sites(inst, sites, 0, 0)
        enrolled, want = set(), {}
        for s in range(1, sites + 1):
            first = 1000 + 100 * s
            add_users(inst, 1, 10, 10, s, first)
            enrolled |= set(range(first, first + 10))
            want[s] = set()
            for u in list(range(first, first + 10)) + [42]:
                n = punches if u == 42 else max(1, punches // 40)
                inst.emu("add-punch", "--site", str(s), "--addr", "1", "--user", str(u), "--time",
                         PUNCH_START.strftime("%Y-%m-%d %H:%M"), "--count", str(n))
                want[s] |= all_punches(n, "%010d" % u)
        total = sum(len(w) for w in want.values())
        params = ["--parallel-lines", str(lines), "P"]
        inst.serve()
        for _ in range(kills):
            # A random moment after the poll has started, told by the size of Punch.Log.
            target = file_size(inst.path("Punch.Log")) + 95 * (1 + random.randrange(max(1, total // (kills + 1))))
            r = inst.run(params, bound, kill_when=lambda t: file_size(inst.path("Punch.Log")) >= target)
            expect(not r.timed_out, "P did not end")
            lines_check(inst, "P", want, {}, sites, set())
            users_kept(inst, enrolled, True)
            res.add(True, r.seconds)
        before = len(inst.errors())
        r = inst.run(params, bound)
        inst.stop()
        expect(not r.timed_out, "the last P did not end")
        expect(len(inst.errors()) == before, "the last P reported %s" % inst.errors()[before:])
        lines_check(inst, "P", want, {}, sites, set(range(1, sites + 1)))
        for s, keys in punch_keys_by_site(inst.read("Punch.Log")).items():
            expect(len(keys) - len(set(keys)) <= kills, "site %d: %d second copies for %d kills"
                   % (s, len(keys) - len(set(keys)), kills))
        users_kept(inst, enrolled, False)
        return r.seconds
    one_case(inst, res, "kill during P, %d lines" % lines, body)


def lines_kill_restore(app, tmp, op, kills, sizes, prepared, bound, res, lines):
    """kill -9 at random moments of R or D to every site's readers, `lines` lines at once:
    after each kill every target reader holds only the right records; the last run completes
    on every site and leaves no reader idle."""
    sites = sizes["line_sites"]
    inst = tcp_install(app, tmp, "lines-kill" + op)

    def body():
        add_line_sites(inst, sites, 0, 0)
        prepared.copy_to(inst)
        params = ["--parallel-lines", str(lines), op]
        inst.serve()
        # How long a whole run takes, measured on a first run.
        r = inst.run(params, bound)
        expect(not r.timed_out and not inst.errors(), "a clean %s reported %s" % (op, inst.errors()))
        length = max(r.seconds - 1.0, 0.3)  # less the pause after the parameter
        for _ in range(kills):
            moment = random.uniform(0.05, length * 1.1)
            r = inst.run(params, bound, kill_when=lambda t: t >= moment)
            expect(not r.timed_out, "%s did not end" % op)
            lines_check(inst, op, {}, prepared.source, sites, set())
            res.add(True, r.seconds)
        r = inst.run(params, bound)
        inst.stop()
        expect(not r.timed_out and not inst.errors(), "the last %s reported %s" % (op, inst.errors()))
        lines_check(inst, op, {}, prepared.source, sites, set(range(1, sites + 1)))
        expect("idle yes" not in "".join(inst.show(s) for s in range(1, sites + 1)), op + " left a reader idle")
        return r.seconds
    one_case(inst, res, "kill during %s, %d lines" % (op, lines), body)


def lines_power_cut(app, tmp, sizes, per_moment, res, bound, seed, lines):
    """A poll of several sites, `lines` lines at once (all on loopback addresses: a request
    over a serial line is not recorded), recorded call by call, and every moment of it cut."""
    import powercut
    sites, punches = sizes["line_sites"], sizes["cut_punches"]
    inst = tcp_install(app, tmp, "lines-cut", punches)

    def body():
        add_line_sites(inst, sites, punches, 0, serial=False)
        inst.write("Punch.Log", "")
        inst.write("zv.cfg", "")
        inst.write("group.txt", "")
        inst.serve()
        before = powercut.snapshot(inst.data)
        log = os.path.join(inst.root, "calls.rec")
        r = inst.run(["--parallel-lines", str(lines), "P"], bound, env=io_env(app, inst.data, log=log))
        expect(r.rc == 0, "the recorded run ended with %s" % r.rc)
        inst.stop()
        record = powercut.parse(log)
        expect(len({rest.split(" ")[-1] for kind, rest in record if kind == "X"}) > 1,
               "the requests came from one thread: no lines at once")
        checked, broken = powercut.check_record(record, inst.data, before, per_moment, seed)
        res.states = getattr(res, "states", 0) + checked
        expect(not broken, "%d states, broken: %s" % (checked, "; ".join(broken)))
        return r.seconds
    one_case(inst, res, "power cut during P, %d lines" % lines, body)


def lines_full_disk(app, tmp, sizes, res, bound, lines):
    """A file size limit that Punch.Log outgrows while several lines poll at once: failure
    lines, whole files, nothing lost; without the limit the next poll completes, each line
    doubling at most one punch."""
    sites, punches = sizes["line_sites"], sizes["disk_punches"]
    inst = tcp_install(app, tmp, "lines-disk", punches)

    def body():
        add_line_sites(inst, sites, punches, 0)
        want = {s: all_punches(punches) for s in range(1, sites + 1)}
        inst.serve()
        limit = 95 * random.randrange(sites * punches // 4, sites * punches * 3 // 4) + random.randrange(95)
        params = ["--parallel-lines", str(lines), "P"]
        r = inst.run(params, bound, fsize=limit)
        expect(not r.timed_out, "P on a full disk did not end")
        errors = inst.errors()
        expect(errors, "P on a full disk reported nothing")
        expect(r.rc != 0, "P on a full disk ended with status 0")
        lines_check(inst, "P", want, {}, sites, set())
        r = inst.run(params, bound)
        inst.stop()
        expect(len(inst.errors()) == len(errors), "P after the full disk reported %s" % inst.errors()[len(errors):])
        lines_check(inst, "P", want, {}, sites, set(range(1, sites + 1)))
        for s, keys in punch_keys_by_site(inst.read("Punch.Log")).items():
            expect(len(keys) - len(set(keys)) <= 1, "site %d: %d punches doubled by a full disk"
                   % (s, len(keys) - len(set(keys))))
        return r.seconds
    one_case(inst, res, "full disk during P, %d lines" % lines, body)


def one_case(inst, res, what, body):
    """Runs body() (answers the seconds of its last run) as one try of res; the tree goes
    unless the try failed or --keep was given."""
    try:
        res.add(True, body())
    except Failure as e:
        res.add(False, 0.0, "%s: %s (kept in %s)" % (what, e, inst.root))
        return
    finally:
        inst.stop()
    if not KEEP_ALL:
        shutil.rmtree(inst.root, ignore_errors=True)


def nul_in_user_txt(app, tmp, ops, sizes, res, bound):
    """user.txt with a NUL in line 10 (a power cut's block of zeros): P and G must not save it
    over the file, the users P saw wait in user.txt.added, and once the file is mended the same
    operations complete."""
    for op in ops:
        inst = tcp_install(app, tmp, "nul-" + op, punches=5, users=sizes["fault_users"] if op == "G" else 0)

        def body(op=op, inst=inst):
            # The reader knows the punching user, so a poll adds it to user.txt.
            inst.emu("add-user", "--site", "1", "--addr", "1", "--user", "42", "--template", template_of(42))
            known = list(range(1000, 1000 + max(20, sizes["fault_users"])))
            whole = user_txt(known)
            lines = whole.split("\r\n")
            damaged = "\r\n".join(lines[:9]) + "\r\n" + "\0" * 64 + "\r\n".join(lines[9:])
            inst.write("user.txt", damaged)
            inst.serve()
            r = inst.run([PARAM[op]], bound)
            inst.stop()
            expect(not r.timed_out, op + " did not end")
            expect(r.rc == 2, "%s on a user.txt read short ended with status %s, not 2" % (op, r.rc))
            expect(inst.read("user.txt") == damaged, "user.txt was saved over after a NUL")
            expect(any("not saved over" in e for e in inst.errors()), "no failure line names user.txt")
            if op == "P":
                expect(set(punch_keys(inst.read("Punch.Log"))) >= all_punches(5), "punches missing")
                added = inst.read("user.txt.added")
                expect(re.search(r"^ +42,", added, re.M), "the user P saw is not in user.txt.added")
                # Mended as docs/data-files.md says: the NULs out, the kept lines appended.
                inst.write("user.txt", whole + added)
                os.unlink(inst.path("user.txt.added"))
            else:
                inst.write("user.txt", whole)
            inst.serve()
            r = inst.run([PARAM[op]], bound)
            inst.stop()
            expect(r.rc == 0, "%s after the mend ended with status %s" % (op, r.rc))
            if op == "P":
                expect(42 in user_txt_ids(inst), "user 42 lost after the mend")
            check_files(inst)
            return r.seconds
        one_case(inst, res, "NUL in user.txt during " + op, body)


# The data file each operation needs beyond site.txt and clock.txt, as a directory or a FIFO.
UNREADABLE = [("site.txt", "P"), ("clock.txt", "X"), ("user.txt", "P"), ("user.txt", "G"),
              ("zv.cfg", "C"), ("group.txt", "R"), ("user.txt", "D")]


def unreadable_files(app, tmp, ops, short, res, bound):
    """A data file that exists but cannot be read (a directory, a FIFO nobody writes to): the
    operation that needs it ends at once with status 2, a failure line naming the file, and no
    reader contacted; it is never taken as empty."""
    kinds = ("directory", "FIFO")
    for i, (name, op) in enumerate(u for u in UNREADABLE if u[1] in ops):
        for kind in (kinds[i % 2],) if short else kinds:
            inst = tcp_install(app, tmp, "unread", punches=3, users=5)

            def body(name=name, op=op, kind=kind, inst=inst):
                if os.path.exists(inst.path(name)):
                    os.unlink(inst.path(name))
                if kind == "directory":
                    os.mkdir(inst.path(name))
                else:
                    os.mkfifo(inst.path(name))
                before = reader_log_count(inst.show(1, 1))
                inst.serve()
                r = inst.run([PARAM[op]], bound)
                inst.stop()
                expect(not r.timed_out, "%s hung on %s as a %s" % (op, name, kind))
                expect(r.rc == 2, "%s with %s a %s ended with status %s, not 2" % (op, name, kind, r.rc))
                expect(any("Cannot read %s" % inst.path(name) in e for e in inst.errors()),
                       "no failure line names %s" % name)
                expect(reader_log_count(inst.show(1, 1)) == before, "the reader was polled")
                expect("Site 1, Clock" not in command_line_log(inst), "a reader was contacted")
                return r.seconds
            one_case(inst, res, "%s a %s, %s" % (name, kind, op), body)


def nothing_selected(app, tmp, ops, res, bound):
    """No site in site.txt (a fresh data directory under the wrong account): every operation
    ends with status 1 and a failure line, never with 0."""
    inst = Install(app, "empty", tmp)
    inst.write("site.txt", ".site\r\n")
    for op in ops:
        def body(op=op):
            r = inst.run([op], bound)
            expect(r.rc == 1, "%s with no site ended with status %s, not 1" % (op, r.rc))
            expect(inst.errors() and "No readers selected" in inst.errors()[-1],
                   "%s wrote no failure line" % op)
            return r.seconds
        try:
            res.add(True, body())
        except Failure as e:
            res.add(False, 0.0, "no site, %s: %s (kept in %s)" % (op, e, inst.root))
    if not KEEP_ALL and res.held == res.tried:
        shutil.rmtree(inst.root, ignore_errors=True)


# --- injected I/O failures and power cuts ----------------------------------------------------
# The subjects: every reader operation and every kind of data-file save, each in a small
# installation of its own, run once under libzviotrace.so (tests/iotrace), which records the
# data directory's file calls and fails the k-th on demand, or under fiu-run.

IO_SUBJECTS = ["P", "G", "F", "R", "D", "C", "T", "X", "editor", "list"]
IO_OLD_USERS = list(range(1000, 1010))
# The calls whose failure loses a change: the run must not end as a success after one.
IO_MUST_REPORT = ("write", "pwrite", "fsync", "fdatasync", "rename", "ftruncate", "mkstemp")


class IoSubject:
    """One installation ready for one run of `what`, and the judgement of its files after."""

    def __init__(self, app, tmp, what, sizes, prepared):
        self.what = what
        self.app = app
        self.punches = sizes["io_punches"] if what == "P" else 0
        users = sizes["io_users"] if what in ("G", "F") else 0
        self.inst = tcp_install(app, tmp, "io" + what, self.punches, users)
        inst = self.inst
        self.source = {}
        if what == "P":
            # The reader knows the punching user: the poll adds it to user.txt and saves it.
            inst.emu("add-user", "--site", "1", "--addr", "1", "--user", "42", "--template", template_of(42))
            inst.write("user.txt", user_txt(IO_OLD_USERS))
        # The defaults a start writes when these are missing are not the run's work.
        inst.write("zv.cfg", "")
        inst.write("group.txt", "")
        if what in ("editor", "list"):
            lines = [".site  port  baud  init    dial      phone     tza     ipaddress     description"]
            lines += ["%5d,     ,     ,      ,       ,            ,   0,       127.0.0.2, Site %d" % (i, i)
                      for i in range(1, 60)]
            inst.write("site.txt", "\r\n".join(lines) + "\r\n")
            r = inst.run([what, inst.data, "0"], 60, exe="zvsaveloop")
            expect(r.rc == 0, "zvsaveloop could not prepare (status %s)" % r.rc)
            self.forms = [inst.read("expect-%d" % n, "rb") for n in (0, 1)]
        if what in ("G", "F"):
            self.source = reader_users(inst.show(1, 1))
        elif what in ("R", "D"):
            self.source = prepared.source
            prepared.copy_to(inst)
        if what not in ("editor", "list"):
            inst.serve()

    def run(self, bound, wrap=(), env=None):
        inst = self.inst
        self.errors_before = len(inst.errors())
        if self.what in ("editor", "list"):
            return inst.run([self.what, inst.data, "1"], bound, wrap=wrap, env=env, exe="zvsaveloop")
        return inst.run([PARAM[self.what]], bound, wrap=wrap, env=env)

    def judge(self, r, failed_call=None):
        """After a run with a fault injected: no crash, no hang, files whole, nothing lost, and a
        run that reports success did all of its work. `failed_call`: the call that failed for
        good (an interrupted call is tried again and need not be reported)."""
        inst, what = self.inst, self.what
        expect(not r.timed_out, "did not end")
        expect(r.rc >= 0, "crashed (signal %d)" % -r.rc if r.rc < 0 else "")
        if what in ("editor", "list"):
            now = inst.read("site.txt", "rb")
            expect(now in self.forms, "site.txt is neither the old nor the new one")
            # 2: zvsaveloop could not read the two forms it saves; nothing was saved.
            expect(r.rc in (0, 1, 2), "ended with status %d" % r.rc)
            if r.rc == 0:
                expect(now == self.forms[0], "the save succeeded, yet site.txt is the old one")
            if failed_call in IO_MUST_REPORT:
                expect(r.rc != 0, "a failed %s passed for a successful save" % failed_call)
            return
        inst.stop()
        check_partial(inst, what, self.punches, self.source)
        if what == "P":
            expect(user_txt_ids(inst) in (set(IO_OLD_USERS), set(IO_OLD_USERS) | {42}),
                   "user.txt is neither the old nor the new one")
        new_errors = inst.errors()[self.errors_before:]
        try:
            check_complete(inst, what, self.punches, self.source)
            if what == "P":
                expect(42 in user_txt_ids(inst), "the poll's new user is not in user.txt")
            complete = True
        except Failure as e:
            complete = False
            incomplete = str(e)
        with open(os.path.join(inst.root, "out.txt"), errors="replace") as f:
            out = f.read()
        if r.rc == 0:
            expect(not new_errors, "status 0, yet failure lines in Error.Log")
            expect(complete, "status 0, yet the work is not done: " + (incomplete if not complete else ""))
            expect(failed_call not in IO_MUST_REPORT,
                   "a failed %s passed for success (status 0)" % failed_call)
        else:
            expect(new_errors or out.strip(), "status %d without a word" % r.rc)

    def cleanup(self):
        self.inst.stop()
        if not KEEP_ALL:
            shutil.rmtree(self.inst.root, ignore_errors=True)


def io_try(app, tmp, what, sizes, prepared, res, bound, failed, env_of, wrap=()):
    """One run of the subject with a fault injected, judged. failed(subject) answers the call
    that failed for good (or None) and how to name the try."""
    subj = None
    try:
        subj = IoSubject(app, tmp, what, sizes, prepared)
        r = subj.run(bound, wrap=wrap, env=env_of(subj))
        call, label = failed(subj)
        try:
            subj.judge(r, call)
        except Failure as e:
            raise Failure("%s: %s" % (label, e))
        res.add(True, r.seconds)
    except Failure as e:
        res.add(False, 0.0, "%s (kept in %s)" % (e, subj.inst.root if subj else tmp))
        if subj:
            subj.inst.stop()
        return
    subj.cleanup()


# Failures that once passed unreported, each tried on its own: (subject, call, path part).
IO_TARGETS = [("R", "pread", "user.dat"), ("D", "pread", "user.dat"), ("list", "fsync", "/data"),
              ("editor", "fsync", "/data"), ("P", "fsync", "/data"), ("P", "fdatasync", "Punch.Log"),
              ("G", "fdatasync", "user.dat"), ("F", "fdatasync", "user.idx")]


def io_targets(app, tmp, sizes, prepared, res, bound):
    for what, call, part in IO_TARGETS:
        io_try(app, tmp, what, sizes, prepared, res, bound,
               lambda subj, what=what, call=call, part=part:
                   (call, "%s with the first %s of %s failing" % (what, call, part)),
               lambda subj, call=call, part=part:
                   dict(io_env(app, subj.inst.data), ZV_IO_FAIL_CALL=call, ZV_IO_FAIL_PATH=part))

def io_env(app, data, log=None, fail_at=None, err=5):
    env = {"LD_PRELOAD": os.path.join(app, "libzviotrace.so"), "ZV_IO_DIR": data}
    if log:
        env["ZV_IO_LOG"] = log
    if fail_at:
        env.update({"ZV_IO_FAIL_AT": str(fail_at), "ZV_IO_FAIL_ERRNO": str(err)})
    return env


def failed_call_of(log):
    try:
        with open(log) as f:
            for line in f:
                if line.startswith("F "):
                    return line.split()[2], line.split(" ", 3)[3].strip()
    except FileNotFoundError:
        pass
    return None, ""


def io_sweep(app, tmp, what, sizes, prepared, picks, res, bound, seed):
    """Fails the k-th watched call of one run, for every k (or `picks` of them, the same for
    the same seed), each in a fresh installation; EIO, ENOSPC and EINTR in turn."""
    try:
        subj = IoSubject(app, tmp, what, sizes, prepared)
        log = os.path.join(subj.inst.root, "calls.rec")
        r = subj.run(bound, env=io_env(app, subj.inst.data, log=log))
        subj.inst.stop()
        expect(r.rc == 0, "the run without faults ended with %d" % r.rc)
        with open(log) as f:
            calls = sum(1 for line in f if line.startswith("C "))
        subj.cleanup()
    except Failure as e:
        res.add(False, 0.0, "%s without faults: %s" % (what, e))
        return
    ks = list(range(1, calls + 1))
    if picks and len(ks) > picks:
        ks = sorted(random.Random("%d %s" % (seed, what)).sample(ks, picks))
    res.calls = max(getattr(res, "calls", 0), calls)
    for i, k in enumerate(ks):
        err = (5, 28, 4)[i % 3]  # EIO, ENOSPC, EINTR

        def failed(subj, k=k, err=err):
            call, path = failed_call_of(os.path.join(subj.inst.root, "calls.rec"))
            # An interrupted call is tried again: it need not be reported.
            return (call if err != 4 else None), "%s failing call %d (%s %s, errno %d)" % (what, k, call, path, err)
        io_try(app, tmp, what, sizes, prepared, res, bound, failed,
               lambda subj, k=k, err=err: io_env(app, subj.inst.data, os.path.join(subj.inst.root, "calls.rec"), k, err))


FIU_POINTS = ["posix/io/oc/*", "posix/io/rw/*", "posix/io/sync/*", "posix/io/dir/rename",
              "posix/io/dir/unlink"]


def io_random(app, tmp, what, sizes, prepared, probability, seeds, res, bound):
    """The run under fiu-run, every posix I/O failure point enabled at random with the given
    probability, one run per fixed seed."""
    wrap = ["fiu-run", "-x", "-f", ""]
    for point in FIU_POINTS:
        wrap += ["-c", "enable_random name=%s,probability=%g" % (point, probability)]
    for seed in seeds:
        io_try(app, tmp, what, sizes, prepared, res, bound,
               lambda subj, seed=seed: (None, "%s under fiu p=%g seed %d" % (what, probability, seed)),
               lambda subj, seed=seed: {"FIU_PRNG_SEED": str(seed)}, wrap)

def power_cuts(app, tmp, what, sizes, prepared, per_moment, res, bound, seed, fresh=False):
    """A run recorded, then every moment of it cut: each state a power cut could leave is
    checked (scripts/powercut.py). `fresh`: a poll that creates Punch.Log and its companions."""
    import powercut
    subj = None
    try:
        subj = IoSubject(app, tmp, what, sizes, prepared)
        inst = subj.inst
        if what == "P" and not fresh:
            # Punch.Log exists: its appends, not only its creation, are tried.
            inst.write("Punch.Log", "")
        before = powercut.snapshot(inst.data)
        log = os.path.join(inst.root, "calls.rec")
        r = subj.run(bound, env=io_env(app, inst.data, log=log))
        expect(r.rc == 0, "the recorded run ended with %d" % r.rc)
        inst.stop()
        checked, broken = powercut.check_record(powercut.parse(log), inst.data, before, per_moment, seed)
        res.states = getattr(res, "states", 0) + checked
        expect(not broken, "%d states, broken: %s" % (checked, "; ".join(broken)))
        res.add(True, r.seconds)
    except Failure as e:
        res.add(False, 0.0, "power cut during %s: %s (kept in %s)" % (what, e, subj.inst.root if subj else tmp))
        return
    subj.cleanup()


def start_io_families(app, tmp, a, sizes, prepared, pool, futures, seed):
    """Queues the injected I/O failures and the power cuts of every subject the --ops allow;
    answers their table rows."""
    rows = []
    subjects = [w for w in IO_SUBJECTS if len(w) > 1 or w in a.ops]
    bound = 60
    for what in subjects:
        label = {"editor": "the editor's save", "list": "a dialog's save",
                 "P": "P (and its user.txt save)"}.get(what, what)
        res = Result("I/O fault", "call k of %s failed, %s" % (label, "every k" if not sizes["io_picks"]
                     else "%d k at random" % sizes["io_picks"]),
                     "no crash or hang; files whole; nothing lost; success only when all done")
        rows.append(res)
        futures.append(pool.submit(io_sweep, app, tmp, what, sizes, prepared, sizes["io_picks"], res, bound,
                                   seed))
    res = Result("I/O fault", "a failure once passed unreported, each",
                 "; ".join("%s: %s %s" % t for t in IO_TARGETS))
    rows.append(res)
    futures.append(pool.submit(io_targets, app, tmp, sizes, prepared, res, bound))
    if shutil.which("fiu-run"):
        for p in sizes["io_probabilities"]:
            for what in subjects:
                res = Result("fiu-run", "%s, posix I/O failing at p=%g" % (what, p),
                             "the same (seeds %s)" % ",".join(map(str, sizes["io_seeds"])))
                rows.append(res)
                futures.append(pool.submit(io_random, app, tmp, what, sizes, prepared, p,
                                           sizes["io_seeds"], res, bound))
    else:
        print("reliability: fiu-run is not installed (fiu-utils): its random I/O failures are left out")
    cut_sizes = dict(sizes, io_punches=sizes["cut_punches"], io_users=sizes["cut_users"])
    for what, fresh in [(w, f) for w, f in (("P", True), ("P", False), ("G", False), ("F", False),
                                            ("editor", False), ("list", False)) if w in subjects]:
        res = Result("power cut", "every moment of %s%s" % (what, " (new Punch.Log)" if fresh else ""),
                     "punches confirmed kept; user.idx names written records; files whole")
        rows.append(res)
        futures.append(pool.submit(power_cuts, app, tmp, what, cut_sizes, prepared, sizes["cut_states"],
                                   res, 120, seed, fresh))
    return rows


KEEP_ALL = False


def print_matrix(faults, ops, cells):
    print("%-20s" % "fault" + "".join("%10s" % op for op in ops))
    for name, _ in faults:
        row = "%-20s" % name
        for op in ops:
            c = cells[(name, op)]
            row += "%10s" % ("%d/%d %3.0fs" % (c.held, c.tried, c.seconds) if c.held == c.tried
                             else "FAIL %d/%d" % (c.held, c.tried))
        print(row)


def main():
    global KEEP_ALL
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("build", nargs="?", default="build/dev")
    ap.add_argument("--short", action="store_true", help="small sizes and fewer tries, for CI")
    ap.add_argument("--jobs", type=int, default=4)
    ap.add_argument("--seed", type=int, default=None)
    ap.add_argument("--keep", action="store_true", help="keep every case's tree")
    ap.add_argument("--ops", default="PCTGFRDX", help="only these operations (letters)")
    ap.add_argument("--faults", default=None, help="only the faults matching this regular expression "
                    "(and no kills or full disks)")
    ap.add_argument("--io-only", action="store_true",
                    help="only the injected I/O failures and the power cuts")
    ap.add_argument("--lines", type=int, default=4,
                    help="lines at once in the several-lines cases (--parallel-lines); 0 leaves them out")
    a = ap.parse_args()
    KEEP_ALL = a.keep
    seed = a.seed if a.seed is not None else random.randrange(1 << 30)
    random.seed(seed)
    app = os.path.join(ROOT, a.build, "app") if not os.path.isabs(a.build) else os.path.join(a.build, "app")
    for exe in ("zorvan32", "rdremu"):
        if not os.access(os.path.join(app, exe), os.X_OK):
            sys.exit("reliability: %s/%s is not built" % (app, exe))
    if a.short:
        sizes = dict(kill_punches=600, kill_users=300, fault_punches=20, fault_users=60,
                     disk_punches=200, disk_users=200, save_users=20000, io_punches=5, io_users=5,
                     cut_punches=30, cut_users=20, io_picks=4, io_seeds=[1], io_probabilities=[0.02],
                     cut_states=8, line_sites=4, lines_kill_punches=150)
        kills = {"P": 3, "G": 2, "F": 2, "R": 2, "D": 2, "S": 3, "L": 5}
        repeats = 1
    else:
        sizes = dict(kill_punches=5000, kill_users=3000, fault_punches=60, fault_users=160,
                     disk_punches=1000, disk_users=1000, save_users=50000, io_punches=5, io_users=5,
                     cut_punches=150, cut_users=80, io_picks=0, io_seeds=[1, 2, 3],
                     io_probabilities=[0.005, 0.02, 0.1], cut_states=48, line_sites=6,
                     lines_kill_punches=1500)
        kills = {"P": 10, "G": 5, "F": 6, "R": 5, "D": 5, "S": 8, "L": 10}
        repeats = 2
    faults = [("drop", ["--drop-after", "6"]), ("corrupt", ["--corrupt-every", "4"]),
              ("garbage", ["--garbage", "9"]), ("delay", ["--delay-ms", "60"]),
              ("mute", ["--mute-after", "5"]),
              ("modem BUSY", []), ("modem NO CARRIER", []), ("modem SILENT", [])]
    if not a.short:
        faults[5:5] = [("drop early", ["--drop-after", "1"]), ("corrupt all", ["--corrupt-every", "1"]),
                       ("delay past timeout", ["--delay-ms", "1500"]), ("mute at once", ["--mute-after", "1"])]
        faults += [("modem NO DIALTONE", []), ("modem NO ANSWER", []), ("modem ERROR", [])]
    bound = 60 if a.short else 120
    # Against several lines: the faults of a line (site 1's), beside healthy lines.
    line_faults = [f for f in faults if f[0] in ("drop", "mute", "modem NO CARRIER")] if a.short else faults
    if a.faults:
        faults = [f for f in faults if re.search(a.faults, f[0])]
        line_faults = [f for f in line_faults if re.search(a.faults, f[0])]
    if a.io_only:
        faults = []
    if a.io_only or a.lines <= 0:
        line_faults = []
    others = not a.faults and not a.io_only

    tmp = tempfile.mkdtemp(prefix="zvrel-")
    started = time.time()
    print("reliability: %s, seed %d, trees under %s" % ("short" if a.short else "full", seed, tmp), flush=True)
    prepared = Prepared(app, tmp, sizes["fault_users"])
    prepared_kill = Prepared(app, tmp, sizes["kill_users"]) if sizes["kill_users"] != sizes["fault_users"] else prepared

    results = []
    kill_checks = {
        "P": "every punch in Punch.Log or still in the reader; at most one second copy a kill; "
             "its user in user.txt (or pending) after each kill",
        "G": "user.txt whole after each kill; all users after the last run",
        "F": "every user.idx line names its record; records as the reader holds them",
        "R": "the target reader holds only the right records; all after the last run",
        "D": "the same, and the reader out of idle mode after the last run"}
    pool = concurrent.futures.ThreadPoolExecutor(a.jobs)
    futures = []
    for op in [o for o in "PFGRD" if o in a.ops and others]:
        res = Result("kill -9", "during %s%s" % (op, " (and its user.txt save)" if op in "PG" else
                                                   " (user.idx, user.dat)" if op == "F" else ""),
                     kill_checks[op])
        results.append(res)
        futures.append(pool.submit(kill_series, app, tmp, op, kills[op], sizes, prepared_kill, bound, res))
    if "P" in a.ops and others:
        res = Result("kill -9", "during P's save of user.txt (%d users)" % sizes["save_users"],
                     "user.txt the old or the new one, whole")
        results.append(res)
        futures.append(pool.submit(kill_during_save, app, tmp, kills["S"], sizes, res, bound))
    if others and os.access(os.path.join(app, "zvsaveloop"), os.X_OK):
        for mode, what in (("editor", "the editor's save of site.txt"), ("list", "a dialog's save of site.txt")):
            res = Result("kill -9", "during " + what, "site.txt one whole version")
            results.append(res)
            futures.append(pool.submit(kill_during_window_save, app, tmp, mode, kills["S"], res))
    for op in [o for o in "RD" if o in a.ops and others and a.lines > 0]:
        res = Result("kill -9", "during %s, %d sites, %d lines at once" % (op, sizes["line_sites"], a.lines),
                     "every target reader holds only the right records; all after the last run, "
                     "none idle")
        results.append(res)
        futures.append(pool.submit(lines_kill_restore, app, tmp, op, kills[op], sizes, prepared_kill, bound,
                                   res, a.lines))
    if "P" in a.ops and others and a.lines > 0:
        res = Result("kill -9", "during P, %d sites, %d lines at once" % (sizes["line_sites"], a.lines),
                     "each site: every punch in Punch.Log or still in its reader; at the end all, "
                     "second copies no more than the kills; users as for P")
        results.append(res)
        futures.append(pool.submit(lines_kill_series, app, tmp, kills["L"], sizes, bound, res, a.lines))
        res = Result("full disk", "during P, %d sites, %d lines at once" % (sizes["line_sites"], a.lines),
                     "failure lines; each site's punches kept or in its reader; the next run "
                     "completes, each line doubling at most one")
        results.append(res)
        futures.append(pool.submit(lines_full_disk, app, tmp, sizes, res, bound, a.lines))
    if "P" in a.ops and not a.faults and a.lines > 1 and os.access(os.path.join(app, "libzviotrace.so"), os.R_OK):
        res = Result("power cut", "every moment of P, %d lines at once" % a.lines,
                     "each line's requested punches kept (a sync covers what was written before "
                     "it began); files whole")
        results.append(res)
        futures.append(pool.submit(lines_power_cut, app, tmp, sizes, sizes["cut_states"], res, 120, seed, a.lines))
    if "P" in a.ops and others:
        res = Result("two runs", "polling two sites into one data directory",
                     "each punch once; every user kept; a log of each run")
        results.append(res)
        futures.append(pool.submit(concurrent_runs, app, tmp, 1 if a.short else 3,
                                   20 if a.short else 60, 15 if a.short else 25, res, bound))
    for op in [o for o in "PSFG" if (o in a.ops or (o == "S" and "P" in a.ops)) and others]:
        res = Result("full disk", "during %s" % {"P": "a poll (Punch.Log)", "F": "F (user.dat)",
                                                  "G": "G (user.dat)", "S": "P's save of user.txt"}[op],
                     "a failure line; nothing lost; old files kept; the next run completes")
        results.append(res)
        futures.append(pool.submit(full_disk, app, tmp, op, sizes, res, bound))
    if others:
        res = Result("damaged", "NUL in user.txt during %s" % ", ".join(o for o in "PG" if o in a.ops),
                     "status 2; user.txt not saved over; new users in user.txt.added; mended, completes")
        results.append(res)
        futures.append(pool.submit(nul_in_user_txt, app, tmp, [o for o in "PG" if o in a.ops], sizes, res, bound))
        res = Result("damaged", "a data file a directory or a FIFO",
                     "status 2 at once; failure line names it; no reader contacted")
        results.append(res)
        futures.append(pool.submit(unreadable_files, app, tmp, a.ops, a.short, res, bound))
        res = Result("damaged", "no site in site.txt", "status 1 and a failure line")
        results.append(res)
        futures.append(pool.submit(nothing_selected, app, tmp,
                                   [o for o in (OPS if not a.short else "PCR") if o in a.ops], res, bound))
    for op in [o for o in "PF" if o in a.ops and others]:
        res = Result("lying", "reader whose %s never end%s (128K)" % (("log", "s") if op == "P" else ("banks", "")),
                     "%s stops at what the memory holds; a failure line; status 1; nothing lost" % op)
        results.append(res)
        futures.append(pool.submit(endless_reader, app, tmp, op, res, bound))
    io_results = []
    if not a.faults and os.access(os.path.join(app, "libzviotrace.so"), os.R_OK):
        io_results = start_io_families(app, tmp, a, sizes, prepared, pool, futures, seed)
    results += io_results
    matrix = {}
    for name, args in faults:
        for op in [o for o in OPS if o in a.ops]:
            cell = Result("fault", name, "")
            matrix[(name, op)] = cell
            for _ in range(repeats):
                def one(op=op, name=name, args=args, cell=cell):
                    ok, secs, why = fault_case(app, tmp, op, name, args, sizes, prepared, bound)
                    cell.add(ok, secs, why)
                futures.append(pool.submit(one))
    line_matrix = {}
    line_ops = [o for o in LINES_PARAM if o in a.ops]
    for name, args in line_faults:
        for op in line_ops:
            cell = Result("fault", name, "")
            line_matrix[(name, op)] = cell

            def one(op=op, name=name, args=args, cell=cell):
                ok, secs, why = lines_fault_case(app, tmp, op, name, args, sizes, prepared, bound, a.lines)
                cell.add(ok, secs, why)
            futures.append(pool.submit(one))
    for f in futures:
        f.result()
    pool.shutdown()

    print()
    print("%-10s %-44s %5s %5s  %s" % ("family", "what was tried", "tried", "held", "what held"))
    for r in results:
        extra = (" (%d states)" % r.states if getattr(r, "states", 0) else
                 " (of %d calls)" % r.calls if getattr(r, "calls", 0) else "")
        print("%-10s %-44s %5d %5d  %s%s" % (r.family, r.what, r.tried, r.held, r.checks, extra))
    states = sum(getattr(r, "states", 0) for r in results)
    if states:
        print("power-cut states checked: %d" % states)
    print()
    print("faults against operations (held/tried, longest run in seconds); each: ends within %d s,"
          % bound)
    print("a failure is reported or the work is complete, files whole, no punch lost, and the")
    print("same operation completes once the fault is gone")
    print_matrix(faults, [o for o in OPS if o in a.ops], matrix)
    if line_faults:
        print()
        print("the same, %d lines at once (--parallel-lines %d): the fault on site 1's line, %d healthy"
              % (a.lines, a.lines, sizes["line_sites"] - 1))
        print("sites beside it (TCP, one on a serial line) complete and report nothing")
        print_matrix(line_faults, line_ops, line_matrix)
    cells = list(matrix.values()) + list(line_matrix.values())
    failures = [w for r in results for w in r.failures] + [w for c in cells for w in c.failures]
    tried = sum(r.tried for r in results) + sum(c.tried for c in cells)
    print()
    print("reliability: %d tried, %d failed, %.0f s (seed %d)" % (tried, len(failures), time.time() - started, seed))
    for w in failures:
        print("  FAILED: " + w)
    if not failures and not KEEP_ALL:
        shutil.rmtree(tmp, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
