#!/usr/bin/env bash
# Configures and builds Quilla into ./build (or $QUILLA_BUILD_DIR). Extra arguments go to
# the CMake configure step, for example -DQUILLA_SANITIZE=ON.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${QUILLA_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=${QUILLA_BUILD_TYPE:-RelWithDebInfo} "$@" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
