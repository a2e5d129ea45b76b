#!/bin/sh
# The Wine build's test listing (cmake/suite_tests.cmake) against fake test
# programs: every suite becomes a test, the parameterized ones too, the larger
# first; a program that lists nothing gives a failing test, never an empty pass.
set -eu
script=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "suite_tests_check: $*" >&2; exit 1; }

# A fake program: lists three suites (one parameterized) and runs nothing.
mkdir "$work/lists" "$work/silent"
cat >"$work/lists/fake" <<'FAKE'
case "$1" in
  --gtest_list_tests) printf 'Small.\r\n  One\r\nBig.\r\n  A\r\n  B\r\n  C\r\nOperations/Sweep.\r\n  Cut/Install  # GetParam() = x\r\n' ;;
  *) echo "ran $1" ;;
esac
FAKE
printf 'exit 3\n' >"$work/silent/fake"
for dir in lists silent; do
  printf 'set(EXE "%s")\nset(EMULATOR "sh")\nset(PREFIX "P.")\ninclude("%s")\n' \
    "$work/$dir/fake" "$script" >"$work/$dir/CTestTestfile.cmake"
done

listed=$(cd "$work/lists" && ctest -N)
for name in P.Small P.Big P.Operations/Sweep; do
  echo "$listed" | grep -q " $name\$" || fail "no test $name in: $listed"
done
[ "$(echo "$listed" | grep -c 'Test *#')" -eq 3 ] || fail "not one test per suite: $listed"
order=$(cd "$work/lists" && ctest -V -j1 2>&1 | grep -o 'ran --gtest_filter=[^ ]*' | tr '\n' ' ')
[ "$order" = "ran --gtest_filter=Operations/Sweep.* ran --gtest_filter=Big.* ran --gtest_filter=Small.* " ] ||
  fail "not the largest first, or not each suite's filter: $order"

if (cd "$work/silent" && ctest --output-on-failure >"$work/silent.log" 2>&1); then
  fail "a program that lists nothing passed: $(cat "$work/silent.log")"
fi
grep -q 'P.ListsItsTests' "$work/silent.log" || fail "no failing listing test: $(cat "$work/silent.log")"
echo "suite_tests_check: passed"
