#!/usr/bin/env python3
"""Measures maze and a reference terminal program side by side in
pseudo-terminals: idle processor time and wake-ups, key-to-echo latency,
start to first prompt, peak memory, and what a scripted game sends to the
terminal. Prints one JSON object; bench/run.sh turns it into the table.

Standard library only."""

import argparse
import fcntl
import json
import os
import re
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import termios
import time

ROWS, COLS = 25, 80
MAZE_PROMPT = b"Choose A Direction"
WUMP_PROMPTS = {
    b"Instructions? (y-n) ": b"n\n",
    b"Move or shoot? (m-s) ": b"m\n",
    b"Care to play another game? (y-n) ": b"y\n",
    b"In the same cave? (y-n) ": b"y\n",
}
WUMP_ROOM_PROMPT = b"To which room do you wish to move? "
# Every write with all its bytes, as hexadecimal escapes.
STRACE = ["strace", "-f", "-qq", "-xx", "-s", "1000000", "-e", "trace=write", "-o"]


class Terminal:
    """A program on the slave side of a pseudo-terminal of ROWS x COLS; the
    master side answers cursor position queries as a terminal would."""

    def __init__(self, argv, wrapper=()):
        self.master, slave = os.openpty()
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", ROWS, COLS, 0, 0))
        self.started = time.perf_counter()
        self.process = subprocess.Popen(
            list(wrapper) + list(argv), stdin=slave, stdout=slave, stderr=slave,
            start_new_session=True, close_fds=True,
            preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0),
            env=dict(os.environ, TERM="xterm-256color", LC_ALL="C.UTF-8"))
        os.close(slave)
        self.output = bytearray()  # everything since the last take()
        self.closed = False

    def read(self, timeout):
        """Reads what arrives within timeout seconds; False once closed."""
        import select
        if self.closed:
            return False
        ready, _, _ = select.select([self.master], [], [], max(0.0, timeout))
        if not ready:
            return True
        try:
            data = os.read(self.master, 65536)
        except OSError:
            data = b""
        if not data:
            self.closed = True
            return False
        if b"\x1b[6n" in data:
            os.write(self.master, b"\x1b[1;1R")
        self.output += data
        return True

    def wait_for(self, pattern, timeout=5.0, start=0):
        """Reads until `pattern` (bytes or compiled regex) shows up in the
        output from `start` on; returns the time it arrived, or None."""
        end = time.perf_counter() + timeout
        while True:
            found = (pattern.search(self.output, start) if hasattr(pattern, "search")
                     else self.output.find(pattern, start) >= 0)
            if found:
                return time.perf_counter()
            if time.perf_counter() > end or not self.read(end - time.perf_counter()):
                return None

    def drain(self, quiet=0.05, limit=2.0):
        """Reads until nothing has come for `quiet` seconds."""
        end = time.perf_counter() + limit
        before = -1
        while len(self.output) != before and time.perf_counter() < end:
            before = len(self.output)
            if not self.read(quiet):
                break

    def take(self):
        data = bytes(self.output)
        self.output.clear()
        return data

    def send(self, data):
        os.write(self.master, data)

    def stop(self):
        if self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        self.process.wait()
        os.close(self.master)


def tasks(pid):
    try:
        return [f"/proc/{pid}/task/{t}" for t in os.listdir(f"/proc/{pid}/task")]
    except FileNotFoundError:
        return []


def cpu_sample(pid):
    """(stat utime+stime in ticks, schedstat run time in ns, context
    switches) summed over the process's threads."""
    ticks = run_ns = switches = 0
    for task in tasks(pid):
        with open(f"{task}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        ticks += int(fields[11]) + int(fields[12])
        try:
            with open(f"{task}/schedstat") as f:
                run_ns += int(f.read().split()[0])
        except (FileNotFoundError, IndexError):
            pass
        with open(f"{task}/status") as f:
            for line in f:
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    switches += int(line.split()[1])
    return ticks, run_ns, switches


def peak_rss_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return None


def idle(terminals, seconds):
    """Idle figures of several programs measured over the same seconds."""
    first = {name: cpu_sample(t.process.pid) for name, t in terminals.items()}
    time.sleep(seconds)
    hz = os.sysconf("SC_CLK_TCK")
    result = {}
    for name, t in terminals.items():
        ticks, run_ns, switches = (b - a for a, b in zip(first[name], cpu_sample(t.process.pid)))
        result[name] = {
            "cpu_ms_stat": ticks * 1000.0 / hz,
            "cpu_ms": run_ns / 1e6,
            "wakeups_per_s": switches / seconds,
            "seconds": seconds,
        }
    return result


def maze_at_prompt(maze):
    t = Terminal([maze])
    if t.wait_for(MAZE_PROMPT) is None:
        raise RuntimeError("maze showed no prompt: %r" % t.take()[-200:])
    t.drain()
    return t


def wump_at_prompt(wump):
    t = Terminal([wump])
    if t.wait_for(b"Instructions? (y-n) ") is None:
        raise RuntimeError("wump showed no prompt")
    return t


def measure_idle(maze, wump, seconds):
    m = maze_at_prompt(maze)
    w = wump_at_prompt(wump)
    time.sleep(0.1)
    prompt = idle({"maze": m, "wump": w}, seconds)
    # The key pause after a refused direction; wump has none, so its figure
    # is the next prompt, again a blocked read.
    m.take()
    m.send(b"s\r")
    if m.wait_for(b"You must head north") is None:
        raise RuntimeError("maze showed no key pause")
    m.drain()
    w.take()
    w.send(b"n\n")
    w.wait_for(b"Move or shoot? (m-s) ")
    pause = idle({"maze": m, "wump": w}, seconds)
    m.stop()
    w.stop()
    return {"prompt": prompt, "pause": pause}


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100.0 * (len(ordered) - 1))))]


def echo_latencies(t, keys):
    """Sends printable keys one at a time; the time until each shows up."""
    times = []
    for i in range(keys):
        ch = bytes([ord("a") + i % 26])
        t.drain(quiet=0.02)
        t.take()
        sent = time.perf_counter()
        t.send(ch)
        arrived = t.wait_for(ch, timeout=2.0)
        if arrived is None:
            raise RuntimeError("no echo of key %d" % i)
        times.append((arrived - sent) * 1000.0)
    return {"median_ms": statistics.median(times), "p99_ms": percentile(times, 99),
            "keys": keys}


def measure_latency(maze, wump, keys):
    m = maze_at_prompt(maze)
    w = wump_at_prompt(wump)
    w.send(b"n\n")
    w.wait_for(b"Move or shoot? (m-s) ")
    result = {"maze": echo_latencies(m, keys), "wump": echo_latencies(w, keys)}
    m.stop()
    w.stop()
    return result


def measure_start(argv, prompt, runs):
    times = []
    for _ in range(runs):
        t = Terminal(argv)
        arrived = t.wait_for(prompt)
        if arrived is None:
            raise RuntimeError("%s showed no prompt" % argv[0])
        times.append((arrived - t.started) * 1000.0)
        t.stop()
    return {"median_ms": statistics.median(times), "runs": runs}


def traced_child(t):
    """The pid strace runs the program as: the child of strace's process."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
        except (FileNotFoundError, ProcessLookupError, IndexError, ValueError):
            continue
        if parent == t.process.pid:
            return int(entry)
    return None


def count_writes(trace_file):
    """The writes to the terminal (descriptors 0 to 2): how many, and the
    bytes each one took."""
    pattern = re.compile(rb'write\(([0-2]), "((?:\\x[0-9a-f]{2})*)"(?:\.\.\.)?, \d+\)\s+=\s+(\d+)')
    chunks = []
    with open(trace_file, "rb") as f:
        for line in f:
            match = pattern.search(line)
            if match:
                data = bytes.fromhex(match.group(2).replace(b"\\x", b"").decode())
                chunks.append(data[:int(match.group(3))])
    return chunks


def play_maze(maze, moves, trace_file):
    """A scripted game of `moves` moves in a safe round of caves, running back
    from every gnome. Returns the output of each step and the peak memory."""
    t = Terminal([maze], wrapper=STRACE + [trace_file])
    steps = []
    if t.wait_for(MAZE_PROMPT, timeout=10) is None:
        raise RuntimeError("maze showed no prompt under strace")
    t.drain()
    steps.append(t.take())
    pid = traced_child(t)

    def step(keys, expect):
        t.send(keys)
        if t.wait_for(expect) is None:
            raise RuntimeError("maze did not answer %r: %r" % (keys, t.take()[-300:]))
        t.drain(quiet=0.03)
        out = t.take()
        steps.append(out)
        return out

    step(b"n\r", b"You should be as fast as possible")
    step(b" ", MAZE_PROMPT)
    round_ = [b"n", b"s", b"e", b"w", b"w", b"e"]
    back = {b"n": b"s", b"s": b"n", b"e": b"w", b"w": b"e"}
    for move in range(moves):
        way = round_[move % len(round_)]
        out = step(way + b"\r", b"through the caves")
        if b"Run back" in out:
            step(b" ", MAZE_PROMPT)
            step(back[way] + b"\r", b"You escaped")
        step(b" ", MAZE_PROMPT)
    peak = peak_rss_kb(pid) if pid else None
    t.send(b"q\r")
    t.wait_for(b"\x00", timeout=2.0)  # until it has ended
    steps.append(t.take())
    t.stop()
    return steps, peak, count_writes(trace_file)


def play_wump(wump, moves, trace_file):
    """`moves` moves through the cave, starting a new game whenever one
    ends."""
    t = Terminal([wump], wrapper=STRACE + [trace_file])
    prompts = re.compile(rb"(\(y-n\) |\(m-s\) |move\? )$")
    steps = []
    made = 0
    pid = None
    peak = None
    while made < moves:
        if t.wait_for(prompts, timeout=5) is None:
            raise RuntimeError("wump stalled: %r" % t.take()[-300:])
        if pid is None:
            pid = traced_child(t)
        out = t.take()
        steps.append(out)
        if out.endswith(WUMP_ROOM_PROMPT):
            rooms = re.findall(rb"tunnels to rooms (\d+), (\d+), and (\d+)", out) or [(b"1",)]
            t.send(rooms[-1][made % len(rooms[-1])] + b"\n")
            made += 1
            continue
        for prompt, answer in WUMP_PROMPTS.items():
            if out.endswith(prompt):
                t.send(answer)
                break
        else:
            t.send(b"\n")
    t.wait_for(prompts, timeout=5)
    steps.append(t.take())
    if pid:
        peak = peak_rss_kb(pid)
    t.stop()
    return steps, peak, count_writes(trace_file)


def changed_cells(screen_changes, steps):
    data = bytearray(b"%d %d\n" % (ROWS, COLS))
    for chunk in steps:
        data += b"%d\n" % len(chunk) + chunk
    out = subprocess.run([screen_changes], input=bytes(data), capture_output=True, check=True)
    fields = out.stdout.split()
    return int(fields[fields.index(b"changed") + 1])


def measure_game(maze, wump, screen_changes, moves):
    result = {}
    with tempfile.TemporaryDirectory() as tmp:
        for name, play, program in (("maze", play_maze, maze), ("wump", play_wump, wump)):
            steps, peak, writes = play(program, moves, os.path.join(tmp, name + ".trace"))
            result[name] = {
                "writes": len(writes), "bytes": sum(len(w) for w in writes),
                # The screen compared before and after each write, and before
                # and after each key's whole answer (the terminal's own echo
                # of a cooked-mode program included).
                "changed_cells": changed_cells(screen_changes, writes),
                "changed_cells_per_key": changed_cells(screen_changes, steps),
                "peak_rss_kb": peak, "moves": moves}
    return result


def model_memory(program):
    out = subprocess.run([program], capture_output=True, text=True, check=True).stdout
    sizes = [int(n) for n in re.findall(r": (\d+) bytes", out)]
    return {"after_100": sizes[0], "after_100000": sizes[1]}


def ratio(a, b):
    return "%.2f" % (a / b) if b else "—"


def met(ok):
    return "yes" if ok else "**no**"


def table(r, idle_seconds):
    """The figures as a markdown table, maze beside the reference."""
    rows = []

    def row(figure, maze, wump, rate, target, ok):
        rows.append("| %s | %s | %s | %s | %s | %s |" % (figure, maze, wump, rate, target, met(ok)))

    def share(x):
        return "%.2f ms (%.3f %%; stat %.0f ms)" % (
            x["cpu_ms"], x["cpu_ms"] / (10 * idle_seconds), x["cpu_ms_stat"])

    for where, label in (("prompt", "a prompt"), ("pause", "a key pause")):
        m, w = r["idle"][where]["maze"], r["idle"][where]["wump"]
        note = "" if where == "prompt" else " ¹"
        row("Idle processor time at %s, %g s" % (label, idle_seconds), share(m), share(w) + note,
            ratio(m["cpu_ms"], w["cpu_ms"]), "no worse than the reference",
            m["cpu_ms_stat"] <= w["cpu_ms_stat"] and m["cpu_ms"] <= max(w["cpu_ms"], 0.5))
    for where, label in (("prompt", "a prompt"), ("pause", "a key pause")):
        m, w = r["idle"][where]["maze"], r["idle"][where]["wump"]
        row("Wake-ups per second at %s" % label, "%.1f" % m["wakeups_per_s"],
            "%.1f%s" % (w["wakeups_per_s"], "" if where == "prompt" else " ¹"), "—",
            "none", m["wakeups_per_s"] == 0.0)
    for key, label in (("median_ms", "median"), ("p99_ms", "99th percentile")):
        m, w = r["latency"]["maze"][key], r["latency"]["wump"][key]
        row("Key-to-echo latency, %s of %d keys" % (label, r["latency"]["maze"]["keys"]),
            "%.3f ms" % m, "%.3f ms ²" % w, ratio(m, w), "< 2 ms", m < 2.0)
    m, w = r["start"]["maze"]["median_ms"], r["start"]["wump"]["median_ms"]
    row("Start to first prompt, median of %d" % r["start"]["maze"]["runs"], "%.1f ms" % m,
        "%.1f ms" % w, ratio(m, w), "< 20 ms", m < 20.0)
    gm, gw = r["game"]["maze"], r["game"]["wump"]
    row("Peak resident memory (VmHWM), after the game", "%.1f MiB" % (gm["peak_rss_kb"] / 1024),
        "%.1f MiB" % (gw["peak_rss_kb"] / 1024), ratio(gm["peak_rss_kb"], gw["peak_rss_kb"]),
        "< 8 MB", gm["peak_rss_kb"] * 1024 < 8e6)
    moves = gm["moves"]
    rows.append("| Bytes sent to the terminal, %d-move game | %d | %d | %s | | |" % (
        moves, gm["bytes"], gw["bytes"], ratio(gm["bytes"], gw["bytes"])))
    rows.append("| `write` calls, %d-move game | %d | %d | %s | | |" % (
        moves, gm["writes"], gw["writes"], ratio(gm["writes"], gw["writes"])))
    rows.append("| Screen cells changed, write by write ³ | %d | %d | | | |" % (
        gm["changed_cells"], gw["changed_cells"]))
    row("Bytes per changed cell, write by write", "%.2f" % (gm["bytes"] / gm["changed_cells"]),
        "%.2f" % (gw["bytes"] / gw["changed_cells"]), "—", "≤ 2",
        gm["bytes"] <= 2 * gm["changed_cells"])
    row("Bytes per changed cell, key by key ⁴",
        "%.2f" % (gm["bytes"] / gm["changed_cells_per_key"]),
        "%.2f" % (gw["bytes"] / gw["changed_cells_per_key"]), "—", "≤ 2",
        gm["bytes"] <= 2 * gm["changed_cells_per_key"])
    mm = r["model_memory"]
    row("Heap on the model after 100 / 100,000 turns", "%d / %d bytes" % (
        mm["after_100"], mm["after_100000"]), "—", "—", "equal",
        mm["after_100"] == mm["after_100000"])

    head = ["| Figure | maze | wump (reference) | maze / wump | Target | Met |",
            "| --- | ---: | ---: | ---: | --- | --- |"]
    notes = [
        "",
        "¹ wump has no key pause; its figure is its next prompt, also a blocked read.  ",
        "² wump reads in the terminal's cooked mode, so its echo comes from the terminal driver, "
        "not from the program.  ",
        "³ The screen (%dx%d, libvterm) compared before and after each `write`; every line wump "
        "prints at the bottom scrolls the whole screen.  " % (COLS, ROWS),
        "⁴ The screen compared before and after the whole answer to each key (the terminal "
        "driver's echo included), so a clear followed by the same prompt counts only what "
        "differs in the end.  ",
        "Processor time from /proc/<pid>/schedstat (nanoseconds), with /proc/<pid>/stat "
        "utime+stime (10 ms ticks) beside it; wake-ups are voluntary and involuntary context "
        "switches from /proc/<pid>/status.",
    ]
    return "\n".join(head + rows + notes)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--maze", required=True)
    parser.add_argument("--wump", default="/usr/games/wump")
    parser.add_argument("--screen-changes", required=True)
    parser.add_argument("--model-memory", required=True)
    parser.add_argument("--idle-seconds", type=float, default=10.0)
    parser.add_argument("--keys", type=int, default=200)
    parser.add_argument("--starts", type=int, default=20)
    parser.add_argument("--moves", type=int, default=50)
    parser.add_argument("--json", help="also write the raw figures to this file")
    args = parser.parse_args()
    result = {
        "start": {"maze": measure_start([args.maze], MAZE_PROMPT, args.starts),
                  "wump": measure_start([args.wump], b"Instructions?", args.starts)},
        "latency": measure_latency(args.maze, args.wump, args.keys),
        "game": measure_game(args.maze, args.wump, args.screen_changes, args.moves),
        "idle": measure_idle(args.maze, args.wump, args.idle_seconds),
        "model_memory": model_memory(args.model_memory),
    }
    if args.json:
        with open(args.json, "w") as f:
            json.dump(result, f, indent=1)
    print(table(result, args.idle_seconds))


if __name__ == "__main__":
    main()
