"""python3 -m qo_zel plot CONTAINER SET PATH... -o FILE [--segment N]...

Plots waveforms of a container into an SVG or PNG file (see qo_zel.plot)."""
import argparse
import sys

from . import Error, open as open_container


def main(argv=None):
    parser = argparse.ArgumentParser(prog="python3 -m qo_zel", description="Waveform containers from Python.")
    commands = parser.add_subparsers(dest="command", required=True)
    plot = commands.add_parser("plot", help="plot waveforms into an SVG or PNG file",
                               description="Plots waveforms of one waveform set: analog ones as curves (one "
                                           "per segment of a sweep), digital ones as bands of values.")
    plot.add_argument("container", help="the container (its name, or its reference file)")
    plot.add_argument("set", help="the waveform set")
    plot.add_argument("paths", nargs="+", metavar="PATH", help="hierarchy path of a waveform (top/out)")
    plot.add_argument("-o", "--output", required=True, help="output file, .svg or .png")
    plot.add_argument("--segment", type=int, action="append", metavar="N",
                      help="only segment N (position in the set's list; may be repeated)")
    plot.add_argument("--title", help="a title above the plot")
    args = parser.parse_args(argv)

    try:
        from .plot import plot as draw
        with open_container(args.container) as container:
            draw(container.waveform_set(args.set), args.paths, args.output, args.segment, args.title)
    except ImportError as error:
        print(f"qo_zel: plot: {error} (Debian: python3-matplotlib)", file=sys.stderr)
        return 1
    except (Error, ValueError, IndexError, OSError) as error:
        print(f"qo_zel: plot: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
