#!/usr/bin/env bash
# tools/check-deps.sh passes on this build with the real tools/deps.sh, and fails, naming the
# package, when a package the build uses is taken out of the list.
# Usage: tst_checkdeps.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
src="${1:?source dir}"
build="${2:?build dir}"
check="$src/tools/check-deps.sh"
deps="$src/tools/deps.sh"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "PASS: $*"; }

# The packages=( ... ) array of a deps file, one name a line.
list_of() {
  ( packages=()
    eval "$(sed -n "/^packages=(/,/^)/p" "$1")"
    printf '%s\n' "${packages[@]}" )
}

# Runs the check with deps file $1 on build dir $2; shows its output, sets out and rc.
run_check() {
  out="$(DEPS_FILE="$1" bash "$check" "$2" 2>&1)"
  rc=$?
  printf '%s\n' "$out" | sed 's/^/    /'
}

# 1. The real build against the real list: success, with the summary line.
echo "check-deps on $build with $deps:"
run_check "$deps" "$build"
if [ "$rc" -eq 0 ] && grep -Eq '^check-deps: [1-9][0-9]* files from [1-9][0-9]* packages, all installed by ' <<<"$out"; then
  pass "the build's packages are all installed by tools/deps.sh"
else
  fail "check-deps on the real build and list: status $rc, expected 0 and a summary line"
fi

# 2. A package the build uses taken out of a copy of the list: status 1, the package named.
# libqt6opengl6-dev: Qt6Charts' CMake config loads Qt6OpenGL's, and no other listed package
# depends on it. libsodium-dev: the build includes sodium.h; nothing listed depends on it.
for pkg in libqt6opengl6-dev libsodium-dev; do
  copy="$tmp/deps-without-$pkg.sh"
  sed -E "/^packages=\(/,/^\)/{ s/(^|[[:space:]])$pkg([[:space:]]|$)/\1\2/g }" "$deps" >"$copy"
  before="$(list_of "$deps")"
  after="$(list_of "$copy")"
  # The copy must hold exactly the original list less that one package.
  if [ "$(grep -vxF "$pkg" <<<"$before")" != "$after" ] || [ "$before" = "$after" ]; then
    fail "could not take $pkg out of a copy of tools/deps.sh"
    continue
  fi
  echo "check-deps on $build with tools/deps.sh minus $pkg:"
  run_check "$copy" "$build"
  if [ "$rc" -eq 1 ] &&
     grep -Eq "^check-deps: $pkg is used by the build \(e\.g\. /usr/[^)]*\) but .* does not install it$" <<<"$out"; then
    pass "a list without $pkg fails (status 1) and names $pkg"
  else
    fail "a list without $pkg: status $rc, expected 1 and a line naming $pkg"
  fi
done

# 3. A virtual name in the list instead of the real package (deps.sh would install it again on
# every run, since dpkg never reports it installed): status 1, the name given.
copy="$tmp/deps-virtual.sh"
sed -E '/^packages=\(/,/^\)/{ s/(^|[[:space:]])qt6-svg-dev([[:space:]]|$)/\1libqt6svg6-dev\2/ }' "$deps" >"$copy"
echo "check-deps on $build with qt6-svg-dev listed by its virtual name:"
run_check "$copy" "$build"
if [ "$rc" -eq 1 ] && grep -q "lists libqt6svg6-dev, which dpkg does not know as an installed package" <<<"$out"; then
  pass "a virtual name in the list fails (status 1) and is named"
else
  fail "a virtual name in the list: status $rc, expected 1 and a line naming libqt6svg6-dev"
fi

# 4. No build to check: status 2.
mkdir -p "$tmp/empty"
echo "check-deps on an empty directory:"
run_check "$deps" "$tmp/empty"
if [ "$rc" -eq 2 ]; then
  pass "a directory without CMakeCache.txt gives status 2"
else
  fail "a directory without CMakeCache.txt: status $rc, expected 2"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
