#!/usr/bin/env bash
# The Release program itself (program/3dclient, started as a player starts
# it) on a virtual X server, measured from outside: the processor time of
# the process (all its threads, from /proc) over 5 s at rest, not
# connected, at the default window size and at 1900 x 1060 (the window
# resized through the X server, as a player resizes it); then, back at the
# default size, the 10 MB coloured log of bench/coloured_log.h from a
# loopback server, timed from the server's accept of the connection the
# Connect button opens until the client has read the whole log from its
# socket.
# Needs Xvfb, xdotool, xwininfo (Debian's x11-utils), bc and python3.
# Prints uptime before and after.
#
#   bench/real_client.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# REAL_CLIENT_SOURCE and REAL_CLIENT_BUILD measure another tree (an older
# revision exported by client_window_bench.sh --revision, say).
source="${REAL_CLIENT_SOURCE:-$root}"
build="${REAL_CLIENT_BUILD:-$root/build/release}"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target 3dclient -j "${BUILD_JOBS:-4}" >/dev/null

# The log, written by the benchmarks' own generator.
printf '#include "bench/coloured_log.h"\n#include <cstdio>\nint main(){auto l=bench::ColouredLog(false,true);fwrite(l.data(),1,l.size(),stdout);}\n' \
  | g++ -std=c++20 -O2 -I"$root" -x c++ - -o "$work/write_log"
"$work/write_log" > "$work/log"
size=$(stat -c %s "$work/log")

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
sleep 1
export DISPLAY=$display

# Accepts once and sends the log; says when it accepted, and when the client
# has read all of it: nothing left unsent or unacknowledged on this side and
# nothing waiting in the client's receive queue (/proc/net/tcp).
port=$((20000 + RANDOM % 20000))
python3 - "$port" "$work/log" "$work/accepted" "$work/read" <<'EOF' &
import socket, sys, time, fcntl, struct, termios
port, log, accepted, read = int(sys.argv[1]), open(sys.argv[2], 'rb').read(), sys.argv[3], sys.argv[4]
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(('127.0.0.1', port)); s.listen(1)
c, peer = s.accept()
start = time.time()
open(accepted, 'w').write('%.6f\n' % start)
c.sendall(log)
def unsent():
    return struct.unpack('i', fcntl.ioctl(c, termios.TIOCOUTQ, b'\0' * 4))[0]
def waiting():  # the client's receive queue
    for line in open('/proc/net/tcp').readlines()[1:]:
        f = line.split()
        if int(f[1].split(':')[1], 16) == peer[1] and int(f[2].split(':')[1], 16) == port:
            return int(f[4].split(':')[1], 16)
    return 0
while unsent() or waiting():
    time.sleep(0.0005)
open(read, 'w').write('%.6f\n' % (time.time() - start))
time.sleep(600)
EOF
sleep 0.5

export XDG_CONFIG_HOME="$work/config" HOME="$work"
"$build/program/3dclient" --port "$port" >/dev/null 2>&1 &
client=$!
window=$(xdotool search --sync --onlyvisible --pid "$client" | head -1)
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$client/stat"; }
atRest() {
  sleep 3
  local c0 c1 t0 t1
  c0=$(cpu); t0=$(date +%s.%N)
  sleep 5
  c1=$(cpu); t1=$(date +%s.%N)
  echo "$1: $(echo "scale=3; ($c1 - $c0) / $ticks / ($t1 - $t0)" | bc) cores at rest"
}

echo "before: $(uptime)"
sleep 2  # the start-up settles
# The window's size and its view's (the one child window, the view's own).
sizes() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  echo "window ${WIDTH} x ${HEIGHT}, view $(xwininfo -tree -id "$window" | grep -oE ' [0-9]+x[0-9]+\+' | tail -1 | tr -d ' +')"
}
sizes
width=$WIDTH height=$HEIGHT
atRest "$width x $height"
xdotool windowsize "$window" 1900 1060
sleep 1
sizes
atRest "1900 x 1060"
xdotool windowsize "$window" "$width" "$height"
sleep 3

# Connect: the first button of the tool bar under the menu bar.
eval "$(xdotool getwindowgeometry --shell "$window")"
for y in 36 40 32 44 28 48; do
  xdotool mousemove "$((X + 24))" "$((Y + y))" click 1
  sleep 0.3
  if [ -s "$work/accepted" ]; then break; fi
done
[ -s "$work/accepted" ] || { echo "Connect was not found on the tool bar"; exit 1; }
until [ -s "$work/read" ]; do sleep 0.05; done
seconds=$(cat "$work/read")
echo "10 MB log, view shown: ${seconds} s ($(echo "scale=1; $size / 1000000 / $seconds" | bc) MB/s)"
echo "after: $(uptime)"
kill "$client"
