#!/usr/bin/env python3
"""Draws the running animation of the main window: the computer with an arc
turning around it, as an animated GIF flattened onto the header colour.

Usage: make_running_gif.py <out.gif> <work-dir> [scale-per-cent]
The animation is 84 pixels square at 100 %, larger for screens scaled up.
Needs rsvg-convert and ImageMagick's convert.
"""
import math
import os
import subprocess
import sys

SIZE = 84
FRAMES = 16
DELAY_CS = 8  # hundredths of a second per frame: 12.5 frames a second, a turn in 1.3 s
BACKGROUND = "#2F80FF"

FRAME = """<svg xmlns="http://www.w3.org/2000/svg" width="{s}" height="{s}" viewBox="0 0 84 84">
  <rect width="84" height="84" fill="{bg}"/>
  <circle cx="42" cy="42" r="40" fill="#FFFFFF" fill-opacity="0.14"/>
  <circle cx="42" cy="42" r="38.5" fill="none" stroke="#FFFFFF" stroke-opacity="0.25" stroke-width="3"/>
  <path d="{arc}" fill="none" stroke="#FFFFFF" stroke-width="3" stroke-linecap="round"/>
  <rect x="20" y="22" width="44" height="31" rx="4" fill="none" stroke="#FFFFFF" stroke-width="3.5"/>
  <path d="M35 62 H49 M42 53.5 V62" stroke="#FFFFFF" stroke-width="3.5" stroke-linecap="round"/>
  <rect x="25" y="{scan}" width="34" height="2.5" rx="1.2" fill="#00E08A"/>
</svg>
"""


def arc(start_deg, sweep_deg, r=38.5, c=42.0):
    a0, a1 = math.radians(start_deg), math.radians(start_deg + sweep_deg)
    x0, y0 = c + r * math.cos(a0), c + r * math.sin(a0)
    x1, y1 = c + r * math.cos(a1), c + r * math.sin(a1)
    return f"M{x0:.2f} {y0:.2f} A{r} {r} 0 0 1 {x1:.2f} {y1:.2f}"


def main():
    out, work = sys.argv[1], sys.argv[2]
    size = SIZE * (int(sys.argv[3]) if len(sys.argv) > 3 else 100) // 100
    os.makedirs(work, exist_ok=True)
    pngs = []
    for i in range(FRAMES):
        phase = i / FRAMES
        # The scan line sweeps down the screen and back.
        scan = 26 + 22 * (1 - abs(1 - 2 * phase))
        svg = FRAME.format(s=size, bg=BACKGROUND, arc=arc(-90 + 360 * phase, 100), scan=f"{scan:.2f}")
        svg_path = os.path.join(work, f"running_{i:02d}.svg")
        png_path = os.path.join(work, f"running_{i:02d}.png")
        with open(svg_path, "w") as f:
            f.write(svg)
        subprocess.run(["rsvg-convert", svg_path, "-o", png_path], check=True)
        pngs.append(png_path)
    subprocess.run(["convert", "-delay", str(DELAY_CS), "-loop", "0", *pngs, "-layers", "Optimize", out], check=True)


if __name__ == "__main__":
    main()
