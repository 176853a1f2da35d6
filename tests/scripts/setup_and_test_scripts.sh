#!/usr/bin/env bash
# scripts/setup.sh and scripts/test.sh, with cmake, ctest, apt-get,
# dpkg-query and id replaced by stubs that only record their calls: --help
# explains and runs nothing, every pass is announced in order, the passes
# kept in scripts of their own run when present, and the package list is
# the one the README names.
#   setup_and_test_scripts.sh SOURCE_DIR
set -euo pipefail
source_dir=$(cd "$1" && pwd)

work=$(mktemp -d /tmp/reportapp-scripts-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# The stubs. STUB_MISSING: packages dpkg-query reports as not installed
# ("all" for every one); STUB_UID: what id -u answers.
mkdir "$work/bin"
for tool in cmake ctest apt-get; do
  printf '#!/bin/sh\necho "%s $*" >>"$STUB_LOG"\n' "$tool" >"$work/bin/$tool"
done
cat >"$work/bin/dpkg-query" <<'STUB'
#!/bin/sh
for pkg; do :; done
case " $STUB_MISSING " in
  *" all "* | *" $pkg "*) exit 1 ;;
esac
printf 'install ok installed'
STUB
printf '#!/bin/sh\necho "${STUB_UID:-1000}"\n' >"$work/bin/id"
chmod +x "$work/bin"/*
export PATH="$work/bin:$PATH" STUB_LOG="$work/calls.log" STUB_MISSING="" STUB_UID=1000

# Runs a script, keeping its output in $out and its exit status in $status.
run() {
  : >"$STUB_LOG"
  status=0
  out=$("$@" 2>&1) || status=$?
}

# --help explains and calls nothing; a wrong option is an error.
run bash "$source_dir/scripts/test.sh" --help
[ "$status" -eq 0 ] && [[ "$out" == Usage:* ]] || fail "test.sh --help gave $status: $out"
[ ! -s "$STUB_LOG" ] || fail "test.sh --help ran: $(cat "$STUB_LOG")"
run bash "$source_dir/scripts/test.sh" --no-such-option
[ "$status" -eq 2 ] && [ ! -s "$STUB_LOG" ] || fail "test.sh --no-such-option gave $status: $out"

# A copy of the scripts with stand-ins for the separate passes.
mkdir -p "$work/root/scripts"
cp "$source_dir/scripts/setup.sh" "$source_dir/scripts/test.sh" "$work/root/scripts/"
echo 'echo "tsan pass ran"' >"$work/root/scripts/test-tsan.sh"
echo 'echo "fuzz pass ran"' >"$work/root/scripts/test-fuzz.sh"

# The lines of $out that contain the given texts, in this order.
expect_in_order() {
  local rest=$out text
  for text; do
    [[ "$rest" == *"$text"* ]] || fail "missing or out of order: \"$text\" in:
$out"
    rest=${rest#*"$text"}
  done
}

run bash "$work/root/scripts/test.sh"
[ "$status" -eq 0 ] || fail "test.sh gave $status: $out"
expect_in_order "== checking the Debian packages" \
  "== pass 1 of 4: plain build" "== configuring the plain build in build/" \
  "== building the plain build" "== running the tests of build/" \
  "== pass 2 of 4: AddressSanitizer and UndefinedBehaviorSanitizer" \
  "== configuring the sanitizer build in build-sanitize/" "== building the sanitizer build" \
  "== running the tests of build-sanitize/" \
  "== pass 3 of 4: ThreadSanitizer pass (scripts/test-tsan.sh)" "tsan pass ran" \
  "== pass 4 of 4: fuzzing pass (scripts/test-fuzz.sh)" "fuzz pass ran" \
  "== all 4 passes succeeded"
grep -q "^cmake .*-DREPORTAPP_SANITIZE=ON" "$STUB_LOG" || fail "no sanitizer build: $(cat "$STUB_LOG")"

run bash "$work/root/scripts/test.sh" --quick
expect_in_order "== pass 1 of 1: plain build" "== running the tests of build/" "== all 1 passes"
[[ "$out" != *sanitizer* && "$out" != *"tsan pass"* ]] || fail "--quick ran more: $out"

# A failing pass stops the run; a missing pass script is skipped, and said so.
echo 'exit 3' >"$work/root/scripts/test-tsan.sh"
run bash "$work/root/scripts/test.sh"
[ "$status" -ne 0 ] && [[ "$out" != *"fuzz pass ran"* ]] || fail "a failing pass went on: $out"
rm "$work/root/scripts/test-tsan.sh"
run bash "$work/root/scripts/test.sh"
expect_in_order "== pass 3 of 4" "== skipping: scripts/test-tsan.sh does not exist" "fuzz pass ran"

# The package list: what setup.sh installs when everything is missing.
STUB_MISSING=all run bash "$source_dir/scripts/setup.sh"
[ "$status" -ne 0 ] && [[ "$out" == *"Missing packages:"* ]] || fail "setup.sh as a user: $out"
STUB_MISSING=all STUB_UID=0 run bash "$source_dir/scripts/setup.sh"
[ "$status" -eq 0 ] || fail "setup.sh as root gave $status: $out"
installed=$(sed -n 's/^apt-get install -y -q //p' "$STUB_LOG")
for pkg in nlohmann-json3-dev tcl-thread parallel chromium clang cmake g++ tcl-dev libgtest-dev; do
  [[ " $installed " == *" $pkg "* ]] || fail "setup.sh does not install $pkg: $installed"
done
expect_in_order "== checking the Debian packages" "== installing $installed"
STUB_MISSING=clang STUB_UID=0 run bash "$source_dir/scripts/setup.sh"
[ "$(sed -n 's/^apt-get install -y -q //p' "$STUB_LOG")" = clang ] ||
  fail "setup.sh with only clang missing: $(cat "$STUB_LOG")"

# The README names the same packages.
readme=$(tr '\n' ' ' <"$source_dir/README.md" | sed -n "s/.*from Debian's packages: \`\([^\`]*\)\`.*/\1/p")
[ "$(tr ' ' '\n' <<<"$readme" | sort)" = "$(tr ' ' '\n' <<<"$installed" | sort)" ] ||
  fail "README lists \"$readme\", setup.sh installs \"$installed\""
echo "setup and test scripts behave"
