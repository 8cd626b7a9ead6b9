# Shared by run-main and run-tests: installs the Debian packages the build
# needs (only those missing) and builds the project with CMake.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PACKAGES=(g++ make cmake libopencv-dev libgtest-dev libbenchmark-dev libcli11-dev
          libeigen3-dev libboost-math-dev nlohmann-json3-dev pkg-config libcairo2-dev
          fonts-dejavu-core poppler-utils libxml2-utils
          clang libclang-rt-14-dev time libcpp-httplib-dev
          python3-dev python3-venv python3-pip python3-setuptools python3-wheel pybind11-dev python3-pybind11
          python3-numpy python3-scipy python3-pytest python3-tqdm python3-matplotlib)
# Only the tests need these: the browser the explorer page is tested in.
TEST_PACKAGES=(chromium)
# Debian's interpreter, whose NumPy the module is built for (a python3 earlier
# on PATH, from pyenv say, would lack Debian's packages).
PYTHON=/usr/bin/python3

ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing missing Debian packages: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Node.js and npm for the browser test's driver, from Debian unless a
# node and an npm are there already (another vendor's nodejs package holds
# npm itself, and Debian's npm would conflict with it).
ensure_node() {
    command -v node >/dev/null && command -v npm >/dev/null && return 0
    ensure_packages nodejs npm
}

# build DIR [cmake options...]
build() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -DPython_EXECUTABLE="$PYTHON" "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}
