#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the programs need.
# Idempotent and non-interactive: packages already present are skipped quickly.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build ccache pkg-config
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # platform layer
  libsdl2-dev libx11-dev libxrandr-dev libfreetype-dev libfontconfig-dev
  libicu-dev libhowardhinnant-date-dev tzdata
  # storage and compression
  libsqlite3-dev sqlite3 zlib1g-dev libminizip-dev zip unzip
  # image codecs and printing
  libjpeg-dev libpng-dev libtiff-dev libgif-dev libcups2-dev
  # country polygons for the data builder (NetCDF)
  libnetcdf-dev
  # fonts the programs and tests use
  fonts-dejavu-core fonts-liberation2 fonts-crosextra-carlito fonts-open-sans fonts-cabin fonts-symbola
  # display-less testing of windows, reference values for astronomy
  xvfb x11-apps x11-utils xdotool python3 python3-ephem
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup: done"
