#!/usr/bin/env bash
# Songloom's one entry point for set-up, building, testing and running.
#   ./songloom.sh test            install what is missing, build with ASan/UBSan, run every test
#   ./songloom.sh run             build (Release) and start the app in ~/Songloom
#   ./songloom.sh fuzz [SECONDS]  build the fuzz targets with clang, run each SECONDS (default 60)
#   ./songloom.sh bench           build Release benchmarks and run them
#   ./songloom.sh build [TARGET...]  build the Release tree only (or just those targets)
#   ./songloom.sh package         build the Debian package (build/package/songloom_*.deb)
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$(pwd)
JOBS=${JOBS:-$(nproc)}

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev clang-14 libclang-rt-14-dev
  qt6-base-dev qt6-translations-l10n libgl-dev
  libfluidsynth-dev fluidsynth fluid-soundfont-gm timgm6mb-soundfont
  librtmidi-dev libcli11-dev nlohmann-json3-dev
  fonts-ipafont-gothic fonts-dejavu-core xvfb xauth sox midicsv python3-mido python3-numpy
)

install_packages() {  # [PACKAGE...]; none: the set-up's own
  local missing=() wanted=("$@")
  ((${#wanted[@]})) || wanted=("${PACKAGES[@]}")
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "songloom.sh: installing ${missing[*]}"
    local sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

launcher_flags() {
  if command -v ccache >/dev/null; then
    echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
  fi
}

configure() {  # dir, extra cmake args...
  local dir=$1; shift
  # shellcheck disable=SC2046
  cmake -S "$ROOT" -B "$dir" -G Ninja $(launcher_flags) "$@" >/dev/null
}

build_release() {  # [TARGET...]; none builds everything
  configure build/release -DCMAKE_BUILD_TYPE=Release -DSONGLOOM_TESTS=OFF -DSONGLOOM_BENCH=ON
  cmake --build build/release -j "$JOBS" ${1:+--target "$@"}
}

cmd_test() {
  install_packages
  configure build/test -DCMAKE_BUILD_TYPE=Debug -DSONGLOOM_SANITIZE=ON -DSONGLOOM_TESTS=ON
  cmake --build build/test -j "$JOBS"
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
  ctest --test-dir build/test --output-on-failure -j "$JOBS" --timeout 900
}

cmd_run() {
  install_packages
  build_release
  if [[ ! -x build/release/src/app/songloom ]]; then
    echo "songloom.sh: the desktop app is not built yet" >&2
    exit 2
  fi
  local work="$HOME/Songloom"
  mkdir -p "$work/Library"
  if compgen -G "$ROOT/data/songs/*.sld" >/dev/null; then
    cp -n "$ROOT"/data/songs/*.sld "$work/Library/" 2>/dev/null || true
  fi
  cd "$work"
  exec "$ROOT/build/release/src/app/songloom" "$@"
}

cmd_fuzz() {
  local seconds=${1:-60}
  install_packages
  configure build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSONGLOOM_FUZZ=ON -DSONGLOOM_TESTS=OFF \
    -DSONGLOOM_GUI=OFF -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
  cmake --build build/fuzz -j "$JOBS"
  local status=0
  for target in build/fuzz/fuzz/fuzz_*; do
    [[ -x $target ]] || continue
    local name=${target##*/fuzz_}
    local corpus="$ROOT/fuzz/corpus/$name"
    local work="build/fuzz/corpus-$name"
    mkdir -p "$corpus" "$work"
    echo "== fuzz $name for ${seconds}s"
    if "$target" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=4096 \
        -artifact_prefix="$corpus/crash-" "$work" "$corpus" 2>"build/fuzz/$name.log"; then
      grep -E "stat::number_of_executed_units|Done" "build/fuzz/$name.log" | tail -2
    else
      echo "fuzz $name FAILED; see build/fuzz/$name.log"; status=1
    fi
  done
  return $status
}

# What the benchmarks compare against: they run when installed.
BENCH_PEERS=(mma midicsv python3-mido)

cmd_bench() {
  install_packages
  install_packages "${BENCH_PEERS[@]}"
  build_release
  for b in build/release/bench/bench_*; do
    [[ -x $b ]] && "$b" --benchmark_repetitions="${REPS:-5}" --benchmark_report_aggregates_only=true \
      --benchmark_out="build/release/${b##*/}.json" --benchmark_out_format=json
  done
  bench/peers/peers.sh build/release/cli/songloom-cli build/release/bench/peer_timer \
    build/release/bench_render.json
}

cmd_package() {
  install_packages
  configure build/package -DCMAKE_BUILD_TYPE=Release -DSONGLOOM_TESTS=OFF -DSONGLOOM_SOURCE_DATA=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr
  cmake --build build/package -j "$JOBS"
  (cd build/package && cpack -G DEB)
  ls -1 build/package/*.deb
}

case "${1:-}" in
  test) shift; cmd_test "$@" ;;
  run) shift; cmd_run "$@" ;;
  fuzz) shift; cmd_fuzz "$@" ;;
  bench) shift; cmd_bench "$@" ;;
  build) shift; install_packages; build_release "$@" ;;
  package) shift; cmd_package ;;
  *) sed -n '2,8p' "$0"; exit 1 ;;
esac
