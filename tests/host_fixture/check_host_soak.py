#!/usr/bin/env python3
"""Runs extio-host's soak against the Excalibur plug-in and its receiver simulator and checks the soak's
summary: the sample mode, the level offset and the three switches changed from a second thread while the
stream runs at 1 MHz, then StopHW.

usage: check_host_soak.py --host EXE --plugin EXCALIBUR --workdir DIR [--emulator SCRIPT] [--seconds S]

The working folder is a scratch folder of its own: the plug-in keeps its settings file there.
"""
import argparse
import os
import re
import subprocess
import sys

from check_host_run import check, failures, summary_value


def run(args, command, timeout, environment=None):
    prefix = [args.emulator] if args.emulator else []
    result = subprocess.run(prefix + [args.host] + command, cwd=args.workdir, capture_output=True, text=True,
                            timeout=timeout, env=dict(os.environ, **(environment or {})))
    return result.returncode, result.stdout, result.stderr


def numbers(text, pattern):
    match = re.match(pattern, text or "")
    return [int(n) for n in match.groups()] if match else None


def check_soak(args):
    seconds = args.seconds
    status, out, err = run(args, ["--plugin", args.plugin, "--extended", "--mode", "4", "--seconds", str(seconds),
                                  "--soak"], timeout=seconds + 110)
    sys.stdout.write("".join(line + "\n" for line in out.splitlines() if line.startswith("soak")))
    sys.stdout.write(err[-2000:] if status != 0 else "")
    check(status == 0, "soak exited with %d" % status)
    check(summary_value(out, "soak result") == "passed", "soak result %r" % summary_value(out, "soak result"))
    length = re.match(r"([\d.]+) s from sample mode 4, ", summary_value(out, "soak") or "")
    check(length is not None and seconds <= float(length.group(1)) < seconds + 1,
          "soak line %r" % summary_value(out, "soak"))

    # Every 250 ms a mode, every 10 ms an offset, every 100 ms the three switches; a loaded machine may
    # drop a late slot, never add one.
    modes = 0
    calls = numbers(summary_value(out, "soak calls"),
                    r"(\d+) SetSamples, (\d+) SetLevelOffset, (\d+) SetAtt, (\d+) SetDither, (\d+) SetNB$")
    if check(calls is not None, "soak calls line %r" % summary_value(out, "soak calls")):
        modes, offsets, att, dither, nb = calls
        check(0.8 * seconds * 4 <= modes <= seconds * 4, "%d SetSamples calls in %g s" % (modes, seconds))
        check(0.5 * seconds * 100 <= offsets <= seconds * 100, "%d SetLevelOffset calls in %g s" % (offsets, seconds))
        check(0.8 * seconds * 10 <= att <= seconds * 10 and att == dither == nb, "switch calls %r" % calls[2:])
        posted = numbers(summary_value(out, "soak notices"), r"(\d+) sample mode, (\d+) level offset, (\d+) attenuator, "
                         r"(\d+) dither, (\d+) noise blanker messages posted back$")
        check(posted == calls, "posted %r for calls %r" % (posted, calls))
        rates = numbers(summary_value(out, "soak rates"),
                        r"(\d+) mode changes, (\d+) status 100 calls, GetHWSR gave the selected mode's rate at (\d+)$")
        check(rates == [modes, modes, modes], "soak rates line %r" % summary_value(out, "soak rates"))
        # Every SetAtt ends with a status 125, on which the host reads GetActualAttIdx again.
        check(re.search(r"^status calls\s*: 100 x%d, 125 x%d$" % (modes + 1, att), out, re.MULTILINE) is not None,
              "status calls: %r, expected 100 x%d (the --mode 4 before the start too), 125 x%d" %
              (summary_value(out, "status calls"), modes + 1, att))
        check((summary_value(out, "attenuator read") or "").startswith("GetActualAttIdx read on %d status 125 calls" % att)
              and summary_value(out, "attenuator read").endswith("matches"),
              "attenuator read line %r" % summary_value(out, "attenuator read"))
        check(summary_value(out, "settings") is not None and
              ("sample mode %d," % ((4 + modes) % 5)) in summary_value(out, "settings"),
              "the last mode selected is not in force: %r" % summary_value(out, "settings"))

    blocks = numbers(summary_value(out, "soak blocks"), r"(\d+) data calls, (\d+) with a count other than (\d+)$")
    if check(blocks is not None, "soak blocks line %r" % summary_value(out, "soak blocks")):
        # Cycling 50, 100, 200, 500 and 1000 kHz gives 370 kHz on average: 90 blocks of 4096 pairs a second.
        check(blocks[0] >= 40 * seconds, "only %d blocks in %g s" % (blocks[0], seconds))
        check(blocks[1:] == [0, 8192], "blocks of another size: %r" % blocks)
    stalls = numbers(summary_value(out, "soak stalls"), r"(\d+) waits over 3 block periods: (\d+) at a mode change, "
                     r"(\d+) elsewhere of at most 50 ms \(scheduling\), (\d+) unexplained")
    if check(stalls is not None, "soak stalls line %r" % summary_value(out, "soak stalls")):
        # Cycling from mode 4, every fifth change goes from 1 MHz to 50 kHz: a wait of one 82 ms block.
        check(stalls[1] >= modes // 5, "only %d stalls at %d mode changes" % (stalls[1], modes))
        check(stalls[3] == 0 and stalls[0] == stalls[1] + stalls[2] + stalls[3], "stalls %r" % stalls)
    check(summary_value(out, "soak stop") == "0 data calls in the 200 ms after StopHW returned",
          "soak stop line %r" % summary_value(out, "soak stop"))


def check_arguments(args):
    for options, message in ((["--soak"], "--soak drives an extended export and needs --extended"),
                             (["--extended", "--soak", "--att-toggle"], "leave out --att-toggle"),
                             (["--extended", "--soak", "--seconds", "0.5"], "--soak needs --seconds 1 or more")):
        status, out, err = run(args, ["--plugin", args.plugin] + options, timeout=60)
        check(status == 2 and message in err and out == "", "%s: exit %d, stderr %r" % (options, status, err))


def check_failure_is_reported(args):
    # The simulator's blocks of 2048 pairs reach the host as 4096 values, not 8192.
    status, out, err = run(args, ["--plugin", args.plugin, "--extended", "--mode", "4", "--seconds", "1.5", "--soak"],
                           timeout=120, environment={"G31DDC_SIM_BLOCK": "2048"})
    check(status == 6, "soak with short blocks exited with %d" % status)
    check((summary_value(out, "soak result") or "").startswith("FAILED"), "soak result %r" % summary_value(out, "soak result"))
    check(re.search(r"^extio-host: soak failed: (\d+) of \1 data calls with a count other than 8192 \(\1 of 4096\)$",
                    err, re.MULTILINE) is not None, "no clear failure line: %r" % err[-500:])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--plugin", required=True)
    parser.add_argument("--workdir", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--seconds", type=float, default=8.0)
    args = parser.parse_args()
    os.makedirs(args.workdir, exist_ok=True)
    check_arguments(args)
    check_failure_is_reported(args)
    check_soak(args)
    for failure in failures:
        print("FAILED: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
