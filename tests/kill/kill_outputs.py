#!/usr/bin/python3
"""Kills kivelo's output commands with SIGKILL at random moments.

After every kill each output name must hold the complete old file, the complete
new one or nothing (when there was none), never part of one. Staged leftovers
must be hidden, say what they are (".NAME.kivelo-partial-XXXXXX") and be gone
after the next run of the same command. Under a preloaded recorder
(SyncOrderShim) each output must take its name only after its data and its
folder were synced, and the folder must be synced again after the rename, so
that a power loss cannot leave a name without its data.

  kill_outputs.py --bin BUILD/bin --driver KILL_DRIVER --shim SHIM.so [--kills N] [--seed S]
"""
import argparse
import os
import random
import signal
import subprocess
import sys
import tempfile
import time

PARTIAL = ".kivelo-partial-"
OLD = b"the user's older file, complete\n" * 1000


class Case:
    """One command: how to run it and which files it writes."""

    def __init__(self, name, outputs, replaces, argv, simulator=None):
        self.name = name
        self.outputs = outputs  # final names it writes
        self.replaces = replaces  # an older file stands under the name before each run
        self.argv = argv  # function(simulator device or None) -> command line
        self.simulator = simulator  # qvsim arguments for a pseudo-terminal, or None
        self.new = {}


def start_simulator(qvsim, args):
    sim = subprocess.Popen([qvsim] + args + ["--pty"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL)
    device = sim.stdout.readline().decode().strip()
    if not device:
        raise RuntimeError("qvsim did not start")
    return sim, device


def stop_simulator(sim):
    if sim is None:
        return
    sim.kill()
    sim.wait()


def reset(case):
    for path in case.outputs:
        if case.replaces:
            with open(path + ".old", "wb") as f:
                f.write(OLD)
            os.replace(path + ".old", path)
        elif os.path.lexists(path):
            os.unlink(path)


def launch(case, qvsim, env):
    sim, device = (None, None)
    if case.simulator is not None:
        sim, device = start_simulator(qvsim, case.simulator)
    proc = subprocess.Popen(case.argv(device), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, env=env)
    return proc, sim


def run_complete(case, qvsim, env):
    reset(case)
    start = time.monotonic()
    proc, sim = launch(case, qvsim, env)
    try:
        _, err = proc.communicate(timeout=300)
    finally:
        stop_simulator(sim)
    took = time.monotonic() - start
    if proc.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (case.name, proc.returncode, err.decode(errors="replace")))
    return took


def contents(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def leftovers(case, folder):
    """Files in the folder that belong to none of the known names."""
    known = set()
    for c in ALL_CASES:
        for path in c.outputs:
            known.add(os.path.basename(path))
    return [n for n in os.listdir(folder) if n not in known and not n.startswith("input")]


def check_names(case, folder, failures):
    strays = 0
    for name in leftovers(case, folder):
        if name.startswith(".") and PARTIAL in name:
            strays += 1
            continue
        failures.append("%s: a stray file in sight: %s" % (case.name, name))
    return strays


def kill_runs(case, kills, rng, qvsim, env, took, folder, figures, failures):
    counts = {"old": 0, "new": 0, "absent": 0, "strays": 0, "before end": 0}
    for i in range(kills):
        reset(case)
        proc, sim = launch(case, qvsim, env)
        time.sleep(rng.uniform(0.0, took))
        if proc.poll() is None:
            counts["before end"] += 1
            proc.send_signal(signal.SIGKILL)
        proc.wait()
        stop_simulator(sim)
        for path in case.outputs:
            data = contents(path)
            if data is None:
                kind = "absent"
                if case.replaces:
                    failures.append("%s kill %d: %s is gone (the older file is lost)" % (case.name, i, path))
            elif data == case.new[path]:
                kind = "new"
            elif case.replaces and data == OLD:
                kind = "old"
            else:
                kind = "partial"
                failures.append("%s kill %d: %s holds %d bytes of neither file" % (case.name, i, path, len(data)))
            counts[kind] = counts.get(kind, 0) + 1
        counts["strays"] += check_names(case, folder, failures)
    # The next run of the same command removes what the killed ones left.
    run_complete(case, qvsim, env)
    for path in case.outputs:
        if contents(path) != case.new[path]:
            failures.append("%s: the run after the kills did not write %s" % (case.name, path))
        stem = "." + os.path.basename(path) + PARTIAL
        left = [n for n in os.listdir(folder) if n.startswith(stem)]
        if left:
            failures.append("%s: leftovers stayed after the next run: %s" % (case.name, ", ".join(left)))
    figures.append((case.name, kills, counts))


def sync_order(case, qvsim, env, folder, failures):
    """Runs the command under the recorder and checks the order for every output."""
    log = os.path.join(folder, "..", "sync-%s.log" % case.name)
    if os.path.exists(log):
        os.unlink(log)
    traced = dict(env)
    traced["LD_PRELOAD"] = env["KILL_SHIM"]
    traced["KIVELO_SYNC_LOG"] = log
    run_complete(case, qvsim, traced)
    with open(log) as f:
        events = [line.rstrip("\n").split(" ") for line in f if line.strip()]
    real_folder = os.path.realpath(folder)
    for path in case.outputs:
        final = os.path.join(real_folder, os.path.basename(path))
        for problem in order_problems(events, final, real_folder):
            failures.append("%s: %s %s" % (case.name, path, problem))


def order_problems(events, final, folder):
    """What is wrong with the way final took its name in the recorded events."""
    moves = [i for i, e in enumerate(events) if e[0] == "R" and len(e) == 3 and os.path.realpath(e[2]) == final]
    if len(moves) != 1:
        return ["took its name %d times" % len(moves)]
    at = moves[0]
    staged = events[at][1]
    problems = []
    if PARTIAL not in os.path.basename(staged) or not os.path.basename(staged).startswith("."):
        problems.append("was written as " + staged)
    before = events[:at]
    writes = [i for i, e in enumerate(before) if e[0] == "W" and e[1] == staged]
    file_sync = [i for i, e in enumerate(before)
                 if e[0] == "S" and e[1] == staged and (not writes or i > writes[-1])]
    if not file_sync:
        return problems + ["was renamed before its data was synced"]
    if not [i for i, e in enumerate(before) if e[0] == "S" and e[1] == folder and i > file_sync[0]]:
        problems.append("was renamed before its folder was synced")
    if not [e for e in events[at + 1:] if e[0] == "S" and e[1] == folder]:
        problems.append("took its name without a folder sync after it")
    return problems


def check_the_checker():
    """The order check itself must refuse each wrong order."""
    t, d = "/f/.a.kivelo-partial-1", "/f"
    good = [["W", t], ["S", t], ["S", d], ["R", t, "/f/a"], ["S", d]]
    rows = [
        (good, 0),
        ([["W", t], ["S", d], ["R", t, "/f/a"], ["S", d]], 1),  # data never synced
        ([["S", t], ["W", t], ["S", d], ["R", t, "/f/a"], ["S", d]], 1),  # written after its sync
        ([["W", t], ["S", t], ["R", t, "/f/a"], ["S", d]], 1),  # folder not synced before
        ([["W", t], ["S", t], ["S", d], ["R", t, "/f/a"]], 1),  # nor after
        ([["W", "/f/a.tmp"], ["S", "/f/a.tmp"], ["S", d], ["R", "/f/a.tmp", "/f/a"], ["S", d]], 1),  # in sight
        ([], 1),
    ]
    for events, wrong in rows:
        if len(order_problems(events, "/f/a", d)) != wrong:
            raise AssertionError("the order check misjudges %s" % events)


ALL_CASES = []


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", required=True, help="folder of kivelo-cli, kivelo-gen and qvsim")
    parser.add_argument("--driver", help="kivelo-kill-driver (the program's commands)")
    parser.add_argument("--shim", help="the sync-order recorder to preload")
    parser.add_argument("--kills", type=int, default=3)
    parser.add_argument("--seed", type=int, default=2026)
    parser.add_argument("--only", default="", help="comma-separated case names")
    args = parser.parse_args()
    check_the_checker()

    cli = os.path.join(args.bin, "kivelo-cli")
    gen = os.path.join(args.bin, "kivelo-gen")
    qvsim = os.path.join(args.bin, "qvsim")
    work = tempfile.mkdtemp(prefix="kivelo-kill-")
    folder = os.path.join(work, "out")
    os.mkdir(folder)
    env = dict(os.environ)
    env["QT_QPA_PLATFORM"] = "offscreen"
    env["KIVELO_SETTINGS"] = os.path.join(work, "kivelo.stp")
    env["KILL_SHIM"] = args.shim or ""

    wvf = os.path.join(folder, "input-w.wvf")
    rtm = os.path.join(folder, "input-r.rtm")
    subprocess.run([gen, "wvf", wvf, "--traces", "4", "--samples", "400000", "--blocks", "2"], check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run([gen, "rtm", rtm, "--samples", "1500000"], check=True, stdout=subprocess.DEVNULL)

    def out(name):
        return os.path.join(folder, name)

    cases = [
        Case("cli-csv", [out("cli.csv")], True, lambda _: [cli, "csv", wvf, "-o", out("cli.csv"), "--force"]),
        Case("cli-convert", [out("conv.wvf"), out("conv.hdr")], False,
             lambda _: [cli, "convert", rtm, "-o", out("conv.wvf")]),
        Case("cli-download", [out("dl.wvf"), out("dl.hdr")], False,
             lambda device: [cli, "download", "--serial", device, "-o", out("dl.wvf"), "--yes"],
             ["--family", "qv8", "--channels", "1,2", "--length", "60000", "--records", "2"]),
    ]
    helptext = subprocess.run([cli, "--help"], capture_output=True).stdout.decode(errors="replace")
    helptext += subprocess.run([cli], capture_output=True).stderr.decode(errors="replace")
    if any(line.split()[:1] == ["export"] for line in helptext.splitlines()):
        for ending in ("wav", "h5", "vcd", "sr"):
            target = out("exported." + ending)
            trial = subprocess.run([cli, "export", wvf, "-o", target, "--force"], capture_output=True)
            if trial.returncode == 0:
                os.unlink(target)
                cases.append(Case("cli-export", [target], True,
                                  lambda _, t=target: [cli, "export", wvf, "-o", t, "--force"]))
                break
        else:
            print("kivelo-cli export is there but wrote none of .wav .h5 .vcd .sr: left out")
    else:
        print("kivelo-cli has no export command in this build: left out")
    if args.driver:
        cases += [
            Case("app-csv", [out("app.csv")], True, lambda _: [args.driver, "csv", wvf, out("app.csv")]),
            Case("app-convert", [out("appconv.wvf"), out("appconv.hdr")], False,
                 lambda _: [args.driver, "convert", rtm, out("appconv.wvf")]),
            Case("app-bmp", [out("app.bmp")], True, lambda _: [args.driver, "image", wvf, out("app.bmp")]),
            Case("app-png", [out("app.png")], True, lambda _: [args.driver, "image", wvf, out("app.png")]),
        ]
    if args.only:
        wanted = set(args.only.split(","))
        cases = [c for c in cases if c.name in wanted]
    ALL_CASES.extend(cases)

    rng = random.Random(args.seed)
    failures = []
    figures = []
    for case in cases:
        took = run_complete(case, qvsim, env)
        for path in case.outputs:
            case.new[path] = contents(path)
        again = run_complete(case, qvsim, env)
        for path in case.outputs:
            if contents(path) != case.new[path]:
                failures.append("%s: two complete runs wrote different %s" % (case.name, path))
        took = min(took, again)  # the first run may pay for a cold cache
        kill_runs(case, args.kills, rng, qvsim, env, took, folder, figures, failures)
        if args.shim:
            sync_order(case, qvsim, env, folder, failures)
        for path in case.outputs:
            if os.path.lexists(path):
                os.unlink(path)

    print("seed %d, %d kills per command, %d cores" % (args.seed, args.kills, os.cpu_count() or 0))
    print("%-14s %6s %10s %5s %5s %7s %7s" % ("command", "kills", "before end", "old", "new", "absent", "strays"))
    for name, kills, c in figures:
        print("%-14s %6d %10d %5d %5d %7d %7d" % (name, kills, c["before end"], c.get("old", 0), c.get("new", 0),
                                                 c.get("absent", 0), c["strays"]))
    for failure in failures:
        print("FAIL", failure)
    if not failures:
        subprocess.run(["rm", "-rf", work])
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
