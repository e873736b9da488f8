#!/usr/bin/env python3
"""Fleet benchmark: N headless backups at once, each against its own
simulated switch paced at 9600 baud, all served by one ser2net on loopback
as a console server would serve them.

For each N it prints the slowest backup's time against a lone backup's (the
N = 1 run), the program's peak memory per process (its resident high-water
mark, from wait4) and how busy the machine's CPUs were during the run.
Not a test: run it by hand (bench/fleet.sh builds a release program first).

Usage: fleet.py PROGRAM SIMULATOR [--counts 1,4,8,16] [--line tcp|telnet]
"""
import argparse
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

# Goals reported against (not conditions): 16 backups at once each within
# 1.10 of a lone one, under 45 MiB each.
GOAL_RATIO = 1.10
GOAL_MIB = 45.0

# Each switch away from factory defaults where a backup reads most: a
# static trunk, 802.1Q with three groups and PVIDs, changed ports.
STATE = """{"trunks": [{"trunk": 1, "static": true, "members": [1, 2]}],
 "ports": [{"port": 4, "inRate": 100, "outRate": 250, "pvid": 20},
           {"port": 7, "autoNego": "FORCE", "speed": "10 Full", "pvid": 30}],
 "vlanMode": "802.1Q",
 "dot1qGroups": [{"id": 1, "name": "VLAN1", "untagged": [1, 2, 3, 5, 6, 8, 9, 10, 25]},
                 {"id": 20, "name": "voice", "untagged": [4], "tagged": [26]},
                 {"id": 30, "name": "cams", "untagged": [7, 11, 12]}],
 "macHash": "DirectMap"}
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(predicate, seconds, what):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if predicate():
            return
        time.sleep(0.1)
    raise RuntimeError("timed out waiting for " + what)


def accepts(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=0.2):
            return True
    except OSError:
        return False


def cpu_ticks():
    """(busy, total) jiffies of all CPUs since boot."""
    with open("/proc/stat") as f:
        fields = [int(x) for x in f.readline().split()[1:]]
    idle = fields[3] + fields[4]  # idle + iowait
    return sum(fields) - idle, sum(fields)


def network_lines(program):
    """Whether the program opens tcp:// and telnet:// lines itself."""
    out = subprocess.run([program, "--help"], capture_output=True, text=True).stdout
    return "telnet://" in out


class Fleet:
    """N paced simulated switches behind one ser2net, and the processes started."""

    def __init__(self, args, count, work):
        self.args, self.count, self.work = args, count, work
        self.procs = []
        self.ports = []

    def start(self):
        state = os.path.join(self.work, "state.json")
        with open(state, "w") as f:
            f.write(STATE)
        for i in range(self.count):
            link = os.path.join(self.work, "sw%d" % i)
            self.procs.append(subprocess.Popen([self.args.simulator, "--link", link, "--state", state],
                                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            wait_for(lambda: os.path.exists(link), 10, "switch %d" % i)
        accepter = "telnet(rfc2217),tcp" if self.args.line == "telnet" else "tcp"
        config = ["%YAML 1.1", "---"]
        for i in range(self.count):
            self.ports.append(free_port())
            config += ["connection: &sw%d" % i,
                       "  accepter: %s,127.0.0.1,%d" % (accepter, self.ports[i]),
                       "  connector: serialdev,%s,9600n81,local" % os.path.join(self.work, "sw%d" % i)]
        path = os.path.join(self.work, "ser2net.yaml")
        with open(path, "w") as f:
            f.write("\n".join(config) + "\n")
        self.procs.append(subprocess.Popen(["ser2net", "-n", "-d", "-c", path],
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        for port in self.ports:
            wait_for(lambda: accepts(port), 10, "ser2net on port %d" % port)

    def line(self, i):
        """The --port value of switch i: the console server's address, or a
        local pseudo-terminal bridged to it for a program without network lines."""
        if self.args.network:
            return "COM1=%s://127.0.0.1:%d" % (self.args.line, self.ports[i])
        link = os.path.join(self.work, "com%d" % i)
        self.procs.append(subprocess.Popen(
            ["socat", "pty,link=%s,raw,echo=0" % link, "tcp:127.0.0.1:%d" % self.ports[i]],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        wait_for(lambda: os.path.exists(link), 10, "bridge %d" % i)
        return "COM1=" + link

    def stop(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()


def keep(work, i, count, keepdir):
    """A failed run's lines and transcript, kept for a look."""
    os.makedirs(keepdir, exist_ok=True)
    for name in ("b%d.err" % i, "b%d.log" % i):
        if os.path.exists(os.path.join(work, name)):
            shutil.copy(os.path.join(work, name), os.path.join(keepdir, "n%d-%s" % (count, name)))


def backups(args, count):
    """One round of `count` backups at once: per finished run (seconds, MiB,
    CPU s), the runs that failed, and the machine's CPU use in percent of all
    its CPUs."""
    work = tempfile.mkdtemp(prefix="fleet-bench.")
    fleet = Fleet(args, count, work)
    try:
        fleet.start()
        lines = [fleet.line(i) for i in range(count)]
        env = dict(os.environ, TAVIK_PASSWORD="admin")
        busy0, total0 = cpu_ticks()
        started = {}
        for i in range(count):
            p = subprocess.Popen([args.program, "--port", lines[i], "--backup",
                                  os.path.join(work, "b%d.json" % i), "--transcript",
                                  os.path.join(work, "b%d.log" % i)],
                                 env=env, stdout=subprocess.DEVNULL,
                                 stderr=open(os.path.join(work, "b%d.err" % i), "w"))
            started[p.pid] = (i, time.monotonic())
        runs = []
        failed = 0
        while started:
            pid, status, usage = os.wait4(-1, 0)
            if pid not in started:
                continue
            i, t0 = started.pop(pid)
            seconds = time.monotonic() - t0
            if os.waitstatus_to_exitcode(status) != 0:
                failed += 1
                with open(os.path.join(work, "b%d.err" % i)) as f:
                    last = f.read().strip().splitlines()[-1:]
                print("  backup %d of %d failed: %s (kept in %s)" %
                      (i + 1, count, " ".join(last), args.keep))
                keep(work, i, count, args.keep)
                continue
            runs.append((seconds, usage.ru_maxrss / 1024.0, usage.ru_utime + usage.ru_stime))
        busy1, total1 = cpu_ticks()
        return runs, failed, 100.0 * (busy1 - busy0) / max(1, total1 - total0)
    finally:
        fleet.stop()
        shutil.rmtree(work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("program")
    parser.add_argument("simulator")
    parser.add_argument("--counts", default="1,4,8,16")
    parser.add_argument("--line", choices=["tcp", "telnet"], default="telnet")
    parser.add_argument("--keep", default=os.path.join(tempfile.gettempdir(), "fleet-bench-failed"),
                        help="where the lines and transcripts of failed runs are kept")
    args = parser.parse_args()
    args.network = network_lines(args.program)
    counts = [int(c) for c in args.counts.split(",")]
    if not args.network:
        print("note: the program opens no network lines; each switch through a socat "
              "pseudo-terminal bridged to ser2net (raw TCP)")
        args.line = "tcp"
    print("machine: %d CPUs, load average %s before the runs" %
          (os.cpu_count(), " ".join(open("/proc/loadavg").read().split()[:3])))
    print("%4s  %6s  %9s  %6s  %6s  %5s  %9s  %9s  %11s  %9s" %
          ("N", "failed", "slowest s", "lone s", "ratio", "goal", "peak MiB", "goal MiB",
           "CPU s/run", "machine %"))
    lone = None
    for n in counts:
        runs, failed, machine = backups(args, n)
        if not runs:
            print("%4d  %6d  (no backup finished)" % (n, failed))
            continue
        slowest = max(r[0] for r in runs)
        if lone is None and n == 1:
            lone = slowest
        ratio = slowest / lone if lone else float("nan")
        print("%4d  %6d  %9.2f  %6.2f  %6.3f  %5.2f  %9.1f  %9.1f  %11.2f  %9.1f" %
              (n, failed, slowest, lone or float("nan"), ratio, GOAL_RATIO,
               max(r[1] for r in runs), GOAL_MIB, sum(r[2] for r in runs) / len(runs), machine))
        sys.stdout.flush()


if __name__ == "__main__":
    main()
