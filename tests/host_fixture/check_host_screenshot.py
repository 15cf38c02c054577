#!/usr/bin/env python3
"""Runs the Windows extio-host under Wine against the Excalibur plug-in and its receiver simulator, and
checks the levels it reports against a full scale of 2^31 and the panel screenshots it writes.

usage: check_host_screenshot.py --host EXE --plugin EXCALIBUR_DLL --workdir DIR --emulator SCRIPT

The working folder is a scratch folder of its own: the plug-in keeps its settings file there.
"""
import argparse
import os
import re
import subprocess
import sys

from check_host_run import check, failures, read_png, run, summary_value

# Wine lets the X window manager draw a captioned window's frame unless told otherwise for the program.
DECORATION_KEY = r"HKCU\Software\Wine\AppDefaults\extio-host.exe\X11 Driver"
# The panel's client area and its attenuator button, in dialog units.
PANEL_UNITS = (159, 148)
ATTENUATOR_BUTTON_UNITS = (3, 117, 48, 13)


def wine(args, command):
    return subprocess.run([args.emulator] + command, cwd=args.workdir, capture_output=True, text=True,
                          timeout=120).returncode


def let_wine_draw_frames(args, on):
    if on:
        check(wine(args, ["reg", "add", DECORATION_KEY, "/v", "Decorated", "/d", "N", "/f"]) == 0,
              "cannot set %s" % DECORATION_KEY)
    else:
        wine(args, ["reg", "delete", DECORATION_KEY, "/f"])


def screenshot(args, name, options):
    path = os.path.join(args.workdir, name)
    if os.path.exists(path):
        os.remove(path)
    status, out, err = run(args, ["--plugin", args.plugin, "--screenshot", name] + options)
    sys.stdout.write(out)
    sys.stdout.write(err)
    check(status == 0, "%s: exit %d" % (name, status))
    line = re.match(r"(\S+) \((\d+) x (\d+) pixels, (.+)\)$", summary_value(out, "screenshot") or "")
    if not check(line is not None and line.group(1) == name, "%s: screenshot line %r" % (name, summary_value(out, "screenshot"))):
        return None, out
    if not check(os.path.exists(path), "%s: not written" % name):
        return None, out
    png = read_png(path)
    if png is None:
        return None, out
    width, height, rows = png
    check((width, height) == (int(line.group(2)), int(line.group(3))),
          "%s: %dx%d pixels, the window was %sx%s" % (name, width, height, line.group(2), line.group(3)))
    colours = {pixel for row in rows for pixel in row}
    check(len(colours) >= 50, "%s: only %d colours; the picture is missing" % (name, len(colours)))
    return (width, height, rows, line.group(4)), out


def crop(rows, left, top, width, height):
    return [row[left:left + width] for row in rows[top:top + height]]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--plugin", required=True)
    parser.add_argument("--workdir", required=True)
    parser.add_argument("--emulator", required=True)
    args = parser.parse_args()
    os.makedirs(args.workdir, exist_ok=True)

    # The window manager draws the frame: the client area is what the window has. With the extended
    # calls the plug-in names its panel (GetExPara) and hands over receiver integers.
    let_wine_draw_frames(args, False)
    client, out = screenshot(args, "panel_client.png",
                             ["--extended", "--full-scale", "2147483648", "--seconds", "0.5"])
    check(summary_value(out, "full scale") == "2147483648 (the sample value that reads 0 dBFS)", "full scale line")
    peaks = [tuple(map(float, m)) for m in re.findall(r"^peak \d+\s*: ([\d.]+) Hz \(LO [-+][\d.]+ Hz\) (-?[\d.]+) dBFS",
                                                        out, re.MULTILINE)]
    # The simulator's carrier at 7.040 MHz is at -30 dBFS of its 32-bit full scale.
    check(any(abs(f - 7040000) < 6 and abs(db + 30) < 1 for f, db in peaks), "no -30 dBFS carrier at 7.040 MHz: %r" % peaks)
    level = re.match(r"(-?[\d.]+) dBFS RMS", summary_value(out, "level") or "")
    check(level is not None and -60 < float(level.group(1)) < 0, "level against 2^31: %r" % (level and level.group(1)))

    # Wine draws the frame: the whole window, caption included. Without the extended calls the host
    # finds the panel by its caption.
    let_wine_draw_frames(args, True)
    try:
        whole, _ = screenshot(args, "panel_window.png", ["--seconds", "0.5"])
        hovered, _ = screenshot(args, "panel_hover.png", ["--seconds", "0.5", "--hover-button", "1002"])
    finally:
        let_wine_draw_frames(args, False)

    if client:
        check(client[3].startswith("client area only"), "the first capture is not of the client area: %s" % client[3])
        check(200 <= client[0] <= 400 and 200 <= client[1] <= 400, "client area %dx%d" % client[:2])
    if not (client and whole and hovered):
        return
    check(whole[3] == "whole window" and hovered[3] == "whole window", "captures with Wine's frames: %s, %s" %
          (whole[3], hovered[3]))
    border = (whole[0] - client[0]) // 2
    caption = whole[1] - client[1] - border
    check(1 <= border <= 8 and 12 <= caption <= 40, "frame of %d and caption of %d pixels" % (border, caption))
    band = crop(whole[2], border, border, client[0], caption - border)
    check(len({pixel for row in band for pixel in row}) >= 3, "no caption text in the frame")
    check(crop(hovered[2], 0, 0, whole[0], caption) == crop(whole[2], 0, 0, whole[0], caption),
          "hovering changed the caption")

    # Hovering changes the attenuator button and nothing else.
    x, y, w, h = ATTENUATOR_BUTTON_UNITS
    scale_x, scale_y = client[0] / PANEL_UNITS[0], client[1] / PANEL_UNITS[1]
    box = (x * scale_x - 2, y * scale_y - 2, (x + w) * scale_x + 2, (y + h) * scale_y + 2)
    changed = [(cx, cy) for cy in range(client[1]) for cx in range(client[0])
               if whole[2][caption + cy][border + cx] != hovered[2][caption + cy][border + cx]]
    check(len(changed) >= 50, "hovering the attenuator button changed %d pixels" % len(changed))
    outside = [(cx, cy) for cx, cy in changed if not (box[0] <= cx <= box[2] and box[1] <= cy <= box[3])]
    check(not outside, "hovering changed pixels outside the attenuator button, e.g. %r" % outside[:5])


if __name__ == "__main__":
    main()
    for failure in failures:
        print("FAILED: " + failure)
    sys.exit(1 if failures else 0)
