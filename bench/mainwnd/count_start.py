#!/usr/bin/env python3
"""Counts the work of the program's start up to the main window's first
paint, started the way bench_main_window_start starts it: a program
directory of its own (BRISGOL_ROOT), one start before (the first start on a
machine registers the program with the firewall), then the counted start,
ended as soon as the log holds the first-paint record "主窗口已显示".

  count_start.py BUILD_DIR perf       user-mode instructions (perf stat;
                                      needs a processor's counters)
  count_start.py BUILD_DIR callgrind  instructions of every thread and a
                                      callgrind profile (its path printed)

Without DISPLAY the windows stay in memory; run under xvfb-run for real
windows. Nothing is sent anywhere: the configuration address is loopback
and nothing answers there.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

RECORD = "]主窗口已显示\r\n".encode("utf-16-le")


def prepare(build):
    root = tempfile.mkdtemp(prefix="brisgol-count-")
    program = os.path.join(root, "program")
    os.makedirs(program)
    shutil.copy(os.path.join(build, "bin", "brisgol"), program)
    for module in ("brisgol-webkit.so", "brisgol-http.so"):
        shutil.copy(os.path.join(build, "bin", module), program)
    portal = os.path.join(build, "bin", "portal")
    if os.path.isdir(portal):
        shutil.copytree(portal, os.path.join(program, "portal"))
    return root, program


def wait_for_paint(log, process, limit=120):
    start = time.monotonic()
    while time.monotonic() - start < limit:
        if process.poll() is not None:
            return False
        try:
            with open(log, "rb") as f:
                if RECORD in f.read():
                    return True
        except FileNotFoundError:
            pass
        time.sleep(0.002)
    return False


def main():
    build, tool = sys.argv[1], sys.argv[2]
    root, program = prepare(build)
    env = dict(os.environ, BRISGOL_ROOT=root)
    exe = os.path.join(program, "brisgol")
    log = os.path.join(program, "log2.log")
    first = subprocess.Popen([exe], env=env)
    if not wait_for_paint(log, first):
        sys.exit("the first start did not paint")
    first.send_signal(signal.SIGTERM)
    first.wait()
    os.remove(log)

    if tool == "perf":
        out = os.path.join(root, "perf.txt")
        counted = subprocess.Popen(["perf", "stat", "-x,", "-o", out, "-e", "instructions:u", "--", exe], env=env)
    else:
        out = os.path.join(tempfile.gettempdir(), "callgrind.brisgol.%d" % os.getpid())
        counted = subprocess.Popen(["valgrind", "--tool=callgrind", "--separate-threads=" + os.environ.get("SEPARATE_THREADS", "no"), "--callgrind-out-file=" + out, exe], env=env,
                                   stderr=subprocess.DEVNULL)
    painted = wait_for_paint(log, counted, 600)
    if tool == "callgrind" and painted:
        subprocess.run(["callgrind_control", "--dump", str(counted.pid)], stdout=subprocess.DEVNULL)
    # The program (under the tool) ends now; perf prints what it counted.
    children = subprocess.run(["pgrep", "-P", str(counted.pid)], capture_output=True, text=True).stdout.split()
    for pid in children + [str(counted.pid)] if tool == "callgrind" else children:
        os.kill(int(pid), signal.SIGKILL)
    counted.wait()
    if not painted:
        sys.exit("no first paint")
    if tool == "perf":
        with open(out) as f:
            for line in f:
                if "instructions" in line:
                    print("instructions:u to first paint: %s" % line.split(",")[0])
    else:
        dumps = sorted(p for p in os.listdir(os.path.dirname(out)) if p.startswith(os.path.basename(out)))
        total = 0
        for dump in dumps:
            with open(os.path.join(os.path.dirname(out), dump)) as f:
                for line in f:
                    if line.startswith("summary:") or line.startswith("totals:"):
                        total += int(line.split()[1])
                        break
        print("instructions to first paint (callgrind, all threads): %d" % total)
        print("callgrind profile: " + " ".join(os.path.join(os.path.dirname(out), d) for d in dumps))
    shutil.rmtree(root)


if __name__ == "__main__":
    main()
