#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the normal and the sanitizer
# configuration, and runs the whole suite in both, then each fuzz target briefly (when clang
# is there). Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev parallel libcli11-dev)
packages+=(nlohmann-json3-dev)  # JSON reading in match and the fuzz checks
packages+=(libtomlplusplus-dev)  # the server's configuration file
packages+=(chromium)  # the replay's browser test
packages+=(clang libclang-rt-dev)  # the fuzz targets
packages+=(lintian systemd man-db)  # the Debian package's checks: lintian, the unit, its man page
packages+=(prometheus)  # promtool and a real scraper for the metrics page's tests
packages+=(neovim unzip)  # the language server under Neovim's client; the VS Code package's check
# Node may come from elsewhere than Debian (its own npm included), so the commands are what count.
also_missing=()
command -v node >/dev/null 2>&1 || also_missing+=(nodejs)
command -v npm >/dev/null 2>&1 || also_missing+=(npm)
source scripts/packages.sh
need_packages test "${packages[@]}"

# The replay's browser test drives the system Chromium through puppeteer-core; no browser download.
if [ ! -d tests/browser/node_modules ] ||
   [ tests/browser/package-lock.json -nt tests/browser/node_modules/.package-lock.json ]; then
  echo "Installing the browser test's Node packages (tests/browser)"
  (cd tests/browser && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
fi
# The language server's client test speaks through the protocol library editors' clients use.
if [ ! -d tests/lsp/node_modules ] ||
   [ tests/lsp/package-lock.json -nt tests/lsp/node_modules/.package-lock.json ]; then
  echo "Installing the language server test's Node packages (tests/lsp)"
  (cd tests/lsp && npm ci --no-audit --no-fund --loglevel=error)
fi

# The VS Code extension's package, which the normal build's tests look into.
scripts/build_vsix.sh build

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
scripts/package_test.sh build
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DROBOT_SANITIZE=ON -DROBOT_TESTS=ON
if command -v clang++ >/dev/null; then
  echo "=== fuzz targets: ${FUZZ_SECONDS:-30} s each"
  scripts/fuzz.sh "${FUZZ_SECONDS:-30}"
else
  echo "=== fuzz targets skipped: clang++ not found"
fi
echo "All tests passed in both configurations."
