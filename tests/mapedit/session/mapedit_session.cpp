// Runs the real mapedit program in this process and drives it from a second thread: keys go in
// through the window's own key path, one at a time, each after the editor has finished with the
// previous one and waits again. Snapshots of the window (pixels, text rows, the map file) are
// written for the tests to check.
//
// usage: mapedit_session FOLDER SCRIPT
// script lines:
//   uid N          (before any key) run as user and group N from the start
//   fsize BYTES    limit the size of files this process writes; unlimit lifts it again
//   chmod OCTAL    change the folder's permissions (OCTAL:PATH: those of PATH in the folder)
//   key VK         press and release a key and wait until the editor asks for the next one
//   hold VK        press a key and keep it down (Ctrl, Shift) until the editor has taken it
//   release VK     let go of a held key
//   rename FILE    put FILE of the folder over AREA1.csv, as another program's save would
//   last VK        press and release the key that ends the program
//   close -        a click on the window's close button; the editor asks and waits again
//   lastclose -    a click on the close button that ends the program
//   hang -         wait for the test to end the program from outside
//   sysdown S,K,M  a key-down event of the video library (scan code, key code, modifiers) that
//   sysup S,K,M    must stay out of the key latch, and its key-up
//   snap NAME      write snaps/NAME.snap: client pixels, text rows 0..29, the bytes of AREA1.csv,
//                  the window's title, client size and whether it can be resized
//   scale N        (before any key) the window's scale, as --scale N gives it
//   down X,Y,B     a mouse button (1 left, 2 middle, 3 right) goes down at the window's point X,Y
//   move X,Y       the pointer moves there (with a button held), up X,Y,B: the button goes up;
//   wheel X,Y,N    the wheel turns N notches (positive away from the user); each waits until the
//                  editor has taken it
//   clip FILE      put the text of FILE (in the folder) on the clipboard
//   clipsave NAME  write what the clipboard holds to snaps/NAME.clip
#include "mapedit/program.hpp"
#include "platform/window_hooks.hpp"
#include "runtime/prompt/canvas.hpp"
#include "runtime/prompt/prompt.hpp"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Command {
    std::string verb;
    std::string arg;
};

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "mapedit_session: %s\n", why.c_str());
    std::fflush(stderr);
    _exit(3);
}

void waitFor(const std::function<bool()>& condition, const std::string& what) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) fail("gave up after 60 s waiting for " + what);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void setFileSizeLimit(rlim_t bytes) {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes == RLIM_INFINITY ? limit.rlim_max : bytes;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) fail("setrlimit failed");
}

void writeInt(std::ofstream& out, int32_t v) {
    out.write(reinterpret_cast<const char*>(&v), sizeof v);
}

void snapshot(const std::string& name) {
    std::ostringstream map;
    map << std::ifstream("AREA1.csv", std::ios::binary).rdbuf();
    // The snapshot itself is not held to a file size limit the script set for the editor (the
    // editor waits for a key meanwhile and writes nothing).
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    setFileSizeLimit(RLIM_INFINITY);
    std::ofstream out("snaps/" + name + ".snap", std::ios::binary | std::ios::trunc);
    {
        prompt::CanvasLock lock;
        const platform::pixels::Bitmap* window = lock.window();
        if (!window) fail("no window to snapshot");
        writeInt(out, window->width);
        writeInt(out, window->height);
        out.write(reinterpret_cast<const char*>(window->pixels.data()),
                  static_cast<std::streamsize>(window->pixels.size() * sizeof(platform::pixels::Colour)));
        writeInt(out, 30);
        for (int32_t r = 0; r < 30; ++r) {
            const std::string_view bytes = lock.textGrid().row(r).bytes();
            writeInt(out, static_cast<int32_t>(bytes.size()));
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
    }
    const std::string bytes = map.str();
    writeInt(out, static_cast<int32_t>(bytes.size()));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    // The window as the desktop sees it: title (UTF-8), client size, whether it can be resized.
    const std::string title = platform::window::titleUtf8();
    const platform::window::Geometry g = platform::window::geometry();
    writeInt(out, static_cast<int32_t>(title.size()));
    out.write(title.data(), static_cast<std::streamsize>(title.size()));
    writeInt(out, g.clientWidth);
    writeInt(out, g.clientHeight);
    writeInt(out, g.resizable ? 1 : 0);
    out.close();
    if (!out) fail("cannot write " + name + ".snap");
    setrlimit(RLIMIT_FSIZE, &limit);
}

void press(int vk) {
    platform::window::injectKey(vk, true);
    platform::window::injectKey(vk, false);
}

// A key event given as "scancode,keycode,modifiers" that must not reach the key latch. The
// editor waits for a key meanwhile: had the latch taken it, it would still hold it here or the
// editor would have ended, which the map written shows.
void systemKey(const std::string& arg, bool down) {
    int32_t scancode = 0, keycode = 0, modifiers = 0;
    if (std::sscanf(arg.c_str(), "%d,%d,%d", &scancode, &keycode, &modifiers) != 3)
        fail("bad key event " + arg);
    platform::window::injectKeyEvent(scancode, keycode, static_cast<uint16_t>(modifiers), down);
    if (prompt::keyLatch.load() != 0) fail("the key event " + arg + " reached the key latch");
}

// A pointer event given as "x,y[,n]" (n: the button, or the wheel's notches), taken by the editor.
void pointer(platform::window::PointerEvent::Kind kind, const std::string& arg) {
    int32_t x = 0, y = 0, n = 0;
    if (std::sscanf(arg.c_str(), "%d,%d,%d", &x, &y, &n) < 2) fail("bad pointer event " + arg);
    const int64_t before = mapedit::keyRequestCount();
    const bool wheel = kind == platform::window::PointerEvent::Kind::Wheel;
    platform::window::injectPointer(kind, static_cast<uint8_t>(wheel ? 0 : n), x, y, wheel ? n : 0);
    waitFor([before] { return mapedit::keyRequestCount() > before; },
            "the editor to take pointer event " + arg);
}

void drive(const std::vector<Command>& script, const std::string& folder) {
    waitFor([] { return mapedit::keyRequestCount() >= 1; }, "the editor's first key request");
    for (const Command& c : script) {
        if (c.verb == "key") {
            const int64_t before = mapedit::keyRequestCount();
            press(std::stoi(c.arg));
            waitFor([before] { return mapedit::keyRequestCount() > before; },
                    "the editor to take key " + c.arg);
        } else if (c.verb == "hold") {
            const int64_t before = mapedit::keyRequestCount();
            platform::window::injectKey(std::stoi(c.arg), true);
            waitFor([before] { return mapedit::keyRequestCount() > before; },
                    "the editor to take held key " + c.arg);
        } else if (c.verb == "release") {
            platform::window::injectKey(std::stoi(c.arg), false);
        } else if (c.verb == "rename") {
            if (rename(c.arg.c_str(), "AREA1.csv") != 0) fail("cannot put " + c.arg + " over AREA1.csv");
        } else if (c.verb == "close") {
            const int64_t before = mapedit::keyRequestCount();
            platform::window::injectCloseButton();
            waitFor([before] { return mapedit::keyRequestCount() > before; },
                    "the editor to take the close request");
        } else if (c.verb == "lastclose") {
            platform::window::injectCloseButton();
            waitFor([] { return false; }, "the program to end after the close request");
        } else if (c.verb == "hang") {
            waitFor([] { return false; }, "the test to end the program");
        } else if (c.verb == "last") {
            press(std::stoi(c.arg));
            waitFor([] { return false; }, "the program to end after key " + c.arg);
        } else if (c.verb == "sysdown" || c.verb == "sysup") {
            systemKey(c.arg, c.verb == "sysdown");
        } else if (c.verb == "snap") {
            snapshot(c.arg);
        } else if (c.verb == "down") {
            pointer(platform::window::PointerEvent::Kind::Press, c.arg);
        } else if (c.verb == "move") {
            pointer(platform::window::PointerEvent::Kind::Move, c.arg);
        } else if (c.verb == "up") {
            pointer(platform::window::PointerEvent::Kind::Release, c.arg);
        } else if (c.verb == "wheel") {
            pointer(platform::window::PointerEvent::Kind::Wheel, c.arg);
        } else if (c.verb == "clip") {
            std::ostringstream text;
            text << std::ifstream(c.arg, std::ios::binary).rdbuf();
            if (!platform::window::setClipboardText(text.str())) fail("the clipboard took no text");
        } else if (c.verb == "clipsave") {
            std::ofstream("snaps/" + c.arg + ".clip", std::ios::binary)
                << platform::window::clipboardText().value_or("");
        } else if (c.verb == "fsize") {
            setFileSizeLimit(static_cast<rlim_t>(std::stoll(c.arg)));
        } else if (c.verb == "unlimit") {
            setFileSizeLimit(RLIM_INFINITY);
        } else if (c.verb == "chmod") {
            const size_t colon = c.arg.find(':');
            const std::string path =
                colon == std::string::npos ? folder : folder + "/" + c.arg.substr(colon + 1);
            if (chmod(path.c_str(), static_cast<mode_t>(std::stoi(c.arg, nullptr, 8))) != 0)
                fail("chmod failed");
        } else if (c.verb != "uid" && c.verb != "scale") {
            fail("unknown command " + c.verb);
        }
    }
    fail("the script ended while the program still runs");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) fail("usage: mapedit_session FOLDER SCRIPT");
    std::vector<Command> script;
    std::ifstream in(argv[2]);
    for (Command c; in >> c.verb >> c.arg;) script.push_back(c);
    const std::string folder = argv[1];
    if (chdir(folder.c_str()) != 0) fail("cannot enter " + folder);
    for (const Command& c : script)
        if (c.verb == "uid") {
            const auto id = static_cast<uid_t>(std::stoi(c.arg));
            if (setgid(id) != 0 || setuid(id) != 0) fail("cannot drop privileges");
        }
    int32_t scale = 0;
    for (const Command& c : script)
        if (c.verb == "scale") scale = std::stoi(c.arg);
    std::thread(drive, script, folder).detach();
    mapedit::runMapedit(scale);
}
