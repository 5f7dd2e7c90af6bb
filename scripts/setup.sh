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
  # the no-display hint names Xvfb; the run script measures the screen for the map's size
  xvfb x11-xserver-utils
)

TEST_PACKAGES=(
  # display-less testing of windows, reference values for astronomy
  x11-apps x11-utils xdotool python3 python3-ephem
  # outside readers and writers that check our files: geometry, tables, images, PDF, XML
  python3-shapely python3-dbfread python3-openpyxl python3-pil gdal-bin
  # the PDF benchmark's peer (bench/peers_csv_pdf.py)
  python3-img2pdf
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
  # a busy machine on demand, to run the tests under load as the README shows
  stress-ng
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
# apt and dpkg allow one of them at a time: a desktop's automatic updates may hold the lock for
# minutes. apt waits for it (up to the time below) instead of failing at once.
apt_get=${KESTROVA_APT_GET:-apt-get}
[ -n "${KESTROVA_APT_GET:-}" ] && SUDO=""  # a stand-in apt needs no root
lock=${KESTROVA_APT_LOCK:-/var/lib/dpkg/lock-frontend}
lock_wait=${KESTROVA_APT_LOCK_WAIT:-300}
# Whether a process holds a lock on the file: /proc/locks lists apt's (fcntl) and flock's alike,
# by inode, and needs no root.
lock_held() {
  local inode
  inode=$(stat -c %i "$lock" 2>/dev/null) || return 1
  awk -v inode="$inode" '{ for (i = 1; i <= NF; i++) if ($i ~ /^[0-9a-f]+:[0-9a-f]+:[0-9]+$/) {
      split($i, f, ":"); if (f[3] == inode) found = 1 } } END { exit !found }' /proc/locks 2>/dev/null
}
wait_text() {
  if [ "$lock_wait" -ge 120 ]; then echo "$((lock_wait / 60)) minutes"
  elif [ "$lock_wait" -eq 1 ]; then echo "1 second"
  else echo "$lock_wait seconds"; fi
}
say_waiting() {
  if lock_held; then
    echo "setup: another program is installing packages (perhaps the desktop's automatic updates);"
    echo "setup: waiting up to $(wait_text) for it to finish..."
  fi
}
# What to do when apt failed, in plain words; ends the script.
apt_failed() {  # status, what failed
  echo "setup: $2 failed (apt-get ended with status $1)."
  if lock_held; then
    echo "setup: another program still holds apt's lock after $(wait_text) (perhaps the desktop's"
    echo "setup: automatic updates). Let it finish, or close the software updater,"
    echo "setup: and then run scripts/setup.sh again."
  else
    echo "setup: apt's own message is above. Check the network and the package sources,"
    echo "setup: and then run scripts/setup.sh again; or install them by hand:"
    echo "setup:   sudo apt-get install ${missing[*]}"
  fi
  exit "$1"
}
apt_options=(-o "DPkg::Lock::Timeout=$lock_wait")

echo "setup: ${#missing[@]} packages to install: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
echo "setup: reading the package lists..."
say_waiting
set +e
$SUDO "$apt_get" "${apt_options[@]}" update -qq
status=$?
set -e
[ "$status" -eq 0 ] || apt_failed "$status" "reading the package lists"
say_waiting
# apt's own progress lines show what is being fetched and unpacked, and its wait for the lock.
set +e
$SUDO "$apt_get" "${apt_options[@]}" install -y --no-install-recommends -o Dpkg::Use-Pty=0 "${missing[@]}" \
  | grep --line-buffered -E '^(Get:|Unpacking|Setting up|E:|Waiting for)'
status=${PIPESTATUS[0]}
set -e
[ "$status" -eq 0 ] || apt_failed "$status" "installing the packages"
echo "setup: done"
