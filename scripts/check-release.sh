#!/usr/bin/env bash
# Checks scripts/release.sh: two releases of HEAD, from two clones at paths of
# different lengths, made one after the other, must hold the same unsigned
# SolvaneUpdate.exe (on a difference the PE sections that differ are named);
# the second is signed with a throwaway certificate made here, which
# `osslsigncode verify` accepts against that certificate and rejects against
# another; SHA256SUMS checks out. The signed release is left in OUT for the
# wine checks (scripts/wine-tests.sh with SOLVANE_RELEASE_DIR=OUT). Both builds
# make every compiler warning an error, as CI's other builds do.
#
#   scripts/check-release.sh OUT
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 1 ] || { echo "usage: scripts/check-release.sh OUT" >&2; exit 2; }
mkdir -p "$1"
out=$(cd "$1" && pwd)

fail() {
  echo "release check: FAILED: $*" >&2
  exit 1
}

"$root/scripts/install-deps.sh" g++-mingw-w64-x86-64 osslsigncode openssl binutils-mingw-w64-x86-64
export SOLVANE_WERROR=ON

work=$(mktemp -d /tmp/solvane-release-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
commit=$(git -C "$root" rev-parse HEAD)
short=$work/a
long=$work/a-much-longer-folder-name-for-the-second-clone/of/the/same/commit
mkdir -p "$short/tmp" "$long/tmp"
for clone in "$short/src" "$long/src"; do
  git clone --quiet --no-checkout "$root" "$clone"
  git -C "$clone" checkout --quiet --detach "$commit"
done

# A throwaway code-signing certificate, and another one the signature must not match.
keys=$work/keys
mkdir -m 700 "$keys"
for name in signer stranger; do
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=SolvaneUpdate test $name" \
    -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature" \
    -keyout "$keys/$name.key" -out "$keys/$name.pem" 2>/dev/null
done

echo "== A release without the real images is refused"
if (unset SOLVANE_RAW_IMAGE_DIR; "$short/src/scripts/release.sh" "$work/refused") \
  >"$out/refused.log" 2>&1; then
  fail "a release without SOLVANE_RAW_IMAGE_DIR or --simulator-images was made"
fi
grep -q "SOLVANE_RAW_IMAGE_DIR is not set" "$out/refused.log" || fail "refused without saying why"
[ ! -e "$work/refused" ] || fail "the refused release left $work/refused"

echo "== Release 1 (unsigned) from $short/src"
started=$(date +%s)
TMPDIR=$short/tmp "$short/src/scripts/release.sh" --simulator-images "$work/release1" \
  >"$out/release1.log" 2>&1 || { tail -n 30 "$out/release1.log"; fail "release 1"; }
echo "  $(tail -n 1 "$out/release1.log") ($(($(date +%s) - started)) s)"
[[ "$(tail -n 1 "$out/release1.log")" == *"it is not signed"*"simulated writer's images and is not for real writers." ]] ||
  fail "release 1: its last line does not say it is unsigned with the simulated images"

echo "== Release 2 (signed) from $long/src"
rm -rf "$out/release"
started=$(date +%s)
TMPDIR=$long/tmp SOLVANE_SIGN_CERT=$keys/signer.pem SOLVANE_SIGN_KEY=$keys/signer.key \
  "$long/src/scripts/release.sh" --simulator-images "$out/release" \
  >"$out/release2.log" 2>&1 || { tail -n 30 "$out/release2.log"; fail "release 2"; }
echo "  $(tail -n 1 "$out/release2.log") ($(($(date +%s) - started)) s)"
[[ "$(tail -n 1 "$out/release2.log")" == *"lapses when the certificate expires"*"not for real writers." ]] ||
  fail "release 2: its last line does not say the signature lapses"

[ "$(cd "$work/release1" && ls)" = "SHA256SUMS
SolvaneUpdate.exe" ] || fail "release 1 leaves other files: $(ls "$work/release1")"
[ "$(cd "$out/release" && ls)" = "SHA256SUMS
SolvaneUpdate-unsigned.exe
SolvaneUpdate.exe" ] || fail "release 2 leaves other files: $(ls "$out/release")"
for release in "$work/release1" "$out/release"; do
  (cd "$release" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS of $release"
  [ "$(wc -l <"$release/SHA256SUMS")" = "$(ls "$release" | grep -vc SHA256SUMS)" ] ||
    fail "SHA256SUMS of $release does not cover every file"
done

echo "== Reproducible"
one=$work/release1/SolvaneUpdate.exe two=$out/release/SolvaneUpdate-unsigned.exe
if ! cmp -s "$one" "$two"; then
  mkdir -p "$work/one" "$work/two"
  cp "$one" "$work/one/SolvaneUpdate.exe"
  cp "$two" "$work/two/SolvaneUpdate.exe"
  differing=""
  for section in $(x86_64-w64-mingw32-objdump -h "$one" | awk '$1 ~ /^[0-9]+$/ {print $2}'); do
    for build in one two; do
      x86_64-w64-mingw32-objcopy -O binary --only-section="$section" \
        "$work/$build/SolvaneUpdate.exe" "$work/$build/section"
    done
    cmp -s "$work/one/section" "$work/two/section" || differing+=" $section"
  done
  echo "The two builds of $commit differ. PE sections that differ:${differing:- none}" >&2
  echo "Headers and section table (objdump -x), first build < > second:" >&2
  diff <(cd "$work/one" && x86_64-w64-mingw32-objdump -x SolvaneUpdate.exe | sed -n '1,/^Sections/p') \
    <(cd "$work/two" && x86_64-w64-mingw32-objdump -x SolvaneUpdate.exe | sed -n '1,/^Sections/p') >&2 || true
  fail "SolvaneUpdate.exe is not reproducible"
fi
echo "  both builds: $(sha256sum <"$one" | cut -d' ' -f1)  SolvaneUpdate.exe (unsigned)"

echo "== Signature"
osslsigncode verify -CAfile "$keys/signer.pem" -in "$out/release/SolvaneUpdate.exe" \
  >"$out/verify.log" 2>&1 || { cat "$out/verify.log"; fail "osslsigncode rejects the signed exe"; }
if osslsigncode verify -CAfile "$keys/stranger.pem" -in "$out/release/SolvaneUpdate.exe" \
  >"$out/verify-stranger.log" 2>&1; then
  fail "osslsigncode accepts the signed exe against another certificate"
fi
if osslsigncode verify -CAfile "$keys/signer.pem" -in "$out/release/SolvaneUpdate-unsigned.exe" \
  >/dev/null 2>&1; then
  fail "osslsigncode accepts the unsigned exe"
fi
grep -qE '^Message digest algorithm +: SHA256' "$out/verify.log" || fail "the signature's digest is not SHA-256"
echo "  signed with SHA-256, accepted against its certificate, rejected against another"
echo "release check passed"
