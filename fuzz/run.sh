#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for a while.
#   fuzz/run.sh [seconds per target, default 30]
# Build output and the growing corpora go to build-fuzz/ at the top of the
# checkout (or $NERUFA_FUZZ_BUILD); the seeds in fuzz/seeds/ are only read.
set -eu

seconds=${1:-30}
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${NERUFA_FUZZ_BUILD:-$root/build-fuzz}
cxx=${CXX_FUZZ:-clang++}

mkdir -p "$build"
flags="-std=c++20 -g -O1 -fPIC -Wall -Wextra
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -fno-omit-frame-pointer -I$root/common -I$root/offsets -I$root/slip -I$root/batch"
qt=$(pkg-config --cflags --libs Qt6Core)
common="$root/common/textnum.cpp $root/common/runtimeerror.cpp $root/common/systemreason.cpp"

# shellcheck disable=SC2086 # flags and file lists are meant to split
$cxx $flags "$here/fuzz_offset_content.cpp" "$root/offsets/offsetfiles.cpp" $common $qt \
    -o "$build/fuzz_offset_content"
# shellcheck disable=SC2086
$cxx $flags "$here/fuzz_textnum.cpp" $common $qt -o "$build/fuzz_textnum"
# shellcheck disable=SC2086
$cxx $flags "$here/fuzz_profile.cpp" "$root/batch/profile.cpp" "$root/slip/fields.cpp" "$root/slip/sliprules.cpp" \
    $common $qt -o "$build/fuzz_profile"

# target, longest input, dictionary, seed folders (the built-in profiles
# are seeds of the profile reader as they are)
run() {
    target=$1 max_len=$2 dict=$3
    shift 3
    mkdir -p "$build/corpus/$target"
    echo "== fuzz_$target for ${seconds}s"
    "$build/fuzz_$target" -max_total_time="$seconds" -max_len="$max_len" -dict="$dict" \
        -artifact_prefix="$build/crash-$target-" \
        "$build/corpus/$target" "$@"
}
run offset_content 512 "$here/numbers.dict" "$here/seeds/offset_content"
run textnum 512 "$here/numbers.dict" "$here/seeds/textnum"
run profile 4096 "$here/profile.dict" "$here/seeds/profile" "$root/batch/profiles"
