#!/bin/bash
# Builds the program (Release) and the benchmarks into build-bench/, runs
# every benchmark and prints one table: each figure against a floor measured
# in the same run, and whether its target is met. Benchmarks only report;
# the exit status says whether they ran, not whether targets were met.
#
#   bench/run.sh                     everything
#   bench/run.sh scrape pictures     only these (scrape, pictures, desktop)
#   BENCH_RUNS=9 bench/run.sh        more runs of everything (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out="$root/build-bench"
runs=${BENCH_RUNS:-5}
rounds=$((runs * 3))
parts=("$@")
[ ${#parts[@]} -eq 0 ] && parts=(scrape pictures desktop)
wants() { [[ " ${parts[*]} " == *" $1 "* ]]; }

tools/install_deps.sh
echo "Building the program (Release) and the benchmarks in build-bench/ (log: build-bench/build.log) ..."
mkdir -p "$out"
{
  cmake -S . -B "$out/program" -DCMAKE_BUILD_TYPE=Release -DZIRTA_BUILD_TESTS=OFF &&
    cmake --build "$out/program" -j"$(nproc)" &&
    cmake -S bench -B "$out/bench" -DCMAKE_BUILD_TYPE=Release -DZIRTA_PROGRAM_BUILD="$out/program" &&
    cmake --build "$out/bench" -j"$(nproc)"
} >"$out/build.log" 2>&1 || { tail -40 "$out/build.log" >&2; echo "the build failed" >&2; exit 1; }

data="$out/data"
mkdir -p "$data"
results="$out/results.txt"
: >"$results"
# Appends a label to the RESULT lines of one benchmark.
label() { sed -u "s/^RESULT .*/& $1/" | tee -a "$results" | grep -v '^RESULT' || true; }

machine() {
  echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores," \
    "$(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo), $(uname -sr)," \
    "load average $(cut -d' ' -f1-3 /proc/loadavg)"
}
machine | tee "$out/machine.txt"

if wants scrape; then
  echo "Scraping ($rounds rounds) ..."
  for file in 50MB:50: 5MB:5: 5MB+4MBline:5:4000000; do
    IFS=: read -r name megabytes long <<<"$file"
    mkdir -p "$data/scrape-$name"
    info=$(python3 bench/make_catalogue.py "$megabytes" "$data/scrape-$name/vexo.txt" $long)
    longest=${info##*longest_line=}
    if [ "$name" != 5MB+4MBline ]; then
      "$out/bench/zirta-bench-scrape" time "$data/scrape-$name" "$rounds" | label "file=$name"
    fi
    # A fresh process each time: its peak is the scrape's own.
    for _ in $(seq "$runs"); do
      "$out/bench/zirta-bench-scrape" memory "$data/scrape-$name" | label "file=$name longest_line=$longest"
    done
  done
fi

if wants pictures; then
  echo "Pictures ($rounds rounds) ..."
  # Photo-like pictures (a fractal with a fixed seed), 4:2:0 as cameras and
  # video frames are, and one of the fixture site's own thumbnails.
  for size in 320x180 640x360; do
    [ -s "$data/photo-$size.jpg" ] ||
      convert -seed 4 -size "$size" plasma:fractal -blur 0x1 -sampling-factor 2x2 -quality 85 -strip \
        "$data/photo-$size.jpg"
  done
  # One process per placement of the heap (see PictureBench.cpp).
  for shift in $(seq 0 $((runs - 1))); do
    for file in photo:"$data/photo-320x180.jpg" photo:"$data/photo-640x360.jpg" \
      fixture:"$root/tools/fixture_site/thumbs/thumb00.jpg"; do
      "$out/bench/zirta-bench-pictures" "${file#*:}" "$rounds" 200 $((shift * 12352)) | label "file=${file%%:*}"
    done
  done
fi

if wants desktop; then
  echo "Desktop ($runs runs after a warm-up) ..."
  python3 bench/desktop_bench.py --program-dir "$out/program" \
    --bare-window "$out/bench/zirta-bench-bare-window" --runs "$runs" | label ""
fi

echo
machine | sed 's/^Machine:/After the run:/'
echo
python3 bench/report.py "$results"
