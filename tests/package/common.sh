# Shared by the consumer tests: a small tree with rule files, and the check of
# the walk program's output on it.

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# make_tree <folder>: a tree whose rule files ignore the logs and the build
# folder, and un-ignore nothing.
make_tree() {
  local root=$1
  mkdir -p "$root/build" "$root/src/deep"
  printf '# logs and build output\n*.log\n\nbuild/\n' >"$root/.gitignore"
  printf 'x\n' | tee "$root/a.txt" "$root/b.log" "$root/build/out.o" "$root/src/main.c" \
    "$root/src/c.log" "$root/src/deep/d.h" >/dev/null
}

# A fresh folder in the system's temporary folder, removed at exit. Trees are
# made there, not in the build folder: the rule files of a tree's ancestors
# are in force too, and the project's own would ignore the whole build.
temp_root=$(mktemp -d)
trap 'rm -rf "$temp_root"' EXIT

# check_walk <walk program> <label>: runs it on a fresh tree and compares
# what it keeps with what the rule files say.
check_walk() {
  local program=$1 label=$2 root
  root=$(mktemp -d "$temp_root/tree.XXXXXX")
  make_tree "$root"
  local got expected
  got=$("$program" "$root" | LC_ALL=C sort) || fail "$label: the walk failed"
  expected=$(printf '%s\n' .gitignore a.txt src src/deep src/deep/d.h src/main.c)
  [ "$got" = "$expected" ] || fail "$label: the walk kept
$got
expected
$expected"
  echo "ok: $label"
}
