#!/usr/bin/env bash
# Builds and runs everything that guards the code: the check for reserved names, the check that the
# README's code is the examples' code, the test suite in the normal and the sanitizer build, every
# benchmark once, every fuzz target over its seeds, and the two ways another project consumes Qel.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}

passed=0; failed=0
run_ctest() { # dir
  local log; log=$(mktemp)
  if ctest --test-dir "$1" -j"$jobs" --output-on-failure --timeout 600 | tee "$log"; then :; else :; fi
  local line; line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n1)
  rm -f "$log"
  if [ -z "$line" ]; then echo "ctest in $1 printed no summary"; failed=$((failed + 1)); return; fi
  local nfail total
  nfail=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + total - nfail)); failed=$((failed + nfail))
}

configure() { # dir, extra args...: warnings are errors here
  local dir=$1; shift
  # Unity builds compile a dozen sources at once: the headers are read once per batch instead of
  # once per file. lld links the hundred-odd programs of each build in a fraction of the time.
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEL_WERROR=ON \
    -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=12 -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld "$@" >/dev/null
}
# The instrumented builds: -O1 with line tables compiles in half the time of -O2 -g, and the
# sanitizers' reports keep their file and line.
light=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG")

echo "== names the language reserves (at ${SECONDS} s)"
if scripts/check-names.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== the README's code is the example programs' code (at ${SECONDS} s)"
if scripts/check-readme.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== normal build (at ${SECONDS} s)"
# Line tables are all a report needs: full debug information costs a fifth of the compile time.
configure build -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
cmake --build build
run_ctest build

echo "== normal suite once more in a shuffled order (a fixed seed, so a failure repeats) (at ${SECONDS} s)"
# One program: a file in $2 says how it went. Each runs with a home folder of its own, as many at
# once as there are cores.
shuffle_one() { # test program, result folder
  local t=$1 name home
  name=$(basename "$t"); home=$(mktemp -d)
  if HOME="$home" "$t" --gtest_shuffle --gtest_random_seed=2026 >"$home.log" 2>&1; then echo pass >"$2/$name"
  else { echo "shuffled run of $t failed:"; grep -E '^\[  FAILED  \]|Failure' "$home.log" | head -n 40; } >"$2/$name"; fi
  rm -rf "$home" "$home.log"
}
export -f shuffle_one
results=$(mktemp -d)
find build/tests -mindepth 2 -maxdepth 2 -type f -name 'qel_*_tests' -perm -u+x -print0 \
  | xargs -0 -P "$jobs" -I{} bash -c 'shuffle_one "$1" "$2"' _ {} "$results"
shuffled=0
for r in "$results"/*; do
  [ -e "$r" ] || continue
  shuffled=$((shuffled + 1))
  if [ "$(cat "$r")" = pass ]; then passed=$((passed + 1)); else cat "$r"; failed=$((failed + 1)); fi
done
rm -rf "$results"
programs=$(find build/tests -mindepth 2 -maxdepth 2 -type f -name 'qel_*_tests' -perm -u+x | wc -l)
if [ "$shuffled" -eq 0 ]; then echo "no test program found for the shuffled run"; failed=$((failed + 1));
elif [ "$shuffled" -ne "$programs" ]; then  # a program whose run left no word of how it went
  echo "shuffled run: $shuffled results for $programs test programs"; failed=$((failed + 1)); fi

echo "== sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer, also instrumented for the fuzz targets) (at ${SECONDS} s)"
# One clang build serves the test suite under the sanitizers and the fuzz targets below.
CC=clang CXX=clang++ configure build-asan "${light[@]}" -DQEL_SANITIZE=ON -DQEL_FUZZ=ON -DQEL_BUILD_BENCH=OFF
# GTK, GLib, fontconfig and Pango keep process-wide caches until exit: tests/gui/lsan.supp, also
# while the build lists each program's tests and in the fuzz targets (in unity batches a program
# that uses images may link the fonts too, which read the font list before main)
export LSAN_OPTIONS=suppressions="$root/tests/gui/lsan.supp":print_suppressions=0
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_ctest build-asan

echo "== thread sanitizer (threads, pool, caches, processes, images, fonts, rich text) (at ${SECONDS} s)"
configure build-tsan "${light[@]}" -DQEL_TSAN=ON -DQEL_BUILD_BENCH=OFF -DQEL_BUILD_EXAMPLES=OFF
cmake --build build-tsan --target qel_core_tests qel_draw_tests qel_font_tests qel_painter_tests qel_richtext_tests qel_gui_tests
run_tsan() { # label, test program, gtest filter; extra environment comes in from the caller
  local log; log=$(mktemp)
  # Built of the sources that hold these tests alone (tests/CMakeLists.txt): the program must
  # list every one of them that the normal build's lists.
  local want have
  want=$(HOME="$root/build/test-home" "build/tests/$2" --gtest_list_tests --gtest_filter="$3" | grep -c '^  ' || true)
  have=$(TSAN_OPTIONS=halt_on_error=1 HOME="$root/build-tsan/test-home" "build-tsan/tests/$2" --gtest_list_tests \
         --gtest_filter="$3" | grep -c '^  ' || true)
  if [ "$want" != "$have" ]; then
    echo "ThreadSanitizer build of the $1 tests holds $have of their $want tests"; failed=$((failed + 1)); rm -f "$log"; return
  fi
  if TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 HOME="$root/build-tsan/tests/test-home" \
     "build-tsan/tests/$2" --gtest_filter="$3" >"$log" 2>&1; then
    local n; n=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\..*/\1/p' "$log")
    if [ -n "$n" ] && [ "$n" -gt 0 ]; then passed=$((passed + n)); echo "$n $1 tests passed under ThreadSanitizer";
    else echo "ThreadSanitizer run of the $1 tests ran no test"; failed=$((failed + 1)); fi
  else
    echo "ThreadSanitizer run of the $1 tests failed:"; tail -n 60 "$log"; failed=$((failed + 1))
  fi
  rm -f "$log"
}
run_tsan core core/qel_core_tests \
  'Thread.*:Function.*:Semaphore.*:Mutex.*:CoWork*:Color.*:LRUCache.*:ValueCache.*:LocalProcess.*:Random.*:Ptr.*:Log.*'
# images shared between threads: reference counts, lazily computed kinds, shared tables; theme
# colours made on first use from many threads and changed while they are read
run_tsan image draw/qel_draw_tests \
  'Image.*:Theme.MadeOnceWhenFirstUsedFromManyThreads:Theme.ChangedWhileOtherThreadsReadIt:Alpha.*:ImageFlip.*:RasterEncoder.*:ImageOp.*:ImageFilter.*:ImageScale.*:Rescale.*:RescaleFilter.*:BMP.LoadsFromManyThreads:ImageMaker.*:Iml.*:ImlBlob.*'
# fonts measured from many threads: per-thread slots in front of the font mutex
FONTCONFIG_FILE="$root/build-tsan/tests/draw/font/dejavu/fonts.conf" \
  run_tsan font draw/font/qel_font_tests 'FontMetrics.EightThreads*:FontValue.StdFontChange*'
# painters rendering on the pool: path jobs, line-parallel rendering, per-worker glyph caches
run_tsan painter painter/qel_painter_tests 'BufferPainterCo.*:GlyphCache.*'
# gradient and image span sources read by the pool in co mode; the painter hooks installed once
run_tsan gradients painter/qel_painter_tests 'PainterHooks.InstalledOnceAtStart:ImageFill.OpacityAndCoMode:ImageFill.ShrunkAndRotated'
# SVG colour names built on first use by many threads at once
run_tsan svg painter/qel_painter_tests 'SvgThreads.*'
# paragraphs unpacked and destroyed by many threads through the paragraph cache; the screen zoom;
# the locked queries of one document from eight threads, and copies of it made meanwhile; the
# queries that take no lock while other threads lay the document out and paint it
run_tsan richtext richtext/qel_richtext_tests 'ParaCacheThreads.*:ScreenZoom.*:PositionThreads.*:DocumentLock.*:UnlockedQueries.*'
# the GUI lock, the timer list shared by threads, calls posted to the GUI thread, and the lock
# given up while the GUI thread waits in GLib
run_tsan gui gui/qel_gui_tests 'GuiLock.*:Timers.*:CtrlCall.*:App.WaitsAndTheLockAroundAnIteration'

echo "== benchmarks (one short pass each, so they keep building and running) (at ${SECONDS} s)"
# As many at once as there are cores; a file in $2 says how each went.
bench_one() { # binary, result folder
  local b=$1 name=${1##*/}
  if "$b" --benchmark_min_time=0.0001 >/dev/null 2>"$2/$name.err"; then echo pass >"$2/$name"
  else { echo "benchmark $b failed:"; tail -n 20 "$2/$name.err"; } >"$2/$name"; fi
  rm -f "$2/$name.err"
}
export -f bench_one
results=$(mktemp -d)
find build/bench -maxdepth 1 -name 'bench_*' -type f -executable -print0 \
  | xargs -0 -P "$jobs" -I{} bash -c 'bench_one "$1" "$2"' _ {} "$results"
for r in "$results"/*; do
  [ -e "$r" ] || continue
  if [ "$(cat "$r")" = pass ]; then passed=$((passed + 1)); else cat "$r"; failed=$((failed + 1)); fi
done
rm -rf "$results"

echo "== fuzz targets (fixed number of runs over the seed corpus) (at ${SECONDS} s)"
# One target: a file in $2 says how it went ("pass", or the end of its log).
fuzz_one() { # binary, result folder
  local f=$1 name=${1##*/fuzz_} work corpus=() opts=()
  work=$(mktemp -d)
  [ -d "fuzz/corpus/$name" ] && corpus=("fuzz/corpus/$name")
  # fuzz/<name>.options: extra libFuzzer flags of that target (later flags win)
  [ -f "fuzz/$name.options" ] && read -r -a opts <"fuzz/$name.options"
  # what a run finds (crashes, slow inputs) goes into the build tree, never into the sources
  mkdir -p build-asan/fuzz-artifacts
  if "$f" -runs=20000 -seed=1 -max_total_time=3 -rss_limit_mb=4096 -artifact_prefix="build-asan/fuzz-artifacts/$name-" \
     "${opts[@]}" "$work" "${corpus[@]}" >"$work.log" 2>&1; then
    echo pass >"$2/$name"
  else
    { echo "fuzz target $name failed:"; tail -n 40 "$work.log"; } >"$2/$name"
  fi
  rm -rf "$work" "$work.log"
}
export -f fuzz_one
results=$(mktemp -d)
# Each target runs on one core (those that start worker threads mostly wait on them): as many
# at once as there are cores.
find build-asan/fuzz -maxdepth 1 -name 'fuzz_*' -type f -executable -print0 \
  | xargs -0 -P "$jobs" -I{} bash -c 'fuzz_one "$1" "$2"' _ {} "$results"
for r in "$results"/*; do
  if [ "$(cat "$r")" = pass ]; then passed=$((passed + 1)); else cat "$r"; failed=$((failed + 1)); fi
done
rm -rf "$results"

unset LSAN_OPTIONS

echo "== consumers (add_subdirectory and find_package) (at ${SECONDS} s)"
# Runs a command on an X server of its own: the consumer opens its window only with a display.
with_display() { # command...
  # without it the window would go untried and the run pass all the same
  if ! command -v Xvfb >/dev/null; then echo "Xvfb is missing (scripts/install-deps.sh installs it)"; return 1; fi
  local dir n pid rc=0
  dir=$(mktemp -d); mkfifo "$dir/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/display" >/dev/null 2>&1 &
  pid=$!
  read -r n <"$dir/display" || n=
  if [ -n "$n" ]; then
    DISPLAY=:$n GDK_BACKEND=x11 NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory "$@" || rc=$?
  else
    echo "Xvfb did not start"; rc=1
  fi
  kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true
  rm -rf "$dir"
  return "$rc"
}
consumer_home=$(mktemp -d)
rm -rf build/consumer-sub build/consumer-pkg build/prefix
# The subproject without a display, the package on one: each links every module.
if cmake -S tests/consumer -B build/consumer-sub -G Ninja -DQEL_SOURCE_DIR="$root" -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
     -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=12 >/dev/null \
   && cmake --build build/consumer-sub >/dev/null \
   && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$consumer_home" build/consumer-sub/consumer; then passed=$((passed + 1));
else echo "add_subdirectory consumer failed"; failed=$((failed + 1)); fi
if cmake --install build --prefix build/prefix >/dev/null \
   && cmake -S tests/consumer -B build/consumer-pkg -G Ninja -DCMAKE_PREFIX_PATH="$root/build/prefix" >/dev/null \
   && cmake --build build/consumer-pkg >/dev/null \
   && HOME="$consumer_home" with_display build/consumer-pkg/consumer; then passed=$((passed + 1));
else echo "find_package consumer failed"; failed=$((failed + 1)); fi
# A program that needs Core alone, on a machine without the fonts', PNG's and GUI's development
# files (pkg-config finds nothing, CMake no libpng): the package gives it Core whether it asks for
# Core or for everything, saying what it left out; asking for the GUI fails at configure time,
# naming the Debian packages to install.
bare=(env PKG_CONFIG_LIBDIR= cmake --no-warn-unused-cli -S tests/consumer/core -G Ninja
      -DCMAKE_PREFIX_PATH="$root/build/prefix" -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON)
rm -rf build/consumer-core build/consumer-core-all build/consumer-core-gui
if "${bare[@]}" -B build/consumer-core >/dev/null \
   && cmake --build build/consumer-core >/dev/null \
   && HOME="$consumer_home" build/consumer-core/core_consumer \
   && out=$("${bare[@]}" -B build/consumer-core-all -DQEL_COMPONENTS= 2>&1) \
   && grep -q "Qel::Gui left out.*libgtk-3-dev" <<<"$out" \
   && cmake --build build/consumer-core-all >/dev/null \
   && HOME="$consumer_home" build/consumer-core-all/core_consumer; then passed=$((passed + 1));
else echo "Core-only consumer without the other modules' libraries failed"; failed=$((failed + 1)); fi
if out=$("${bare[@]}" -B build/consumer-core-gui -DQEL_COMPONENTS=Gui 2>&1); then
  echo "a consumer asking for Qel::Gui without GTK configured"; failed=$((failed + 1))
elif grep -q "Qel::Gui" <<<"$out" && grep -q "libgtk-3-dev" <<<"$out" && grep -q "libfontconfig-dev" <<<"$out"; then
  passed=$((passed + 1))
else echo "a consumer asking for Qel::Gui without GTK failed without naming what is missing:"; echo "$out"; failed=$((failed + 1)); fi
rm -rf "$consumer_home"

echo
echo "total: $passed passed, $failed failed (in ${SECONDS} s)"
[ "$failed" -eq 0 ]
