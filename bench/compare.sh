#!/usr/bin/env bash
# Times whole runs of genchecksum side by side with the alternatives on random
# images of 1, 16 and 64 MiB, and prints a Markdown table of median times and
# ratios, genchecksum's peak memory beside the image size, and the instructions
# per byte that callgrind counts (a figure that does not move with the load).
#
# Compared, alternating within every repetition (in an order that rotates from
# one repetition to the next), each run on a fresh copy of the image (the copy
# is not timed):
#   genchecksum  the command under test
#   ref_stamper  bench/ref_stamper.cpp, a hand-tuned faithful bit-serial stamper
#   srec_cat     srec_cat img -binary -crc32-l-e <len> -o out -binary (srecord)
#   cp           cp img out, the floor of reading and writing the image
#
# Usage: bench/compare.sh [path/to/genchecksum]
#   Without a path it builds genchecksum in build-bench/ (Release).
#   REPS=7 repetitions; SIZES_MIB="1 16 64"; TMPDIR for the images.
# Needs: cmake, g++, srecord, time (GNU /usr/bin/time), valgrind.
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
reps=${REPS:-7}
sizes=${SIZES_MIB:-"1 16 64"}

tool=${1:-}
if [ -z "$tool" ]; then
  cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$root/build-bench" -j2 --target genchecksum >/dev/null
  tool=$root/build-bench/genchecksum
fi
tool=$(realpath "$tool")
for cmd in srec_cat valgrind callgrind_annotate /usr/bin/time; do
  command -v "$cmd" >/dev/null || { echo "compare.sh: $cmd is missing" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/genchecksum-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
ref=$work/ref_stamper
"${CXX:-g++}" -std=c++17 -O2 -o "$ref" "$root/bench/ref_stamper.cpp"

commands=(genchecksum ref_stamper srec_cat cp)

# Runs command $1 on a fresh copy of image $2 and appends its wall time in
# seconds to $work/<size>.<command>.
run_once() {
  local name=$1 img=$2 size=$3 len t0 t1
  len=$(stat -c %s "$img")
  cp "$img" "$work/run.bin"
  rm -f "$work/out.bin"
  case $name in
  genchecksum)
    t0=$EPOCHREALTIME; "$tool" "$work/run.bin" >/dev/null; t1=$EPOCHREALTIME ;;
  ref_stamper)
    t0=$EPOCHREALTIME; "$ref" "$work/run.bin" >/dev/null; t1=$EPOCHREALTIME ;;
  srec_cat)
    t0=$EPOCHREALTIME
    srec_cat "$work/run.bin" -binary -crc32-l-e "$len" -o "$work/out.bin" -binary
    t1=$EPOCHREALTIME ;;
  cp)
    t0=$EPOCHREALTIME; cp "$work/run.bin" "$work/out.bin"; t1=$EPOCHREALTIME ;;
  esac
  echo "$t0 $t1" | awk '{ printf "%.6f\n", $2 - $1 }' >>"$work/$size.$name"
}

median() { sort -g "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "genchecksum: $tool"
echo "repetitions: $reps, images: $sizes MiB, $(nproc) CPUs, load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo

for size in $sizes; do
  img=$work/img$size.bin
  head -c $((size << 20)) /dev/urandom >"$img"
  # Both stampers must write the same image.
  cp "$img" "$work/a.bin"; cp "$img" "$work/b.bin"
  "$tool" "$work/a.bin" >/dev/null; "$ref" "$work/b.bin" >/dev/null
  cmp -s "$work/a.bin" "$work/b.bin" || { echo "compare.sh: genchecksum and ref_stamper disagree on $size MiB" >&2; exit 1; }
  rm -f "$work/a.bin" "$work/b.bin"
  # Each repetition starts one command later, so that none always follows the same one.
  for ((r = 0; r < reps; ++r)); do
    for ((i = 0; i < ${#commands[@]}; ++i)); do
      run_once "${commands[(r + i) % ${#commands[@]}]}" "$img" "$size"
    done
  done
  cp "$img" "$work/run.bin"
  /usr/bin/time -f %M -o "$work/$size.peak" "$tool" "$work/run.bin" >/dev/null
done

echo "| image | genchecksum | ref_stamper | srec_cat | cp | genchecksum / srec_cat | genchecksum / ref_stamper | genchecksum / cp | genchecksum peak memory |"
echo "|---|---|---|---|---|---|---|---|---|"
for size in $sizes; do
  g=$(median "$work/$size.genchecksum"); f=$(median "$work/$size.ref_stamper")
  s=$(median "$work/$size.srec_cat"); c=$(median "$work/$size.cp")
  peak=$(cat "$work/$size.peak")
  awk -v size="$size" -v g="$g" -v f="$f" -v s="$s" -v c="$c" -v peak="$peak" 'BEGIN {
    printf "| %d MiB | %.1f ms | %.1f ms | %.1f ms | %.1f ms | %.2f | %.2f | %.1f | %.1f MiB (image + %.1f MiB) |\n",
      size, g * 1000, f * 1000, s * 1000, c * 1000, g / s, g / f, g / c, peak / 1024, peak / 1024 - size }'
done
echo

# Instructions counted by callgrind on a 1 MiB image: the whole process, and
# the part spent inside the CRC-32 function (inclusive: crc32, ref_crc32).
img=$work/cg.bin
head -c $((1 << 20)) /dev/urandom >"$img"
echo "| callgrind, 1 MiB image | instructions per byte, whole process | instructions per byte, in the CRC-32 function |"
echo "|---|---|---|"
for name in genchecksum ref_stamper; do
  bin=$tool; [ "$name" = ref_stamper ] && bin=$ref
  cp "$img" "$work/run.bin"
  valgrind --tool=callgrind --callgrind-out-file="$work/cg.$name" "$bin" "$work/run.bin" >/dev/null 2>&1
  total=$(awk '/^(summary|totals):/ { print $2; exit }' "$work/cg.$name")
  inner=$(callgrind_annotate --inclusive=yes "$work/cg.$name" 2>/dev/null | awk '/crc32/ { gsub(",", "", $1); print $1; exit }')
  awk -v name="$name" -v total="$total" -v inner="${inner:-0}" -v len=$((1 << 20)) 'BEGIN {
    printf "| %s | %.2f | %s |\n", name, total / len, inner ? sprintf("%.2f", inner / len) : "-" }'
done
