"""Draws the speed-ups that bench/suite.py measured on each interpreter into one PNG.

    python bench/chart.py RESULTS.json... -o speedups.png

Two panels, one row of points per workload and one colour per interpreter: the speed-up over
the plain-Python rendering (rendering time / tallowkit time) and over the best peer (peer
time / tallowkit time; a cross: over the floor, where a workload has no peer), on a
logarithmic scale; 1 marks equal speed.
"""
import argparse
import json

import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("results", nargs="+")
    parser.add_argument("-o", "--output", required=True)
    args = parser.parse_args()
    runs = [json.load(open(path)) for path in args.results]
    runs.sort(key=lambda r: tuple(int(x) for x in r["python"].split(".")[:2]))
    panels = [("rendering", "speed-up over the plain-Python rendering"),
              ("peer", "speed-up over the best peer")]
    names = []
    for run in runs:
        for row in run["rows"]:
            if row["name"] not in names:
                names.append(row["name"])
    fig, axes = plt.subplots(1, 2, figsize=(15, 0.26 * len(names) + 1.5), sharey=True)
    for ax, (column, title) in zip(axes, panels):
        for k, run in enumerate(runs):
            ys, xs, floors = [], [], []
            for row in run["rows"]:
                y = names.index(row["name"]) + (k - len(runs) / 2) * 0.06
                if row.get(column) and row["product"] > 0:
                    ys.append(y)
                    xs.append(row[column] / row["product"])
                elif column == "peer" and row.get("floor") and row["product"] > 0:
                    floors.append((row["floor"] / row["product"], y))   # no peer: the floor
            dots = ax.scatter(xs, ys, s=14, label="Python " + run["python"],
                              color=plt.get_cmap("tab20")(k % 20))
            if floors:
                ax.scatter(*zip(*floors), s=22, marker="x", color=dots.get_facecolor()[0])
        ax.axvline(1.0, color="black", linewidth=0.8)
        ax.set_xscale("log")
        ax.set_title(title)
        ax.grid(axis="x", which="major", alpha=0.3)
    axes[0].set_yticks(range(len(names)))
    axes[0].set_yticklabels(names, fontsize=7)
    axes[0].invert_yaxis()
    axes[1].legend(fontsize=7, loc="lower right", title="x: over the floor", title_fontsize=7)
    fig.tight_layout()
    fig.savefig(args.output, dpi=110)
    print("wrote %s" % args.output)


if __name__ == "__main__":
    main()
