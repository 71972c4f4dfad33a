#!/bin/sh
# Checks the packaged VS Code extension (scripts/build_vsix.sh) by its contents: the manifest,
# the grammar, the client's entry point and the language client library it loads, the settings
# that name the server, and the project's version. Exits 77 (skipped for ctest) when it was not
# built. Usage: vsix_test.sh VSIX PROJECT_VERSION
vsix=$1 version=$2
if [ ! -f "$vsix" ]; then
  if [ -n "${CI:-}" ]; then echo "$vsix was not built (scripts/build_vsix.sh)" >&2; exit 1; fi
  echo "SKIPPED: $vsix was not built; scripts/build_vsix.sh builds it (needs npm)"
  exit 77
fi
failed=0
fail() { echo "FAILED: $*"; failed=1; }

listing=$(unzip -Z1 "$vsix") || exit 1
for entry in extension.vsixmanifest extension/package.json extension/robot.tmLanguage.json \
             extension/language-configuration.json extension/extension.js \
             extension/node_modules/vscode-languageclient/node.js; do
  printf '%s\n' "$listing" | grep -qx "$entry" || fail "$entry is not in the package"
done
printf '%s\n' "$listing" | grep -q '^extension/node_modules/@vscode/vsce/' && fail "the packaging tool is in the package"

manifest=$(unzip -p "$vsix" extension/package.json)
for key in '"main": "./extension.js"' '"robotScript.server.path"' '"robotScript.server.args"' \
           '"onLanguage:robot-script"' '"path": "./robot.tmLanguage.json"' \
           '"name": "robot-check"'; do
  printf '%s\n' "$manifest" | grep -qF "$key" || fail "package.json lacks $key"
done
# An extension's version has three numbers: the project's 1.0 is 1.0.0 there.
printf '%s\n' "$manifest" | grep -Eq "\"version\": \"$version(\\.0)*\"" || fail "package.json lacks version $version"
unzip -p "$vsix" extension/extension.js | node --check 2>&1 || fail "extension.js does not parse"
[ $failed -eq 0 ] && echo "ok: $vsix holds the extension, its client and its settings"
exit $failed
