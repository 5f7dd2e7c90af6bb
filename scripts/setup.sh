#!/usr/bin/env bash
# Installs the Debian packages the build and the programs need; with --tests also those the
# tests, benchmarks and reference checks call.
# Idempotent and non-interactive: packages already present are skipped quickly.
set -euo pipefail
with_tests=no
[ "${1:-}" = "--tests" ] && with_tests=yes

PACKAGES=(
  # build
  build-essential cmake ninja-build ccache pkg-config mold
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # platform layer
  libsdl2-dev libx11-dev libxrandr-dev libxext-dev libfreetype-dev libfontconfig-dev
  libicu-dev libhowardhinnant-date-dev tzdata
  # storage and compression
  libsqlite3-dev sqlite3 zlib1g-dev libminizip-dev zip unzip
  # image codecs and printing
  libjpeg-dev libpng-dev libtiff-dev libgif-dev libcups2-dev
  # country polygons for the data builder (NetCDF)
  libnetcdf-dev
  # fonts the programs and tests use
  fonts-dejavu-core fonts-liberation2 fonts-crosextra-carlito fonts-open-sans fonts-cabin fonts-symbola
  # the no-display hint names Xvfb
  xvfb
)

TEST_PACKAGES=(
  # display-less testing of windows, reference values for astronomy
  x11-apps x11-utils xdotool python3 python3-ephem
  # outside readers and writers that check our files: geometry, tables, images, PDF, XML
  python3-shapely python3-dbfread python3-openpyxl python3-pil gdal-bin
  # GIS fixtures and their references; geopandas ships Natural Earth and the New York boroughs
  python3-gdal python3-pyshp python3-geopandas
  imagemagick libtiff-tools libjpeg-turbo-progs file qpdf poppler-utils libxml2-utils
  emf2svg librsvg2-bin libpaper-utils
  # the image clipboard read back, desktop entries checked, the MIME database rebuilt
  xclip desktop-file-utils shared-mime-info
  # a private print server with a PDF queue for the printing tests
  cups cups-client printer-driver-cups-pdf
  # font metrics read independently for the text outline checks
  python3-fonttools
  # the files a benchmark writes, traced to check that it leaves the user's own alone
  strace
  # a small window manager, so interface tests run with one as well as without
  openbox
  # faces for the scripts the program's own faces lack (Japanese, Chinese, Arabic, Hebrew,
  # Thai, Devanagari): the fallback text drawing is tested with them
  fonts-noto-core fonts-noto-cjk
  # the peer the footprint benchmarks pair with
  sunclock
)
[ "$with_tests" = yes ] && PACKAGES+=("${TEST_PACKAGES[@]}")

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
echo "setup: ${#missing[@]} packages to install: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
echo "setup: reading the package lists..."
$SUDO apt-get update -qq
# apt's own progress lines show what is being fetched and unpacked.
set +e
$SUDO apt-get install -y --no-install-recommends -o Dpkg::Use-Pty=0 "${missing[@]}" \
  | grep --line-buffered -E '^(Get:|Unpacking|Setting up|E:)'
status=${PIPESTATUS[0]}
set -e
if [ "$status" -ne 0 ]; then echo "setup: apt-get install failed ($status)"; exit "$status"; fi
echo "setup: done"
