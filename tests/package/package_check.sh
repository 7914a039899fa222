#!/usr/bin/env bash
# Builds the Debian packages from the build tree into a temporary folder and checks what a user and a
# developer get: control fields, files, the program and library as packaged, the manual page and the
# AppStream metadata. Exits 77 (skipped) where the Debian tools are missing.
# Usage: package_check.sh <cpack> <build dir> <version> <lib dir>
set -euo pipefail
cpack=$1 build=$2 version=$3 libdir=$4

for tool in dpkg-deb dpkg-shlibdeps readelf; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is missing (scripts/install-deps installs it)"
    exit 77
  fi
done

work=$(mktemp -d /tmp/zelvaro-package.XXXXXX)
trap 'rm -rf "$work"' EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# CPack stages and writes everything under -B, so the build tree's own state stays as it is.
if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack could not build the packages"
  exit 1
fi
arch=$(dpkg --print-architecture)
app_deb="$work/out/zelvaro_${version}_${arch}.deb"
dev_deb="$work/out/libsigcore-dev_${version}_${arch}.deb"
for deb in "$app_deb" "$dev_deb"; do
  [ -f "$deb" ] || { echo "FAIL: no $(basename "$deb") among: $(ls "$work/out")"; exit 1; }
done

field() { dpkg-deb --field "$1" "$2"; }
expect_field() {  # <deb> <field> <value>
  local actual
  actual=$(field "$1" "$2")
  [ "$actual" = "$3" ] || fail "$(basename "$1"): $2 is '$actual', expected '$3'"
}

# --- the program's package ----------------------------------------------------------------------
expect_field "$app_deb" Package zelvaro
expect_field "$app_deb" Version "$version"
expect_field "$app_deb" Architecture "$arch"
expect_field "$app_deb" Section hamradio
[ -n "$(field "$app_deb" Maintainer)" ] || fail "zelvaro has no Maintainer"
[ "$(field "$app_deb" Description | wc -l)" -ge 5 ] || fail "zelvaro has no long description"

# Dependencies come from the libraries the binaries need, with versions, and never name the package's
# own library.
depends=$(field "$app_deb" Depends)
for lib in libc6 libstdc++6 libportaudio2 libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6; do
  [[ ", $depends" == *", $lib ("* ]] || fail "Depends lacks a versioned $lib: $depends"
done
[[ "$depends" != *sigcore* && "$depends" != *zelvaro* ]] || fail "Depends names the package's own library: $depends"

dpkg-deb --ctrl-tarfile "$app_deb" | tar -x -C "$work" --one-top-level=app-control
grep -qx "libsigcore 1 zelvaro (>= $version)" "$work/app-control/shlibs" 2>/dev/null ||
  fail "shlibs does not offer libsigcore.so.1: $(cat "$work/app-control/shlibs" 2>/dev/null)"
grep -qx "activate-noawait ldconfig" "$work/app-control/triggers" 2>/dev/null || fail "no ldconfig trigger"
# Without maintainer scripts `apt remove` leaves no trace of the package in dpkg's database.
for script in preinst postinst prerm postrm; do
  [ ! -e "$work/app-control/$script" ] || fail "the package has a $script script"
done

app_files=$(dpkg-deb --contents "$app_deb" | awk '{ print $1, $6, $7, $8 }')
expect_entry() {  # <listing> <mode prefix> <path> [link target]
  local listing=$1 mode=$2 path=$3 target=${4:-}
  local line
  line=$(grep -E "^$mode[^ ]* \./$path( |$)" <<<"$listing" || true)
  if [ -z "$line" ]; then
    fail "missing /$path (type $mode)"
  elif [ -n "$target" ] && [[ "$line" != *" -> $target" ]]; then
    fail "/$path is not a link to $target: $line"
  fi
}
expect_entry "$app_files" -rwxr-xr-x usr/bin/zelvaro
expect_entry "$app_files" -rw-r--r-- "usr/$libdir/libsigcore.so.1.0.0"
expect_entry "$app_files" l "usr/$libdir/libsigcore.so.1" libsigcore.so.1.0.0
expect_entry "$app_files" -rw-r--r-- usr/share/applications/zelvaro.desktop
expect_entry "$app_files" -rw-r--r-- usr/share/icons/hicolor/scalable/apps/zelvaro.svg
expect_entry "$app_files" -rw-r--r-- usr/share/man/man1/zelvaro.1.gz
expect_entry "$app_files" -rw-r--r-- usr/share/metainfo/org.zelvaro.Zelvaro.metainfo.xml
expect_entry "$app_files" -rw-r--r-- usr/share/doc/zelvaro/copyright
expect_entry "$app_files" -rw-r--r-- usr/share/doc/zelvaro/changelog.gz
expect_entry "$app_files" -rw-r--r-- usr/share/doc/zelvaro/screenshot.png
stray=$(awk '{ print $2 }' <<<"$app_files" | grep -vE '^\./usr/(bin|lib|share)/|^\./usr/(lib/)?$|^\./$' || true)
[ -z "$stray" ] || fail "files outside /usr/bin, /usr/lib and /usr/share: $stray"
grep -qE ' \./usr/include/| \./usr/.*/libsigcore\.so ' <<<"$app_files" && fail "development files in the program's package"
for deb in "$app_deb" "$dev_deb"; do
  bad_owner=$(dpkg-deb --contents "$deb" | awk '$2 != "root/root"')
  [ -z "$bad_owner" ] || fail "$(basename "$deb"): files not owned by root: $bad_owner"
done

# The program as packaged: no search path of its own, the packaged library found through the loader.
root="$work/root"
dpkg-deb --extract "$app_deb" "$root"
dynamic=$(readelf --dynamic "$root/usr/bin/zelvaro")
grep -qE 'RUNPATH|RPATH' <<<"$dynamic" && fail "the program carries a search path: $(grep -E 'RUNPATH|RPATH' <<<"$dynamic")"
grep -q 'NEEDED.*\[libsigcore\.so\.1\]' <<<"$dynamic" || fail "the program does not load libsigcore.so.1"
readelf --dynamic "$root/usr/$libdir/libsigcore.so.1.0.0" | grep -q 'SONAME.*\[libsigcore\.so\.1\]' ||
  fail "the library's SONAME is not libsigcore.so.1"
readelf --sections "$root/usr/bin/zelvaro" | grep -q '\.debug_info' && fail "the program is not stripped"
packaged_version=$(env -u DISPLAY LD_LIBRARY_PATH="$root/usr/$libdir" "$root/usr/bin/zelvaro" --version 2>&1) ||
  fail "the packaged program does not run: $packaged_version"
[ "$packaged_version" = "Zelvaro $version" ] || fail "packaged program says '$packaged_version'"

# The manual page: well-formed, this version, and every option the program lists.
gzip -t "$root/usr/share/man/man1/zelvaro.1.gz" || fail "the manual page is not valid gzip"
manpage=$(gzip -dc "$root/usr/share/man/man1/zelvaro.1.gz")
grep -q "^\.TH ZELVARO 1 .*\"Zelvaro $version\"" <<<"$manpage" || fail "the manual page is not for version $version"
if command -v groff >/dev/null; then
  warnings=$(groff -man -ww -z <<<"$manpage" 2>&1 || true)
  [ -z "$warnings" ] || fail "groff warns about the manual page: $warnings"
fi
options=$(env -u DISPLAY LD_LIBRARY_PATH="$root/usr/$libdir" "$root/usr/bin/zelvaro" --help |
          grep -oE '^ +(-[a-zA-Z], )?--[a-z][a-z-]*' | grep -oE -- '--[a-z-]+')
for option in $options; do
  grep -qF -- "${option//-/\\-}" <<<"$manpage" || fail "the manual page does not describe $option"
done

# The AppStream metadata: valid, this release, and pointing at the installed desktop entry.
metainfo="$root/usr/share/metainfo/org.zelvaro.Zelvaro.metainfo.xml"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
desktop_id=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
[ -f "$root/usr/share/applications/$desktop_id" ] || fail "the metainfo launches '$desktop_id', which is not installed"
if command -v appstreamcli >/dev/null; then
  # The whole tree, so the desktop entry and icon the metainfo relies on are checked with it.
  appstreamcli validate-tree --no-net --no-color "$root" >"$work/validate.log" 2>&1 ||
    fail "appstreamcli rejects the metainfo: $(cat "$work/validate.log")"
else
  echo "note: appstreamcli is missing, the metainfo was not validated"
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/zelvaro.desktop" || fail "the desktop entry is not valid"
fi

# --- the development package ---------------------------------------------------------------------
expect_field "$dev_deb" Package libsigcore-dev
expect_field "$dev_deb" Version "$version"
expect_field "$dev_deb" Depends "zelvaro (= $version)"
dev_files=$(dpkg-deb --contents "$dev_deb" | awk '{ print $1, $6, $7, $8 }')
expect_entry "$dev_files" -rw-r--r-- usr/include/sigcore.h
expect_entry "$dev_files" l "usr/$libdir/libsigcore.so" libsigcore.so.1
expect_entry "$dev_files" -rw-r--r-- "usr/$libdir/pkgconfig/sigcore.pc"
expect_entry "$dev_files" -rw-r--r-- "usr/$libdir/cmake/sigcore/sigcoreConfig.cmake"
expect_entry "$dev_files" -rw-r--r-- "usr/$libdir/cmake/sigcore/sigcoreConfigVersion.cmake"
expect_entry "$dev_files" -rw-r--r-- "usr/$libdir/cmake/sigcore/sigcoreTargets.cmake"
expect_entry "$dev_files" -rw-r--r-- usr/share/doc/libsigcore-dev/copyright
awk '{ print $2 }' <<<"$dev_files" | grep -q 'libsigcore\.so\.1' && fail "the development package holds the runtime library"

# A program built against the two packages, the way a developer would: pkg-config finds /usr.
dpkg-deb --extract "$dev_deb" "$root"
grep -qx 'prefix=/usr' "$root/usr/$libdir/pkgconfig/sigcore.pc" || fail "sigcore.pc does not name /usr: $(head -1 "$root/usr/$libdir/pkgconfig/sigcore.pc")"
if command -v pkg-config >/dev/null && command -v cc >/dev/null; then
  cat >"$work/uses_sigcore.c" <<'C'
#include <sigcore.h>
int main(void) { const float v[3] = {1.0f, 5.0f, 2.0f}; return vsksMax(v, 3) == 5.0f ? 0 : 1; }
C
  flags=$(PKG_CONFIG_PATH= PKG_CONFIG_LIBDIR="$root/usr/$libdir/pkgconfig" PKG_CONFIG_SYSROOT_DIR="$root" \
          pkg-config --cflags --libs sigcore)
  # shellcheck disable=SC2086  # the flags are words
  if cc -o "$work/uses_sigcore" "$work/uses_sigcore.c" $flags 2>"$work/cc.log"; then
    LD_LIBRARY_PATH="$root/usr/$libdir" "$work/uses_sigcore" || fail "a program linked against the package got a wrong result"
  else
    fail "a program does not build against the packages: $flags: $(cat "$work/cc.log")"
  fi
fi

# ... and CMake's find_package, whose target file checks that every file it names exists.
mkdir -p "$work/cmake-user"
cat >"$work/cmake-user/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(uses_sigcore LANGUAGES NONE)
find_package(sigcore 1 REQUIRED)
get_target_property(include_dirs sigcore::sigcore INTERFACE_INCLUDE_DIRECTORIES)
message(STATUS "sigcore headers in ${include_dirs}")
CMAKE
if cmake -S "$work/cmake-user" -B "$work/cmake-user/build" -DCMAKE_PREFIX_PATH="$root/usr" >"$work/cmake.log" 2>&1; then
  grep -qF "sigcore headers in $root/usr/include" "$work/cmake.log" ||
    fail "find_package(sigcore) names other headers: $(grep 'sigcore headers' "$work/cmake.log")"
else
  fail "find_package(sigcore) fails on the packages: $(cat "$work/cmake.log")"
fi

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "zelvaro_${version}_${arch}.deb and libsigcore-dev_${version}_${arch}.deb: contents, fields and metadata as expected"
