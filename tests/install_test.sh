#!/usr/bin/env bash
# `cmake --install` and the Debian package put the binary and the man page in
# place, with the package's metadata.   Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null
[ -x "$work/prefix/bin/ostrel" ] || fail "no bin/ostrel under the prefix"
[ -f "$work/prefix/share/man/man1/ostrel.1" ] || fail "no share/man/man1/ostrel.1 under the prefix"
"$work/prefix/bin/ostrel" >/dev/null 2>&1 && fail "the installed binary does not run" || [ $? = 2 ] || fail "usage status"

if ! command -v dpkg-deb >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
  echo "dpkg-deb or dpkg-shlibdeps missing: package not checked"
  exit 0
fi
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null
deb=$(ls "$work"/package/ostrel_*_*.deb)
contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for path in ./usr/bin/ostrel ./usr/share/man/man1/ostrel.1 ./usr/share/doc/ostrel/copyright; do
  grep -qx "$path" <<<"$contents" || fail "$path missing from the package: $contents"
done
[ "$(dpkg-deb -f "$deb" Package)" = ostrel ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Section)" = video ] || fail "section"
version=$(dpkg-deb -f "$deb" Version)
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "version $version"
dpkg-deb -f "$deb" Depends | grep -q libc6 || fail "no dependencies worked out"
dpkg-deb -f "$deb" Description | grep -q "MIT" || fail "the description does not name the license"
echo "install and package checked: $(basename "$deb")"
