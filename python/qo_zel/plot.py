"""Plots of waveforms with matplotlib (Agg backend: no display needed).

One panel per waveform, stacked over a shared X axis labelled with the
waveform set's X descriptor ("time [s]"):
  - analog waveforms (numbers) are curves, one per segment of the sweep,
    labelled with the segment's parameter values, the Y axis with the
    waveform's Y descriptor ("voltage [V]");
  - digital waveforms (enumerations, characters, strings) are bands, one row
    per segment: each value holds from its X to the next value's X (the last
    one to the end of the plot) and is written inside its stretch.
The file type follows the output name's extension (.svg or .png). SVG text
stays text, so the labels can be searched and the file stays small.
"""
import os

import numpy as np

FORMATS = {".svg": "svg", ".png": "png"}


def plot(waveform_set, paths, output, segments=None, title=None):
    """Writes a plot of the waveforms at paths of waveform_set to output.
    segments: positions in the set's segment list (default: all)."""
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    extension = os.path.splitext(str(output))[1].lower()
    if extension not in FORMATS:
        raise ValueError(f"{output}: the file name must end in .svg or .png")
    chosen = waveform_set.segments
    if segments is not None:
        chosen = [chosen[i] for i in segments]
    waveforms = [waveform_set.waveform(path) for path in paths]

    plt.rcParams["svg.fonttype"] = "none"
    heights = [1.0 if w.is_digital else 2.5 for w in waveforms]
    figure, axes = plt.subplots(len(waveforms), 1, sharex=True, squeeze=False,
                                figsize=(8, 1.0 + sum(heights)), gridspec_kw={"height_ratios": heights})
    axes = axes[:, 0]
    datas = [[(segment, w.data(segment)) for segment in chosen if w.has_data(segment)] for w in waveforms]
    x_values = [d.x for row in datas for _, d in row if len(d)]
    x_end = max(float(np.max(x)) for x in x_values) if x_values else 1.0
    for ax, waveform, path, row in zip(axes, waveforms, paths, datas):
        if waveform.is_digital:
            _bands(ax, waveform, row, x_end)
        else:
            _curves(ax, waveform, row)
        ax.set_title(path, loc="left", fontsize="medium")
    axes[-1].set_xlabel(waveform_set.x_descriptor.label)
    if title:
        figure.suptitle(title)
    figure.tight_layout()
    figure.savefig(output, format=FORMATS[extension])
    plt.close(figure)


def _curves(ax, waveform, row):
    for segment, data in row:
        ax.plot(data.x, data.y, label=segment.label or None)
    ax.set_ylabel(waveform.y_descriptor.label)
    ax.grid(True, alpha=0.3)
    if any(segment.label for segment, _ in row):
        ax.legend(fontsize="small")


def _bands(ax, waveform, row, x_end):
    colors = ("#cfe2f3", "#f9e0b3")
    for r, (segment, data) in enumerate(row):
        x = np.asarray(data.x, dtype=float)
        texts = data.texts()
        ends = np.append(x[1:], max(x_end, x[-1]) if len(x) else x_end)
        for i, (start, end, text) in enumerate(zip(x, ends, texts)):
            ax.broken_barh([(start, end - start)], (r + 0.1, 0.8), facecolors=colors[i % 2],
                           edgecolors="#555555", linewidth=0.5)
            ax.text((start + end) / 2, r + 0.5, text, ha="center", va="center", fontsize="small", clip_on=True)
    ax.set_ylim(max(len(row), 1), 0)  # the first segment on top, as in the legends
    ax.set_yticks([r + 0.5 for r in range(len(row))])
    ax.set_yticklabels([segment.label or f"segment {segment.index}" for segment, _ in row], fontsize="small")
    ax.set_ylabel(waveform.y_descriptor.label)
