#!/usr/bin/env python3
"""Console behaviour as a person sees it.

  console_test.py pipe --probe PROBE    keys from a pipe, screen on a pipe
  console_test.py tmux --probe PROBE    a real terminal: tmux types, we read the screen
  console_test.py script --vordel VORDEL   scripts using the console builtins, in tmux
  console_test.py startup --vordel VORDEL  start-up in tmux: the usage pause, Ctrl+C, the title

Exit status 0 when every check passed, 1 on a failure, 77 when tmux is missing.
"""
import argparse
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

failures = []


def check(name, got, want):
    if got != want:
        failures.append(f"{name}: got {got!r}, want {want!r}")


def check_true(name, ok, detail=""):
    if not ok:
        failures.append(f"{name}: {detail}")


# ---- pipes -------------------------------------------------------------------

def probe_pipe(probe, stdin_bytes, *steps):
    r = subprocess.run([probe, *steps], input=stdin_bytes, capture_output=True, timeout=20)
    return r.stdout.decode("latin-1")


def run_pipe(probe):
    cases = [
        ("end of input is Esc", b"", ["kbhit", "getch"], "kbhit=0\ngetch=27\n"),
        ("piped keys are all kept", b"ab", ["getch", "kbhit", "getch", "kbhit", "getch"],
         "getch=97\nkbhit=1\ngetch=98\nkbhit=0\ngetch=27\n"),
        ("0x1B is Esc", b"\x1b", ["getch"], "getch=27\n"),
        ("Esc then a key", b"\x1bx", ["waitkey", "waitkey"], "key=1B\nkey=78\n"),
        ("arrow sequence", b"\x1b[A\x1b[B\x1b[3~\x1b[1;5C", ["waitkey"] * 4,
         "key=FF48\nkey=FF50\nkey=FF53\nkey=FF4D\n"),
        ("extended key via getch", b"\x1b[D", ["getch"], "getch=224\n"),
        ("lines", b"hello\r\nworld\n", ["line", "line", "line"], "line=5:hello\nline=5:world\nline=0:\n"),
        ("long line cut at 254", b"x" * 300 + b"\ny\n", ["line", "line"],
         "line=254:" + "x" * 254 + "\nline=1:y\n"),
        ("screen does nothing on a pipe", b"", ["color:1", "cls", "locate:3,3", "save", "print:X", "restore",
                                               "clearline", "left:2", "eol"], "X"),
    ]
    for name, data, steps, want in cases:
        check(name, probe_pipe(probe, data, *steps), want)

    # The builtins over a pipe: prompts on the error stream, Esc at end of input.
    builtin_cases = [
        ("pause at end of input", b"", ["b:pause", "b:pause:Wait"], "pause=27\npause=27\n", "Hit any keyWait"),
        ("pause takes a piped key", b"q", ["b:pause"], "pause=113\n", "Hit any key"),
        ("gets and getn", b"Bob\n -17 apples\n", ["b:gets:Who?", "b:getn:How many?", "b:getn"],
         "gets=Bob\ngetn=-17\ngetn=0\n", "Who?How many?"),
        ("gets keeps 254 characters", b"z" * 254 + b"\n", ["b:gets"], "gets=" + "z" * 254 + "\n", ""),
    ]
    for name, data, steps, out, err in builtin_cases:
        r = subprocess.run([probe, *steps], input=data, capture_output=True, timeout=20)
        check(name, (r.stdout.decode("latin-1"), r.stderr.decode("latin-1")), (out, err))


# ---- tmux --------------------------------------------------------------------

class Tmux:
    def __init__(self, name):
        self.base = ["tmux", "-L", name, "-f", "/dev/null"]
        self.count = 0
        self.target = None

    def run(self, *args, check=True):
        return subprocess.run(self.base + list(args), capture_output=True, text=True, check=check)

    def start(self, command):
        if self.target is None:  # keeps the server up between sessions
            self.run("new-session", "-d", "-s", "keep", "sleep 600")
        if self.target:
            self.run("kill-session", "-t", self.target, check=False)
        self.count += 1
        self.target = f"s{self.count}"
        self.run("new-session", "-d", "-s", self.target, "-x", "80", "-y", "25", "bash", "--norc", "-c",
                 command + "; sleep 30")
        self.run("set-option", "-t", self.target, "status", "off")

    def screen(self, escapes=False):
        args = ["capture-pane", "-p", "-N", "-t", self.target] + (["-e"] if escapes else [])
        return self.run(*args).stdout

    def keys(self, *keys):
        self.run("send-keys", "-t", self.target, *keys)

    def wait_for(self, text, timeout=10.0):
        end = time.time() + timeout
        while time.time() < end:
            s = self.screen()
            if text in s:
                return s
            time.sleep(0.05)
        failures.append(f"timed out waiting for {text!r}; screen:\n{self.screen()}")
        return self.screen()

    def stop(self):
        self.run("kill-server", check=False)


def rows(screen):
    return [r.rstrip(" ") for r in screen.split("\n")]


def run_tmux(probe):
    t = Tmux(f"vordel-console-{os.getpid()}")
    p = shlex.quote(probe)
    try:
        # getch: no echo, the key's code.
        t.start(f"{p} print:ready getch print:done")
        t.wait_for("ready")
        t.keys("x")
        s = t.wait_for("done")
        check_true("getch no echo", "readygetch=120" in s, s)

        # Extended keys and a lone Esc.
        t.start(f"{p} print:go waitkey waitkey waitkey print:end")
        t.wait_for("go")
        t.keys("Up")
        t.wait_for("key=FF48")
        t.keys("PageDown")
        t.wait_for("key=FF51")
        t.keys("Escape")
        s = t.wait_for("end")
        check_true("lone Esc", "key=1B" in s, s)

        # Line input: echoed, edited by the terminal, at most 254 characters.
        t.start(f"{p} print:name? line print:next line")
        t.wait_for("name?")
        t.keys("-l", "hello worlf")
        t.keys("BSpace", "d", "Enter")
        s = t.wait_for("next")
        check_true("line echoed", "name?hello world" in s, s)
        check_true("line edited", "line=11:hello world" in s, s)
        t.keys("-l", "y" * 300)
        t.keys("Enter")
        s = t.wait_for("line=254:")

        # Terminal mode handed back after key reads.
        t.start(f"{p} kbhit; stty -a | tr ' ' '\\n' | grep -x -e '-*icanon' -e '-*echo' | tr '\\n' ' '; echo; echo fin")
        s = t.wait_for("fin")
        check_true("terminal restored", "icanon echo" in s and "-icanon" not in s, s)

        # Cursor placement, clipped to the window.
        t.start(f"{p} print:junk cls locate:5,3 print:X locate:-1,-1 print:Y locate:500,500 print:Z "
                f"locate:0,6 print:abcdef clearline print:Q locate:0,8 print:ab save print:cdef restore print:Z "
                f"locate:0,10 print:123456 left:3 eol locate:0,12 print:held getch")
        s = t.wait_for("held")
        r = rows(s)
        check("locate 5,3", r[3], "     X")
        check("locate -1,-1 and cls", r[0], "Y")
        check("locate clipped", r[24], " " * 79 + "Z")
        check("clearline", r[6], "Q")
        check("save/restore", r[8], "abZdef")
        check("left and clear to end", r[10], "123")
        t.keys("q")

        # Colour: foreground by attribute, white for anything out of range.
        t.start(f"{p} color:1 print:BLUE color:4 print:RED color:9 print:WHITE color:7 print:held getch")
        t.wait_for("held")
        s = t.screen(escapes=True)
        check_true("blue", "\x1b[34mBLUE" in s, repr(s))
        check_true("red", "\x1b[31mRED" in s, repr(s))
        check_true("white", "\x1b[37mWHITE" in s, repr(s))
        t.keys("q")

        run_tmux_builtins(t, p)
    finally:
        t.stop()


def run_tmux_builtins(t, p):
    # pause: the message, the cursor left where it was, then the line cleared.
    t.start(f"{p} print:start b:pause print:done b:pause:Press_a_key print:end")
    s = t.wait_for("Hit any key")
    check("pause message", rows(s)[0], "startHit any key")
    t.keys("k")
    s = t.wait_for("Press_a_key")
    check("pause clears its line", rows(s)[0], "pause=107")
    t.keys("Escape")
    s = t.wait_for("end")
    check("pause with a message", rows(s)[1], "pause=27")

    # gets and getn: prompt, echoed line, result.
    t.start(f"{p} b:gets:Name? b:getn:Count? print:over")
    t.wait_for("Name?")
    t.keys("-l", "Bob Smith")
    t.keys("Enter")
    t.wait_for("Count?")
    t.keys("-l", "12abc")
    t.keys("Enter")
    s = t.wait_for("over")
    r = rows(s)
    check("gets echo", r[0], "Name?Bob Smith")
    check("gets result", r[1], "gets=Bob Smith")
    check("getn", r[2:4], ["Count?12abc", "getn=12"])

    # getch through the builtin, a key at a time.
    t.start(f"{p} b:getch b:getch print:fin")
    time.sleep(0.1)
    t.keys("a")
    t.wait_for("getch=97")
    t.keys("Left")
    s = t.wait_for("fin")
    check_true("getch extended key", "getch=224" in s, s)

    # cls, locate (clipped) and colour through the builtins.
    t.start(f"{p} print:junk B:cls B:locate:-1,-1 print:Y B:locate:3,200 print:Z "
            f"B:locate:0,5 B:color:2 print:GREEN B:color:99 print:WHITE print:held getch")
    s = t.wait_for("held")
    r = rows(s)
    check("cls and locate -1,-1", r[0], "Y")
    check("locate row clipped", r[24], "   Z")
    e = t.screen(escapes=True)
    check_true("green", "\x1b[32mGREEN" in e, repr(e))
    check_true("99 is white", "\x1b[37mWHITE" in e, repr(e))
    t.keys("q")


SCRIPT = r"""BEGIN {
    print "ready"
    k = getch()
    print "key " k
    name = gets("Name? ")
    print "name [" name "]"
    n = getn("Count? ")
    print "count " n + 1
    r = pause
    print "paused " r
    cls()
    locate(10, 5)
    color(1)
    print "red"
    color(7)
    locate(-5, 200)
    printf "bottom"
    locate(0, 8)
    print "last " getch()
}
"""


def run_tmux_script(vordel):
    t = Tmux(f"vordel-script-{os.getpid()}")
    work = tempfile.mkdtemp(prefix="vordel_console_")
    try:
        with open(os.path.join(work, "t.vdl"), "w") as f:
            f.write(SCRIPT)
        out = os.path.join(work, "out.bin")
        t.start(f"cd {shlex.quote(work)} && {shlex.quote(vordel)} t.vdl {shlex.quote(out)}; s=$?; echo; echo exit=$s")
        t.wait_for("ready")
        t.keys("x")
        t.wait_for("Name?")
        s = t.screen()
        check_true("getch not echoed", "ready\nkey 120" in s, s)
        t.keys("-l", "Ada Lovelace")
        t.keys("Enter")
        t.wait_for("Count?")
        t.keys("-l", "41 cats")
        t.keys("Enter")
        s = t.wait_for("Hit any key")
        check_true("gets and getn", "name [Ada Lovelace]" in s and "count 42" in s, s)
        t.keys("p")
        s = t.wait_for("bottom")
        r = rows(s)
        check("locate then print", r[5], " " * 10 + "red")
        check("locate clipped to the window", r[24], "bottom")
        check_true("pause line cleared by cls", "Hit any key" not in s, s)
        e = t.screen(escapes=True)
        check_true("colour 1 is red", "\x1b[31mred" in e, repr(e))
        t.keys("Up")
        s = t.wait_for("exit=")
        check_true("extended key through getch", "last 224" in s, s)
        check_true("clean exit", "exit=0" in s, s)

        # Ctrl+C while a key is awaited: the break message, status 1, and the
        # terminal handed back in its normal mode.
        with open(os.path.join(work, "wait.vdl"), "w") as f:
            f.write('BEGIN {\n    color(2)\n    print "waiting"\n    k = getch()\n}\n')
        modes = "stty -a | tr ' ' '\\n' | grep -x -e '-*icanon' -e '-*echo' | tr '\\n' ' '"
        t.start(f"trap true INT; cd {shlex.quote(work)} && {shlex.quote(vordel)} wait.vdl {shlex.quote(out)}; s=$?; "
                f"echo; echo exit=$s; {modes}; echo; echo modes-shown")
        t.wait_for("waiting")
        time.sleep(0.2)
        t.keys("C-c")
        s = t.wait_for("modes-shown")
        check_true("break message", "CTRL-C BREAK" in s and "exit=1" in s, s)
        check_true("terminal restored after a break", "icanon echo" in s and "-icanon" not in s, s)
        e = t.screen(escapes=True)
        check_true("colours reset after a break", e.rstrip().endswith("modes-shown"), repr(e))
    finally:
        t.stop()
        shutil.rmtree(work, ignore_errors=True)


# ---- start-up in a terminal ------------------------------------------------------

def run_tmux_startup(vordel):
    t = Tmux(f"vordel-startup-{os.getpid()}")
    cwd = tempfile.mkdtemp(prefix="vordel-term-")
    v = shlex.quote(vordel)
    go = f"cd {shlex.quote(cwd)} && "
    try:
        # The usage text pauses before the targets; the key is not echoed.
        t.start(go + f"{v}; echo status=$?")
        s = t.wait_for("more...")
        check_true("pause waits before the targets", "Target" not in s, s)
        title = t.run("display-message", "-p", "-t", t.target, "#{pane_title}").stdout.strip()
        check("window title", title, "VORDEL Interpreter")
        t.keys("x")
        s = t.wait_for("status=0")
        lines = rows(s)
        check_true("more... blanked, targets at column 0", "more..." not in s and "  Target" in lines, s)
        check_true("key not echoed", not any(l.startswith("x") for l in lines), s)

        # Ctrl+C while the copy waits for typed bytes: the file is closed and kept.
        t.start(go + f"{v} -o /dev/stdin out.bin; echo status=$?")
        t.wait_for("-----")
        t.keys("abc", "Enter")
        time.sleep(0.2)
        t.keys("C-c")
        s = t.wait_for("status=1")
        check_true("break message", "CTRL-C BREAK" in s and "Total Time" not in s, s)
        check_true("output file kept", os.path.exists(os.path.join(cwd, "out.bin")))

        # Ctrl+C at the usage pause: the no-echo mode must not outlive vordel.
        t.start(go + f"trap 'stty -a > stty.txt; echo trapped' INT; {v}")
        t.wait_for("more...")
        t.keys("C-c")
        t.wait_for("trapped")
        with open(os.path.join(cwd, "stty.txt")) as f:
            modes = f.read().split()
        check_true("echo back on after Ctrl+C", "echo" in modes and "icanon" in modes, " ".join(modes))
    finally:
        t.stop()
        shutil.rmtree(cwd, ignore_errors=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("mode", choices=["pipe", "tmux", "script", "startup"])
    ap.add_argument("--probe")
    ap.add_argument("--vordel")
    a = ap.parse_args()
    if a.mode != "pipe" and shutil.which("tmux") is None:
        print("tmux not installed: console tests skipped (scripts/setup.sh installs it)")
        return 77
    if a.mode == "tmux":
        run_tmux(a.probe)
    elif a.mode == "script":
        run_tmux_script(os.path.abspath(a.vordel))
    elif a.mode == "startup":
        run_tmux_startup(os.path.abspath(a.vordel))
    else:
        run_pipe(a.probe)
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
