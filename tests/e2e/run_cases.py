#!/usr/bin/env python3
"""End-to-end runner: runs the real vordel binary on case folders.

    run_cases.py --vordel BUILD/vordel [--wine WINE] [--update] CASE_DIR...

Each case runs in a fresh temporary directory (its working directory, also
HOME, TMPDIR and XDG_CONFIG_HOME/XDG_STATE_HOME beneath it; VORDEL and
VORDELINC unset, LC_ALL=C). A case folder holds:

  cmd        one line of shell-like words (quotes group, no expansion); the
             first word is `vordel`, replaced by the binary under test
  files/     copied into the temporary directory before the run
  setup      optional bash script run there first (to generate inputs)
  stdin      bytes for standard input; without it input is /dev/null
  env        NAME=VALUE lines added to the environment; a bare NAME unsets it
  stdout     expected standard output   (absent: must be empty)
  stderr     expected standard error    (absent: must be empty)
  status     expected exit status       (absent: 0)
  expect/    expected files: expect/<path> must equal <path> after the run
  same       lines "A B": files A and B must be byte-identical after the run
  absent     glob patterns, one a line: no file may match them after the run
  skip       names of checks to leave out, one a line (stdout, stderr)
  mask       extra regular expressions (Python, one a line); every match in
             stdout, stderr and the expect/ files is replaced by <masked>
  interrupt  "SIGNAL STREAM TEXT": send SIGNAL (e.g. SIGINT) once TEXT has
             appeared on STREAM (stdout or stderr) and the program's main
             thread is asleep (waiting for input); standard input stays open
             until the program ends, so a slow pipe can be interrupted.
             Standard output is buffered on a pipe: wait for stderr texts
  timeout    seconds before the case fails (default 60)

Always masked: the temporary directory's path (as $TMP) and the run-time
figure of " Total Time = <masked> seconds". Comparisons are byte-exact.
--update writes the actual stdout, stderr and status into the case folder
(masked) instead of comparing them: check the result before committing it.
With --wine the binary is a Windows build run by that Wine loader: the
case's environment also names its folder in TMP and TEMP (as Z:\...), keeps
the outer TMPDIR and HOME (where Wine finds its server), and its `cmd` words
are passed on unchanged.
Exit status 0 when every case passed.
"""
import argparse
import difflib
import glob
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

DEFAULT_MASKS = [rb"(?<= Total Time = )\d+\.\d{3}(?= seconds)"]
MASK = b"<masked>"


def read(path, default=None):
    if not os.path.exists(path):
        return default
    with open(path, "rb") as f:
        return f.read()


def lines(path):
    data = read(path, b"").decode()
    return [l for l in data.splitlines() if l.strip()]


def apply_masks(data, masks, tmp):
    data = data.replace(tmp.encode(), b"$TMP")
    for m in masks:
        data = re.sub(m, MASK, data)
    return data


def make_env(case, tmp, wine):
    env = {k: v for k, v in os.environ.items() if k not in ("VORDEL", "VORDELINC")}
    env.update(HOME=tmp, TMPDIR=tmp, LC_ALL="C",
               XDG_CONFIG_HOME=os.path.join(tmp, ".config"),
               XDG_STATE_HOME=os.path.join(tmp, ".state"))
    if wine:
        windows_tmp = "Z:" + tmp.replace("/", "\\")
        env.update(TMP=windows_tmp, TEMP=windows_tmp)
        # Wine finds its running server through these: one for all cases.
        for name in ("TMPDIR", "HOME"):
            if name in os.environ:
                env[name] = os.environ[name]
            else:
                env.pop(name, None)
    for line in read(os.path.join(case, "env"), b"").decode().splitlines():
        if not line:
            continue
        name, eq, value = line.partition("=")
        if eq:
            env[name] = value
        else:
            env.pop(name, None)
    return env


class Collector(threading.Thread):
    """Reads one output stream to its end, so pipes never fill up."""

    def __init__(self, stream):
        super().__init__(daemon=True)
        self.stream, self.data, self.lock = stream, bytearray(), threading.Lock()
        self.start()

    def run(self):
        for chunk in iter(lambda: os.read(self.stream.fileno(), 65536), b""):
            with self.lock:
                self.data += chunk

    def contains(self, text):
        with self.lock:
            return text in self.data


def asleep(pid):
    """True while the process's main thread waits (state S in /proc)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "S"
    except OSError:
        return False


def run_program(case, argv, env, tmp, timeout):
    stdin_data = read(os.path.join(case, "stdin"))
    interrupt = read(os.path.join(case, "interrupt"), b"").decode().strip()
    keep_open = bool(interrupt)
    proc = subprocess.Popen(argv, cwd=tmp, env=env,
                            stdin=subprocess.PIPE if stdin_data is not None or keep_open else subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    out, err = Collector(proc.stdout), Collector(proc.stderr)
    if proc.stdin:
        try:
            proc.stdin.write(stdin_data or b"")
            proc.stdin.flush()
        except BrokenPipeError:
            pass
        if not keep_open:
            proc.stdin.close()
    deadline = time.monotonic() + timeout
    if interrupt:
        sig_name, stream, text = interrupt.split(None, 2)
        watch = out if stream == "stdout" else err
        while not (watch.contains(text.encode()) and asleep(proc.pid)) \
                and proc.poll() is None and time.monotonic() < deadline:
            time.sleep(0.01)
        if proc.poll() is None:
            proc.send_signal(getattr(signal, sig_name))
    try:
        status = proc.wait(max(0.1, deadline - time.monotonic()))
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
        status = "timeout"
    if proc.stdin and not proc.stdin.closed:
        proc.stdin.close()
    out.join()
    err.join()
    return status, bytes(out.data), bytes(err.data)


def show_diff(what, expected, actual):
    exp = expected.decode("latin-1").splitlines(keepends=True)
    act = actual.decode("latin-1").splitlines(keepends=True)
    diff = "".join(difflib.unified_diff(exp, act, "expected " + what, "actual " + what))
    if len(diff) > 4000:
        diff = diff[:4000] + "\n... (diff cut)\n"
    return diff or f"{what}: differs (line endings or trailing bytes)\n"


def check_case(case, vordel, update, wine):
    tmp = tempfile.mkdtemp(prefix="vordel-e2e-")
    try:
        return run_case(case, vordel, update, tmp, wine)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


def run_case(case, vordel, update, tmp, wine):
    if os.path.isdir(os.path.join(case, "files")):
        shutil.copytree(os.path.join(case, "files"), tmp, dirs_exist_ok=True)
    env = make_env(case, tmp, wine)
    if os.path.exists(os.path.join(case, "setup")):
        subprocess.run(["bash", os.path.join(case, "setup")], cwd=tmp, env=env, check=True)
    words = shlex.split(read(os.path.join(case, "cmd")).decode())
    assert words and words[0] == "vordel", "cmd must start with the word vordel"
    timeout = float(read(os.path.join(case, "timeout"), b"60"))
    runner = [wine, vordel] if wine else [vordel]
    status, out, err = run_program(case, runner + words[1:], env, tmp, timeout)

    masks = DEFAULT_MASKS + [l.encode() for l in lines(os.path.join(case, "mask"))]
    out, err = apply_masks(out, masks, tmp), apply_masks(err, masks, tmp)
    if update:
        for name, data in (("stdout", out), ("stderr", err)):
            path = os.path.join(case, name)
            if data or os.path.exists(path):
                with open(path, "wb") as f:
                    f.write(data)
        with open(os.path.join(case, "status"), "w") as f:
            f.write(f"{status}\n")
        return []

    failures = []
    skip = set(lines(os.path.join(case, "skip")))
    expected_status = read(os.path.join(case, "status"), b"0").decode().strip()
    if str(status) != expected_status:
        failures.append(f"status: expected {expected_status}, got {status}\n")
    for name, actual in (("stdout", out), ("stderr", err)):
        expected = read(os.path.join(case, name), b"")
        if name not in skip and expected != actual:
            failures.append(show_diff(name, expected, actual))
    failures += check_files(case, tmp, masks)
    return failures


def check_files(case, tmp, masks):
    failures = []
    expect_root = os.path.join(case, "expect")
    for root, _, names in os.walk(expect_root):
        for name in names:
            rel = os.path.relpath(os.path.join(root, name), expect_root)
            actual = read(os.path.join(tmp, rel))
            if actual is None:
                failures.append(f"file {rel}: not written\n")
                continue
            expected = read(os.path.join(root, name))
            if apply_masks(actual, masks, tmp) != expected:
                failures.append(show_diff("file " + rel, expected, apply_masks(actual, masks, tmp)))
    for line in lines(os.path.join(case, "same")):
        a, b = line.split()
        da, db = read(os.path.join(tmp, a)), read(os.path.join(tmp, b))
        if da is None or db is None or da != db:
            failures.append(f"files {a} and {b}: not identical\n")
    for pattern in lines(os.path.join(case, "absent")):
        for path in glob.glob(os.path.join(glob.escape(tmp), pattern)):
            failures.append(f"file {os.path.relpath(path, tmp)}: exists, should not\n")
    return failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--vordel", required=True)
    parser.add_argument("--wine", help="Wine loader for a Windows build")
    parser.add_argument("--update", action="store_true")
    parser.add_argument("cases", nargs="+")
    args = parser.parse_args()
    vordel = os.path.abspath(args.vordel)
    passed = failed = 0
    for case in args.cases:
        failures = check_case(os.path.abspath(case), vordel, args.update, args.wine)
        name = os.path.basename(os.path.normpath(case))
        if failures:
            failed += 1
            sys.stdout.write(f"FAIL {name}\n" + "".join(failures))
        else:
            passed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
