#!/usr/bin/env python3
"""The xboard mode survives SIGINT (front ends send it before each move to
engines that announce no features); the console keeps the default, so a
person can still interrupt it."""
import os
import signal
import subprocess
import sys
import time

engine = sys.argv[1]


def read_until(process, text, limit=30):
    seen = b""
    deadline = time.time() + limit
    while text not in seen:
        if time.time() > deadline:
            raise AssertionError("no %r in %r" % (text, seen[-200:]))
        chunk = os.read(process.stdout.fileno(), 4096)
        if not chunk:
            raise AssertionError("output ended before %r: %r" % (text, seen[-200:]))
        seen += chunk
    return seen


failures = 0

p = subprocess.Popen([engine], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
read_until(p, b"> ")
p.stdin.write(b"xboard\nforce\ne2e4\n")
p.stdin.flush()
time.sleep(0.3)
p.send_signal(signal.SIGINT)
p.stdin.write(b"go\n")
p.stdin.flush()
read_until(p, b"move ")
p.send_signal(signal.SIGINT)
p.stdin.close()
p.stdout.read()
if p.wait(10) != 0:
    print("xboard mode: exit status %d after SIGINT" % p.returncode)
    failures += 1

p = subprocess.Popen([engine], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
read_until(p, b"> ")
p.send_signal(signal.SIGINT)
if p.wait(10) != -signal.SIGINT:
    print("console: SIGINT did not end the program (status %d)" % p.returncode)
    failures += 1

print("%d passed, %d failed" % (2 - failures, failures))
sys.exit(1 if failures else 0)
