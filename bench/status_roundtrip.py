"""Status round trips: vordel asking DLE_EOT(1) 1000 times of vordel-sim on a
pseudo-terminal mapped to COM1, beside a raw one-byte ping-pong between two
processes over a pseudo-terminal (pty_pingpong) in the same run, taken in
turns, best of three each (a shared machine's load comes and goes). Prints
both means in microseconds and their ratio. Target: at most 2 times the raw
figure.

usage: python3 bench/status_roundtrip.py BUILD-DIR [rounds]
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "sim"))
import vordel_sim_test  # noqa: E402
from simulator import Simulator  # noqa: E402
from vordel_sim_test import VordelRun  # noqa: E402

SCRIPT = """BEGIN {
    DLE_EOT(1)
    start = now()
    for (i = 0; i < %d; i++)
        if (DLE_EOT(1) != 18) { print "bad reply"; exit 1 }
    print now() - start
}
"""


def main():
    build = sys.argv[1]
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    vordel_sim_test.VORDEL = os.path.abspath(os.path.join(build, "vordel"))
    raws, vordels = [], []
    sim = Simulator(os.path.join(build, "sim", "vordel-sim"), host=False)
    try:
        run = VordelRun(sim.path)
        script = run.script(SCRIPT % rounds)
        for _ in range(3):
            raws.append(float(subprocess.check_output([os.path.join(build, "pty_pingpong"), str(rounds)])))
            status, out, err = run.run(script, "COM1")
            if status != 0:
                sys.exit("vordel failed: " + err)
            vordels.append(int(out.split()[-1]) * 1000.0 / rounds)
    finally:
        sim.stop()
    raw, vordel = min(raws), min(vordels)
    print("raw pty ping-pong: %.1f us per round trip" % raw)
    print("vordel DLE_EOT(1) against vordel-sim: %.1f us per round trip" % vordel)
    print("ratio: %.2f (target at most 2)" % (vordel / raw))


if __name__ == "__main__":
    main()
