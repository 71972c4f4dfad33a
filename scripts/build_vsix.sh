#!/usr/bin/env bash
# Packages the VS Code extension (editors/vscode) as BUILD_DIR/robot-script.vsix, with the
# language client inside and the project's version. Works in a copy under the build folder, so
# the source tree gets no node_modules and no stamped version. Needs node and npm; after the
# first run npm's cache is enough (no network). Usage: scripts/build_vsix.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(mkdir -p "${1:-build}" && cd "${1:-build}" && pwd)
stage=$build/vscode-extension
vsix=$build/robot-script.vsix

# The version is typed once, in CMakeLists.txt; an extension's must have three numbers.
version=$(sed -n 's/^project([a-z]* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
case $version in *.*.*) ;; *.*) version=$version.0 ;; *) version=$version.0.0 ;; esac

# A fresh copy of the sources each time (a file removed from them leaves the package too); the
# installed node_modules stay while the lock file is unchanged.
mkdir -p "$stage"
find "$stage" -mindepth 1 -maxdepth 1 ! -name node_modules -exec rm -rf {} +
cp -R editors/vscode/. "$stage/"
node -e '
  const fs = require("fs"), file = process.argv[1];
  const manifest = JSON.parse(fs.readFileSync(file, "utf8"));
  manifest.version = process.argv[2];
  fs.writeFileSync(file, JSON.stringify(manifest, null, 2) + "\n");' "$stage/package.json" "$version"

cd "$stage"
if [ ! -d node_modules ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
  npm ci --no-audit --no-fund --loglevel=error --ignore-scripts
fi
# No publisher token is involved: packaging only writes the file.
npx --no-install vsce package --skip-license --allow-missing-repository --out "$vsix" >/dev/null
echo "built $vsix (version $version)"
