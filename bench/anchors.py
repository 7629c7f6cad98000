#!/usr/bin/env python3
"""Speed of every algorithm of vesk_bench beside the tools of this machine, measured in one run.

    bench/anchors.py build/linux/bench/vesk_bench [name-filter]

Each row names the code path vesk ran (rows like "SHA-256 [portable]" time the other paths this
processor runs), and the first line names the processor. Anchors: rhash's built-in code (OpenSSL kept out with --openssl=md4), `openssl speed -evp` and
`xxhsum -b`, where each has the algorithm. rhash hashes a file in memory (/dev/shm) and is timed by
its user CPU time, so that a busy machine or reading the file does not count. All figures are MiB/s.
"""
import json
import os
import re
import resource
import shutil
import subprocess
import sys
import tempfile

import job_bench  # beside this script

# rhash's option for each algorithm it has, as bench/job_bench.py lists them.
RHASH = {name: option for _, name, option in job_bench.RHASH}
OPENSSL = {
    "MD4": "md4", "MD5": "md5", "SHA-1": "sha1", "SHA-224": "sha224", "SHA-256": "sha256",
    "SHA-384": "sha384", "SHA-512": "sha512", "SHA3-224": "sha3-224", "SHA3-256": "sha3-256",
    "SHA3-384": "sha3-384", "SHA3-512": "sha3-512", "BLAKE2b": "blake2b512", "BLAKE2s": "blake2s256",
    "RIPEMD-160": "ripemd160", "Whirlpool": "whirlpool",
}
XXHSUM = {"XXH32": "XXH32", "XXH64": "XXH64", "XXH3": "XXH3_64b", "XXH128": "XXH128"}
MIB = 1 << 20


def vesk_speeds(bench, name_filter):
    args = [bench, "--benchmark_format=json"]
    if name_filter:
        args.append("--benchmark_filter=" + name_filter)
    report = json.loads(subprocess.run(args, check=True, capture_output=True, text=True).stdout)
    speeds = {b["name"]: (b["bytes_per_second"] / MIB, b.get("label", "")) for b in report["benchmarks"]}
    return report["context"].get("cpu_model", "unknown"), speeds


def user_seconds(command):
    before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_utime
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return resource.getrusage(resource.RUSAGE_CHILDREN).ru_utime - before


def rhash_speed(option, sample, size):
    if not shutil.which("rhash"):
        return None
    seconds = min(user_seconds(["rhash", "--openssl=md4", "--" + option, sample]) for _ in range(2))
    return size / MIB / seconds if seconds > 0 else None


def openssl_speed(digest):
    if not shutil.which("openssl"):
        return None
    args = ["openssl", "speed", "-seconds", "1", "-bytes", str(MIB)]
    if digest in ("md4", "ripemd160", "whirlpool"):
        args += ["-provider", "legacy", "-provider", "default"]
    out = subprocess.run(args + ["-evp", digest], capture_output=True, text=True).stdout
    match = re.search(r"^\S+\s+([\d.]+)k\s*$", out, re.M)
    return float(match.group(1)) * 1000 / MIB if match else None


def xxhsum_speeds():
    if not shutil.which("xxhsum"):
        return {}
    done = subprocess.run(["xxhsum", "-b"], capture_output=True, text=True)
    out = done.stdout + done.stderr  # the figures go to standard error
    return {m.group(1): float(m.group(2)) for m in re.finditer(r"\d+#(\S+)\s*:.*?\(\s*([\d.]+) MB/s\)", out)}


def main():
    bench = sys.argv[1]
    name_filter = sys.argv[2] if len(sys.argv) > 2 else ""
    cpu, ours = vesk_speeds(bench, name_filter)
    size = 256 * MIB
    folder = "/dev/shm" if os.path.isdir("/dev/shm") else None
    with tempfile.NamedTemporaryFile(dir=folder) as sample:
        sample.write(os.urandom(size))
        sample.flush()
        xxh = xxhsum_speeds() if any(n in XXHSUM for n in ours) else {}
        print(f"CPU: {cpu}")
        print(f"{'algorithm':<22}{'path':<10}{'vesk':>9}{'rhash':>9}{'ratio':>7}{'openssl':>9}{'ratio':>7}"
              f"{'xxhsum':>9}{'ratio':>7}")
        for name, (speed, path) in ours.items():
            row = f"{name:<22}{path:<10}{speed:9.0f}"
            for anchor in (rhash_speed(RHASH[name], sample.name, size) if name in RHASH else None,
                           openssl_speed(OPENSSL[name]) if name in OPENSSL else None,
                           xxh.get(XXHSUM.get(name))):
                row += f"{anchor:9.0f}{speed / anchor:7.2f}" if anchor else f"{'-':>9}{'':>7}"
            print(row, flush=True)


if __name__ == "__main__":
    main()
