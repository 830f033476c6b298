#!/usr/bin/env bash
# The installed package, used as a consumer would: installs the build to a
# fresh prefix, checks what landed there, builds a separate project against
# it with find_package, and a program with pkg-config, and runs them.
#   installed_consumer.sh <source> <build> <work> <generator> <c++ compiler> <build type> <c++ flags>
set -euo pipefail
source=$1 build=$2 work=$3 generator=$4 cxx=$5 build_type=$6 cxx_flags=$7
. "$source/tests/package/common.sh"
rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >"$work/install.log"
for file in include/quorvel/filesystem/finder.h include/quorvel/filesystem/gitignore.h \
    include/quorvel/filesystem/item.h lib/cmake/quorvel/quorvel-config.cmake \
    lib/cmake/quorvel/quorvel-config-version.cmake lib/cmake/quorvel/quorvel-targets.cmake \
    bin/folder; do
  [ -e "$prefix/$file" ] || fail "the install has no $file"
done
# The matcher's insides stay out of the interface.
for header in rule_index.h rule_program.h translate.h; do
  [ ! -e "$prefix/include/quorvel/filesystem/regex/$header" ] || fail "$header is installed"
done
[ -z "$(find "$prefix" -name 'libquorvel_runner*')" ] || fail "the runner library is installed"
pc=$(find "$prefix" -name quorvel.pc)
[ -n "$pc" ] || fail "the install has no quorvel.pc"

cmake -S "$source/tests/package/consumer" -B "$work/consumer" -G "$generator" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE="$build_type" -DCMAKE_CXX_FLAGS="$cxx_flags" \
  -DCMAKE_PREFIX_PATH="$prefix" >"$work/consumer.log" || { cat "$work/consumer.log"; exit 1; }
cmake --build "$work/consumer" >>"$work/consumer.log" || { cat "$work/consumer.log"; exit 1; }
check_walk "$work/consumer/walk" "find_package consumer"

# pkg-config: the flags it gives, and nothing else, build the same program.
pc_flags=$(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags --libs quorvel)
# shellcheck disable=SC2086  # the flags are words
"$cxx" -std=c++20 $cxx_flags "$source/tests/package/consumer/walk.cpp" -o "$work/walk-pc" $pc_flags
check_walk "$work/walk-pc" "pkg-config consumer"
