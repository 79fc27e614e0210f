#!/bin/sh
# Installs the built tree (build/, or $VELNORA_BUILD_DIR) into a temporary
# prefix and checks the installation as a user and a developer meet it:
# the files are where they belong, every program says the one version, the
# installed converter converts, the editor starts from its desktop entry
# with a picture, registers its own control library and closes, the example
# builds against the installation through find_package and through
# pkg-config and runs, and the desktop entry, metainfo and manual pages
# validate. A DESTDIR install lands under DESTDIR.
set -eu
cd "$(dirname "$0")/.."
src=$(pwd)
build=$(cd "${VELNORA_BUILD_DIR:-build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
prefix="$work/prefix"
fail() { echo "install-check: $*" >&2; exit 1; }
step() { echo "install-check: $*"; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
[ -n "$version" ] && [ -n "$libdir" ] || fail "$build is not a configured build tree"

step "cmake --install into $prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/velnora bin/pictaf-convert bin/velnora-regsvr libexec/velnora/velnora-install \
         "$libdir/libpictafconvert.so.$version" "$libdir/libvelnora_platform.so.$version" \
         "$libdir/velnora/libpictaf.so" "$libdir/pkgconfig/pictaf.pc" "$libdir/cmake/Pictaf/PictafConfig.cmake" \
         include/pictaf/Convert.h share/applications/velnora.desktop \
         share/metainfo/org.velnora.Velnora.metainfo.xml share/icons/hicolor/scalable/apps/velnora.svg \
         share/man/man1/velnora.1.gz share/man/man1/pictaf-convert.1.gz share/man/man1/velnora-regsvr.1.gz; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
for size in 16 24 32 48 64 128 256; do
  [ -s "$prefix/share/icons/hicolor/${size}x$size/apps/velnora.png" ] || fail "no ${size}x$size icon"
done
# The installed programs must not lean on the build tree.
for f in bin/velnora bin/pictaf-convert bin/velnora-regsvr libexec/velnora/velnora-install \
         "$libdir/libpictafconvert.so.$version" "$libdir/velnora/libpictaf.so"; do
  if readelf -d "$prefix/$f" | grep -E "RUNPATH|RPATH" | grep -q "$build"; then
    fail "$f looks for libraries in the build tree"
  fi
done

step "--version of every program is $version"
for p in velnora pictaf-convert velnora-regsvr; do
  got=$(env -u DISPLAY "$prefix/bin/$p" --version)
  [ "$got" = "$p $version" ] || fail "$p --version said '$got'"
done

step "the installed pictaf-convert converts"
"$prefix/bin/pictaf-convert" "$src/tests/data/metafile/pillow-drawing.wmf" "$work/drawing.gif"
[ "$(head -c 6 "$work/drawing.gif")" = "GIF89a" ] || fail "pictaf-convert wrote no GIF89a"
echo "not a picture" > "$work/text.bmp"
"$prefix/bin/pictaf-convert" "$work/text.bmp" "$work/nothing.bmp" 2>/dev/null && fail "a text file was converted"
[ ! -e "$work/nothing.bmp" ] || fail "a failed conversion left an output"

step "the example, through find_package(Pictaf)"
cmake -S "$src/examples/pictaf-to-gif" -B "$work/example-cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/example-cmake" >/dev/null
out=$("$work/example-cmake/pictaf-to-gif" "$src/tests/data/metafile/pillow-drawing.wmf" "$work/example1.gif")
case "$out" in "Pictaf $version: "*" bytes of GIF out") ;; *) fail "example said: $out" ;; esac
cmp -s "$work/example1.gif" "$work/drawing.gif" || fail "the library and pictaf-convert disagree"

step "the example, through pkg-config"
export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
[ "$(pkg-config --modversion pictaf)" = "$version" ] || fail "pictaf.pc has another version"
# shellcheck disable=SC2046
c++ -o "$work/pictaf-to-gif" "$src/examples/pictaf-to-gif/main.cpp" $(pkg-config --cflags --libs pictaf) \
  -Wl,-rpath,"$(pkg-config --variable=libdir pictaf)"
"$work/pictaf-to-gif" "$src/tests/data/metafile/pillow-drawing.wmf" "$work/example2.gif" >/dev/null
cmp -s "$work/example2.gif" "$work/drawing.gif" || fail "the pkg-config build converts differently"

step "desktop entry, metainfo and manual pages validate"
desktop-file-validate "$prefix/share/applications/velnora.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/org.velnora.Velnora.metainfo.xml" >/dev/null ||
  appstreamcli validate --no-net "$prefix/share/metainfo/org.velnora.Velnora.metainfo.xml" >&2
for page in velnora pictaf-convert velnora-regsvr; do
  "$src/man/check-man.sh" "$prefix/share/man/man1/$page.1.gz"
done
MANPATH="$prefix/share/man" man -w pictaf-convert | grep -q "^$prefix/" || fail "man does not find pictaf-convert(1)"

step "the editor starts from its menu entry, registers its own control library, and closes"
step "the editor starts with a picture given on its command line, and closes"
# A picture of a colour found nowhere else on the screen.
convert -size 120x40 xc:'#11C95D' "BMP3:$work/green.bmp"
export VELNORA_REGISTRY="$work/registry.reg"
PATH="$prefix/bin:$PATH" xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  prefix=$1; work=$2
  pid=""
  fail() { echo "install-check: $1" >&2; [ -z "$pid" ] || kill "$pid" 2>/dev/null; exit 1; }
  started() { # the main window, and the pid of the program that shows it
    win=$(timeout 20 xdotool search --sync --onlyvisible --name "^   Velnora\$" | head -1)
    [ -n "$win" ] || fail "the main window never showed ($1)"
    pid=$(xdotool getwindowpid "$win")
    sleep 1
  }
  quit() { # File > Exit, the last entry of the first menu
    eval $(xdotool getwindowgeometry --shell "$win")
    xdotool mousemove $((X + 18)) $((Y + 8)) click 1; sleep 0.4; xdotool key Up Return
    for i in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || { pid=""; return; }; sleep 0.1; done
    fail "velnora still running 5 s after Exit ($1)"
  }
  # As the desktop menu starts it.
  dex "$prefix/share/applications/velnora.desktop" >/dev/null 2>&1
  started "menu entry"
  quit "menu entry"
  # As a file manager'"'"'s Open With does.
  velnora "$work/green.bmp" >/dev/null 2>&1 &
  started "with a file"
  import -window root "$work/screen.png"
  shown=$(convert "$work/screen.png" -fill black +opaque "#11C95D" -fill white -opaque "#11C95D" -format "%[fx:mean*w*h]" info:)
  [ "${shown%.*}" -ge 4000 ] || fail "the picture given on the command line is not on the banner ($shown pixels)"
  quit "with a file"
' sh "$prefix" "$work"
grep -q "$prefix/$libdir/velnora/libpictaf.so" "$VELNORA_REGISTRY" ||
  fail "the editor did not register the control library of its installation"

step "DESTDIR installs under DESTDIR"
DESTDIR="$work/dest" cmake --install "$build" --prefix /opt/velnora >/dev/null
[ -x "$work/dest/opt/velnora/bin/velnora" ] || fail "DESTDIR install put no velnora under DESTDIR"
grep -q "^prefix=/opt/velnora\$" "$work/dest/opt/velnora/$libdir/pkgconfig/pictaf.pc" || fail "pictaf.pc names the wrong prefix"
step "all good"
