#!/usr/bin/env bash
# Installs what the robustness checks need on a fresh Debian machine, beyond scripts/build.sh's
# packages (only what is missing): clang and its runtime libraries with libFuzzer for the fuzz
# targets, and valgrind for the memory check of the console. The sanitizer build uses g++,
# whose AddressSanitizer and UndefinedBehaviorSanitizer libraries come with it.
set -euo pipefail

packages=(clang libclang-rt-14-dev valgrind)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi
