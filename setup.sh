#!/usr/bin/env bash
# Sets up a Debian 12 machine for Quorlin, builds it, and starts the editor or runs every test.
#   ./setup.sh start   install what is needed, build, start the editor
#   ./setup.sh test    install what is needed, build, run every test
set -euo pipefail
cd "$(dirname "$0")"

BUILD_DIR=${QUORLIN_BUILD_DIR:-build}
# The same native code built with the address and undefined-behaviour sanitizers (test only).
ASAN_BUILD_DIR=${QUORLIN_ASAN_BUILD_DIR:-build-asan}

APT_PACKAGES=(
  build-essential cmake pkg-config
  libgtk-3-dev libwebkit2gtk-4.1-dev libcurl4-openssl-dev libarchive-dev libpng-dev zlib1g-dev
  nlohmann-json3-dev libgtest-dev googletest
  nodejs npm
  xvfb xauth x11-utils libx11-dev libxtst-dev libxfixes-dev webkit2gtk-driver chromium imagemagick locales zip
  fonts-wqy-microhei
  clang libclang-rt-14-dev
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
  local missing=()
  for p in "${APT_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  # Node 20 or newer may come from elsewhere than Debian's package; then its npm is used as it is.
  if command -v node >/dev/null && command -v npm >/dev/null; then
    missing=("${missing[@]/nodejs}"); missing=("${missing[@]/npm}")
  fi
  local wanted=()
  for p in "${missing[@]}"; do [ -n "$p" ] && wanted+=("$p"); done
  if [ ${#wanted[@]} -gt 0 ]; then
    echo "Installing system packages: ${wanted[*]}"
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${wanted[@]}"
  fi
  if [ -L node_modules ]; then
    # npm ci would empty the folder the link points to, which another checkout may be using.
    echo "node_modules is a link: using it as it is, without reinstalling"
  elif [ ! -d node_modules ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
    echo "Installing page libraries and test tools (npm ci)"
    npm ci --no-audit --no-fund
  fi
}

build() {
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD_DIR" -j"$(nproc)"
}

# Unoptimised: it builds in a third of the time and the sanitizers find the same faults. Any
# compiler warning fails this build.
build_sanitized() {
  cmake -S . -B "$ASAN_BUILD_DIR" -DCMAKE_BUILD_TYPE=Debug -DQUORLIN_ASAN=ON -DQUORLIN_WARNINGS_AS_ERRORS=ON >/dev/null
  cmake --build "$ASAN_BUILD_DIR" -j"$(nproc)"
}

start_editor() {
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting the editor inside a virtual X display (Xvfb), where it is not visible."
    exec xvfb-run -a -s "-screen 0 1920x1080x24" "$BUILD_DIR/quorlin_app" "$@"
  fi
  exec "$BUILD_DIR/quorlin_app" "$@"
}

# Runs "$@" and says how long it took.
timed() {
  local started=$SECONDS status=0
  "$@" || status=$?
  echo "   ($((SECONDS - started)) s)"
  return $status
}

native_tests() {
  # Tests that need a window get a virtual display of their own.
  xvfb-run -a -s "-screen 0 1920x1080x24" ctest --test-dir "$1" --output-on-failure -j"$(nproc)"
}

# The tests that start the real programs each take an X display and the host's port range: they run
# one at a time. The page tests (jsdom, headless Chromium) run beside them when there are cores to
# spare; their report follows the programs' report.
page_tests() {
  local programs=() pages=() file status=0
  for file in $(find tests editor -name '*.test.mjs' -not -path '*/node_modules/*' | sort); do
    if [[ $file == tests/e2e/* ]] || grep -q "startEditor\|startXvfb\|quorlin_app\|quorlin_loader" "$file"; then
      programs+=("$file")
    else
      pages+=("$file")
    fi
  done
  export QUORLIN_BUILD_DIR
  QUORLIN_BUILD_DIR="$(cd "$BUILD_DIR" && pwd)"
  local lanes=$(( $(nproc) / 4 ))
  if [ "$lanes" -lt 1 ]; then
    node --test --test-concurrency=1 "${pages[@]}" "${programs[@]}" || status=1
    return $status
  fi
  local report pid
  report=$(mktemp)
  node --test --test-concurrency="$lanes" "${pages[@]}" >"$report" 2>&1 &
  pid=$!
  node --test --test-concurrency=1 "${programs[@]}" || status=1
  wait "$pid" || status=1
  echo "== page tests (run beside the ones above)"
  cat "$report"
  rm -f "$report"
  return $status
}

# Runs "$@" as the phase named $1, keeping its output, so that a failure is named again at the end
# of a long run, where a CI log is read first.
phase() {
  local name=$1 log status=0
  shift
  log=$(mktemp)
  "$@" 2>&1 | tee "$log" || status=$?
  if [ "$status" -ne 0 ]; then
    {
      echo "   $name failed:"
      grep -E '^\s*not ok |^\s+[0-9]+ - .*\((Failed|Timeout|SEGFAULT|Subprocess aborted|Exception|Not Run|Child aborted)\)' "$log" |
        grep -v '# SKIP' | sed 's/^\s*/     /' | head -40 || true
    } >>"$FAILURES"
  fi
  rm -f "$log"
  return $status
}

run_tests() {
  local status=0
  FAILURES=$(mktemp)
  echo "== native tests"
  phase "native tests" timed native_tests "$BUILD_DIR" || status=1
  echo "== native tests under the address and undefined-behaviour sanitizers"
  phase "sanitized build and native tests" timed build_and_test_sanitized || status=1
  echo "== page and end-to-end tests"
  phase "page and end-to-end tests" timed page_tests || status=1
  echo "== fuzzing (the local server's connections, request parser and routes)"
  phase "fuzzing" fuzz/run.sh "${QUORLIN_FUZZ_SECONDS:-60}" || status=1
  echo "== summary"
  if [ "$status" -eq 0 ]; then echo "   every phase passed"; else cat "$FAILURES"; fi
  rm -f "$FAILURES"
  return $status
}

build_and_test_sanitized() {
  build_sanitized && native_tests "$ASAN_BUILD_DIR"
}

case "${1:-}" in
  start) shift; install_packages; build; start_editor "$@" ;;
  test) install_packages; build; run_tests ;;
  *) echo "usage: ./setup.sh start | test" >&2; exit 2 ;;
esac
