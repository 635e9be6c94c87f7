#!/usr/bin/env bash
# Usage: postgres.sh [CLUSTER [PORT]]
# Starts a PostgreSQL 15 server on 127.0.0.1 for the tests and prints the URL to reach it,
# e.g. postgresql://vdr@127.0.0.1:55432/vdr_test, on stdout; everything else goes to stderr.
# Installs the server when missing. Running it again reuses the cluster, starting it if stopped.
# The cluster trusts every connection from this machine, so it is for tests only.
# CLUSTER names it (default vdrtest); PORT, or else VDR_POSTGRES_PORT, is the port of a cluster
# this script creates (default 55432).
set -euo pipefail

version=15
cluster=${1:-vdrtest}
new_port=${2:-${VDR_POSTGRES_PORT:-55432}}
role=vdr
database=vdr_test

if [ "$(id -u)" -ne 0 ]; then
  exec sudo -n -- "$0" "$@"
fi

say() { echo "postgres.sh: $*" >&2; }

# Two callers at once must not both create the cluster.
exec 9>/tmp/vdr-postgres.lock
flock 9

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}
if ! installed postgresql-$version || ! installed postgresql-client-$version; then
  export DEBIAN_FRONTEND=noninteractive
  # A fresh machine may have no package lists yet.
  apt-cache show postgresql-$version >/dev/null 2>&1 || apt-get update -qq >&2
  say "installing postgresql-$version"
  apt-get install -y -qq --no-install-recommends postgresql-$version postgresql-client-$version >&2
fi

if ! pg_lsclusters -h "$version" "$cluster" >/dev/null 2>&1; then
  say "creating the cluster $version/$cluster"
  # UTF-8 with the C.UTF-8 locale: every database created from it stores any character, and text
  # sorts by code point as in SQLite.
  pg_createcluster --quiet --port "$new_port" --start-conf manual \
    --locale C.UTF-8 --encoding UTF8 "$version" "$cluster" -- --auth=trust >&2
  echo "listen_addresses = '127.0.0.1'" >"/etc/postgresql/$version/$cluster/conf.d/loopback.conf"
fi

port=$(pg_conftool -s "$version" "$cluster" show port)
status=$(pg_lsclusters -h "$version" "$cluster")
if [[ $status != *online* ]]; then
  say "starting the cluster $version/$cluster on port $port"
  # The server must not inherit the lock.
  pg_ctlcluster "$version" "$cluster" start >&2 9>&-
fi
pg_isready -q -h 127.0.0.1 -p "$port" -t 60 || { say "the server does not answer on port $port"; exit 1; }

admin() { psql -h 127.0.0.1 -p "$port" -U postgres -d postgres -v ON_ERROR_STOP=1 -qtA "$@"; }
# The tests create a database of their own for each case, hence CREATEDB.
if [ "$(admin -c "SELECT 1 FROM pg_roles WHERE rolname = '$role'")" != 1 ]; then
  admin -c "CREATE ROLE $role LOGIN CREATEDB" >&2
fi
# Dropping a test database ends the sessions its server is still closing; that takes this right.
admin -c "GRANT pg_signal_backend TO $role" >&2
if [ "$(admin -c "SELECT 1 FROM pg_database WHERE datname = '$database'")" != 1 ]; then
  admin -c "CREATE DATABASE $database OWNER $role ENCODING 'UTF8' TEMPLATE template0" >&2
fi

echo "postgresql://$role@127.0.0.1:$port/$database"
