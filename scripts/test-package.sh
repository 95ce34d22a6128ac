#!/usr/bin/env bash
# Makes the Debian package and checks it without installing it: its control fields, the unpacked
# layout, the unpacked talvena-psp on the example passport, the desktop entry, the AppStream
# metainfo, and that the MIME type recognises a passport by its content and opens it with Talvena.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/package.sh
debs=(build/package/talvena_*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "test-package: expected one package, found ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
check() { # check DESCRIPTION COMMAND...: runs the command, reports it, counts a failure
  local what=$1
  shift
  if "$@"; then echo "ok    $what"; else echo "FAIL  $what" >&2; failures=$((failures + 1)); fi
}
same() { [ "$1" = "$2" ] || { echo "      got \"$1\", expected \"$2\"" >&2; return 1; }; }

# --- control fields ---
check "package name" same "$(dpkg-deb -f "$deb" Package)" talvena
check "version" same "$(dpkg-deb -f "$deb" Version)" 1.21.0.77
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6gui6 libqt6core6 zlib1g qt6-qpa-plugins; do
  check "depends on $lib" grep -q "\b$lib\b" <<<"$depends"
done
check "no maintainer scripts" same "$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E 'inst|rm|triggers|config' || true)" ""

# --- layout: exactly these files and links ---
root=$tmp/root
dpkg-deb -x "$deb" "$root"
expected=(
  usr/bin/talvena usr/bin/talvena-psp
  usr/lib/talvena/talvena usr/lib/talvena/talvena-psp
  usr/lib/talvena/DICTIONARYS.BIN usr/lib/talvena/GROUPS.BIN usr/lib/talvena/talvena.hlp
  usr/share/applications/talvena.desktop
  usr/share/metainfo/ru.talvena.Talvena.metainfo.xml
  usr/share/mime/packages/talvena.xml
  usr/share/talvena/examples/example.psp
  usr/share/icons/hicolor/scalable/apps/talvena.svg
  usr/share/icons/hicolor/scalable/mimetypes/application-x-talvena-passport.svg
)
for size in 16 24 32 48 64 128 256; do
  expected+=(usr/share/icons/hicolor/${size}x${size}/apps/talvena.png
             usr/share/icons/hicolor/${size}x${size}/mimetypes/application-x-talvena-passport.png)
done
check "layout" same "$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort)" "$(printf '%s\n' "${expected[@]}" | sort)"
for program in talvena talvena-psp; do
  check "bin/$program links to lib/talvena" same "$(readlink "$root/usr/bin/$program")" "../lib/talvena/$program"
  check "lib/talvena/$program is executable" test -x "$root/usr/lib/talvena/$program"
done
for size in 16 256; do
  check "${size}px icon is ${size}x${size}" \
    grep -q "PNG image data, $size x $size" <<<"$(file "$root/usr/share/icons/hicolor/${size}x${size}/apps/talvena.png")"
done

# --- the unpacked tool, started through its link, finds its dictionaries and reads the example ---
example=$root/usr/share/talvena/examples/example.psp
unpacked_dump() { "$root/usr/bin/talvena-psp" dump "$example" >"$tmp/unpacked.json"; }
check "unpacked talvena-psp dump" unpacked_dump
build/bin/talvena-psp dump "$example" >"$tmp/built.json"
check "unpacked dump equals the built tool's" cmp -s "$tmp/unpacked.json" "$tmp/built.json"
check "dump holds the resources" grep -q '"resources"' "$tmp/unpacked.json"

# --- desktop entry and AppStream metainfo ---
desktop=$root/usr/share/applications/talvena.desktop
check "desktop-file-validate" desktop-file-validate "$desktop"
check "menu entry starts the installed program" grep -qx 'Exec=talvena %f' "$desktop"
check "appstreamcli validate" appstreamcli validate --no-net "$root/usr/share/metainfo/ru.talvena.Talvena.metainfo.xml"
check "metainfo agrees with the desktop entry" appstreamcli validate-tree --no-net "$root"

# --- MIME type, in a private data folder as the package's triggers would set it up ---
data=$tmp/xdg
mkdir -p "$data/mime/packages" "$data/applications" "$tmp/home" "$tmp/files"
cp "$root/usr/share/mime/packages/talvena.xml" "$data/mime/packages/"
cp "$desktop" "$data/applications/"
XDG_DATA_DIRS="$data:/usr/share" update-mime-database "$data/mime"
update-desktop-database "$data/applications"
cp "$example" "$tmp/files/passport"                      # by content: no extension
printf 'not a headered passport' >"$tmp/files/old.psp"   # by name: the older headerless files
printf 'plain text\n' >"$tmp/files/notes"
query() { env -u XDG_CURRENT_DESKTOP -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
          XDG_DATA_HOME="$tmp/home" XDG_DATA_DIRS="$data:/usr/share" xdg-mime query "$@"; }
check "passport without extension" same "$(query filetype "$tmp/files/passport")" application/x-talvena-passport
check "headerless .psp by name" same "$(query filetype "$tmp/files/old.psp")" application/x-talvena-passport
check "other files are not passports" same "$(query filetype "$tmp/files/notes")" text/plain
check "passports open with Talvena" same "$(query default application/x-talvena-passport)" talvena.desktop

if [ "$failures" -ne 0 ]; then
  echo "test-package: $failures check(s) failed" >&2
  exit 1
fi
echo "test-package: $deb passed every check"
