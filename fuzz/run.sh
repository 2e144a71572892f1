#!/usr/bin/env bash
# fuzz/run.sh [seconds-per-target] [target...]
#
# Builds the fuzz targets (clang, -DBV_FUZZ=ON, in build-fuzz/), writes the
# seed corpora, replays every kept reproducer of fuzz/regressions/ and then
# fuzzes each target (all of them unless named) for the given time, one
# process at a time at low priority. Exits non-zero on any finding; the
# input that found it is left in build-fuzz/fuzz-work/findings/<target>/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
shift || true

build="${BV_FUZZ_BUILD:-$root/build-fuzz}"
work="$build/fuzz-work"
all_targets=(open_backup records mjpg_driver mpeg4_decoder wavelet_decoder audio event_config event_days stills
             export_plan)
targets=("${@:-${all_targets[@]}}")

mkdir -p "$build"
CC="${CC_FUZZ:-clang-14}" CXX="${CXX_FUZZ:-clang++-14}" cmake -S "$root" -B "$build" -DBV_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo > "$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
cmake --build "$build" -j2 --target bv_fuzz

# Seeds: the demo backups of "zrvtool make-sample" (from the normal build
# when there is one), cut down and taken apart per target; made again when
# the seed writer changed.
if [ ! "$work/seeds/.complete" -nt "$build/fuzz/make_fuzz_seeds" ]; then
  rm -rf "$work/seeds" "$work/make-sample"
  mkdir -p "$work"
  if [ -x "$root/build/zrvtool" ] && "$root/build/zrvtool" make-sample "$work/make-sample" > /dev/null; then
    "$build/fuzz/make_fuzz_seeds" "$work/seeds" "$work/make-sample"
  else
    "$build/fuzz/make_fuzz_seeds" "$work/seeds"
  fi
  touch "$work/seeds/.complete"
fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
failed=()
summary=()
for target in "${targets[@]}"; do
  binary="$build/fuzz/${target}_fuzzer"
  corpus="$work/corpus/$target"
  findings="$work/findings/$target"
  regressions="$root/fuzz/regressions/$target"
  mkdir -p "$corpus" "$findings"

  # Every kept reproducer must run through cleanly.
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    if ! nice -n 10 "$binary" -runs=1 "$regressions"/* > "$findings/regressions.log" 2>&1; then
      echo "REGRESSION in $target (see $findings/regressions.log)"
      tail -40 "$findings/regressions.log"
      failed+=("$target")
      continue
    fi
  fi

  log="$findings/fuzz.log"
  if nice -n 10 "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
       -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$work/seeds/$target" \
       > "$log" 2>&1; then
    status=ok
  else
    status=FINDING
    failed+=("$target")
    grep -m1 -A30 "ERROR\|runtime error\|timeout\|out-of-memory" "$log" || tail -40 "$log"
  fi
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  cov="$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)"
  summary+=("$(printf '%-16s %-8s execs %10s  cov %6s' "$target" "$status" "${execs:-?}" "${cov:-?}")")
done

printf '%s\n' "${summary[@]}"
if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz findings in: ${failed[*]}"
  exit 1
fi
