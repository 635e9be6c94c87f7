# Sourced by test.sh and sanitize.sh: starts the PostgreSQL clusters the tests use, when this user
# may (root, or sudo without a password), and exports what the tests need to reach them. Tests
# whose cluster is missing are skipped, saying why.
#   VDR_TEST_POSTGRES_URL                 the server where most tests create their databases
#   VDR_TEST_STOPPABLE_POSTGRES_URL       a cluster of its own that a test stops and starts,
#   VDR_TEST_STOPPABLE_POSTGRES_CLUSTER   so that the other tests running meanwhile never notice
# Already set variables are kept.

vdr_may_run_postgres() {
  [ "$(id -u)" -eq 0 ] || sudo -n true 2>/dev/null
}

if [ -z "${VDR_TEST_POSTGRES_URL:-}" ] && vdr_may_run_postgres; then
  if VDR_TEST_POSTGRES_URL=$("$root/scripts/postgres.sh"); then
    export VDR_TEST_POSTGRES_URL
  else
    echo "$(basename "$0"): could not start PostgreSQL; its tests will be skipped" >&2
    unset VDR_TEST_POSTGRES_URL
  fi
fi

if [ -z "${VDR_TEST_STOPPABLE_POSTGRES_URL:-}" ] && vdr_may_run_postgres; then
  if VDR_TEST_STOPPABLE_POSTGRES_URL=$("$root/scripts/postgres.sh" vdrstop 55433); then
    export VDR_TEST_STOPPABLE_POSTGRES_URL
    export VDR_TEST_STOPPABLE_POSTGRES_CLUSTER=15/vdrstop
  else
    echo "$(basename "$0"): could not start the PostgreSQL cluster to stop; the test that stops it will be skipped" >&2
    unset VDR_TEST_STOPPABLE_POSTGRES_URL
  fi
fi
