#!/usr/bin/env bash
# Makes a release of SolvaneUpdate.exe from the committed tree (HEAD, copied to
# a temporary folder, so no local change and no earlier build can leak in) and
# leaves in DIR SolvaneUpdate.exe and SHA256SUMS, and SolvaneUpdate-unsigned.exe
# beside a signed exe. Two runs from the same commit give the same unsigned exe.
#
#   scripts/release.sh [--simulator-images] DIR
#
# Images: the real ones from SOLVANE_RAW_IMAGE_DIR (169.bin ... 191.bin);
# --simulator-images embeds the simulated writer's generated images instead.
# Signing (Authenticode, SHA-256, with osslsigncode) when SOLVANE_SIGN_CERT
# names the certificate (PEM) and either SOLVANE_SIGN_KEY its PEM key, or
# SOLVANE_SIGN_PKCS11_MODULE a PKCS#11 module with SOLVANE_SIGN_PKCS11_KEY the
# key in it; SOLVANE_SIGN_TIMESTAMP_URL, when set, is the RFC 3161 timestamp
# server. SOLVANE_WERROR=ON makes every compiler warning an error. The last
# line says what the release is not.
set -euo pipefail

usage() {
  echo "usage: scripts/release.sh [--simulator-images] DIR" >&2
  exit 2
}
refuse() {
  echo "scripts/release.sh: $*" >&2
  exit 1
}

simulator_images=false
dir=""
for arg in "$@"; do
  case "$arg" in
    --simulator-images) simulator_images=true ;;
    -*) usage ;;
    *) [ -z "$dir" ] || usage; dir=$arg ;;
  esac
done
[ -n "$dir" ] || usage

raw_dir=""
if [ -n "${SOLVANE_RAW_IMAGE_DIR:-}" ]; then
  $simulator_images && refuse "both SOLVANE_RAW_IMAGE_DIR and --simulator-images are given"
  raw_dir=$(cd "$SOLVANE_RAW_IMAGE_DIR" 2>/dev/null && pwd) || refuse "no folder $SOLVANE_RAW_IMAGE_DIR"
  for id in 169 170 171 172 173 174 189 190 191; do
    [ -f "$raw_dir/$id.bin" ] || refuse "$raw_dir/$id.bin is missing"
  done
elif ! $simulator_images; then
  refuse "SOLVANE_RAW_IMAGE_DIR is not set: a release for real writers needs the real images" \
    "(--simulator-images makes one with the simulated writer's images, not for real writers)"
fi

sign_with=""
if [ -n "${SOLVANE_SIGN_CERT:-}" ]; then
  [ -f "$SOLVANE_SIGN_CERT" ] || refuse "no certificate $SOLVANE_SIGN_CERT"
  if [ -n "${SOLVANE_SIGN_KEY:-}" ]; then
    [ -f "$SOLVANE_SIGN_KEY" ] || refuse "no key $SOLVANE_SIGN_KEY"
    sign_with=key
  elif [ -n "${SOLVANE_SIGN_PKCS11_MODULE:-}" ] && [ -n "${SOLVANE_SIGN_PKCS11_KEY:-}" ]; then
    sign_with=pkcs11
  else
    refuse "SOLVANE_SIGN_CERT needs SOLVANE_SIGN_KEY, or SOLVANE_SIGN_PKCS11_MODULE and SOLVANE_SIGN_PKCS11_KEY"
  fi
fi

root=$(cd "$(dirname "$0")/.." && pwd)
extra_packages=(g++-mingw-w64-x86-64)
[ -z "$sign_with" ] || extra_packages+=(osslsigncode)
[ "$sign_with" != pkcs11 ] || extra_packages+=(libengine-pkcs11-openssl)
"$root/scripts/install-deps.sh" "${extra_packages[@]}"

mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
rm -f "$dir/SolvaneUpdate.exe" "$dir/SolvaneUpdate-unsigned.exe" "$dir/SHA256SUMS"

commit=$(git -C "$root" rev-parse HEAD)
[ -z "$(git -C "$root" status --porcelain --untracked-files=no)" ] ||
  echo "Note: uncommitted changes are not in the release; it is made from $commit."

work=$(mktemp -d "${TMPDIR:-/tmp}/solvane-release.XXXXXX")
trap 'rm -rf "$work"' EXIT
src=$work/src
mkdir "$src"
git -C "$root" archive --format=tar "$commit" | tar -x -C "$src"

# The same exe from every build of this commit: the linker's time stamp is the
# commit's time, nothing is taken from a compiler cache, the locale is fixed.
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct "$commit")
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER CMAKE_RC_COMPILER_LAUNCHER
export CCACHE_DISABLE=1 LC_ALL=C TZ=UTC
umask 022

echo "== Building SolvaneUpdate.exe from $commit in $src"
(
  cd "$src"
  werror=-DSOLVANE_WERROR=${SOLVANE_WERROR:-OFF}
  cmake --preset release-native "-DSOLVANE_RAW_IMAGE_DIR=$raw_dir" "$werror" >/dev/null
  cmake --preset release-windows "$werror" >/dev/null
  cmake --build --preset release-windows
)
exe=$src/build-release-windows/app/win32/SolvaneUpdate.exe

notes=()
cd "$dir"
if [ -n "$sign_with" ]; then
  cp "$exe" SolvaneUpdate-unsigned.exe
  sign_args=(sign -h sha256 -n SolvaneUpdate -certs "$SOLVANE_SIGN_CERT")
  if [ "$sign_with" = key ]; then
    sign_args+=(-key "$SOLVANE_SIGN_KEY")
  else
    sign_args+=(-pkcs11module "$SOLVANE_SIGN_PKCS11_MODULE" -key "$SOLVANE_SIGN_PKCS11_KEY")
  fi
  if [ -n "${SOLVANE_SIGN_TIMESTAMP_URL:-}" ]; then
    sign_args+=(-ts "$SOLVANE_SIGN_TIMESTAMP_URL")
  else
    notes+=("its signature has no timestamp and lapses when the certificate expires")
  fi
  osslsigncode "${sign_args[@]}" -in SolvaneUpdate-unsigned.exe -out SolvaneUpdate.exe >/dev/null ||
    refuse "signing failed"
  sha256sum SolvaneUpdate.exe SolvaneUpdate-unsigned.exe >SHA256SUMS
else
  cp "$exe" SolvaneUpdate.exe
  notes+=("it is not signed (SOLVANE_SIGN_CERT is not set)")
  sha256sum SolvaneUpdate.exe >SHA256SUMS
fi
$simulator_images &&
  notes+=("it carries the simulated writer's images and is not for real writers")

sed 's/^/  /' SHA256SUMS
if [ ${#notes[@]} -eq 0 ]; then
  echo "Release of $commit in $dir: SolvaneUpdate.exe, signed and timestamped, with the real images."
else
  joined=$(printf '; %s' "${notes[@]}")
  echo "Release of $commit in $dir: SolvaneUpdate.exe, but ${joined:2}."
fi
