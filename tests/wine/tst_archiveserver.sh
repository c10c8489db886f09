#!/bin/sh
# tst_archiveserver of the Windows build under Wine, against the round's
# PostgreSQL server (tools/pgserver.sh, DM_PG_*). Here, over the socket as
# postgres: a fresh database per case, the department's archive made in it
# by the Linux build's datamanager, and two technicians' logins. Under Wine:
# the Windows build sends a read of three groups twice over TCP with TLS
# (verify-full against the server's CA) with the session password. Here
# again: psql counts that the server holds exactly those readings, once.
# The Chinese user name goes from a Chinese Windows (code page 936), where
# the tool refuses it, and from one whose code page is UTF-8 (Wine gives a
# Unicode-only locale that), where it is sent.
#
#   tst_archiveserver.sh DATAMANAGER RUN.SH SDK TST_ARCHIVESERVER.EXE
set -eu
datamanager=$1
winerun=$2
sdk=$3
program=$4
if [ -z "${DM_PG_PORT:-}" ]; then
    echo "SKIP: no PostgreSQL server: DM_PG_PORT unset (tools/check.sh starts one with tools/pgserver.sh)"
    exit 77
fi
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# The socket trusts its users, root too.
export PGCLIENTENCODING=UTF8 PGOPTIONS="-c client_min_messages=warning"
sql() {
    psql -h "$DM_PG_HOST" -p "$DM_PG_PORT" -U postgres -d "$1" -XAtq -v ON_ERROR_STOP=1 -c "$2"
}
db=dm_wine_$$
work=$(mktemp -d)
trap 'WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true; rm -rf "$work"; for n in 1 2 3; do sql postgres "DROP DATABASE IF EXISTS ${db}_$n WITH (FORCE)"; done
      sql postgres "DROP ROLE IF EXISTS dm_wine_tech, \"检测员甲\""' EXIT
# Wine takes the code page from the locale's name, but file names in UTF-8
# (the prefix's user is 技术员) only from a locale the host has. A prefix
# of its own: a process of another locale stalls the others' windows.
for locale in en_US zh_CN hi_IN; do
    localedef -i $locale -f UTF-8 "$work/$locale.UTF-8" || fail "localedef made no $locale.UTF-8 (apt install locales)"
done
export LOCPATH="$work" WINEPREFIX="$work/prefix"
sh "$(dirname "$winerun")/make-prefix.sh" "$WINEPREFIX" || fail "no Wine prefix made"
for n in 1 2 3; do
    sql postgres "CREATE DATABASE ${db}_$n"
    "$datamanager" --init-archive-server "host=$DM_PG_HOST port=$DM_PG_PORT user=postgres dbname=${db}_$n" >/dev/null
done
sql postgres "DROP ROLE IF EXISTS dm_wine_tech, \"检测员甲\";
              CREATE ROLE dm_wine_tech LOGIN PASSWORD 'secret' IN ROLE dm_technician;
              CREATE ROLE \"检测员甲\" LOGIN PASSWORD 'secret' IN ROLE dm_technician"

n=0
# The user, Wine's locale, and what the program says it met and did.
for row in "dm_wine_tech en_US.UTF-8 1252:sent" "检测员甲 zh_CN.UTF-8 936:refused" "检测员甲 hi_IN.UTF-8 65001:sent"; do
    set -- $row
    n=$((n + 1))
    out=$(LANG=$2 LC_ALL=$2 DM_PG_PASSWORD=secret \
          DM_PG_CONNINFO="host=localhost port=$DM_PG_PORT dbname=${db}_$n user=$1 sslmode=verify-full sslrootcert=Z:$DM_PG_CA" \
          sh "$winerun" "$sdk" "$program" sendFromWindows 2>&1) || { echo "$out"; fail "$1 in $2: the program failed"; }
    said=$(printf '%s\n' "$out" | sed -n 's/.*code page \([0-9]*\): \([a-z]*\).*/\1:\2/p')
    [ "$said" = "$3" ] || { echo "$out"; fail "$1 in $2: '$said', not '$3'"; }
    held=$(sql "${db}_$n" "SELECT count(*) || ' ' || coalesce(string_agg(split_part(group_text, ' ', 6), ',' ORDER BY group_text), '')
                           || ' ' || coalesce(string_agg(DISTINCT sent_by::text, ','), '') FROM archive.readings")
    case $3 in
    *sent) expected="3 100.01,100.02,100.03 $1" ;;
    *) expected="0  " ;;
    esac
    [ "$held" = "$expected" ] || fail "$1 in $2: the server holds '$held', not '$expected'"
    echo "$1 in $2 (code page ${3%:*}): ${3#*:}; the server holds $held"
done
echo "PASS: the Windows build sent its read over TLS, once; a Chinese user name under code page 936 refused"
