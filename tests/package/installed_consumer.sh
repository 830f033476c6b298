#!/usr/bin/env bash
# The installed package, used as a consumer would: installs the build to a
# fresh prefix, checks what landed there, builds a separate project against
# it with find_package, and a program with pkg-config, and runs them.
#   installed_consumer.sh <source> <build> <work> <generator> <c++ compiler> <build type> <c++ flags> [readelf]
# With readelf, the installed libraries and program must hold no debug
# information (the install strips it).
set -euo pipefail
source=$1 build=$2 work=$3 generator=$4 cxx=$5 build_type=$6 cxx_flags=$7 readelf=${8:-}
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
if [ -n "$readelf" ]; then
  for file in "$prefix"/lib*/libquorvel_*.a "$prefix/bin/folder"; do
    sections=$("$readelf" -S --wide "$file")
    ! grep -q '\.debug_' <<<"$sections" || fail "$file holds debug information"
  done
  echo "ok: the installed libraries and folder hold no debug information"
fi

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

# The examples, a separate project against the same prefix.
cmake -S "$source/examples" -B "$work/examples" -G "$generator" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE="$build_type" -DCMAKE_CXX_FLAGS="$cxx_flags" \
  -DCMAKE_PREFIX_PATH="$prefix" >"$work/examples.log" || { cat "$work/examples.log"; exit 1; }
cmake --build "$work/examples" >>"$work/examples.log" || { cat "$work/examples.log"; exit 1; }
list_kept=$work/examples/list-kept
check_ignore=$work/examples/check-ignore

# The design's engine on the small tree (no repository there): its files, and
# with --folders its folders too.
tree=$temp_root/design
make_tree "$tree"
got=$("$list_kept" --design "$tree" | LC_ALL=C sort)
[ "$got" = "$(printf '%s\n' .gitignore a.txt src/deep/d.h src/main.c)" ] ||
  fail "list-kept --design kept
$got"
got=$("$list_kept" --design --folders "$tree" | LC_ALL=C sort)
[ "$got" = "$(printf '%s\n' .gitignore a.txt src/ src/deep/ src/deep/d.h src/main.c)" ] ||
  fail "list-kept --design --folders kept
$got"
echo "ok: list-kept --design"

# Git's engine against git itself, in a repository made now: rule files at
# two depths with un-ignoring lines, a rule file inside an ignored folder,
# info/exclude, the global excludes file, links, a nested repository, an
# empty folder and names with spaces and UTF-8. Only this test's
# configuration is read.
export GIT_CONFIG_NOSYSTEM=1 GIT_CONFIG_GLOBAL=/dev/null HOME=$temp_root XDG_CONFIG_HOME=$temp_root/xdg
mkdir -p "$XDG_CONFIG_HOME/git"
printf '*.glob\n' >"$XDG_CONFIG_HOME/git/ignore"
repo=$temp_root/repo
git init -q "$repo"
(
  cd "$repo"
  printf '# build output\n*.o\nbuild/\n!important.o\n/root-only.txt\ndoc/**/*.tmp\ntrailing   \n' \
    >.gitignore
  printf '*.ex\n' >>.git/info/exclude
  mkdir -p src/lib build/deep doc/a/b sub empty
  printf '!*.o\n*.c\n' >src/.gitignore
  printf '!*\n' >build/.gitignore
  touch a.c a.o important.o root-only.txt sub/root-only.txt build/x.c build/deep/y src/x.c \
    src/b.o src/lib/c.h src/lib/d.o doc/a/b/c.tmp doc/x.tmp doc/y.txt 'name with space.txt' \
    é.txt e.ex f.glob trailing
  ln -s src link-to-src
  ln -s a.c link-to-a
  git init -q nested
  touch nested/inner.txt
)
compare_listing() {
  local folder=$1 got expected
  got=$("$list_kept" "$folder" | LC_ALL=C sort)
  expected=$(cd "$folder" && git ls-files -z --others --exclude-standard | tr '\0' '\n' | LC_ALL=C sort)
  [ "$got" = "$expected" ] || fail "list-kept $folder listed
$got
where git lists
$expected"
}
compare_listing "$repo"
compare_listing "$repo/src"
echo "ok: list-kept agrees with git ls-files --others --exclude-standard"

# The answers, the exit code and the message on standard error (git's
# "fatal: ..." where it refuses a path) must all be git's.
compare_check() {
  local got expected got_status=0 expected_status=0
  got=$("$check_ignore" "$repo" "$@" 2>"$work/got.err") || got_status=$?
  expected=$(cd "$repo" && git -c core.quotePath=false check-ignore -v --no-index --non-matching "$@" \
    2>"$work/expected.err") || expected_status=$?
  [ "$got" = "$expected" ] && [ "$got_status" = "$expected_status" ] &&
    cmp -s "$work/got.err" "$work/expected.err" ||
    fail "check-ignore $* wrote (exit code $got_status)
$got
$(cat "$work/got.err")
where git writes (exit code $expected_status)
$expected
$(cat "$work/expected.err")"
}
mapfile -t entries < <(cd "$repo" && find . -mindepth 1 -path ./.git -prune -o -path ./nested -prune \
  -o -printf '%P\n' | LC_ALL=C sort)
compare_check "${entries[@]}" nested missing.o missing/ build/missing src/ "$repo/a.o"
compare_check a.c src/lib/c.h           # nothing decides: exit code 1
compare_check important.o               # only an un-ignoring line decides
compare_check . build/. src/ src/lib/.. "$repo/build/x.c" "$repo/"  # git's own forms
compare_check a.o ../outside  # refused: exit code 128, nothing printed
# Paths on standard input, by line and NUL-separated; an outside path ends
# the answers there.
compare_input() {
  local input=$1 got expected got_status=0 expected_status=0
  shift
  got=$(printf "$input" | "$check_ignore" "$@" "$repo" 2>"$work/got.err" | od -c) || got_status=$?
  expected=$(cd "$repo" && printf "$input" |
    git -c core.quotePath=false check-ignore -v -n --no-index "$@" 2>"$work/expected.err" | od -c) ||
    expected_status=$?
  [ "$got" = "$expected" ] && [ "$got_status" = "$expected_status" ] &&
    cmp -s "$work/got.err" "$work/expected.err" ||
    fail "check-ignore $* with input $input wrote (exit code $got_status)
$got
$(cat "$work/got.err")
where git writes (exit code $expected_status)
$expected
$(cat "$work/expected.err")"
}
compare_input 'a.o\nimportant.o\nsrc/\nbuild/x.c\n"\\303\\251.txt"\n.\n' --stdin
compare_input 'a.o\0a.c\0build/deep\0' --stdin -z
compare_input 'a.o\n../outside\na.c\n' --stdin
compare_input 'a.o\n\n' --stdin            # an empty line is an empty path
compare_input '' -z                     # -z only with --stdin
echo "ok: check-ignore agrees with git check-ignore -v --no-index --non-matching"
