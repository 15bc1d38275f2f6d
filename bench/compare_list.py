#!/usr/bin/env python3
"""Reading and listing the directory of an archive of 60,000 small entries:
movrel-cli list against unzip -Z1 and 7z l, side by side in one run.

usage: bench/compare_list.py [--cli build/cli/movrel-cli] [--entries 60000] [--runs 7]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time
import zipfile


def make_archive(path, entries):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for i in range(entries):
            name = f"dir{i // 1000:03d}/sub{i % 7}/file{i:05d}.txt"
            z.writestr(name, f"entry {i}\n" * (1 + i % 5))


def median_time(cmd, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", default=os.path.join(here, "..", "build", "cli", "movrel-cli"))
    ap.add_argument("--entries", type=int, default=60000)
    ap.add_argument("--runs", type=int, default=7)
    args = ap.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        archive = os.path.join(tmp, "many.zip")
        make_archive(archive, args.entries)
        commands = [("movrel-cli list", [args.cli, "list", archive]),
                    ("movrel-cli list --tsv", [args.cli, "list", "--tsv", archive])]
        if shutil.which("unzip"):
            commands.append(("unzip -Z1", ["unzip", "-Z1", archive]))
        seven = shutil.which("7z") or shutil.which("7zz")
        if seven:
            commands.append(("7z l", [seven, "l", archive]))
        results = [(label, median_time(cmd, args.runs)) for label, cmd in commands]
        ours = results[0][1]
        print(f"{args.entries} entries, median of {args.runs} runs")
        print(f"{'command':24} {'seconds':>9} {'time / movrel-cli list':>24}")
        for label, t in results:
            print(f"{label:24} {t:9.3f} {t / ours:24.2f}")


if __name__ == "__main__":
    main()
