#!/usr/bin/env bash
# The source tree as a subproject: a separate project adds it with
# add_subdirectory and builds; neither GoogleTest nor any test, example or
# the folder program is built, and no -Werror nor warning option reaches the
# consumer. The same project with FetchContent (a local source folder) is
# configured and holds no test target either.
#   subproject_consumer.sh <source> <work> <generator> <c++ compiler> <build type>
set -euo pipefail
source=$1 work=$2 generator=$3 cxx=$4 build_type=$5
. "$source/tests/package/common.sh"
rm -rf "$work"
mkdir -p "$work"

configure() {
  local binary=$1
  shift
  # The targets come from CMake's file API, whatever the generator.
  mkdir -p "$binary/.cmake/api/v1/query"
  touch "$binary/.cmake/api/v1/query/codemodel-v2"
  # Searching GoogleTest at all fails the configure: a required package that
  # is disabled is an error.
  cmake -S "$source/tests/package/consumer" -B "$binary" -G "$generator" \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE="$build_type" -DQUORVEL_SOURCE="$source" \
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON "$@" >"$binary.log" 2>&1 || { cat "$binary.log"; exit 1; }
  ! grep -q '^GTest_DIR' "$binary/CMakeCache.txt" || fail "$binary: GoogleTest was searched"
  # Every target of the build, the library's with the consumer's: none is a
  # test, an example, a benchmark or a fuzz target.
  targets=$(cd "$binary/.cmake/api/v1/reply" && ls target-*.json | sed -E 's/^target-(.*)-[^-]*-[0-9a-f]+\.json$/\1/' |
    LC_ALL=C sort)
  grep -qx walk <<<"$targets" || fail "$binary: no walk target among
$targets"
  ! grep -E '_tests|gtest|gmock|benchmark|fuzz|corpus|make_case|header|list-kept|check-ignore' \
    <<<"$targets" || fail "$binary: the targets above are not the library's"
}

configure "$work/sub"
cmake --build "$work/sub" >>"$work/sub.log" 2>&1 || { cat "$work/sub.log"; exit 1; }
programs=$(cd "$work/sub" && find . -path '*/CMakeFiles' -prune -o -type f -perm -u+x -print)
[ "$programs" = "./walk" ] || fail "the subproject build made the programs
$programs
instead of ./walk alone"
! grep -q -- '-Werror' "$work/sub/compile_commands.json" || fail "-Werror reached the build"
walk_command=$(grep '"command".*consumer/walk\.cpp' "$work/sub/compile_commands.json")
! grep -q -- '-Wshadow' <<<"$walk_command" || fail "the warning set reached the consumer: $walk_command"
check_walk "$work/sub/walk" "add_subdirectory consumer"

configure "$work/fetch" -DQUORVEL_USE_FETCHCONTENT=ON
echo "ok: FetchContent consumer configured"
