#!/usr/bin/env bash
# Installs the Debian packages the program, its tests and its benchmarks need; installs nothing that is
# already present. Runs as root or through sudo.
set -euo pipefail

packages=(
  g++ cmake make
  qt6-base-dev libqt6sql6-sqlite qt6-serialport-dev qt6-charts-dev
  libqt6sql6-psql   # the lab-wide database on a PostgreSQL server (database.txt)
  libpq-dev         # its client library's COPY, with which a server stores a whole test at once
  qt6-datavisualization-dev qt6-declarative-dev
  libgl1-mesa-dri   # Mesa's software OpenGL: the 3D charts under Xvfb and on machines without a GPU driver
  libxlsxwriter-dev libgtest-dev
  libgsl-dev  # the Herschel-Bulkley fit's nonlinear least squares
  libvalijson-dev  # the test record's JSON Schema check (import-json), header-only
  libcurl4-openssl-dev  # the e-mail notifications (SMTP with STARTTLS)
  xvfb xauth sqlite3
  unzip  # the report tests read the .xlsx files back
  poppler-utils  # the test report's tests read its PDF back (pdftotext, pdfinfo, pdfimages)
  qt6-httpserver-dev qt6-websockets-dev  # the lab monitor's web server (r7716-cli serve); its CMake package needs the second
  chromium  # the lab monitor's pages tried in a real browser (tests skip without it)
  postgresql  # the server the store's tests and the database benchmark start for themselves
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# The tests and the benchmark start clusters of their own: the server package is not to make and start a
# system-wide one on port 5432 as well.
if [[ " ${missing[*]} " == *" postgresql "* ]] && [ ! -d /etc/postgresql ]; then
  $SUDO mkdir -p /etc/postgresql-common/createcluster.d
  echo "create_main_cluster = false" | $SUDO tee /etc/postgresql-common/createcluster.d/r7716.conf >/dev/null
fi
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
