# Sourced by the shell tests: the python interpreter with numpy, and what a missing reference does.

# missing_reference <what>: the test is skipped (exit 77, which CTest counts as skipped), or fails
# when CI demands every reference (ZELVARO_REQUIRE_REFERENCES=1).
missing_reference() {
  if [ "${ZELVARO_REQUIRE_REFERENCES:-}" = 1 ]; then
    echo "FAILED: missing reference: $* (ZELVARO_REQUIRE_REFERENCES=1)"
    exit 1
  fi
  [ -n "${ZELVARO_SKIP_LOG:-}" ] && echo "$*" >>"$ZELVARO_SKIP_LOG"
  echo "SKIPPED: missing reference: $*"
  exit 77
}

# Prints the interpreter that can import numpy: ZELVARO_PYTHON when the environment sets it (empty:
# none), else the build's choice (ZELVARO_BUILD_PYTHON). Prints nothing when there is none.
python_with_numpy() {
  local python=${ZELVARO_PYTHON-${ZELVARO_BUILD_PYTHON:-}}
  if [ -n "$python" ] && "$python" -c "import numpy" 2>/dev/null; then
    echo "$python"
  fi
}
