#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need (idempotent).
set -euo pipefail
pkgs=(build-essential cmake ninja-build clang libclang-rt-14-dev clang-format
      libncurses-dev libpcre2-dev libgtest-dev libgmock-dev libbenchmark-dev
      tmux python3 python3-dbfread python3-dbf libdbd-xbase-perl)
missing=()
for p in "${pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
