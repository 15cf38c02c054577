#!/usr/bin/env python3
"""Checks the shipped DLL's face with objdump: machine i386, every export by
name at its fixed ordinal with no decorated alias, the names that share one
function, and imports from system DLLs only."""
import re
import subprocess
import sys

STANDARD = ["CloseHW", "GetExPara", "GetFilters", "GetHWLO", "GetHWSR", "GetMode", "GetTune", "HideGUI",
            "IFLimitsChanged", "InitExtIOPara", "InitHW", "ModeChanged", "OpenHW", "RawDataReady", "SetAtt",
            "SetCallback", "SetDither", "SetExPara", "SetHWLO", "SetLevelOffset", "SetNB", "SetSamples",
            "ShowGUI", "StartHW", "StopHW", "TuneChanged"]
HOST_CALLS = ["ExtIoGetActualSrateIdx", "ExtIoGetSrates", "ExtIoSetSrate", "GetActualAttIdx", "GetAttenuators",
              "SetAttenuator", "VersionInfo"]
# The calls of the extended ExtIO header that hosts look for: settings kept by
# the host, 64-bit tuning, the usable bandwidth.
HEADER_CALLS = ["ExtIoGetBandwidth", "ExtIoGetSetting", "ExtIoSetSetting", "GetHWLO64", "SetHWLO64", "StartHW64"]
SAME_FUNCTION = [("CloseHW", "HideGUI"), ("GetHWLO", "GetTune"), ("ModeChanged", "TuneChanged")]
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "shell32.dll", "msvcrt.dll",
               "advapi32.dll"}


def main(dll):
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", dll], check=True, capture_output=True,
                          text=True).stdout
    failures = []
    if "file format pei-i386" not in dump:
        failures.append("not an i386 PE image")

    expected = {name: ordinal for ordinal, name in enumerate(STANDARD, 1)}
    expected["GetStatus"] = 27
    expected.update({name: ordinal for ordinal, name in enumerate(HOST_CALLS, 28)})
    expected.update({name: ordinal for ordinal, name in enumerate(HEADER_CALLS, 35)})

    # "[   0] +base[   1] 15c0 Export RVA" gives each ordinal's address;
    # "[  26] GetStatus" gives each name's table index (ordinal - base).
    rva = {int(o): a for o, a in re.findall(r"\+base\[\s*(\d+)\]\s+([0-9a-f]+) Export RVA", dump)}
    section = dump.split("[Ordinal/Name Pointer] Table", 1)[-1]
    names = {n: int(i) + 1 for i, n in re.findall(r"^\s*\[\s*(\d+)\]\s+(\S+)\s*$", section, re.M)}
    if names != expected:
        failures.append(f"exports differ: extra {sorted(set(names) - set(expected))}, "
                        f"missing {sorted(set(expected) - set(names))}, "
                        f"moved {sorted(n for n in names if n in expected and names[n] != expected[n])}")
    for first, second in SAME_FUNCTION:
        if first in names and second in names and rva.get(names[first]) != rva.get(names[second]):
            failures.append(f"{first} and {second} are not one function")

    imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
    if not imports <= SYSTEM_DLLS:
        failures.append(f"imports beyond the system DLLs: {sorted(imports - SYSTEM_DLLS)}")

    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(names)} exports, imports {sorted(imports)}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
