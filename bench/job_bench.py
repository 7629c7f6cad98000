#!/usr/bin/env python3
"""The whole program against the tools a user would pick instead, measured in one run.

    bench/job_bench.py --vesk build/linux/vesk [--before OLD-VESK] [--exe vesk.exe --loop file_loop.exe]
                       [--cases default,xxh3,blake3,each,all,files,wine] [--runs N] [--only REGEX]

Every figure is the wall time of a whole process (start, settings, reading, hashing, output to /dev/null
or, under Wine, to a file), the median of N runs that alternate with the anchor's. Files sit on /dev/shm.

    default  the default four on a 256 MiB file     against rhash --crc32 --md5 --sha1 --sha256
    xxh3     XXH3 alone on the same file            against xxhsum -H3
    blake3   BLAKE3 alone on a 1 GiB file           against b3sum (all threads, mapped), b3sum --no-mmap;
             the default four and BLAKE3            against the default four alone (vesk itself)
    each     every algorithm rhash has, one by one  against rhash's default (OpenSSL inside where it has it)
    all      all 39 on a smaller file (--all-mib)   against the same run under taskset -c 0
    one      the default four under taskset -c 0    against the --before build under taskset -c 0
    files    10,000 files of 1 KiB, default four    against rhash -r
    large    48 files of 8 MiB, one algorithm       against two processes of the anchor at once (xargs -P2),
             (SHA-256, MD5, SHA-512, BLAKE2b)       one process of it, and vesk itself under taskset -c 0;
             the default four on the same folder    against rhash
    wine     the same folder with vesk.exe > file   against file_loop.exe (open, size, date, read, close)

"ratio" is how many times faster vesk is than the anchor (the anchor's time over vesk's), except for
"all", where it is vesk's time over its own time on one processor, and the default four with BLAKE3,
where it is the anchor's time over vesk's (under 1: what BLAKE3 adds).
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

MIB = 1 << 20
RHASH = [  # (vesk id, name, rhash option)
    (5, "CRC32", "crc32"), (14, "MD4", "md4"), (15, "MD5", "md5"), (20, "SHA-1", "sha1"),
    (21, "SHA-224", "sha224"), (22, "SHA-256", "sha256"), (23, "SHA-384", "sha384"),
    (24, "SHA-512", "sha512"), (25, "SHA3-224", "sha3-224"), (26, "SHA3-256", "sha3-256"),
    (27, "SHA3-384", "sha3-384"), (28, "SHA3-512", "sha3-512"), (0, "BLAKE2b", "blake2b"),
    (2, "BLAKE2s", "blake2s"), (17, "RIPEMD-160", "ripemd160"), (12, "GOST", "gost94"),
    (11, "HAS-160", "has160"), (8, "Edon-R 256", "edonr256"), (10, "Edon-R 512", "edonr512"),
    (29, "Snefru-128", "snefru128"), (30, "Snefru-256", "snefru256"), (32, "Tiger", "tiger"),
    (31, "TTH", "tth"), (33, "Whirlpool", "whirlpool"),
]
DEFAULT_FOUR = ["--crc32", "--md5", "--sha1", "--sha256"]


def cpu_name():
    fields = {}
    with open("/proc/cpuinfo") as info:
        for line in info:
            key, _, value = line.partition(":")
            fields.setdefault(key.strip(), value.strip())
    flags = set(fields.get("flags", "").split())
    wanted = [f for f in ("sha_ni", "vpclmulqdq", "avx2", "avx512f", "bmi2") if f in flags]
    return (f"{fields.get('model name', 'unknown')} (family {fields.get('cpu family', '?')}, model "
            f"{fields.get('model', '?')}); {', '.join(wanted)}; {len(os.sched_getaffinity(0))} processors")


def settings(ids):
    """vesk.ini showing exactly these algorithms, in this order."""
    words = "".join((0x80000000 | 100 << 13 | order << 6 | 0x1000 | id).to_bytes(4, "little").hex().upper()
                    for order, id in enumerate(ids))
    return "[General]\nColumn=" + words + "\n"


def program_with(work, program, name, ids):
    """A copy of the program in a folder of its own, with settings choosing `ids` (None: the defaults)."""
    folder = os.path.join(work, name)
    os.makedirs(folder, exist_ok=True)
    copy = os.path.join(folder, os.path.basename(program))
    shutil.copy2(program, copy)
    if ids is not None:
        with open(os.path.join(folder, "vesk.ini"), "w") as ini:
            ini.write(settings(ids))
    return copy


def seconds(command, output=subprocess.DEVNULL):
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=output, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def alternate(commands, runs):
    """Median seconds of each command, the commands taking turns."""
    times = [[] for _ in commands]
    for _ in range(runs):
        for i, command in enumerate(commands):
            times[i].append(command())
    return [statistics.median(t) for t in times]


def row(name, ours, anchor, ratio, before=None):
    text = f"{name:<40}{ours:9.3f}{anchor:9.3f}{ratio:8.2f}"
    if before is not None:
        text += f"{before:9.3f}{anchor / before if anchor else 0:8.2f}"
    print(text, flush=True)


def run_cases(args, work, sample, folder):
    runs = args.runs
    print(f"{'case (seconds)':<40}{'vesk':>9}{'anchor':>9}{'ratio':>8}" +
          (f"{'before':>9}{'ratio':>8}" if args.before else ""))
    cases = args.cases.split(",")

    def against(name, ids, anchor, target=sample, runs=runs):
        ours = program_with(work, args.vesk, "now-" + name, ids)
        commands = [lambda: seconds([ours, target]), lambda: seconds(anchor)]
        if args.before:
            old = program_with(work, args.before, "before-" + name, ids)
            commands.append(lambda: seconds([old, target]))
        times = alternate(commands, runs)
        row(name, times[0], times[1], times[1] / times[0], times[2] if args.before else None)

    if "default" in cases:
        against("default four", None, ["rhash"] + DEFAULT_FOUR + [sample])
    if "xxh3" in cases:
        against("XXH3", [36], ["xxhsum", "-H3", sample])
    if "blake3" in cases:
        large = os.path.join(work, "blake3.bin")
        with open(large, "wb") as target:
            for _ in range(args.blake3_mib):
                target.write(os.urandom(MIB))
        against("BLAKE3 (anchor: b3sum)", [38], ["b3sum", large], target=large)
        against("BLAKE3 (anchor: b3sum --no-mmap)", [38], ["b3sum", "--no-mmap", large], target=large)
        four = program_with(work, args.vesk, "now-four", None)
        against("default four and BLAKE3 (anchor: four)", [5, 15, 20, 22, 38], [four, sample])
    if "each" in cases:
        for id, name, option in RHASH:
            if args.only and not re.search(args.only, name):
                continue
            against(name, [id], ["rhash", "--" + option, sample], runs=min(runs, 3))
    if "all" in cases:
        small = os.path.join(work, "all.bin")
        with open(sample, "rb") as source, open(small, "wb") as target:
            target.write(source.read(args.all_mib * MIB))
        ours = program_with(work, args.vesk, "now-all", list(range(39)))
        every, one = alternate([lambda: seconds([ours, small]), lambda: seconds(["taskset", "-c", "0", ours, small])],
                               min(runs, 3))
        row(f"all 39, {args.all_mib} MiB (anchor: taskset -c 0)", every, one, every / one)
    if "one" in cases and args.before:
        ours = program_with(work, args.vesk, "now-one", None)
        old = program_with(work, args.before, "before-one", None)
        pinned = ["taskset", "-c", "0"]
        times = alternate([lambda: seconds(pinned + [ours, sample]), lambda: seconds(pinned + [old, sample])], runs)
        row("default four, taskset -c 0 (anchor: before)", times[0], times[1], times[1] / times[0])
    if "files" in cases:
        against("10,000 files of 1 KiB", None, ["rhash"] + DEFAULT_FOUR + ["-r", folder], target=folder)
    if "large" in cases:
        run_large(args, work, runs)
    if "wine" in cases and args.exe:
        run_wine(args, work, folder, runs)


def run_large(args, work, runs):
    folder = os.path.join(work, "large")
    os.makedirs(folder)
    for i in range(48):
        with open(os.path.join(folder, f"v{i:02d}.bin"), "wb") as f:
            f.write(os.urandom(8 * MIB))
    names = sorted(os.listdir(folder))
    for id, name, anchor in ((22, "SHA-256", ["rhash", "--sha256"]), (15, "MD5", ["rhash", "--md5"]),
                             (24, "SHA-512", ["rhash", "--sha512"]), (0, "BLAKE2b", ["b2sum"])):
        ours = program_with(work, args.vesk, "large-" + name, [id])
        paths = [os.path.join(folder, n) for n in names]
        two = ["sh", "-c", 'printf "%s\\0" "$@" | xargs -0 -P2 -n24 ' + " ".join(anchor), "sh"] + paths
        times = alternate([lambda: seconds([ours, folder]), lambda: seconds(two),
                           lambda: seconds(anchor + paths), lambda: seconds(["taskset", "-c", "0", ours, folder])],
                          runs)
        row(f"48 x 8 MiB {name} (anchor: 2 processes)", times[0], times[1], times[1] / times[0])
        row(f"48 x 8 MiB {name} (anchor: 1 process)", times[0], times[2], times[2] / times[0])
        row(f"48 x 8 MiB {name} (anchor: taskset -c 0)", times[0], times[3], times[3] / times[0])
    four = program_with(work, args.vesk, "large-four", None)
    times = alternate([lambda: seconds([four, folder]),
                       lambda: seconds(["rhash"] + DEFAULT_FOUR + ["-r", folder])], runs)
    row("48 x 8 MiB default four (anchor: rhash)", times[0], times[1], times[1] / times[0])


def run_wine(args, work, folder, runs):
    env = dict(os.environ, WINEDEBUG="-all")
    exe = program_with(work, args.exe, "wine-now", None)
    loop = program_with(work, args.loop, "wine-loop", None)
    windows_folder = "Z:" + folder.replace("/", "\\")
    out = os.path.join(work, "wine-out.txt")

    def wine(program):
        with open(out, "w") as output:
            start = time.perf_counter()
            subprocess.run(["wine", program, windows_folder], check=True, stdout=output,
                           stderr=subprocess.DEVNULL, env=env)
            return time.perf_counter() - start

    # One server for every run, so that each run counts a program start, not a server start.
    subprocess.run(["wineserver", "-p"], env=env, check=False)
    subprocess.run(["wine", "cmd", "/c", "exit"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        ours, anchor = alternate([lambda: wine(exe), lambda: wine(loop)], runs)
    finally:
        subprocess.run(["wineserver", "-k"], env=env, check=False)
    row("vesk.exe, 10,000 files (anchor: loop)", ours, anchor, ours / anchor)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--vesk", required=True)
    parser.add_argument("--before", help="an older build of the native program, timed beside")
    parser.add_argument("--exe", help="vesk.exe, run under Wine")
    parser.add_argument("--loop", help="file_loop.exe, the bare loop vesk.exe is timed against")
    parser.add_argument("--cases", default="default,xxh3,blake3,each,all,one,files,large,wine")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--only", help="a regular expression: the \"each\" case times only the algorithms it finds")
    parser.add_argument("--mib", type=int, default=256)
    parser.add_argument("--all-mib", type=int, default=64)
    parser.add_argument("--blake3-mib", type=int, default=1024)
    args = parser.parse_args()
    print(f"CPU: {cpu_name()}")
    print(f"load average before: {os.getloadavg()[0]:.2f}")
    shm = "/dev/shm" if os.path.isdir("/dev/shm") else None
    with tempfile.TemporaryDirectory(dir=shm) as work:
        sample = os.path.join(work, "sample.bin")
        with open(sample, "wb") as f:
            for _ in range(args.mib):
                f.write(os.urandom(MIB))
        folder = os.path.join(work, "files")
        os.makedirs(folder)
        for i in range(10000):
            with open(os.path.join(folder, f"f{i:05d}.bin"), "wb") as f:
                f.write(os.urandom(1024))
        run_cases(args, work, sample, folder)
    print(f"load average after: {os.getloadavg()[0]:.2f}")


if __name__ == "__main__":
    sys.exit(main())
