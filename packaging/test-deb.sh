#!/usr/bin/env bash
# Builds the Debian package from a configured build folder, unpacks it into a scratch root and
# checks what a user gets: the programs (which must run from there), the udev rule, the
# desktop entry, the icons, the AppStream data and the man pages.
# Usage: packaging/test-deb.sh BUILD_DIR
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
for tool in cpack dpkg-deb dpkg-shlibdeps file; do
    command -v "$tool" >/dev/null || { echo "test-deb: $tool is missing" >&2; exit 1; }
done

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Brings CPackConfig.cmake up to date (cpack reads it before building anything) and the
# programs with it; in an up-to-date build folder this does nothing.
cmake --build "$build" --target orn-dsp orn-dspctl man_pages >/dev/null

out="$build/deb"
rm -rf "$out"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out.log" 2>&1 ||
    { cat "$out.log" >&2; echo "test-deb: cpack failed" >&2; exit 1; }
debs=("$out"/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "test-deb: expected one .deb in $out" >&2
    exit 1
fi
deb=${debs[0]}

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

# Everything under /usr, nothing left from the build machine's prefix.
strays=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v -e '^\./$' -e '^\./usr/' || true)
[ -z "$strays" ] || fail "files outside /usr: $strays"

for program in orn-dsp orn-dspctl; do
    [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program missing or not executable"
done

rule="$root/usr/lib/udev/rules.d/70-orn-dsp.rules"
if [ -f "$rule" ]; then
    for subsystem in hidraw usb; do
        grep -E "^SUBSYSTEM==\"$subsystem\".*ATTRS\{idVendor\}==\"0483\".*ATTRS\{idProduct\}==\"5750\".*TAG\+=\"uaccess\"" \
            "$rule" >/dev/null || fail "udev rule has no $subsystem line for 0483:5750 with uaccess"
    done
else
    fail "udev rule missing"
fi

desktop="$root/usr/share/applications/orn-dsp.desktop"
if [ -f "$desktop" ]; then
    grep -qx 'Exec=orn-dsp' "$desktop" || fail "desktop entry does not run orn-dsp"
    grep -qx 'Categories=AudioVideo;Audio;Settings;' "$desktop" || fail "desktop entry categories"
    grep -qx 'Icon=orn-dsp' "$desktop" || fail "desktop entry icon"
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$desktop" || fail "desktop-file-validate"
    else
        echo "note: desktop-file-validate not installed, desktop entry not validated"
    fi
else
    fail "desktop entry missing"
fi

icons="$root/usr/share/icons/hicolor"
for size in 16 32 48 64 128 256; do
    png="$icons/${size}x${size}/apps/orn-dsp.png"
    if [ -f "$png" ]; then
        file -b "$png" | grep "PNG image data, $size x $size" >/dev/null || fail "$png is not a ${size}x$size PNG"
    else
        fail "icon ${size}x$size missing"
    fi
done
[ -f "$icons/scalable/apps/orn-dsp.svg" ] || fail "scalable icon missing"

metainfo="$root/usr/share/metainfo/io.github.orn_dsp.metainfo.xml"
if [ -f "$metainfo" ]; then
    grep -q '<launchable type="desktop-id">orn-dsp.desktop</launchable>' "$metainfo" ||
        fail "metainfo does not name the desktop entry"
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate --no-net "$metainfo" >/dev/null || fail "appstreamcli validate"
    else
        echo "note: appstreamcli not installed, metainfo not validated"
    fi
else
    fail "metainfo missing"
fi

for page in orn-dsp orn-dspctl; do
    man_page="$root/usr/share/man/man1/$page.1.gz"
    if [ -f "$man_page" ]; then
        zcat "$man_page" | grep "^\.TH ${page^^} 1" >/dev/null || fail "$page.1 has no title"
    else
        fail "man page $page.1.gz missing"
    fi
done

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libqt6widgets6; do
    grep -q "$lib" <<<"$depends" || fail "Depends does not name $lib"
done

# The unpacked programs run as they are; the scratch working folder holds no marker files.
work=$(mktemp -d -p "$root")
info=$(cd "$work" && "$root/usr/bin/orn-dspctl" --simulate info) || fail "orn-dspctl --simulate info exited $?"
grep -q '^Firmware: [0-9]*\.[0-9]*$' <<<"$info" || fail "orn-dspctl --simulate info printed no firmware line"
(cd "$work" && "$root/usr/bin/orn-dsp" --help >/dev/null) || fail "orn-dsp --help exited $?"

echo "$(basename "$deb"): $(du -k "$deb" | cut -f1) KiB, installed size $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "Depends: $depends"
echo "Recommends: $(dpkg-deb -f "$deb" Recommends)"
echo "$info"
if [ "$failures" -ne 0 ]; then
    echo "test-deb: $failures check(s) failed" >&2
    exit 1
fi
echo "test-deb: all checks passed"
