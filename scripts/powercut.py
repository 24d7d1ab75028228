#!/usr/bin/env python3
"""The file states a power cut could leave, rebuilt from a record of a run's file calls.

The record is written by the preload library libzviotrace.so (tests/iotrace/zviotrace.c):
writes with their offsets and bytes, syncs of files and of the directory, creations, renames,
unlinks, and each request sent to a reader. After a power cut a file keeps what was synced,
plus any prefix of the writes made since; a name keeps the file it had when the directory was
last synced. From every moment of the record the states are built and checked:

- Punch.Log holds, whole, every punch written before a later request went to a reader (the
  request confirms the punch, and the reader gives it up); with several threads (lines at
  once) a request confirms the punches its own thread wrote, and a sync covers what was
  written before it began;
- every user.idx line that names an id names a record written for that id in user.dat;
- a file saved whole is one of the forms it had (before the run, or as renamed into place),
  and no file that was there before the run is gone;
- the logs, trans.dat and users.pending (appended to, and rewritten whole) end in whole lines.

Used by scripts/reliability.py; `python3 scripts/powercut.py --selftest` checks the checker.
"""
import os
import random
import re
import sys

APPEND_LOGS = re.compile(r"(?i)(punch\.log|sys\.log|error\.log|trans\.dat|users\.pending|\d{8}\.log)$")


class Broken(Exception):
    pass


def parse(path):
    events = []
    with open(path, "rb") as f:
        for raw in f:
            line = raw.rstrip(b"\n").decode("latin-1")
            if not line:
                continue
            kind, _, rest = line.partition(" ")
            events.append((kind, rest))
    return events


class _File:
    __slots__ = ("durable", "pending", "current", "ops", "base")

    def __init__(self, content=b""):
        self.durable = bytes(content)
        self.pending = []
        self.current = bytearray(content)
        self.ops = 0    # the changes made to it so far
        self.base = 0   # of which `durable` holds the first ones

    def change(self, op):
        self.pending.append(op)
        _apply(self.current, op)
        self.ops += 1

    def synced(self, upto=None, content=None):
        """A sync ended: everything (upto None), or the changes made before it began."""
        if upto is None:
            upto, content = self.ops, bytes(self.current)
        if upto >= self.base:
            self.pending = self.pending[upto - self.base:]
            self.durable, self.base = content, upto


def _apply(content, op):
    if op[0] == "w":
        _, off, data = op
        if len(content) < off:
            content.extend(b"\0" * (off - len(content)))
        content[off:off + len(data)] = data
    else:
        del content[op[1]:]


class Replay:
    """Walks the record; after each event, `moment()` answers what a power cut could keep."""

    def __init__(self, directory, before):
        # before: name -> (inode, bytes) of the directory's regular files when the run began.
        self.dir = directory.rstrip("/")
        self.files = {}     # a file of ours -> _File
        self.by_ino = {}    # inode number -> the file of ours it holds now
        self.names = {}     # name -> file of ours, as the running program sees them
        self.durable_names = {}
        self.forms = {}     # name -> the whole contents it may show
        self.confirmed = b""  # Punch.Log as it was at the last request to a reader
        self.serial = 0
        # With thread ids: each thread's Punch.Log writes not yet confirmed by a request of
        # its own, the writes confirmed, and each sync begun (file, thread) -> (ops, bytes).
        self.unconfirmed = {}
        self.confirmed_writes = []
        self.begun = {}
        for name, (ino, content) in before.items():
            fid = self._new(ino, content)
            self.names[name] = fid
            self.forms[name] = {bytes(content)}
        self.durable_names = dict(self.names)
        self.existed = set(before)

    def _new(self, ino, content=b""):
        self.serial += 1
        self.files[self.serial] = _File(content)
        self.by_ino[ino] = self.serial
        return self.serial

    def _name(self, path):
        if os.path.dirname(path.rstrip("/")) != self.dir:
            return None  # a subdirectory: not one of the data files
        return os.path.basename(path)

    def step(self, kind, rest):
        if kind == "N":
            ino, path = rest.split(" ", 1)
            name = self._name(path)
            fid = self._new(int(ino))
            if name is not None:
                self.names[name] = fid
        elif kind == "O":
            ino, path = rest.split(" ", 1)
            name = self._name(path)
            if int(ino) not in self.by_ino:
                # Opened but unknown: a file that appeared without a recorded creation.
                self._new(int(ino))
            if name is not None and name not in self.names:
                self.names[name] = self.by_ino[int(ino)]
        elif kind == "W":
            ino, off, data, *tid = rest.split(" ")
            fid = self.by_ino[int(ino)]
            op = ("w", int(off), bytes.fromhex(data))
            self.files[fid].change(op)
            if tid and fid == self.names.get("Punch.Log"):
                self.unconfirmed.setdefault(tid[0], []).append(op)
        elif kind == "T":
            ino, length = rest.split(" ")
            self.files[self.by_ino[int(ino)]].change(("t", int(length)))
        elif kind == "B":
            ino, tid = rest.split(" ")
            f = self.files[self.by_ino[int(ino)]]
            self.begun[(int(ino), tid)] = (f.ops, bytes(f.current))
        elif kind == "S":
            ino, *tid = rest.split(" ")
            f = self.files[self.by_ino[int(ino)]]
            begun = self.begun.pop((int(ino), tid[0]), None) if tid else None
            f.synced(*(begun or ()))
        elif kind == "D":
            if rest.rstrip("/") == self.dir:
                self.durable_names = dict(self.names)
        elif kind == "R":
            old, new = rest.split(" ", 1)
            o, n = self._name(old), self._name(new)
            fid = self.names.pop(o, None) if o is not None else None
            if n is not None and fid is not None:
                self.names[n] = fid
                self.forms.setdefault(n, set()).add(bytes(self.files[fid].current))
        elif kind == "U":
            name = self._name(rest)
            if name is not None:
                self.names.pop(name, None)
        elif kind == "X" and rest:
            self.confirmed_writes += self.unconfirmed.pop(rest, [])
        elif kind == "X":
            fid = self.names.get("Punch.Log")
            self.confirmed = bytes(self.files[fid].current) if fid else b""

    def moment(self):
        """The cut's choices now: name -> (durable bytes, pending writes)."""
        return {name: (self.files[fid].durable, list(self.files[fid].pending))
                for name, fid in self.durable_names.items()}


def build(durable, pending, k):
    content = bytearray(durable)
    for op in pending[:k]:
        _apply(content, op)
    return bytes(content)


def states(moment, rng, limit):
    """Up to `limit` file states from one moment: nothing unsynced kept, everything kept, then
    each file's every prefix with the others whole, then random mixes."""
    open_ = [n for n, (_, p) in moment.items() if p]
    picks = [{n: 0 for n in open_}, {n: len(moment[n][1]) for n in open_}]
    for n in open_:
        for k in range(1, len(moment[n][1])):
            picks.append(dict(picks[1], **{n: k}))
    if len(picks) > limit:
        picks = picks[:2] + rng.sample(picks[2:], limit - 2)
    while open_ and len(picks) < min(limit, 2 + sum(len(moment[n][1]) for n in open_)):
        picks.append({n: rng.randrange(len(moment[n][1]) + 1) for n in open_})
    seen = set()
    for pick in picks:
        key = tuple(sorted(pick.items()))
        if key in seen:
            continue
        seen.add(key)
        yield {name: build(d, p, pick.get(name, 0)) for name, (d, p) in moment.items()}


def check_state(state, replay, record_size=24):
    punch = state.get("Punch.Log", b"")
    if not punch.startswith(replay.confirmed):
        raise Broken("Punch.Log lacks a punch whose next element had been requested (%d of %d bytes kept)"
                     % (len(punch), len(replay.confirmed)))
    for _, off, data in replay.confirmed_writes:
        if punch[off:off + len(data)] != data:
            raise Broken("Punch.Log lacks a punch whose next element its line had requested: %r"
                         % data[:40])
    for name, content in state.items():
        if APPEND_LOGS.search(name) and content and not content.endswith(b"\n"):
            raise Broken(name + " ends in a half line")
    for name in replay.existed:
        if name not in state:
            raise Broken(name + " is gone")
    for name, forms in replay.forms.items():
        if name in state and state[name] not in forms and name not in ("user.idx", "user.dat") \
                and not APPEND_LOGS.search(name):
            raise Broken(name + " is in none of its whole forms")
    idx = state.get("user.idx", b"")
    dat = state.get("user.dat", b"")
    for i, raw in enumerate(idx.split(b"\r\n")[:-1]):
        t = raw.strip()
        if t in (b"", b"0"):
            continue
        rec = dat[record_size * i:record_size * (i + 1)]
        if len(rec) < record_size or not re.fullmatch(rb"\d{10}", t) or rec[:5].hex() != t.decode():
            raise Broken("user.idx line %d names %s, user.dat holds no such record" % (i, t.decode("latin-1")))


def check_record(record, directory, before, per_moment, seed=1):
    """Every moment of the record, up to per_moment states each. Answers (states checked,
    the first breaks found as text)."""
    rng = random.Random(seed)
    replay = Replay(directory, before)
    checked = 0
    broken = []
    for i, (kind, rest) in enumerate(record):
        replay.step(kind, rest)
        if kind in ("C", "F"):
            continue  # a call's count, no change on disk
        for state in states(replay.moment(), rng, per_moment):
            checked += 1
            try:
                check_state(state, replay)
            except Broken as e:
                if len(broken) < 5:
                    broken.append("after event %d (%s %s): %s" % (i + 1, kind, rest[:60], e))
    # Requests by thread, punches written, none confirmed: the check above would prove nothing.
    requests = any(kind == "X" and rest for kind, rest in record)
    if requests and replay.unconfirmed and not replay.confirmed_writes:
        broken.append("no request followed a punch of its own thread: nothing was checked")
    return checked, broken


def snapshot(directory):
    out = {}
    for name in os.listdir(directory):
        p = os.path.join(directory, name)
        st = os.lstat(p)
        if os.path.isfile(p) and not os.path.islink(p):
            with open(p, "rb") as f:
                out[name] = (st.st_ino, f.read())
    return out


def selftest():
    d = "/d"
    line = b"punch 1\r\n"
    good = [("N", "7 /d/Punch.Log"), ("W", "7 0 " + line.hex()), ("S", "7"), ("D", "/d"), ("X", "")]
    n, broken = check_record(good, d, {}, 16)
    assert n > 0 and not broken, broken
    # Requested before the sync, or before the directory knew the new file: a lost punch.
    for bad in ([good[0], good[1], good[4], good[2], good[3]],
                [good[0], good[1], good[2], good[4], good[3]]):
        assert check_record(bad, d, {}, 16)[1], bad
    # A save renamed into place before its bytes were synced: the file may be empty.
    save = [("N", "8 /d/.zvtmp-1"), ("W", "8 0 " + b"new\r\n".hex()), ("R", "/d/.zvtmp-1 /d/user.txt"),
            ("D", "/d")]
    assert check_record(save, d, {"user.txt": (3, b"old\r\n")}, 16)[1]
    synced = save[:2] + [("S", "8")] + save[2:]
    assert not check_record(synced, d, {"user.txt": (3, b"old\r\n")}, 16)[1]
    # An index line synced before its record.
    idx = [("O", "4 /d/user.idx"), ("O", "5 /d/user.dat"), ("W", "4 0 " + b"0000000042\r\n".hex()),
           ("S", "4"), ("W", "5 0 " + (bytes.fromhex("0000000042") + b"\1" * 19).hex()), ("S", "5")]
    assert check_record(idx, d, {"user.idx": (4, b""), "user.dat": (5, b"")}, 16)[1]
    assert not check_record(idx[:2] + idx[4:] + idx[2:4], d, {"user.idx": (4, b""), "user.dat": (5, b"")}, 16)[1]
    # Two threads (lines): a request confirms its own thread's punch only, and a sync covers
    # only what was written before it began.
    one, two = b"line 1\r\n", b"line 2\r\n"
    w1, w2 = ("W", "7 0 %s 11" % one.hex()), ("W", "7 %d %s 22" % (len(one), two.hex()))
    base = [("N", "7 /d/Punch.Log"), ("D", "/d")]
    fine = base + [w1, ("B", "7 11"), ("S", "7 11"), w2, ("X", "11")]
    assert not check_record(fine, d, {}, 16)[1], "thread 11's request confirms thread 22's write"
    late = base + [w1, ("B", "7 11"), w2, ("S", "7 11"), ("X", "11"), ("X", "22")]
    assert check_record(late, d, {}, 16)[1], "a write during a sync taken for synced"
    assert not check_record(late[:-1], d, {}, 16)[1]
    print("powercut: selftest passed")


if __name__ == "__main__":
    if sys.argv[1:] == ["--selftest"]:
        selftest()
    else:
        sys.exit("usage: powercut.py --selftest   (the checks run from scripts/reliability.py)")
