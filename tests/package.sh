#!/usr/bin/env bash
# The Debian package of build folder $1: its files, its dependencies, where the menu starts it.
set -euo pipefail
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "package: $*" >&2; exit 1; }
cpack --config "$1/CPackConfig.cmake" -B "$out" >"$out/log" 2>&1 || fail "cpack: $(cat "$out/log")"
deb=$(echo "$out"/agency_*.deb)
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in bin/agency bin/agencyctl bin/agency-desk share/applications/agency.desktop \
    share/icons/hicolor/scalable/apps/agency.svg share/agency/fonts/{nazli,nazlib,titr,homa}-farsi.ttf; do
    grep -qx "./usr/$f" <<<"$files" || fail "missing /usr/$f"
done
grep -vq '^\./usr/' <<<"$files" && fail "files outside /usr"
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6widgets6 libqt6printsupport6 libqt6charts6 libsqlite3-0 libsodium23 fonts-farsiweb fonts-noto-core qt6-translations-l10n; do
    grep -Eq "(^|, )$p( |,|$)" <<<"$depends" || fail "no dependency on $p"
done
dpkg-deb -x "$deb" "$out/root"
grep -qx 'Exec=agency-desk' "$out/root/usr/share/applications/agency.desktop" || fail "the menu does not start agency-desk"
printf '#!/bin/sh\npwd >"%s/started"\n' "$out" >"$out/root/usr/bin/agency"
HOME="$out/home" XDG_DATA_HOME= "$out/root/usr/bin/agency-desk"
[ "$(cat "$out/started")" = "$out/home/.local/share/agency" ] || fail "started in $(cat "$out/started")"
