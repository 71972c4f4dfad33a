#!/usr/bin/env bash
# Builds the Debian package from a finished build folder and checks it as an operator would
# meet it: what it holds, that the programs run from an unpacked copy and play a game there,
# that lintian finds no error, and that the service unit is sound and hardened.
# Usage: scripts/package_test.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
max_exposure=2.0  # systemd-analyze security's score; lower is better hardened
game_host=127.0.64.1

fail() { echo "package check: $*" >&2; exit 1; }

echo "=== package: cpack"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/*.deb)

echo "=== package: contents"
contents=$(dpkg-deb --contents "$deb")
for path in usr/bin/robot usr/bin/gameserver usr/bin/match usr/bin/server_loadtest \
            usr/share/man/man1/robot.1.gz usr/share/man/man1/gameserver.1.gz \
            usr/share/man/man1/match.1.gz lib/systemd/system/gameserver.service \
            etc/gameserver/gameserver.toml etc/logrotate.d/gameserver \
            usr/share/doc/tradebot/examples/minimal.robot usr/share/doc/tradebot/operator.md; do
  grep -q " \./$path\$" <<<"$contents" || fail "$path is missing from $deb"
done

unpacked=$(mktemp -d /tmp/package_test.XXXXXX)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked/root"
bin=$unpacked/root/usr/bin

echo "=== package: the unpacked programs"
"$bin/gameserver" --version | grep -q '^gameserver ' || fail "gameserver --version"
"$bin/match" --help | grep -q '^usage: match' || fail "match --help"
"$bin/gameserver" --config "$unpacked/root/etc/gameserver/gameserver.toml" --help >/dev/null ||
  fail "the packaged configuration file is refused"
examples=$unpacked/root/usr/share/doc/tradebot/examples
(cd "$unpacked" && "$bin/match" --robot "$bin/robot" --server "$bin/gameserver" \
   --host-range "$game_host-$game_host" --seed 7 --turns 5 --out "$unpacked/game" \
   "$examples/minimal.robot" "$examples/careful.robot" >"$unpacked/match.out") ||
  { cat "$unpacked/match.out"; fail "a game of the unpacked programs failed"; }
grep -q 'game.jsonl' <(ls "$unpacked/game") || fail "the game left no log"

echo "=== package: lintian"
lintian_out=$(lintian "$deb" 2>&1 | grep -v 'running with root privileges' || true)
[ -n "$lintian_out" ] && echo "$lintian_out"
grep -q '^E: ' <<<"$lintian_out" && fail "lintian reports errors"

echo "=== package: the service unit"
unit=$unpacked/gameserver.service
sed "s|/usr/bin/gameserver|$bin/gameserver|" \
  "$unpacked/root/lib/systemd/system/gameserver.service" >"$unit"
# The unit names its man page; verify looks it up, in the unpacked copy.
if command -v man >/dev/null; then
  MANPATH=$unpacked/root/usr/share/man systemd-analyze verify "$unit"
else
  systemd-analyze verify --man=no "$unit"
fi
exposure=$(systemd-analyze security --offline=true "$unit" 2>&1 |
           sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p')
[ -n "$exposure" ] || fail "systemd-analyze security gave no score"
echo "exposure of the unit: $exposure (at most $max_exposure)"
awk -v e="$exposure" -v m="$max_exposure" 'BEGIN { exit !(e <= m) }' ||
  fail "the unit's exposure $exposure is above $max_exposure"
echo "=== package: all checks passed ($deb)"
