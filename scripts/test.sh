#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the normal and the sanitizer
# configuration, and runs the whole suite in both, then each fuzz target briefly (when clang
# is there). Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q "${missing[@]}"
  else
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi

jobs=$(nproc 2>/dev/null || echo 2)
run_suite() {
  local dir=$1; shift
  echo "=== $dir: configure and build"
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  echo "=== $dir: tests"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 300
}

run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROBOT_TESTS=ON
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DROBOT_SANITIZE=ON -DROBOT_TESTS=ON
if command -v clang++ >/dev/null; then
  echo "=== fuzz targets: ${FUZZ_SECONDS:-30} s each"
  scripts/fuzz.sh "${FUZZ_SECONDS:-30}"
else
  echo "=== fuzz targets skipped: clang++ not found"
fi
echo "All tests passed in both configurations."
