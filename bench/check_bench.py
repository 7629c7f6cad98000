#!/usr/bin/env python3
"""vesk --check on a long checksum file beside sha256sum -c on the same file.

    bench/check_bench.py --vesk build/linux/vesk [--lines 5000000] [--files 1000] [--limit-mib 512]

The checksum file lists --files small files over and over, --lines lines in all, in the GNU form.
vesk runs under `ulimit -v` of --limit-mib: its memory must not grow with the file's length. Each
figure is the wall time of the whole process and its peak resident size; the counts vesk prints
must say every line was OK. Files sit on /dev/shm.
"""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time


def cpu_name():
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                return line.partition(":")[2].strip()
    return "unknown"


def measure(command, cwd, output=subprocess.DEVNULL):
    """Seconds, peak resident MiB, exit status and standard error of one whole process."""
    start = time.perf_counter()
    process = subprocess.Popen(command, cwd=cwd, stdout=output, stderr=subprocess.PIPE)
    error = process.stderr.read()
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    return time.perf_counter() - start, usage.ru_maxrss / 1024, process.returncode, error.decode(errors="replace")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vesk", required=True)
    parser.add_argument("--lines", type=int, default=5_000_000)
    parser.add_argument("--files", type=int, default=1000)
    parser.add_argument("--limit-mib", type=int, default=512)
    args = parser.parse_args()
    vesk = os.path.abspath(args.vesk)
    work = tempfile.mkdtemp(dir="/dev/shm" if os.path.isdir("/dev/shm") else None)
    try:
        lines = []
        for i in range(args.files):
            name = f"f{i:05d}.bin"
            data = os.urandom(1024)
            with open(os.path.join(work, name), "wb") as f:
                f.write(data)
            lines.append(f"{hashlib.sha256(data).hexdigest()}  {name}\n")
        sums = os.path.join(work, "SHA256SUMS")
        with open(sums, "w") as f:
            for n in range(args.lines):
                f.write(lines[n % len(lines)])
        print(f"CPU: {cpu_name()}; {len(os.sched_getaffinity(0))} processors")
        print(f"{args.lines:,} lines over {args.files:,} files of 1 KiB, "
              f"{os.path.getsize(sums) / (1 << 20):.0f} MiB of checksum file")
        limited = ["sh", "-c", f"ulimit -v {args.limit_mib * 1024}; exec \"$0\" --check SHA256SUMS", vesk]
        printed = os.path.join(work, "printed.txt")
        with open(printed, "wb") as output:
            ours = measure(limited, work, output)
        with open(printed, "rb") as output:
            ok_lines = output.read().count(b": OK\n")
        os.remove(printed)
        anchor = measure(["sha256sum", "--quiet", "-c", "SHA256SUMS"], work)
        for name, (seconds, peak, status, _) in (("vesk --check (ulimit -v %d MiB)" % args.limit_mib, ours),
                                                 ("sha256sum -c", anchor)):
            print(f"  {name:<36} {seconds:8.2f} s  peak {peak:7.1f} MiB  status {status}")
        print(f"  vesk said OK for {ok_lines:,} of {args.lines:,} lines")
        ratio = ours[0] / anchor[0]
        print(f"  time ratio {ratio:.2f} (target at most 1.2); peak {ours[1]:.1f} MiB (target at most 64)")
        if ours[2] != 0 or ok_lines != args.lines:
            print("  vesk failed:", ours[3].strip()[-500:])
            return 1
        return 0
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    sys.exit(main())
