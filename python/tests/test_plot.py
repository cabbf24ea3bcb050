"""The plot command: SVG and PNG files with the axes, curves and bands."""
import pathlib
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

import pytest

pytest.importorskip("matplotlib", reason="matplotlib is not installed (Debian: python3-matplotlib)")


def run_plot(*arguments):
    return subprocess.run([sys.executable, "-m", "qo_zel", "plot", *arguments], capture_output=True, text=True,
                          cwd=str(pathlib.Path(__file__).resolve().parent.parent))


def test_svg_has_labelled_axes_a_curve_per_segment_and_bands(demo, tmp_path):
    output = tmp_path / "ladder.svg"
    done = run_plot(demo, "tran", "top/ladder/n3", "top/logic/n1_high", "-o", str(output))
    assert done.returncode == 0, done.stderr
    root = ElementTree.parse(output).getroot()
    texts = [t.text for t in root.iter("{http://www.w3.org/2000/svg}text") if t.text]
    for expected in ("time [s]", "voltage [V]", "level", "top/ladder/n3", "top/logic/n1_high",
                     "R = 1000 Ohm", "R = 2000 Ohm", "R = 4000 Ohm"):
        assert expected in texts
    # Three bands of values: segment 0 goes high and low again, the others stay low.
    assert texts.count("1") >= 1 and texts.count("0") >= 4
    lines = [p for p in root.iter("{http://www.w3.org/2000/svg}path") if "clip-path" in p.attrib]
    assert len(lines) >= 3


def test_png_and_refusals(demo, tmp_path):
    output = tmp_path / "ladder.png"
    assert run_plot(demo, "tran", "top/ladder/n1", "-o", str(output), "--segment", "2").returncode == 0
    assert output.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    done = run_plot(demo, "tran", "top/ladder/n1", "-o", str(tmp_path / "ladder.pdf"))
    assert done.returncode == 1 and "must end in .svg or .png" in done.stderr
    done = run_plot(demo, "tran", "top/nothing", "-o", str(output))
    assert done.returncode == 1 and done.stderr.startswith("qo_zel: plot: ") and "top/nothing" in done.stderr
    done = run_plot(demo, "nothing", "top/ladder/n1", "-o", str(output))
    assert done.returncode == 1 and "ZEL_FindWaveformSet: WaveformSet not found" in done.stderr
