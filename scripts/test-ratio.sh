#!/usr/bin/env bash
# Prints the lines of tests (tests/ and fuzz/, every language) against the
# lines of source: the program (src/, its page script too) and the workflow
# it ships (examples/workflow/); non-blank lines that are not only a comment.
# Fails when the ratio is above the project's bound of 0.33.
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
  { git ls-files -- "$@" 2>/dev/null || true; } | xargs -r cat | grep -c -v -E '^\s*(//.*|#.*|/\*.*|\*.*)?$' || true
}
src=$(count 'src/*.cpp' 'src/*.h' 'src/*.hpp' 'src/*.js' 'src/*.py' \
  'examples/workflow/Snakefile' 'examples/workflow/*.py' 'examples/workflow/*.sh')
tests=$(count 'tests/*.cpp' 'tests/*.h' 'tests/*.hpp' 'tests/*.py' 'tests/*.sh' 'fuzz/*.cpp' 'fuzz/*.h')
ratio=$(awk -v a="$tests" -v b="$src" 'BEGIN { printf "%.2f", a / b }')
echo "test lines / source lines: $tests / $src = $ratio (bound 0.33)"
awk -v r="$ratio" 'BEGIN { exit !(r <= 0.33) }'
