#!/usr/bin/env bash
# Builds the programs and runs the main job on the bundled demo data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DXB_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc)"
if [ -x build/di870d8 ]; then
  rm -rf demo-run && mkdir demo-run && cp -r demo/* demo-run/
  cd demo-run && ../build/di870d8
elif [ -x build/xbtool ]; then
  build/xbtool --help
  build/xbtool eval '"Vintro " + "V 4.3B8"' 'Str(1/3, 10, 4)' 'DToS(SToD("20261211") + 20)'
else
  echo "no programs built yet"
fi
