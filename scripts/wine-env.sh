# Wine test environment, sourced by the test and run scripts.
#   kv_env_start   private Wine prefix, Xvfb display, PulseAudio with a null sink as the sound card
#   kv_env_stop    ends all of it
# Each start gets its own prefix copy, display number and Pulse runtime folder, so two runs on
# one machine do not meet. Requires scripts/setup to have run.

KV_ROOT=${KV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
KV_WINE_CACHE="$KV_ROOT/build/wine"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# The template prefix is made once: wineboot takes a while, a copy does not. It is marked ready
# only when every step worked; a broken one is removed, never kept for the next run.
kv_make_template() {
  local tpl="$KV_WINE_CACHE/template"
  [ -f "$tpl/.ready" ] && return 0
  rm -rf "$tpl" && mkdir -p "$tpl"
  # Controls ask for the face name 宋体; Wine needs to be told which installed font stands in.
  local reg="$KV_WINE_CACHE/fonts.reg"
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"宋体"="WenQuanYi Zen Hei"\r\n"SimSun"="WenQuanYi Zen Hei"\r\n\r\n' |
    iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg"
  if WINEPREFIX="$tpl" wineboot -i && WINEPREFIX="$tpl" wine regedit /S "$(winepath_of "$reg")" &&
    WINEPREFIX="$tpl" wineserver -w && [ -s "$tpl/system.reg" ] && grep -q 'WenQuanYi' "$tpl/user.reg"; then
    touch "$tpl/.ready"
    return 0
  fi
  echo "kv_make_template: the Wine prefix could not be made" >&2
  rm -rf "$tpl"
  return 1
}

winepath_of() { echo "Z:${1//\//\\}"; }

# Fails, saying which part, when the prefix, the display or the sound server does not come up.
kv_env_start() {
  mkdir -p "$KV_WINE_CACHE"
  kv_make_template || return 1
  KV_RUN_DIR=$(mktemp -d "$KV_WINE_CACHE/run.XXXXXX")
  export KV_RUN_DIR
  cp -a "$KV_WINE_CACHE/template" "$KV_RUN_DIR/prefix" || return 1
  export WINEPREFIX="$KV_RUN_DIR/prefix"

  # Xvfb takes the first free display number itself and says which: environments started side by
  # side, looking for a free number each, took the same one, and the first to stop ended the other's.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$KV_RUN_DIR/display" >"$KV_RUN_DIR/xvfb.log" 2>&1 &
  KV_XVFB_PID=$!
  for _ in $(seq 100); do [ -s "$KV_RUN_DIR/display" ] && break; sleep 0.1; done
  [ -s "$KV_RUN_DIR/display" ] || { echo "kv_env_start: Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(head -1 "$KV_RUN_DIR/display")"

  export XDG_RUNTIME_DIR="$KV_RUN_DIR/xdg"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  export PULSE_RUNTIME_PATH="$XDG_RUNTIME_DIR/pulse"
  export HOME_SAVED="$HOME"
  pulseaudio --daemonize=yes --exit-idle-time=-1 -n --system=false \
    --load="module-null-sink sink_name=kv_sink" --load=module-native-protocol-unix \
    --log-target=file:"$KV_RUN_DIR/pulse.log" 2>>"$KV_RUN_DIR/pulse.log"
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl set-default-source kv_sink.monitor && pactl set-default-sink kv_sink ||
    { echo "kv_env_start: no PulseAudio null sink" >&2; return 1; }
  wineboot >/dev/null 2>&1 || { echo "kv_env_start: wineboot failed in the prefix copy" >&2; return 1; }
}

# Plays a sine tone into the null sink until killed; prints the player's pid.
kv_play_tone() {
  local hz=${1:-1000}
  sox -n -r 48000 -c 2 -b 16 -t raw - synth 3600 sine "$hz" vol 0.5 2>/dev/null |
    pacat --playback --device=kv_sink --rate=48000 --channels=2 --format=s16le >/dev/null 2>&1 &
  echo $!
}

# The null sink as the default devices and a 1 kHz tone playing into it: again after a test
# unloaded the sink (the player ends with it). The player gets a session of its own, so that the
# end of a test's command does not end it. With KV_QUIET_SINK set, the sink only: the case plays
# what it records itself.
kv_sound_ready() {
  local tone=$KV_RUN_DIR/tone.pid
  if ! pactl list short sinks | grep -q kv_sink; then
    pactl load-module module-null-sink sink_name=kv_sink >/dev/null || return 1
  fi
  pactl set-default-source kv_sink.monitor && pactl set-default-sink kv_sink || return 1
  [ -n "${KV_QUIET_SINK:-}" ] && return 0
  [ -s "$tone" ] && kill -0 "$(cat "$tone")" 2>/dev/null ||
    setsid bash -c '. "$0" && kv_play_tone 1000' "${BASH_SOURCE[0]}" >"$tone"
}

kv_env_stop() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  pactl exit >/dev/null 2>&1 || pulseaudio --kill >/dev/null 2>&1 || true
  [ -n "${KV_XVFB_PID:-}" ] && kill "$KV_XVFB_PID" 2>/dev/null || true
  wait 2>/dev/null || true
  [ -n "${KV_RUN_DIR:-}" ] && rm -rf "$KV_RUN_DIR"
  unset KV_RUN_DIR KV_XVFB_PID
}
