# Sourced by the tests that build small ARM programs and run them under
# qemu-arm: armProgramsNeed skips the test (status 77, ctest's skip) where a
# tool is missing, and $work is a scratch folder removed at exit.
armProgramsNeed() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "skipped: $tool is missing (scripts/setup installs it)"
      exit 77
    fi
  done
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
