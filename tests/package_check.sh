#!/bin/bash
# Makes the Debian package in a build tree and uses it as a player would:
# lintian must find no error in it, apt installs it, man finds the manual
# pages, the UCI program answers, XBoard lists the engine through its
# plugin file and plays a game with the installed program, and apt removes it again without leaving a
# file behind. Needs root; the package is gone from the machine afterwards,
# whether the checks pass or not.
#
#   tests/package_check.sh [BUILD_DIR]    (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)

say() { echo "package_check: $*"; }
fail() { echo "package_check: FAIL: $*" >&2; exit 1; }
[[ $(id -u) == 0 ]] || fail "needs root, to install and remove the package"

# Runs a command with its chatter in a log, shown only if it fails.
log=$build/package_check.log
quietly() { "$@" >"$log" 2>&1 || { cat "$log" >&2; fail "$* failed"; }; }
apt_get() {
    quietly env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 -y -qq "$@"
}
installed() { [[ $(dpkg-query -W -f '${db:Status-Status}' quorlix 2>/dev/null) == installed ]]; }

# CPack works out the dependencies with dpkg-shlibdeps (dpkg-dev) and finds
# the binaries for it with file.
need=()
command -v dpkg-shlibdeps >/dev/null || need+=(dpkg-dev)
command -v file >/dev/null || need+=(file)
command -v lintian >/dev/null || need+=(lintian)
command -v man >/dev/null || need+=(man-db)
if ((${#need[@]})); then
    say "installing ${need[*]}"
    apt_get update
    apt_get install --no-install-recommends "${need[@]}"
fi

# A package left by an earlier run would hide what this one installs.
trap 'if installed; then apt_get remove quorlix; fi' EXIT
if installed; then apt_get remove quorlix; fi

rm -f "$build"/quorlix_*.deb
(cd "$build" && quietly cpack -G DEB)
debs=("$build"/quorlix_*.deb)
((${#debs[@]} == 1)) && [[ -f ${debs[0]} ]] || fail "cpack made no single quorlix_*.deb in $build"
deb=${debs[0]}
say "built $(basename "$deb")"
dpkg-deb -c "$deb" | sed 's/^/  /'
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libc6* ]] || fail "no dependencies worked out from the binary: '$depends'"
say "depends on: $depends"

# Errors fail the check; warnings and notes are shown. Lintian asks not to
# be run as root, which is how this runs.
status=0
lintian --display-info "$deb" >"$build/lintian.log" 2>&1 || status=$?
grep -v '^running with root privileges' "$build/lintian.log" | sed 's/^/  lintian: /' || true
if grep -q '^E:' "$build/lintian.log"; then fail "lintian found errors"; fi
((status == 0)) || fail "lintian failed (exit status $status)"
say "lintian: no errors"

apt_get install --no-install-recommends "$deb"
installed || fail "apt-get did not install $deb"
mapfile -t files < <(dpkg -L quorlix)
say "installed"

# Slimmed-down images tell dpkg to skip manual pages; say so rather than
# blame the package.
if ! page=$(man -w quorlix 2>/dev/null); then
    excluded=$(grep -rls 'path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg.d/ || true)
    fail "man -w quorlix finds no page${excluded:+ (dpkg is told to leave manual pages out in $excluded)}"
fi
[[ $page == /usr/share/man/man6/quorlix.6.gz ]] || fail "man -w quorlix finds $page"
say "man -w quorlix: $page"

# quorlix-uci's page is a link to the one page of both.
[[ $(man -w quorlix-uci 2>/dev/null) == "$page" ]] || fail "man -w quorlix-uci does not find $page"
answer=$(printf 'uci\nposition startpos moves e2e4\ngo depth 2\n' | /usr/games/quorlix-uci)
# The best move, then the reply it expects, to ponder on.
[[ $answer == *$'\nuciok\n'*$'\nbestmove e7e6 ponder '* ]] ||
    fail "/usr/games/quorlix-uci answers: $answer"
say "/usr/games/quorlix-uci answers uci and go"

plugin=/usr/share/games/plugins/xboard/quorlix.eng
[[ -f $plugin ]] || fail "no XBoard plugin at $plugin"
[[ $(cat "$plugin") == $'plugin spec 0.0\n/usr/games/quorlix\nchess' ]] ||
    fail "$plugin reads: $(cat "$plugin")"
say "plugin: $plugin"

EXPECT_LISTED=/usr/games/quorlix bash "$here/xboard_match.sh" /usr/games/quorlix "$build/xboard-installed"

apt_get remove quorlix
! installed || fail "apt-get remove left the package installed"
# Its files must be gone, and its directories too unless another package
# owns them (or something else has put files there).
left=()
for path in "${files[@]}"; do
    if [[ -d $path ]]; then
        [[ -z $(ls -A "$path") ]] && ! dpkg-query -S "$path" >/dev/null 2>&1 && left+=("$path")
    elif [[ -e $path || -L $path ]]; then
        left+=("$path")
    fi
done
((${#left[@]} == 0)) || fail "left after removal: ${left[*]}"
say "removed; none of its ${#files[@]} paths left"
say "PASS in ${SECONDS}s"
