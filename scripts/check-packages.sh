#!/usr/bin/env bash
# Proves that scripts/setup.sh names every Debian package the build really uses, whatever this
# machine happens to hold already. Configures the project in a scratch folder with a trace, takes
# every CMake package file that configure read and every pkg-config file behind the modules it
# asked for (with their Requires), finds the package owning each file and fails, naming it, unless
# that package is listed in the set-up script or pulled in by a listed package's dependencies.
# Usage: scripts/check-packages.sh [SETUP_SCRIPT]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
setup=${1:-$root/scripts/setup.sh}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The package list, as setup.sh spells it between "PACKAGES=(" and ")".
listed=$(sed -n '/^PACKAGES=(/,/^)/p' "$setup" | sed '1d;$d' | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
[ -n "$listed" ] || { echo "check-packages: no PACKAGES list in $setup" >&2; exit 2; }

if ! cmake -S "$root" -B "$scratch/build" -DQUELLIN_BUILD_TESTS=ON -DQUELLIN_BUILD_BENCH=ON \
        --trace --trace-format=json-v1 --trace-redirect="$scratch/trace.json" >"$scratch/cmake.log" 2>&1; then
    cat "$scratch/cmake.log" >&2
    echo "check-packages: configure failed; see above" >&2
    exit 1
fi

# CMake files read from outside the project and outside CMake's own modules.
cmake_root=$(cmake --system-information 2>/dev/null | sed -n 's/^CMAKE_ROOT "\(.*\)"$/\1/p')
grep -o '"file":"[^"]*"' "$scratch/trace.json" | sed 's/^"file":"//;s/"$//' | sort -u |
    grep -v -e "^$root/" -e "^$scratch/" ${cmake_root:+-e "^$cmake_root/"} >"$scratch/files" || true

# pkg-config files of every module configure asked for, and of everything they require.
mods=$(sed -n 's/^__pkg_config_arguments_[A-Za-z0-9_]*:INTERNAL=//p' "$scratch/build/CMakeCache.txt" |
    tr ';' '\n' | grep -v -E '^(REQUIRED|QUIET|IMPORTED_TARGET|GLOBAL|NO_CMAKE_PATH|NO_CMAKE_ENVIRONMENT_PATH)$' |
    sed 's/[<>=].*//' | sort -u)
seen=""
while [ -n "$mods" ]; do
    next=""
    for m in $mods; do
        case " $seen " in *" $m "*) continue ;; esac
        seen="$seen $m"
        dir=$(pkg-config --variable=pcfiledir "$m")
        echo "$dir/$m.pc" >>"$scratch/files"
        next="$next $(pkg-config --print-requires --print-requires-private "$m" | awk '{print $1}')"
    done
    mods=$next
done

# Owners of those files (one dpkg call), without architecture qualifiers.
sort -u "$scratch/files" | xargs -d '\n' dpkg -S 2>"$scratch/unowned" |
    sed 's/: .*//' | tr ',' '\n' | sed 's/^ *//;s/:.*//' | sort -u >"$scratch/owners"
if [ -s "$scratch/unowned" ]; then
    echo "check-packages: files no Debian package owns (installed by hand?):" >&2
    sed 's/^/    /' "$scratch/unowned" >&2
    exit 1
fi

# Everything the listed packages bring with them, recommends not counted (setup.sh skips them).
# shellcheck disable=SC2086
apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
        --no-replaces --no-enhances $listed 2>/dev/null |
    sed -n 's/^ *\(|\)\?\(Pre\)\?Depends: //p;/^[^ ]/p' | tr -d '<>' | sed 's/:.*//' |
    sort -u >"$scratch/covered"
printf '%s\n' $listed >>"$scratch/covered"
sort -u -o "$scratch/covered" "$scratch/covered"

missing=$(comm -23 "$scratch/owners" "$scratch/covered")
if [ -n "$missing" ]; then
    echo "check-packages: the build uses files of packages that $(basename "$setup") does not install:"
    for pkg in $missing; do
        echo "    $pkg, for: $(dpkg -L "$pkg" 2>/dev/null | grep -Fx -f - "$scratch/files" | head -n 3 | tr '\n' ' ')"
    done
    exit 1
fi
echo "check-packages: all $(wc -l <"$scratch/owners") packages behind the build's CMake and pkg-config files are installed by $(basename "$setup")."
