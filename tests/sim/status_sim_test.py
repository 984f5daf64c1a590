"""The status request builtins against vordel-sim on a pseudo-terminal:
every request once with its decoded -v output compared whole, automatic
status changing under a running script, an acknowledged record block, a
block too long for the receiver, Esc during a wait.

usage: status_sim_test.py PATH-TO-vordel PATH-TO-vordel-sim [--update] [unittest arguments]
--update writes the actual outputs into tests/sim/status/*.out (read them before committing).
Exits 77 (skipped) when vordel cannot open the simulator's line.
"""
import os
import re
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import vordel_sim_test  # noqa: E402
from simulator import DEADLINE, Simulator  # noqa: E402
from vordel_sim_test import VordelRun  # noqa: E402

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "status")
UPDATE = False


class StatusAgainstSim(unittest.TestCase):
    def setUp(self):
        self.sims = []

    def tearDown(self):
        for sim in self.sims:
            sim.close()

    def start_sim(self, *args):
        sim = Simulator(vordel_sim_test.SIM, *args, host=False)
        self.sims.append(sim)
        return sim

    def compare_whole(self, name, *sim_args):
        sim = self.start_sim(*sim_args)
        run = VordelRun(sim.path)
        with open(os.path.join(HERE, name + ".vd")) as f:
            job = run.script(f.read())
        status, out, err = run.run("-v", job, "COM1")
        err = re.sub(r"Total Time = [0-9.]+ seconds", "Total Time = <masked> seconds", err)
        actual = "status %d\n--- stdout\n%s--- stderr\n%s" % (status, out, err)
        golden = os.path.join(HERE, name + ".out")
        if UPDATE:
            with open(golden, "w") as f:
                f.write(actual)
        with open(golden) as f:
            self.assertEqual(actual, f.read())

    def test_every_request_decoded(self):
        self.compare_whole("every_request")

    def test_passbook_requests(self):
        self.compare_whole("passbook", "--set", "emulation=pr2", "--set", "operator=button2")

    def test_a_status_change_while_the_script_waits(self):
        sim = self.start_sim("--trace")
        run = VordelRun(sim.path)
        job = run.script(
            'BEGIN {\n    first = GS_a(255)\n    print "enabled"\n'
            '    while (asb() == first) wait(20)\n'
            '    printf "%02X\\n", (code(substr(asb(), 1, 1)) + 256) % 256\n}\n')
        proc = run.start("-v", job, "COM1")
        self.assertTrue(sim.wait_for_stderr("GS a 255 -> ASB"), sim.error_text())
        sim.control("set cover=open")
        out, err = proc.communicate(timeout=DEADLINE * 3)
        self.assertEqual(proc.returncode, 0, err)
        out = out.decode()
        # The first ASB shows every bit; the change only the bits it changed
        # (the script may see it before or after printing "enabled").
        later = out.split("\n\n", 1)[1].replace("enabled\n", "")
        self.assertEqual(later, " ASB-1-3:On-line/Off-line        1:Off-line          \n"
                                " ASB-1-5:Cover status            1:Open              \n\n38\n")

    def test_record_block_of_several_records(self):
        sim = self.start_sim("--trace")
        run = VordelRun(sim.path)
        job = run.script('BEGIN { s = FS_PLUS(49, 1, 5); print length(s), substr(s, 3, 4), substr(s, 55) }\n')
        status, out, err = run.run(job, "COM1")
        self.assertEqual((status, out), (0, "62 R1\x33\x04 REC00005\n"), err)
        self.assertTrue(sim.wait_for_stderr("ack -> end of block"), sim.error_text())
        self.assertEqual(sim.error_text().count("ack -> "), 5)

    def test_a_block_over_512_bytes_ends_the_run(self):
        sim = self.start_sim("--reply", "1D4941=5F" + "41" * 600 + "00")
        run = VordelRun(sim.path)
        status, out, err = run.run(run.script('BEGIN { s = GS_I(65); print "not reached" }\n'), "COM1")
        self.assertEqual(status, 1)
        self.assertEqual(out, "")
        self.assertTrue(err.endswith("Fatal error: block status is too long.\n"), err)

    def test_esc_cancels_a_wait(self):
        sim = self.start_sim("--silent")
        run = VordelRun(sim.path)
        job = run.script('BEGIN { print DLE_EOT(1); print length(blockstatus()) }\n')
        proc = subprocess.Popen([vordel_sim_test.VORDEL, job, "COM1"], cwd=run.dir.name, env=run.env,
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        out, err = proc.communicate(b"\x1b\x1b", timeout=DEADLINE * 3)
        self.assertEqual((proc.returncode, out.decode()), (0, "-1\n0\n"), err)
        self.assertEqual(err.decode().count("Canceled\n"), 2, err)


if __name__ == "__main__":
    vordel_sim_test.VORDEL = os.path.abspath(sys.argv.pop(1))
    vordel_sim_test.SIM = os.path.abspath(sys.argv.pop(1))
    if "--update" in sys.argv:
        sys.argv.remove("--update")
        UPDATE = True
    probe = Simulator(vordel_sim_test.SIM, host=False)
    try:
        probe_run = VordelRun(probe.path)
        _, _, said = probe_run.run(probe_run.script('BEGIN { output "x" }\n'), "COM1", timeout=60)
    finally:
        probe.stop()
    if "Can't open port" in said:
        print("skipped: vordel cannot open the simulator's line as COM1 (no serial driver)")
        sys.exit(77)
    unittest.main()
