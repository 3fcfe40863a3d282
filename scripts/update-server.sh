# Local update server for the tests and scripts/run: Debian's nginx with server/nginx.conf in a
# private prefix (its own configuration copy, pid file, logs and temporary files), serving
# server/www plus a version file, and the release zip as /download/Kavel.zip with its checksum
# beside it (/download/Kavel.zip.sha256) when build/dist has one, on 127.0.0.1 only. It never
# touches the system's nginx.
#   kv_update_server_start <version|none> [port]   "none" serves a file without a version column
#   kv_update_server_stop [prefix]
#   kv_update_server_serve <version|off>          what a test needs, whatever the one before left
# The prefix is $KV_UPDATE_SERVER_DIR: set it before starting to choose one (a program that
# starts and stops the server from separate shells does), otherwise start makes one in the
# temporary folder and exports it. Works as well inside a private network namespace.

KV_UPDATE_ROOT=${KV_UPDATE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

kv_update_server_start() {
  local version=${1:?usage: kv_update_server_start <version|none> [port]} port=${2:-80}
  local nginx dir
  nginx=$(command -v nginx || echo /usr/sbin/nginx)
  dir=${KV_UPDATE_SERVER_DIR:-}
  if [ -z "$dir" ]; then
    dir=$(mktemp -d "${TMPDIR:-/tmp}/kv-update.XXXXXX") || return 1
  fi
  mkdir -p "$dir/logs" "$dir/temp" "$dir/www/download" || return 1
  cp "$KV_UPDATE_ROOT"/server/www/*.html "$dir/www/" || return 1
  # The download page links the release package: served once scripts/package has made one.
  local zip
  zip=$(ls "$KV_UPDATE_ROOT"/build/dist/Kavel-*-win64.zip 2>/dev/null | head -1)
  if [ -n "$zip" ]; then
    cp "$zip" "$dir/www/download/Kavel.zip" || return 1
    # The checksum line that names the zip as served (scripts/package).
    if [ -e "$KV_UPDATE_ROOT/build/dist/Kavel.zip.sha256" ]; then
      cp "$KV_UPDATE_ROOT/build/dist/Kavel.zip.sha256" "$dir/www/download/Kavel.zip.sha256" || return 1
    fi
  fi
  kv_update_server_list "$dir" "$version"
  # The shipped configuration, listening on loopback only.
  sed -E "s/^([[:space:]]*)listen[[:space:]]+80;/\1listen 127.0.0.1:$port;/" \
    "$KV_UPDATE_ROOT/server/nginx.conf" >"$dir/nginx.conf"
  if ! grep -q "listen 127.0.0.1:$port;" "$dir/nginx.conf"; then
    echo "update server: no 'listen 80;' line in server/nginx.conf" >&2
    return 1
  fi
  # Workers run as the caller, so a prefix under a private folder is readable to them.
  local user=()
  [ "$(id -u)" = 0 ] && user=(-g "user $(id -un) $(id -gn);")
  # nginx binds the port before it goes into the background, so it serves once this returns.
  if ! "$nginx" -p "$dir" -c "$dir/nginx.conf" -e "$dir/logs/error.log" "${user[@]}"; then
    echo "update server: nginx did not start on 127.0.0.1:$port:" >&2
    tail -5 "$dir/logs/error.log" >&2
    return 1
  fi
  export KV_UPDATE_SERVER_DIR=$dir
}

# The version file the program asks for, in the server's folder; "none" lists no version column.
kv_update_server_list() { # dir version
  if [ "$2" = none ]; then
    printf '{name:url\nKavel:http://localhost/get.html\n}\n' >"$1/www/download/Kavel.txt"
  else
    printf '{version\n%s\n}\n' "$2" >"$1/www/download/Kavel.txt"
  fi
}

# The daemon's parent is init, which may reap it late: a zombie has let go of the port already.
kv_update_server_alive() {
  [ -e "/proc/$1" ] && ! grep -qs '^State:[[:space:]]*Z' "/proc/$1/status"
}

kv_update_server_stop() {
  local dir=${1:-${KV_UPDATE_SERVER_DIR:-}}
  [ -n "$dir" ] && [ -d "$dir" ] || return 0
  local pid
  pid=$(cat "$dir/logs/nginx.pid" 2>/dev/null)
  # Only our own master: the pid file is ours and the process is an nginx.
  if [ -n "$pid" ] && grep -qs nginx "/proc/$pid/cmdline"; then
    kill -TERM "$pid" 2>/dev/null
    local i
    for i in $(seq 100); do
      kv_update_server_alive "$pid" || break
      sleep 0.05
    done
    kv_update_server_alive "$pid" && kill -KILL "$pid" 2>/dev/null
  fi
  # Only what start made; a prefix the caller chose goes too when it is then empty.
  rm -rf "$dir/logs" "$dir/temp" "$dir/www" "$dir/nginx.conf"
  rmdir "$dir" 2>/dev/null
  [ "$dir" = "${KV_UPDATE_SERVER_DIR:-}" ] && unset KV_UPDATE_SERVER_DIR
  return 0
}

# Serves the version from the running server of $KV_UPDATE_SERVER_DIR, starting it there when it is
# not running; "off" stops it. A test that needs one state sets it, whatever the test before left.
kv_update_server_serve() {
  local dir=${KV_UPDATE_SERVER_DIR:?kv_update_server_serve needs KV_UPDATE_SERVER_DIR} pid
  pid=$(cat "$dir/logs/nginx.pid" 2>/dev/null)
  if [ "$1" = off ]; then
    kv_update_server_stop "$dir"
  elif [ -n "$pid" ] && kv_update_server_alive "$pid"; then
    kv_update_server_list "$dir" "$1"
  else
    kv_update_server_start "$1"
  fi
}
