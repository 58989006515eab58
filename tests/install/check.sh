#!/usr/bin/env bash
# The installed package, used as a program outside this tree would use it:
# installs the build tree into a temporary prefix, then builds and runs one
# small program twice, once through the CMake package (find_package(vlx))
# and once through pkg-config alone. Linking must be free of warnings (for
# instance text relocations in a position-independent executable).
#
#   check.sh BUILD_DIR CXX CMAKE [EXTRA_FLAGS]
# EXTRA_FLAGS (one word) is added to compiling and linking the program, so
# that a sanitizer build's library links.
set -euo pipefail
build=$1 cxx=$2 cmake=$3 extra=${4:-}
work=$(mktemp -d /tmp/vlxinstall-XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log"

mkdir -p "$work/src"
cat >"$work/src/main.cpp" <<'CPP'
/* Uses the image readers (libjpeg through the library) and the universe
 * (epoxy, SDL2), so that every dependency of the static library is needed. */
#include <stdio.h>
#include <stdlib.h>

#include <vlx/vlx.h>

int main(void) {
  /* A 1 x 1 uncompressed 24-bit Targa: blue 30, green 20, red 10. */
  const uint8_t tga[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 30, 20, 10};
  int w = 0, h = 0;
  uint8_t *img = VLimage_decode(tga, sizeof tga, "pixel", &w, &h);
  if (!img || w != 1 || h != 1 || img[0] != 10 || img[1] != 20 || img[2] != 30) return 2;
  free(img);
  VLuniverse_new(512, 0);
  if (!VLuniverse_current()) return 3;
  VLuniverse_delete();
  puts("vlx program ok");
  return 0;
}
CPP
cat >"$work/src/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(vlxuser CXX)
find_package(vlx REQUIRED)
add_executable(vlxuser main.cpp)
target_link_libraries(vlxuser PRIVATE vlx::vlx)
CMAKE

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# The program runs and says so; run from the prefix's parent, away from
# this tree.
run() {
  local out
  out=$(cd "$work" && VLXOFFSCREEN=1 "$1") || fail "$1 exited with status $?"
  grep -qx "vlx program ok" <<<"$out" || fail "$1 printed: $out"
}

# 1. find_package(vlx)
"$cmake" -S "$work/src" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$extra" -DCMAKE_EXE_LINKER_FLAGS="$extra" \
  >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; fail "configure with find_package"; }
"$cmake" --build "$work/cmake-build" >"$work/build.log" 2>&1 ||
  { cat "$work/build.log"; fail "build with find_package"; }
! grep -i "warning" "$work/build.log" || fail "warnings building with find_package"
run "$work/cmake-build/vlxuser"

# 2. pkg-config alone: the file's prefix is the install prefix
pc=$prefix/lib/pkgconfig
[ -f "$pc/vlx.pc" ] || fail "no $pc/vlx.pc"
got=$(cd "$(PKG_CONFIG_PATH=$pc pkg-config --variable=prefix vlx)" && pwd -P)
[ "$got" = "$(cd "$prefix" && pwd -P)" ] || fail "vlx.pc prefix is $got, not $prefix"
flags=$(PKG_CONFIG_PATH=$pc pkg-config --cflags --libs vlx) || fail "pkg-config vlx"
# shellcheck disable=SC2086  # the flags are words
"$cxx" $extra "$work/src/main.cpp" -o "$work/pc-user" $flags >"$work/pc.log" 2>&1 ||
  { cat "$work/pc.log"; fail "build with pkg-config --cflags --libs vlx"; }
! grep -i "warning" "$work/pc.log" || fail "warnings building with pkg-config"
run "$work/pc-user"
echo "installed package: find_package and pkg-config programs built and ran"
