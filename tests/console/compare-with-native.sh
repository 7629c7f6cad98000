#!/bin/sh
# vesk.exe under Wine, its standard output redirected, must print byte for byte
# what the native program prints for the same files and the same settings:
# once with the default settings, once with all 39 algorithms, the size and
# capital letters (that one also as the UTF-16 file vesk.exe starts); and each
# must fail with status 1 on a path it cannot read and when its output cannot
# be written.
#
#     compare-with-native.sh path/to/vesk.exe path/to/native/vesk
set -eu
windows_program=$1
native_program=$2
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -x "$native_program" ]; then
    echo "no native program at $native_program: build the linux-asan preset first"
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir native windows files files/folder files/folder/deeper
cp "$native_program" native/vesk
cp "$windows_program" windows/vesk.exe
printf abc >files/abc.txt
: >files/empty.bin
printf 'caf\303\251' >"files/caf$(printf '\303\251').txt"
head -c 3145779 /dev/urandom >files/folder/three-chunks.bin
printf 'not walked' >files/folder/deeper/skipped.txt
cd files

# Runs both programs with the arguments after the status that each must end with:
# the same output, byte for byte.
compare() {
    expected=$1
    shift
    native_status=0 windows_status=0
    ../native/vesk "$@" >../native.txt 2>/dev/null || native_status=$?
    "$here/../../cmake/wine-run" ../windows/vesk.exe "$@" >../windows.txt 2>/dev/null || windows_status=$?
    if ! cmp ../native.txt ../windows.txt || [ "$native_status:$windows_status" != "$expected:$expected" ]; then
        diff ../native.txt ../windows.txt | head -20
        echo "status $native_status natively, $windows_status under Wine, for: $*"
        exit 1
    fi
    echo "same $(wc -l <../native.txt) lines and status $expected for: $*"
}

compare 0 abc.txt empty.bin "caf$(printf '\303\251').txt" folder
# A path that cannot be read prints nothing and ends with status 1 in both.
compare 1 abc.txt no-such-file.txt

python3 - >../vesk.ini <<'PY'
words = ""
entry = lambda id, order: 0x80000000 | 100 << 13 | order << 6 | 0x1000 | id
for order, id in enumerate([60, 61] + list(range(39))):
    words += entry(id, order).to_bytes(4, "little").hex().upper()
print("[General]\nConfig=05000000\nColumn=" + words)
PY
cp ../vesk.ini ../native/vesk.ini
cp ../vesk.ini ../windows/vesk.ini
compare 0 abc.txt empty.bin folder

# The same settings in UTF-16 with a byte-order mark, as vesk.exe starts its file.
python3 -c 'import sys; sys.stdout.buffer.write(open(sys.argv[1]).read().encode("utf-16-le").join([b"\xff\xfe", b""]))' \
    ../vesk.ini >../native/vesk.ini
cp ../native/vesk.ini ../windows/vesk.ini
compare 0 abc.txt empty.bin folder

# Checking a checksum file: the same lines and the same status.
../native/vesk --sums sha256 abc.txt empty.bin folder >sums.sha256
../native/vesk --sums bsd abc.txt "caf$(printf '\303\251').txt" >tags.txt
printf 'deadbeef  abc.txt\nnot a line\n' >>tags.txt
printf '0000000000000000000000000000000000000000000000000000000000000000  missing.txt\n' >>sums.sha256
compare 1 --check sums.sha256
compare 1 --check tags.txt sums.sha256
compare 0 --sums md5 abc.txt folder
compare 0 -- abc.txt

# Output that cannot be written is a failure of either program.
check_full_device() {
    status=0
    "$@" abc.txt >/dev/full 2>/dev/null || status=$?
    if [ "$status" != 1 ]; then
        echo "status $status from $* writing to /dev/full"
        exit 1
    fi
}
check_full_device ../native/vesk
check_full_device "$here/../../cmake/wine-run" ../windows/vesk.exe
echo "both programs fail on a full device"
