#!/usr/bin/env bash
# The Release program's start-up with one of the sample world's pictures
# replaced by a large one, measured from outside: the time from the start
# of the process until its start-up ends (the busy window goes), the peak
# resident size of the process (VmHWM) and what it keeps resident 3 s
# later (VmRSS). The pictures are made here:
#   aerial     maps/aerial.bmp, one bit, 16000 x 16000 (a 32 MB file)
#   elevation  maps/elevation.bmp, one bit, 8000 x 8000 (8 MB)
#   detailmap  textures/detailmap.jpg, colour, 8192 x 8192 (about 1.2 MB)
#   sample     the sample world as it is
# Needs Xvfb, xwininfo (Debian's x11-utils), bc, python3 and a C compiler
# with libjpeg's headers. Prints uptime before and after.
#
#   bench/large_pictures.sh [PROGRAM_FOLDER] [CASE...]
#
# PROGRAM_FOLDER (relative to the tree's root, or absolute) defaults to
# build/release/program, built when missing; another revision's program
# folder gives the figures before a change.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
program="${1:-$root/build/release/program}"
shift || true
cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(sample aerial elevation detailmap)
if [ ! -x "$program/3dclient" ]; then
  cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$root/build/release" --target 3dclient -j "${BUILD_JOBS:-4}" >/dev/null
fi
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

# One-bit pictures: squares of two colours, so the texture shows whether
# it arrived.
cat > "$work/onebit.py" <<'PY'
import struct, sys
w, h, square, out = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
stride = (w + 31) // 32 * 4
def row(phase):
    bits = bytearray(stride)
    for x in range(w):
        if ((x // square) + phase) % 2:
            bits[x >> 3] |= 0x80 >> (x & 7)
    return bytes(bits)
rows = [row(0), row(1)]
offset = 14 + 40 + 8
with open(out, 'wb') as f:
    f.write(b'BM' + struct.pack('<IHHI', offset + stride * h, 0, 0, offset))
    f.write(struct.pack('<IiiHHIIiiII', 40, w, h, 1, 1, 0, stride * h, 2835, 2835, 2, 0))
    f.write(bytes([40, 120, 60, 0, 150, 200, 220, 0]))
    for y in range(h):
        f.write(rows[(y // square) % 2])
PY
cat > "$work/makejpeg.c" <<'C'
#include <stdio.h>
#include <stdlib.h>
#include <jpeglib.h>
int main(int argc, char** argv) {
  int w = atoi(argv[1]), h = atoi(argv[2]);
  FILE* f = fopen(argv[3], "wb");
  struct jpeg_compress_struct c; struct jpeg_error_mgr e;
  c.err = jpeg_std_error(&e); jpeg_create_compress(&c); jpeg_stdio_dest(&c, f);
  c.image_width = w; c.image_height = h; c.input_components = 3; c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c); jpeg_set_quality(&c, 75, TRUE); jpeg_start_compress(&c, TRUE);
  unsigned char* row = malloc(w * 3);
  while (c.next_scanline < (unsigned) h) {
    int y = c.next_scanline;
    for (int x = 0; x < w; ++x) {
      int v = ((x / 64 + y / 64) & 1) ? 40 : 0;
      row[3*x] = 60 + (x * 120 / w) + v; row[3*x+1] = 90 + (y * 100 / h) + v / 2; row[3*x+2] = 50 + v;
    }
    JSAMPROW r = row; jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c); fclose(f); return 0;
}
C
cc -O2 "$work/makejpeg.c" -o "$work/makejpeg" -ljpeg

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
sleep 1
export DISPLAY=$display

field() { awk -v key="$1" '$1 == key {print $2}' "/proc/$2/status"; }

run() {
  local name=$1 folder="$work/$1"
  rm -rf "$folder"
  cp -r "$program" "$folder"
  case $name in
    aerial) python3 "$work/onebit.py" 16000 16000 500 "$folder/maps/aerial.bmp" ;;
    elevation) python3 "$work/onebit.py" 8000 8000 250 "$folder/maps/elevation.bmp" ;;
    detailmap) "$work/makejpeg" 8192 8192 "$folder/textures/detailmap.jpg" ;;
    sample) ;;
    *) echo "unknown case $name"; exit 1 ;;
  esac
  sync
  export XDG_CONFIG_HOME="$work/config-$name" HOME="$work"
  local t0 t1 busy=""
  t0=$(date +%s.%N)
  "$folder/3dclient" >"$work/$name.out" 2>&1 &
  local client=$!
  # The start-up ends when its busy window goes.
  for _ in $(seq 1 12000); do
    if xwininfo -root -tree 2>/dev/null | grep -q '"Busy"'; then
      busy=1
    elif [ -n "$busy" ]; then
      break
    fi
    sleep 0.01
  done
  t1=$(date +%s.%N)
  sleep 3
  printf '%-10s start-up %5.2f s, peak %7d kB, resident after %7d kB\n' "$name" \
    "$(echo "$t1 - $t0" | bc)" "$(field VmHWM: "$client")" "$(field VmRSS: "$client")"
  kill "$client"
  wait "$client" 2>/dev/null || true
  rm -rf "$folder"
}

echo "before: $(uptime)"
for name in "${cases[@]}"; do run "$name"; done
echo "after: $(uptime)"
