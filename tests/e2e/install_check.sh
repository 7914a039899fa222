#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the files a desktop user gets and that the
# installed program runs. Usage: install_check.sh <build dir> <bin dir> <data dir>
set -euo pipefail
build=$1 bindir=$2 datadir=$3
prefix=$(mktemp -d /tmp/zelvaro-install.XXXXXX)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

fail=0
for file in "$bindir/zelvaro" "$datadir/applications/zelvaro.desktop" \
            "$datadir/icons/hicolor/scalable/apps/zelvaro.svg"; do
  if [ ! -s "$prefix/$file" ]; then
    echo "missing after install: $file"
    fail=1
  fi
done
[ -x "$prefix/$bindir/zelvaro" ] || { echo "not executable: $bindir/zelvaro"; fail=1; }
grep -q '^Exec=zelvaro' "$prefix/$datadir/applications/zelvaro.desktop" || { echo "desktop entry lacks Exec=zelvaro"; fail=1; }
grep -q '^Icon=zelvaro$' "$prefix/$datadir/applications/zelvaro.desktop" || { echo "desktop entry lacks Icon=zelvaro"; fail=1; }
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/$datadir/applications/zelvaro.desktop" || fail=1
fi
[ $fail -eq 0 ] || exit 1

# The installed program finds its library in the prefix and answers without a display.
version=$(env -u DISPLAY -u LD_LIBRARY_PATH "$prefix/$bindir/zelvaro" --version)
case "$version" in
  "Zelvaro "[0-9]*) echo "installed program runs: $version" ;;
  *) echo "unexpected --version output: $version"; exit 1 ;;
esac
if ldd "$prefix/$bindir/zelvaro" | grep -q "libsigcore.*$build"; then
  echo "the installed program still loads libsigcore from the build tree"
  exit 1
fi
