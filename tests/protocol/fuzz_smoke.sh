#!/usr/bin/env bash
# Short libFuzzer run of the protocol parsers, for the test suite. Builds the fuzzer with
# clang++ straight from the sources (the suite itself may be built with g++), then fuzzes
# for a few seconds starting from the committed seed corpus.
#   fuzz_smoke.sh <repo root> <work dir> <seconds>
# Exit 77 (reported as skipped) when clang++ or libFuzzer is not available.
set -euo pipefail
root=$1
work=$2
seconds=${3:-15}

clang=${CLANGXX:-$(command -v clang++ || command -v clang++-14 || true)}
if [[ -z "$clang" ]]; then
  echo "clang++ not found: skipping the protocol fuzz smoke run"
  exit 77
fi
mkdir -p "$work/corpus"
binary=$work/protocol_fuzzer
mapfile -t sources < <(sed "s|^|$root/|" "$root/fuzz/protocol_fuzzer_sources.txt")

# Rebuild only when a source or header changed since the last build.
needs_build=1
if [[ -x "$binary" ]]; then
  newer=$(find "$root/fuzz" "$root/shared/protocol" "$root/shared/encoding" -newer "$binary" \
            -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.txt' \) | head -1)
  [[ -z "$newer" ]] && needs_build=0
fi
if [[ $needs_build -eq 1 ]]; then
  if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long){return 0;}' |
       "$clang" -x c++ -fsanitize=fuzzer -o "$work/probe" - 2>/dev/null; then
    echo "$clang cannot link libFuzzer (-fsanitize=fuzzer): skipping the protocol fuzz smoke run"
    exit 77
  fi
  echo "building $binary with $clang"
  "$clang" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -DASIO_STANDALONE -I"$root/shared" -I"$root" "${sources[@]}" -lz -o "$binary"
fi

# New inputs go to the work corpus; the committed seeds are only read.
"$binary" "$work/corpus" "$root/fuzz/corpus/protocol" -max_total_time="$seconds" \
  -rss_limit_mb=2048 -max_len=20000 -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$work/" 2>&1 | tail -n 25
exit "${PIPESTATUS[0]}"
