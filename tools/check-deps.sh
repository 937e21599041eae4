#!/usr/bin/env bash
# Fails when the build used files from a Debian package that tools/deps.sh does not install:
# not listed, not pulled in by a listed package through Depends/Pre-Depends, and neither
# Essential nor of Priority "required". Usage: tools/check-deps.sh [BUILD_DIR]
# (env: BUILD_DIR, default build; DEPS_FILE, default tools/deps.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${BUILD_DIR:-$root/build}}"
deps_file="${DEPS_FILE:-$root/tools/deps.sh}"
me="check-deps"

if [ ! -f "$build/CMakeCache.txt" ]; then
  echo "$me: no CMakeCache.txt in $build, so there is no build to check" >&2
  exit 2
fi
if [ ! -r "$deps_file" ]; then
  echo "$me: cannot read $deps_file" >&2
  exit 2
fi

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# Listed packages: evaluate only the packages=( ... ) block, never the installer itself.
packages=()
eval "$(sed -n -e '/^packages=(.*)/{p;q}' -e '/^packages=(/,/^)/p' "$deps_file")"
if [ ${#packages[@]} -eq 0 ]; then
  echo "$me: no packages=( ... ) list found in $deps_file" >&2
  exit 2
fi

# Files the build used, all under /usr/, each with a rank that picks the telling example
# for a package: 1 main CMake config, 2 header, 3 library, 4 other config in a found dir
# (Qt's configs include every plugin config next to them).
{
  # CMake package configurations found (<Name>_DIR entries).
  sed -n 's/^\([A-Za-z0-9_.+-]*\)_DIR:PATH=\(\/usr\/.*\)$/\1\t\2/p' "$build/CMakeCache.txt" |
    while IFS=$'\t' read -r name dir; do
      [ -d "$dir" ] || continue
      find "$dir" -maxdepth 1 \( -name '*Config.cmake' -o -name '*-config.cmake' \) -print |
        while IFS= read -r f; do
          case "${f##*/}" in
            "${name}Config.cmake" | "${name,,}-config.cmake") printf '1\t%s\n' "$f" ;;
            *) printf '4\t%s\n' "$f" ;;
          esac
        done
    done
  # Headers the compiler read (make-style dependency files); pgtest-* holds PostgreSQL data.
  # shellcheck disable=SC1003  # '\\' is tr's backslash (line continuations), not a quote
  { find "$build" -name 'pgtest-*' -prune -o -name '*.o.d' -print0 2>/dev/null || true; } |
    xargs -0 -r cat | tr -s '[:blank:]\\' '\n' | sed -n 's/:$//; s/^\/usr\//2\t&/p'
  # Libraries linked: absolute paths, and -lNAME looked up where the linker would find it.
  { find "$build" -name 'pgtest-*' -prune -o -path '*/CMakeFiles/*' -name link.txt -print0 2>/dev/null ||
      true; } |
    xargs -0 -r cat | tr -s '[:blank:]' '\n' | sort -u |
    while IFS= read -r tok; do
      case "$tok" in
        /usr/*.so | /usr/*.so.[0-9]* | /usr/*.a) printf '3\t%s\n' "$tok" ;;
        -l?*)
          name="${tok#-l}"
          for d in /usr/lib/x86_64-linux-gnu /usr/lib; do
            if [ "${name#:}" != "$name" ]; then cands=("$d/${name#:}")
            else cands=("$d/lib$name.so" "$d/lib$name.a"); fi
            for f in "${cands[@]}"; do
              if [ -e "$f" ]; then printf '3\t%s\n' "$f"; continue 3; fi
            done
          done ;;
      esac
    done
} | sort -t $'\t' -k2,2 -k1,1n | awk -F'\t' '!seen[$2]++ { print $2 "\t" $1 }' >"$tmp/ranked"
cut -f1 "$tmp/ranked" >"$tmp/used"

# Each used file under the names dpkg may know it by: as written, normalised, symlinks
# resolved, and without /usr for files the package installed under /lib or /bin (merged /usr).
: >"$tmp/forms"
if [ -s "$tmp/used" ]; then
  tr '\n' '\0' <"$tmp/used" | xargs -0 realpath -m -s -z -- | tr '\0' '\n' >"$tmp/norm"
  tr '\n' '\0' <"$tmp/used" | xargs -0 realpath -m -z -- | tr '\0' '\n' >"$tmp/real"
  if [ "$(wc -l <"$tmp/norm")" != "$(wc -l <"$tmp/used")" ] ||
     [ "$(wc -l <"$tmp/real")" != "$(wc -l <"$tmp/used")" ]; then
    echo "$me: realpath did not give one name per file" >&2
    exit 2
  fi
  paste "$tmp/used" "$tmp/norm" "$tmp/real" |
    awk -F'\t' '{ for (i = 1; i <= 3; i++) { print $1 "\t" $i
                    if ($i ~ /^\/usr\/(lib|lib64|bin|sbin)\//) print $1 "\t" substr($i, 5) } }' |
    sort -u >"$tmp/forms"
fi

# Owners, one dpkg call per large batch; paths no package owns are simply not printed.
cut -f2 "$tmp/forms" | sort -u | tr '\n' '\0' |
  { xargs -0 -r dpkg -S -- 2>/dev/null || true; } |
  awk '/^diversion by / { next }
       { i = index($0, ": "); if (!i) next
         n = split(substr($0, 1, i - 1), p, ", ")
         for (k = 1; k <= n; k++) { sub(/:.*/, "", p[k]); print substr($0, i + 2) "\t" p[k] } }' |
  sort -u >"$tmp/owners"
# used file, package, rank, and the name dpkg knows that file by (the example shown)
awk -F'\t' 'FILENAME == ARGV[1] { own[$1] = own[$1] " " $2; next }
            FILENAME == ARGV[2] { rank[$1] = $2; next }
            ($2 in own) { n = split(own[$2], p, " ")
                          for (k = 1; k <= n; k++) print $1 "\t" p[k] "\t" rank[$1] "\t" $2 }' \
  "$tmp/owners" "$tmp/ranked" "$tmp/forms" | sort -u >"$tmp/usedpkg"
if [ ! -s "$tmp/usedpkg" ]; then
  echo "$me: found no packaged files used by the build in $build (is it built?)" >&2
  exit 2
fi

# Packages deps.sh installs: the list, the real packages behind virtual names in it (apt-cache
# showpkg: no versions of its own, "Reverse Provides"), and everything those pull in through
# Depends/Pre-Depends. apt-cache follows providers of virtual dependencies itself.
apt-cache showpkg "${packages[@]}" 2>/dev/null |
  awk '/^Package: / { virt = 0; rp = 0; next }
       /^Versions: *$/ { getline; virt = ($0 == ""); next }
       /^Reverse Provides:/ { rp = 1; next }
       virt && rp && NF { print $1 }' >"$tmp/providers" || true
mapfile -t providers <"$tmp/providers"
apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances "${packages[@]}" "${providers[@]}" 2>/dev/null >"$tmp/depends" || true
if [ ! -s "$tmp/depends" ]; then
  echo "$me: apt-cache depends printed nothing for the packages in $deps_file" >&2
  exit 2
fi
# Entries, dependencies and providers listed under virtual dependencies, with <virtual>
# brackets and :arch suffixes stripped.
{
  printf '%s\n' "${packages[@]}"
  cat "$tmp/providers"
  sed -e 's/^ *|\{0,1\}[A-Za-z-]*Depends: //' -e 's/^ *//' -e 's/^<\(.*\)>$/\1/' -e 's/:.*//' \
    "$tmp/depends"
} >"$tmp/allowed"

# Essential or Priority required: present on every Debian system.
dpkg-query -W -f '${Package}\t${Essential}\t${Priority}\n' 2>/dev/null |
  awk -F'\t' '$2 == "yes" || $3 == "required" { print $1 }' >>"$tmp/allowed"
sort -u "$tmp/allowed" -o "$tmp/allowed"

# Used packages nothing above covers, each with one file that shows it.
sort -t $'\t' -k2,2 -k3,3n -k1,1 "$tmp/usedpkg" |
  awk -F'\t' 'NR == FNR { ok[$1] = 1; next }
              !($2 in ok) && !($2 in ex) { ex[$2] = 1; print $2 "\t" $4 }' "$tmp/allowed" - \
  >"$tmp/missing"

# A listed name dpkg does not know as installed (a virtual or transitional name) makes
# deps.sh see it missing and run apt-get on every build: the real package belongs there.
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
    printf '%s\t%s\n' "$p" "(listed)" >>"$tmp/unreal"
done

nfiles="$(cut -f1 "$tmp/usedpkg" | sort -u | wc -l)"
npkgs="$(cut -f2 "$tmp/usedpkg" | sort -u | wc -l)"
deps_name="${DEPS_FILE:-tools/deps.sh}"
if [ -s "$tmp/missing" ] || [ -s "$tmp/unreal" ]; then
  [ -s "$tmp/missing" ] && while IFS=$'\t' read -r pkg file; do
    echo "$me: $pkg is used by the build (e.g. $file) but $deps_name does not install it"
  done <"$tmp/missing"
  [ -s "$tmp/unreal" ] && while IFS=$'\t' read -r pkg _; do
    echo "$me: $deps_name lists $pkg, which dpkg does not know as an installed package (a virtual name?), so every run would try to install it again"
  done <"$tmp/unreal"
  exit 1
fi
echo "$me: $nfiles files from $npkgs packages, all installed by $deps_name"
