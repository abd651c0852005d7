#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed program as a user meets it. Builds the Debian package from the
# build tree, validates its menu entry and metainfo, installs it with apt-get,
# starts the installed program with a fresh HOME, checks that the per-user
# folder was seeded and that a contact typed into the window is stored there,
# that nothing under /usr changed while it ran, and that removing the package
# leaves the user's folder alone. Needs root (apt-get).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
id=org.quillary.Quillary

fail() { echo "package-test: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "run as root: the package is installed with apt-get"
! dpkg -s quillary >/dev/null 2>&1 || fail "quillary is already installed; remove it first"

make package BUILD="$build" >/dev/null
deb=$(ls -t "$PWD/$build"/quillary_*_*.deb | head -n 1)
echo "package: $(basename "$deb"), depends: $(dpkg-deb -f "$deb" Depends)"
# Without a font for Chinese, Japanese and Korean such names show as boxes.
dpkg-deb -f "$deb" Recommends | grep -qw fonts-noto-cjk || fail "the package does not recommend fonts-noto-cjk"

# Checked as a distribution's packager checks it: any error or warning fails.
# Overridden tags: none.
lintian_out=$(lintian --fail-on error,warning --tag-display-limit 0 "$deb" 2>&1) ||
    { echo "$lintian_out" >&2; fail "lintian rejects $(basename "$deb")"; }
echo "lintian: no error or warning"

work=$(mktemp -d)
cleanup() {
    dpkg -s quillary >/dev/null 2>&1 && apt-get remove -y -qq quillary >/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null

share=/usr/share
desktop-file-validate "$share/applications/$id.desktop"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" >/dev/null
for f in "$share/man/man1/quillary.1.gz" "$share/doc/quillary/copyright" "$share/doc/quillary/changelog.gz" "$share"/icons/hicolor/{16x16,32x32,48x48,128x128,256x256}/apps/$id.png; do
    [ -f "$f" ] || fail "missing $f"
done

# Everything the package put under /usr, with checksums, and a mark of the time.
installed() { dpkg -L quillary | while read -r f; do [ -f "$f" ] && sha256sum "$f"; done; find "$share/quillary" | sort; }
installed >"$work/before"
touch "$work/stamp"
sleep 1

home="$work/home"
lists="$home/.local/share/Quillary"
mkdir -p "$home"
user() { env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" "$@"; }
# The first start creates and seeds the folder; the window stays up until killed.
user env QT_QPA_PLATFORM=offscreen timeout 5 /usr/bin/quillary 2>/dev/null || [ $? -eq 124 ] ||
    fail "the installed program did not start"
for f in Template.dat Quillary.mdb plist.ini AreaCodes.dat; do
    [ -f "$lists/$f" ] || fail "$lists/$f was not seeded"
done
cmp -s "$lists/Template.dat" "$share/quillary/Template.dat" || fail "Template.dat differs"
grep -q '^db=Quillary.mdb' "$lists/plist.ini" || fail "plist.ini does not name the default list"

# A contact typed into the real window lands in the per-user folder of another
# fresh home (the script makes its own; "~" stands for it).
if [ -f scripts/realwindow-test.sh ]; then
    bash scripts/realwindow-test.sh /usr/bin/quillary '~/.local/share/Quillary'
else
    echo "package-test: scripts/realwindow-test.sh not there yet: typed contact not checked" >&2
fi

installed >"$work/after"
diff -u "$work/before" "$work/after" || fail "files under /usr changed while the program ran"
changed=$(find /usr -xdev -newer "$work/stamp" -print -quit)
[ -z "$changed" ] || fail "$changed changed while the program ran"

apt-get remove -y -qq quillary >/dev/null
[ ! -e /usr/bin/quillary ] || fail "/usr/bin/quillary is still there after removal"
[ -f "$lists/Quillary.mdb" ] || fail "removing the package touched $lists"
echo "package-test: installed, ran per user, removed: OK"
