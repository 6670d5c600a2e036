#!/usr/bin/env bash
# Configures and builds one flavour: "release" (build/) or "sanitize" (build-sanitize/).
set -euo pipefail
cd "$(dirname "$0")/.."

flavour="${1:-release}"
case "$flavour" in
  release) dir=build; extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  sanitize) dir=build-sanitize; extra=(-DCMAKE_BUILD_TYPE=Debug -DORVALO_SANITIZE=ON -DORVALO_BUILD_BENCH=OFF) ;;
  *) echo "usage: $0 [release|sanitize]" >&2; exit 2 ;;
esac

cmake -S . -B "$dir" -G Ninja "${extra[@]}"
cmake --build "$dir"
