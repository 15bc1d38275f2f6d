#!/usr/bin/env python3
"""Whole-archive extraction, side by side in one run: movrel-cli extract against
unzip, 7-Zip and bsdtar, on archives made at level 6 from the corpora.

usage: bench/compare_extract.py [--cli build/cli/movrel-cli] [--corpus /tmp/corpus] [--runs 5]
The corpora are unpacked by ../shared/corpus/prepare.sh when missing.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def ensure_corpus(path):
    if not os.path.isdir(os.path.join(path, "srctree")) or not os.listdir(os.path.join(path, "srctree")):
        subprocess.run([os.path.join(HERE, "..", "..", "shared", "corpus", "prepare.sh"), path], check=True)


def median_time(setup, cmd, runs):
    times = []
    for _ in range(runs):
        setup()
        start = time.perf_counter()
        subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", default=os.path.join(HERE, "..", "build", "cli", "movrel-cli"))
    ap.add_argument("--corpus", default="/tmp/corpus")
    ap.add_argument("--runs", type=int, default=5)
    args = ap.parse_args()
    ensure_corpus(args.corpus)
    seven = shutil.which("7z") or shutil.which("7zz")
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "out")

        def clean():
            shutil.rmtree(out, ignore_errors=True)
            os.makedirs(out)

        print(f"median of {args.runs} runs; ratio = their time / movrel-cli's time (above 1: we are faster)")
        print(f"{'corpus':10} {'tool':12} {'seconds':>8} {'ratio':>7}")
        for corpus in ("silesia", "srctree"):
            archive = os.path.join(tmp, corpus + ".zip")
            subprocess.run(["zip", "-q", "-r", "-6", archive, corpus], cwd=args.corpus, check=True)
            tools = [("movrel-cli", [args.cli, "extract", "-q", "--overwrite=always", "-d", out, archive]),
                     ("unzip", ["unzip", "-q", "-o", archive, "-d", out])]
            if seven:
                tools.append(("7z", [seven, "x", "-y", "-o" + out, archive]))
            if shutil.which("bsdtar"):
                tools.append(("bsdtar", ["bsdtar", "-xf", archive, "-C", out]))
            results = [(name, median_time(clean, cmd, args.runs)) for name, cmd in tools]
            ours = results[0][1]
            for name, t in results:
                print(f"{corpus:10} {name:12} {t:8.3f} {t / ours:7.2f}")


if __name__ == "__main__":
    main()
