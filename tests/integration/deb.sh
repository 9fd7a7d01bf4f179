#!/usr/bin/env bash
# The Debian package, built in its own hardened build folder next to the
# release one: lintian-clean, installed, run, purged without a trace. And the
# conda recipe, which cannot be built here: its fields and its version.
# Usage: tests/integration/deb.sh RELEASE_BUILD_FOLDER
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
release=$(cd "$1" && pwd)
build="$(dirname "$release")/deb"
version=$("$release/vestrel" --version --bare)
deb="$build/vestrel_${version}-1_amd64.deb"
apt=(apt-get -y -qq -o DPkg::Lock::Timeout=300)
scratch=$(mktemp -d)
installed=0
trap '[ "$installed" = 0 ] || "${apt[@]}" purge vestrel >/dev/null 2>&1; rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
start=$(date +%s.%N)
took() { took=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f s", b - a }'); start=$(date +%s.%N); }

cmake -S "$source_dir" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVESTREL_TESTS=OFF -DVESTREL_HARDEN=ON >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
rm -f "$deb" && (cd "$build" && cpack -G DEB >"$scratch/cpack.log" 2>&1) && [ -f "$deb" ] \
  || { cat "$scratch/cpack.log"; fail "cpack made no $deb"; }
took; echo "ok: hardened build and cpack -G DEB: $(basename "$deb") ($took)"

dpkg-deb -x "$deb" "$scratch/root"
elf=$(readelf -dlW "$scratch/root/usr/bin/vestrel"; nm -D "$scratch/root/usr/bin/vestrel")
for mark in 'FLAGS_1.*NOW PIE' GNU_RELRO __stack_chk_fail '__[a-z]*printf_chk'; do
  grep -qE -- "$mark" <<<"$elf" || fail "the binary lacks $mark"; done
[ -f "$scratch/root/usr/share/vestrel/workflow/Snakefile" ] || fail "no workflow in the package"
zcat "$scratch/root/usr/share/doc/vestrel/changelog.Debian.gz" | head -1 | grep -qF "($version-1)" \
  || fail "changelog.Debian is not at $version-1"
echo "ok: PIE, BIND_NOW, RELRO, stack protector, fortified calls; the workflow; the changelog's version"

report=$(lintian --pedantic --show-overrides "$deb" 2>&1 | grep -v -e '^N: ' -e 'with root privileges')
[ "$report" = "O: vestrel: initial-upload-closes-no-bugs [usr/share/doc/vestrel/changelog.Debian.gz:1]" ] \
  || fail "lintian --pedantic: $report"
took; echo "ok: lintian --pedantic reports only the overridden initial-upload-closes-no-bugs ($took)"

if [ "$(id -u)" -ne 0 ]; then
  echo "skip: installing the package needs root"
else
  "${apt[@]}" install "$deb" >/dev/null 2>&1 && installed=1 || fail "apt-get install $deb"
  [ "$(/usr/bin/vestrel --version)" = "vestrel $version" ] || fail "installed vestrel --version"
  man -aw vestrel | grep -qx /usr/share/man/man1/vestrel.1.gz || fail "man -w vestrel finds no page"
  "${apt[@]}" purge vestrel >/dev/null 2>&1 && installed=0 || fail "purging vestrel"
  ! dpkg -L vestrel >/dev/null 2>&1 || fail "dpkg still knows vestrel"
  for path in /usr/bin/vestrel /usr/share/{vestrel,doc/vestrel,man/man1/vestrel.1.gz}; do
    [ ! -e "$path" ] || fail "$path is left after the purge"; done
  took; echo "ok: installed, --version and man -w, purged without a trace ($took)"
fi

recipe="$source_dir/packaging/conda/meta.yaml"
for field in "{% set version = \"$version\" %}" "{{ compiler('cxx') }}" "{{ stdlib('c') }}" "- cmake" \
    "- isa-l" 'pin_subpackage("vestrel", max_pin="x.x")' "- vestrel --version" "about:"; do
  grep -qF -- "$field" "$recipe" || fail "the conda recipe lacks $field"; done
echo "ok: the conda recipe has its fields and the version $version"
