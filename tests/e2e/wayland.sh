# Both programs on a Wayland desktop without an X server: sway's headless backend, its output at
# scale 2, and SDL's Wayland driver. Each program's window appears under its own application id
# (the one its menu entry names), drawn in the output's own pixels: exact 2 x 2 blocks. Keys typed
# through wtype reach it: Alt+Enter shows the game fullscreen, centred on black, and back; the
# editor sets a tile and saves. Closing the game's window through the desktop ends it with code 0.
source "$(dirname "$0")/lib.sh"

for tool in sway swaymsg wtype grim perl; do
    command -v "$tool" >/dev/null || e2e_fail "$tool is not installed"
done

# sway refuses to run as root: as root, the desktop and everything on it run as an unprivileged
# user of the tests' own, made here when it is missing.
as_user=()
if [ "$(id -u)" = 0 ]; then
    user=shooter-e2e
    id -u "$user" >/dev/null 2>&1 ||
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" 2>/dev/null ||
        id -u "$user" >/dev/null 2>&1 || e2e_fail "the user $user cannot be made"
    as_user=(setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --clear-groups)
    chmod 711 "$E2E_TMP"
fi
mine() {
    mkdir -p "$@"
    [ "$(id -u)" != 0 ] || chown "$user" "$@"
}
runtime="$E2E_TMP/runtime"
mine "$runtime"
chmod 700 "$runtime"
work="$E2E_TMP/wayland"
mine "$work" "$work/state"
# Only what the desktop and the programs need, and the sanitizers' settings of this build.
desktop_env=(env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$work" XDG_RUNTIME_DIR="$runtime"
    XDG_STATE_HOME="$work/state")
for name in ASAN_OPTIONS UBSAN_OPTIONS TSAN_OPTIONS LSAN_OPTIONS; do
    [ -z "${!name:-}" ] || desktop_env+=("$name=${!name}")
done
on_desktop() { "${as_user[@]}" "${desktop_env[@]}" WAYLAND_DISPLAY="$display" SWAYSOCK="$socket" "$@"; }

# F24 is the desktop's own key (see steady_keyboard): it marks that the desktop heard it. No
# window has a border or title bar: a window made floating by a rule would otherwise get one a
# moment after it is first shown, once it has agreed with the desktop who draws its frame.
cat >"$work/config" <<CONFIG
output HEADLESS-1 resolution 1920x1080 scale 2
for_window [app_id=".*"] floating enable
default_border none
default_floating_border none
bindsym F24 exec touch "$work/keyboard-heard"
CONFIG
[ "$(id -u)" != 0 ] || chown "$user" "$work/config"
"${as_user[@]}" "${desktop_env[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$work/config" >"$E2E_TMP/sway.log" 2>&1 &
E2E_PIDS+=($!)
sway_pid=$!
display="" socket=""
sway_ready() {
    kill -0 "$sway_pid" 2>/dev/null || { cat "$E2E_TMP/sway.log" >&2; e2e_fail "sway did not start"; }
    socket=$(ls "$runtime"/sway-ipc.*.sock 2>/dev/null | head -n 1)
    display=$(cd "$runtime" && ls wayland-* 2>/dev/null | grep -v lock | head -n 1)
    [ -n "$socket" ] && [ -n "$display" ] && on_desktop swaymsg -t get_outputs >/dev/null 2>&1
}
await "$E2E_START_CAP" "sway's headless desktop" sway_ready || e2e_fail "sway gave no socket"

# The window of an application id as "x y w h fullscreen" (its content, in the desktop's units).
window_of() {
    on_desktop swaymsg -t get_tree | perl -MJSON::PP -e '
        my $want = shift; local $/; my $tree = decode_json(<STDIN>);
        sub walk { my $n = shift;
            if (($n->{app_id} // "") eq $want) {
                my ($r, $w) = ($n->{rect}, $n->{window_rect});
                print join(" ", $r->{x} + $w->{x}, $r->{y} + $w->{y}, $w->{width}, $w->{height},
                    $n->{fullscreen_mode} ? 1 : 0), "\n"; exit 0 }
            walk($_) for @{$n->{nodes}}, @{$n->{floating_nodes}} }
        walk($tree); exit 1' "$1"
}
# Waits until the window of the id is as wanted ("w h fullscreen"); sets x y w h.
await_window() {
    local app=$1 wanted=$2 now=""
    window_is() {
        now=$(window_of "$app") || {
            kill -0 "$APP_PID" 2>/dev/null || { e2e_app_errors >&2; e2e_fail "$app ended before its window was right"; }
            return 1
        }
        read -r x y w h fullscreen <<<"$now"
        [ "$w $h $fullscreen" = "$wanted" ]
    }
    await "$E2E_START_CAP" "$app's window as $wanted" window_is || e2e_fail "$app's window: ${now:-none}, wanted $wanted"
}
# Where the window of an application id is now: sets x y w h. The desktop may still move a window
# it has just shown (it gives it a title bar, or centres it anew), so each look at a window asks
# where it is at that moment.
at_window() {
    local now
    now=$(window_of "$1") || return 1
    read -r x y w h _ <<<"$now"
}
# A screenshot of the desktop's part (x, y, w, h) in its own pixels, twice the desktop's units,
# while the program still runs.
shot() {
    kill -0 "$APP_PID" 2>/dev/null || { e2e_app_errors >&2; e2e_fail "the program ended early"; }
    on_desktop grim -t ppm -g "$2,$3 ${4}x$5" - >"$1"
}
key() { on_desktop wtype -s 400 "$@"; }
# The desktop's keyboard, there all along as on a user's desktop. Each wtype brings a keyboard of
# its own and takes it away when it ends: were it the last, the desktop would tell its programs
# that keyboards are gone, and a program makes its keyboard anew when the next one comes, losing
# keys typed before it has. This one stays, typing nothing, until the test ends. A program must
# not start while the keyboard last heard is one that went away: it would get a keyboard without
# a key map (which the video library does not survive), so before each program this keyboard is
# made anew and heard, through F24, which the desktop takes for itself.
keyboard_pid=""
steady_keyboard() {
    [ -z "$keyboard_pid" ] || { kill "$keyboard_pid" 2>/dev/null || true; wait "$keyboard_pid" 2>/dev/null || true; }
    rm -f "$work/keyboard-heard"
    "${as_user[@]}" "${desktop_env[@]}" WAYLAND_DISPLAY="$display" wtype -k F24 -s 86400000 &
    keyboard_pid=$!
    E2E_PIDS+=("$keyboard_pid")
    heard() {
        kill -0 "$keyboard_pid" 2>/dev/null || e2e_fail "the desktop's keyboard ended"
        [ -e "$work/keyboard-heard" ]
    }
    await "$E2E_START_CAP" "the desktop's keyboard" heard || e2e_fail "the desktop did not hear its keyboard"
}
mkdir -p "$E2E_BIN/test-output"

# The game, on the test scene whose tiles have colours of their own.
(cd "$work" && "$E2E_BIN/tests/e2e/gamescene" . >"$E2E_TMP/colours") || e2e_fail "the test scene could not be written"
[ "$(id -u)" != 0 ] || chown -R "$user" "$work"
tile0=$(awk '$1 == "tile" && $2 == 0 { print $3 }' "$E2E_TMP/colours")
cd "$work"
steady_keyboard
e2e_launch "${as_user[@]}" "${desktop_env[@]}" WAYLAND_DISPLAY="$display" SDL_VIDEODRIVER=wayland \
    SDL_AUDIODRIVER=dummy "$E2E_BIN/shooter/shooter"
await_window shooter "640 490 0"
problem="not looked at"
# Whether a shot of a window with one unit of the desktop around it (two pixels each side) holds
# W x H pixels in exact 2 x 2 blocks, at the window's place or one pixel off it: the desktop may
# place a window at half a unit, which the list of windows rounds. Sets problem (as found at the
# window's own place) and grid (the blocks' offset in the shot).
blocks_somewhere() {
    local dx dy found
    problem=$("$E2E_XWD2PNG" --blocks 2 --crop "2,2,$2,$3" "$1" "$4" 2>&1) && { grid=2,2; return 0; }
    for dy in 1 2 3; do
        for dx in 1 2 3; do
            found=$("$E2E_XWD2PNG" --blocks 2 --crop "$dx,$dy,$2,$3" "$1" "$4" 2>&1) && { grid=$dx,$dy; return 0; }
        done
    done
    return 1
}
# The picture in exact 2 x 2 blocks over the window's 1280 x 980 pixels, the map's tiles on it.
sharp() {
    at_window shooter || { problem="no window"; return 1; }
    shot "$E2E_TMP/game.ppm" $((x - 1)) $((y - 1)) $((w + 2)) $((h + 2))
    blocks_somewhere "$E2E_TMP/game.ppm" $((w * 2)) $((h * 2)) "$E2E_TMP/game.png" || return 1
    [ -n "$("$E2E_XWD2PNG" --find "$tile0" "$E2E_TMP/game.ppm")" ] || { problem="no tile 0 shown"; return 1; }
}
await "$E2E_GAME_CAP" "the game's picture in 2 x 2 blocks" sharp || {
    "$E2E_XWD2PNG" "$E2E_TMP/game.ppm" "$E2E_BIN/test-output/wayland-game.png" || true
    e2e_fail "the game's window: $problem; the window at $(window_of shooter || echo none) (see test-output/wayland-game.png)"
}
[ "$grid" = 2,2 ] || echo "note: the game's picture lies off the desktop's grid, at $grid in its shot" >&2
"$E2E_XWD2PNG" --crop "${grid},$((w * 2)),$((h * 2))" "$E2E_TMP/game.ppm" "$E2E_BIN/test-output/wayland-game.png"

# Alt+Enter: the output's 1920 x 1080 pixels, the picture doubled in the middle, black around.
key -M alt -k Return -m alt
await_window shooter "960 540 1"
centred() {
    shot "$E2E_TMP/full.ppm" 0 0 960 540
    local all inside
    all=$("$E2E_XWD2PNG" --count 000000 "$E2E_TMP/full.ppm")
    inside=$("$E2E_XWD2PNG" --count 000000 --crop 320,50,1280,980 "$E2E_TMP/full.ppm")
    [ $((all - inside)) = $((1920 * 1080 - 1280 * 980)) ] ||
        { problem="$((all - inside)) black pixels around the picture"; return 1; }
    problem=$("$E2E_XWD2PNG" --blocks 2 --crop 320,50,1280,980 "$E2E_TMP/full.ppm" "$E2E_TMP/full.png" 2>&1)
}
await "$E2E_START_CAP" "the fullscreen view" centred || {
    "$E2E_XWD2PNG" "$E2E_TMP/full.ppm" "$E2E_BIN/test-output/wayland-fullscreen.png" || true
    e2e_fail "fullscreen: $problem (see test-output/wayland-fullscreen.png)"
}
key -M alt -k Return -m alt
await_window shooter "640 490 0"

# The desktop closes the window: the game ends at once with code 0.
on_desktop swaymsg '[app_id="shooter"]' kill >/dev/null
e2e_wait_exit "$APP_PID"
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "the game ended with code $E2E_EXIT_CODE: $(e2e_app_errors)"

# The editor on the same folder: a tile set at the cursor's right, then Esc and Enter save and quit.
steady_keyboard
e2e_launch "${as_user[@]}" "${desktop_env[@]}" WAYLAND_DISPLAY="$display" SDL_VIDEODRIVER=wayland \
    "$E2E_BIN/mapedit/mapedit"
await_window mapedit "800 480 0"
# The editor's help text ("Esc = 終了" last) is up, in 2 x 2 blocks.
editor_text() {
    at_window mapedit || { problem="no window"; return 1; }
    shot "$E2E_TMP/editor-around.ppm" $((x - 1)) $((y - 1)) $((w + 2)) $((h + 2))
    blocks_somewhere "$E2E_TMP/editor-around.ppm" $((w * 2)) $((h * 2)) "$E2E_TMP/editor.png" || return 1
    [ "$("$E2E_XWD2PNG" --count FFFFFF --crop $((${grid%,*} + 1040)),$((${grid#*,} + 736)),160,32 \
        "$E2E_TMP/editor-around.ppm")" -gt 80 ] || { problem="no help text"; return 1; }
}
await "$E2E_START_CAP" "the editor's help text in 2 x 2 blocks" editor_text || {
    "$E2E_XWD2PNG" "$E2E_TMP/editor-around.ppm" "$E2E_BIN/test-output/wayland-editor.png" || true
    e2e_fail "the editor's window: $problem (see test-output/wayland-editor.png)"
}
"$E2E_XWD2PNG" --crop "${grid},$((w * 2)),$((h * 2))" "$E2E_TMP/editor-around.ppm" \
    "$E2E_BIN/test-output/wayland-editor.png"
shot "$E2E_TMP/editor.ppm" "$x" "$y" "$w" "$h"
# The editor holds one key at a time: each next key only once the screen shows the last.
press() {
    local before
    before=$(md5sum <"$E2E_TMP/editor.ppm")
    key "$@"
    changed() { at_window mapedit && shot "$E2E_TMP/editor.ppm" "$x" "$y" "$w" "$h" && [ "$(md5sum <"$E2E_TMP/editor.ppm")" != "$before" ]; }
    await "$E2E_START_CAP" "the editor to show the key $*" changed || e2e_fail "no change on screen after the key $*"
}
press -k Right
press 7
press -k Escape
key -k Return
e2e_wait_exit "$APP_PID"
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "the editor ended with code $E2E_EXIT_CODE: $(e2e_app_errors)"
[ "$(head -n 1 AREA1.csv | cut -d, -f1-3)" = "0,7,0" ] || e2e_fail "the saved map's first row: $(head -n 1 AREA1.csv)"
echo "ok: both programs on Wayland, in test-output/wayland-game.png and wayland-editor.png"
