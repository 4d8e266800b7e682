// The real mapedit program, each case in a process of its own in a fresh folder: keys go in
// through the window's key path, the case ends with Esc and Enter, and the AREA1.csv written is
// compared byte for byte; snapshots taken on the way are checked pixel by pixel and row by row.
#include "fake_io.hpp"

#include "mapedit/journal.hpp"

#include "platform/cp932.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using mapedit_test::tileColour;
using testing_support::readFile;
using testing_support::writeFile;

constexpr int kL = 37, kU = 38, kR = 39, kD = 40, kEnter = 13, kTab = 9, kEsc = 27, kDel = 46, kPad0 = 96;
constexpr int kY = 89, kZ = 90, kS = 83;

std::string sjis(const std::string& utf8) {
    return platform::cp932::fromUtf8(utf8);
}

// A map as the editor writes it: 32 decimal fields per row, CR LF after every row.
struct Map {
    std::vector<std::array<int16_t, 32>> rows;

    explicit Map(int n, int16_t (*fill)(int, int) = nullptr) : rows(static_cast<size_t>(n)) {
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < 32; ++c)
                rows[static_cast<size_t>(r)][static_cast<size_t>(c)] = fill ? fill(c, r) : 0;
    }
    int16_t& at(int column, int row) { return rows[static_cast<size_t>(row)][static_cast<size_t>(column)]; }
    std::string csv() const {
        std::string s;
        for (const auto& row : rows) {
            for (int c = 0; c < 32; ++c)
                s += std::to_string(row[static_cast<size_t>(c)]) + (c < 31 ? "," : "\r\n");
        }
        return s;
    }
};

int16_t diagonal(int c, int r) {
    return static_cast<int16_t>((c + r) % 10);
}

// A 16 x 16 BMP of one colour (24 bits, bottom-up).
std::string tileBmp(platform::pixels::Colour colour) {
    std::string b;
    auto u16 = [&b](uint32_t v) { b += char(v & 0xFF), b += char(v >> 8 & 0xFF); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    b += "BM";
    u32(54 + 16 * 16 * 3), u32(0), u32(54);
    u32(40), u32(16), u32(16), u16(1), u16(24), u32(0), u32(16 * 16 * 3), u32(2835), u32(2835), u32(0),
        u32(0);
    for (int i = 0; i < 16 * 16; ++i)
        b += char(colour >> 16 & 0xFF), b += char(colour >> 8 & 0xFF), b += char(colour & 0xFF);
    return b;
}

struct Snapshot {
    platform::pixels::Bitmap screen;
    std::vector<std::string> text;
    std::string mapFile;
    std::string title; // UTF-8
    int32_t clientWidth = 0, clientHeight = 0;
    bool resizable = true;

    std::string area(int row) const {
        const std::string& r = text[static_cast<size_t>(row)];
        return r.size() > 65 ? r.substr(65) : std::string();
    }
};

int32_t readInt(std::istream& in) {
    int32_t v = 0;
    in.read(reinterpret_cast<char*>(&v), sizeof v);
    return v;
}

Snapshot loadSnapshot(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    Snapshot s;
    const int32_t w = readInt(in), h = readInt(in);
    s.screen = platform::pixels::Bitmap(w, h);
    in.read(reinterpret_cast<char*>(s.screen.pixels.data()),
            static_cast<std::streamsize>(s.screen.pixels.size() * sizeof(platform::pixels::Colour)));
    const int32_t rows = readInt(in);
    for (int32_t r = 0; r < rows; ++r) {
        std::string bytes(static_cast<size_t>(readInt(in)), '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        s.text.push_back(bytes);
    }
    s.mapFile.resize(static_cast<size_t>(readInt(in)));
    in.read(s.mapFile.data(), static_cast<std::streamsize>(s.mapFile.size()));
    s.title.resize(static_cast<size_t>(readInt(in)));
    in.read(s.title.data(), static_cast<std::streamsize>(s.title.size()));
    s.clientWidth = readInt(in);
    s.clientHeight = readInt(in);
    s.resizable = readInt(in) != 0;
    return s;
}

// A key event of the video library: scan code, key code, modifiers.
struct KeyEvent {
    int scancode, keycode, modifiers;
};
constexpr int kNonChar = 1 << 30, kAltMod = 0x0100;
constexpr KeyEvent kLeftAlt{226, kNonChar | 226, kAltMod}, kRightAlt{230, kNonChar | 230, 0x0200},
    kF10{67, kNonChar | 67, 0}, kAltX{27, 'x', kAltMod}, kAltTab{43, '\t', kAltMod};

// The script of one session; ends with Esc and Enter.
struct Script {
    std::string lines;
    Script& keys(std::initializer_list<int> vks) {
        for (int vk : vks) lines += "key " + std::to_string(vk) + "\n";
        return *this;
    }
    Script& repeat(int vk, int n) {
        for (int i = 0; i < n; ++i) keys({vk});
        return *this;
    }
    // System keys, pressed in order and released in reverse; none may reach the key latch.
    Script& systemKeys(std::initializer_list<KeyEvent> events) {
        auto line = [this](const char* verb, const KeyEvent& e) {
            lines += std::string(verb) + " " + std::to_string(e.scancode) + "," + std::to_string(e.keycode) +
                     "," + std::to_string(e.modifiers) + "\n";
        };
        for (const KeyEvent& e : events) line("sysdown", e);
        for (auto e = std::rbegin(events); e != std::rend(events); ++e) line("sysup", *e);
        return *this;
    }
    // A key typed while Ctrl (and Shift) are held; each modifier reaches the editor first.
    Script& withCtrl(int vk, bool shift = false) {
        lines += "hold 17\n";
        if (shift) lines += "hold 16\n";
        keys({vk});
        if (shift) lines += "release 16\n";
        lines += "release 17\n";
        return *this;
    }
    // A key typed while Shift is held.
    Script& withShift(int vk) {
        lines += "hold 16\n";
        keys({vk});
        lines += "release 16\n";
        return *this;
    }
    // The mouse, at points of the window: a button down, moves with it held, the button up.
    Script& drag(int button, std::initializer_list<std::pair<int, int>> points) {
        const auto at = [](const std::pair<int, int>& p) {
            return std::to_string(p.first) + "," + std::to_string(p.second);
        };
        const auto first = *points.begin(), last = *(points.end() - 1);
        lines += "down " + at(first) + "," + std::to_string(button) + "\n";
        for (auto p = points.begin() + 1; p != points.end(); ++p) lines += "move " + at(*p) + "\n";
        lines += "up " + at(last) + "," + std::to_string(button) + "\n";
        return *this;
    }
    Script& click(int button, int x, int y) { return drag(button, {{x, y}}); }
    Script& wheel(int x, int y, int notches) {
        lines +=
            "wheel " + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(notches) + "\n";
        return *this;
    }
    Script& snap(const std::string& name) {
        lines += "snap " + name + "\n";
        return *this;
    }
    Script& command(const std::string& verb, const std::string& arg) {
        lines += verb + " " + arg + "\n";
        return *this;
    }
    std::string quit() const { return lines + "key 27\nlast 13\n"; }
};

struct Outcome {
    int exitCode = -1;
    std::string mapFile;
    std::map<std::string, Snapshot> snaps;
    std::vector<std::string> files;           // what the folder holds at the end
    std::string log;                          // what the program wrote on stderr
    std::map<std::string, std::string> clips; // the clipboard's text as the script saved it
};

class Folder {
  public:
    testing_support::TempDir dir;

    Folder() {
        fs::create_directories(dir / "bmp");
        fs::create_directories(dir / "snaps");
        for (int i = 0; i <= 9; ++i)
            writeFile(dir / ("bmp/" + std::to_string(i) + ".bmp"), tileBmp(tileColour(i)));
    }

    // Runs the program here with the script and waits for it to end.
    Outcome run(const std::string& script) { return finish(start(script), 0); }

    // Starts the program with the script; its journals go to the folder's "state".
    pid_t start(const std::string& script) {
        writeFile(dir / "script.txt", script);
        // The driver program is built beside this test.
        const std::string helper =
            (fs::read_symlink("/proc/self/exe").parent_path() / "mapedit_session").string();
        const std::string folder = dir.path().string(), scriptPath = (dir / "script.txt").string();
        char* argv[] = {const_cast<char*>(helper.c_str()), const_cast<char*>(folder.c_str()),
                        const_cast<char*>(scriptPath.c_str()), nullptr};
        std::vector<std::string> env = {"XDG_STATE_HOME=" + (dir / "state").string()};
        for (char** e = environ; *e; ++e)
            if (std::string(*e).rfind("XDG_STATE_HOME=", 0) != 0) env.push_back(*e);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        // The program's own messages, sanitizer reports included, go to a file the test reads.
        const std::string log = (dir / "snaps" / "stderr.log").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, helper.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) ADD_FAILURE() << "cannot start " << helper;
        return spawned == 0 ? pid : -1;
    }

    // Waits for the program to end: by itself with code 0, or by the signal given.
    Outcome finish(pid_t pid, int endSignal) {
        Outcome out;
        if (pid < 0) return out;
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(100);
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                ADD_FAILURE() << "gave up after 100 s waiting for the editor to end";
                return out;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        out.mapFile = readFile(dir / "AREA1.csv");
        out.log = readFile(dir / "snaps" / "stderr.log");
        EXPECT_EQ(out.log.find("Sanitizer"), std::string::npos) << out.log;
        const int expected = endSignal == 0 ? 0 : 128 + endSignal;
        if (out.exitCode != expected) ADD_FAILURE() << "exit code " << out.exitCode << ": " << out.log;
        for (const auto& entry : fs::directory_iterator(dir / "snaps"))
            if (entry.path().extension() == ".snap")
                out.snaps[entry.path().stem().string()] = loadSnapshot(entry.path());
            else if (entry.path().extension() == ".clip")
                out.clips[entry.path().stem().string()] = readFile(entry.path());
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            const std::string name = entry.path().filename().string();
            if (name != "script.txt" && name != "snaps" && name != "state") out.files.push_back(name);
        }
        std::sort(out.files.begin(), out.files.end());
        return out;
    }

    // The journals in the folder's state folder.
    std::vector<fs::path> journals() const {
        std::vector<fs::path> found;
        if (fs::exists(dir / "state" / "mapedit"))
            for (const auto& entry : fs::directory_iterator(dir / "state" / "mapedit"))
                found.push_back(entry.path());
        return found;
    }
};

::testing::AssertionResult shows(const std::string& area, const std::string& expected) {
    if (area.compare(0, expected.size(), expected) == 0 &&
        area.find_first_not_of(' ', expected.size()) == std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "expected \"" << expected << "\" (then blanks), got \"" << area << "\"";
}

struct EditCase {
    const char* name;
    Map initial;
    Script script;
    std::function<void(Map&)> edits; // what the keys should have changed
    std::function<void(const Outcome&)> check = nullptr;
    std::map<std::string, std::string> files = {}; // put in the folder first (for the clipboard)
};

// Each case in a fresh folder: the map written at the end must be the initial map with the edits.
void runEditCases(std::vector<EditCase>& cases) {
    for (EditCase& c : cases) {
        Folder folder;
        writeFile(folder.dir / "AREA1.csv", c.initial.csv());
        // What an interrupted save leaves behind is cleared away at start-up; the user's files stay.
        writeFile(folder.dir / ".AREA1.csv.saving-Ab12cD34Ef56", "0,0,0");
        writeFile(folder.dir / "AREA1.csv.save-backup", "0,0,0");
        for (const auto& [name, text] : c.files) writeFile(folder.dir / name, text);
        const Outcome out = folder.run(c.script.quit());
        std::vector<std::string> files{"AREA1.csv", "AREA1.csv.save-backup", "bmp"};
        for (const auto& [name, text] : c.files) files.push_back(name);
        std::sort(files.begin(), files.end());
        EXPECT_EQ(out.files, files) << c.name;
        Map expected = c.initial;
        c.edits(expected);
        EXPECT_EQ(out.exitCode, 0) << c.name;
        EXPECT_EQ(out.mapFile, expected.csv()) << c.name;
        if (c.check && out.exitCode == 0) c.check(out);
    }
}

TEST(MapeditSession, EditsAreWrittenByteForByte) {
    std::vector<EditCase> cases;
    cases.push_back({"wrap_in_the_first_and_last_row_of_3_rows", Map(3),
                     Script()
                         .keys({kL, '1'})         // (31, 0) = 1, cursor to (30, 0)
                         .keys({kR, kR})          // (31, 0), then wrap to (0, 1)
                         .keys({kD, kD, kD, kD})  // stops in row 2
                         .keys({kL, kD, kR, '7'}) // (31, 1), (31, 2), wraps to (0, 2) = 7
                         .keys({kL, kL, '2'}),    // (0, 2) then (31, 1) = 2
                     [](Map& m) { m.at(31, 0) = 1, m.at(0, 2) = 7, m.at(31, 1) = 2; }});
    cases.push_back(
        {"scrolling_at_view_rows_0_and_25", Map(40, diagonal),
         Script().repeat(kD, 26).snap("down").keys({'3'}).repeat(kU, 27).keys({kL, '4'}).snap("up"),
         [](Map& m) { m.at(0, 26) = 3, m.at(31, 0) = 4; },
         [](const Outcome& out) {
             // Top map row 1 after the first scroll, 0 again at the end.
             for (int v : {0, 12, 25}) {
                 EXPECT_EQ(out.snaps.at("down").screen.at(8, 16 * v + 8), tileColour((v + 1) % 10))
                     << "view row " << v << " after scrolling up";
                 EXPECT_EQ(out.snaps.at("up").screen.at(24, 16 * v + 8), tileColour((v + 1) % 10))
                     << "view row " << v << " after scrolling down";
             }
             EXPECT_EQ(out.snaps.at("up").screen.at(31 * 16 + 8, 8), tileColour(4));
         }});
    cases.push_back({"digits_before_and_after_the_first_arrow_key", Map(2),
                     Script().keys({'2', kR, '1', '2', '3'}),
                     [](Map& m) { m.at(0, 0) = 2, m.at(1, 0) = 1, m.at(2, 0) = 2, m.at(3, 0) = 3; }});
    cases.push_back({"enter_tab_delete_on_0x0503", Map(2),
                     Script()
                         .keys({kR, kR, '3', kL})              // (2, 0) = 3
                         .keys({kEnter, '5', kEsc, kPad0 + 5}) // main-keyboard 5 keeps asking
                         .snap("ground")                       // 0x0503
                         .keys({kTab})                         // 0x1503
                         .keys({kEnter, kPad0 + 2})            // 0x0203
                         .keys({kDel})                         // 3
                         .keys({kR, kEnter, kPad0 + 9, kTab}), // (3, 0) = 0x1900
                     [](Map& m) { m.at(2, 0) = 3, m.at(3, 0) = 0x1900; },
                     [](const Outcome& out) {
                         EXPECT_TRUE(shows(out.snaps.at("ground").area(25), sjis("パターン 503    ")));
                         EXPECT_TRUE(shows(out.snaps.at("ground").area(24), "x= 2  y= 0    Asc= 101    "));
                     }});
    cases.push_back({"esc_then_n_goes_on_editing", Map(2),
                     Script().keys({'4', kEsc, 'N', kR, '6', kEsc, 110, kR, '8'}),
                     [](Map& m) { m.at(0, 0) = 4, m.at(1, 0) = 6, m.at(3, 0) = 8; }});
    cases.push_back({"system_keys_leave_the_quit_question_open", Map(2),
                     Script()
                         .keys({'4', kEsc})
                         .systemKeys({kLeftAlt})
                         .systemKeys({kRightAlt})
                         .systemKeys({kF10})
                         .systemKeys({kLeftAlt, kAltX})
                         .systemKeys({kLeftAlt, kAltTab})
                         .snap("question")
                         .keys({'N', kR, '6'}),
                     [](Map& m) { m.at(0, 0) = 4, m.at(1, 0) = 6; },
                     [](const Outcome& out) {
                         EXPECT_TRUE(shows(out.snaps.at("question").area(24), sjis("終了する?(Enter or N)")));
                     }});
    // Every kind of edit taken back down to the map as read, some made again, then a new edit that
    // drops what could still be made again. Z and Y without Ctrl mean nothing, as before.
    cases.push_back({"undo_and_redo_every_kind_of_edit", Map(40, diagonal),
                     Script()
                         .keys({kR, '5'})                 // (1, 0) = 5, cursor to (2, 0)
                         .keys({kEnter, kPad0 + 3, kTab}) // (2, 0): 0x0302, then 0x1302
                         .keys({kDel})                    // (2, 0) = 2 again
                         .repeat(kD, 30)                  // (2, 30): row 0 out of the view
                         .keys({'7'})                     // (2, 30) = 7
                         .withCtrl(kZ)                    // (2, 30) back to 2
                         .withCtrl(kZ)
                         .withCtrl(kZ)
                         .withCtrl(kZ) // Delete, Tab, Enter taken back
                         .withCtrl(kZ) // (1, 0) back to 1: the view shows row 0 again
                         .snap("undone")
                         .withCtrl(kZ)       // nothing left to take back
                         .withCtrl(kY)       // (1, 0) = 5
                         .withCtrl(kY)       // (2, 0) = 0x0302
                         .withCtrl(kZ, true) // (2, 0) = 0x1302
                         .snap("redone")
                         .keys({'9'}) // (2, 0) = 0x1309: Delete and 7 cannot come back
                         .withCtrl(kY)
                         .keys({kZ, kY, kU}), // without Ctrl: nothing
                     [](Map& m) { m.at(1, 0) = 5, m.at(2, 0) = 0x1309; },
                     [](const Outcome& out) {
                         const Snapshot& undone = out.snaps.at("undone");
                         EXPECT_TRUE(shows(undone.area(24), "x= 1  y= 0    Asc= 90    "));
                         EXPECT_TRUE(shows(undone.area(25), sjis("パターン 1    ")));
                         EXPECT_EQ(undone.screen.at(16, 0), 0x00FFFF) << "the cursor frame on view row 0";
                         EXPECT_EQ(undone.screen.at(16 + 8, 8), tileColour(1)) << "row 0 in view again";
                         EXPECT_EQ(undone.screen.at(32 + 8, 16 * 25 + 8), tileColour(7))
                             << "row 25 drawn anew";
                         EXPECT_EQ(undone.mapFile, Map(40, diagonal).csv()) << "nothing saved before Esc";
                         const Snapshot& redone = out.snaps.at("redone");
                         EXPECT_TRUE(shows(redone.area(24), "x= 2  y= 0    Asc= 90    "));
                         EXPECT_TRUE(shows(redone.area(25), sjis("パターン 1302    ")));
                     }});
    // Ctrl+S saves what is there so far and editing goes on where it was; S alone means nothing.
    cases.push_back({"ctrl_s_saves_and_editing_goes_on", Map(40, diagonal),
                     Script()
                         .repeat(kD, 30)
                         .keys({kR, '5'})
                         .withCtrl(kS)
                         .snap("saved")
                         .keys({'6', kS})
                         .withCtrl(kZ) // the history stays: back to 5
                         .withCtrl(kZ),
                     [](Map& m) { m.at(1, 30) = 1; },
                     [](const Outcome& out) {
                         const Snapshot& saved = out.snaps.at("saved");
                         Map expected(40, diagonal);
                         expected.at(1, 30) = 5;
                         EXPECT_EQ(saved.mapFile, expected.csv()) << "saved before Esc";
                         EXPECT_TRUE(shows(saved.area(24), sjis("データ書き込み完了"))) << saved.area(24);
                         EXPECT_TRUE(shows(saved.area(25), sjis("パターン 2    ")))
                             << "the cell under the cursor";
                         const std::string state = sjis("未保存の変更なし 保存 ");
                         EXPECT_EQ(saved.area(20).substr(0, state.size()), state);
                         EXPECT_EQ(saved.screen.at(32, 25 * 16), 0x00FFFF) << "the cursor frame where it was";
                     }});
    cases.push_back({"last_row_0", Map(1), Script().keys({kU, kD, kL, '8', kD, '9'}),
                     [](Map& m) { m.at(31, 0) = 8, m.at(30, 0) = 9; }});
    runEditCases(cases);
}

// A map the editor reads only partly: it says so below the map view, and a save writes the rows it
// read, as edited, followed by the rest of the old file unchanged.
TEST(MapeditSession, APartlyReadMapKeepsItsRestAndSaysWhere) {
    std::string noCr(256 * 1024, '\0');
    std::mt19937 random(12);
    for (char& b : noCr) b = static_cast<char>(random() % 255 + 1); // any byte but the zero byte
    std::replace(noCr.begin(), noCr.end(), '\r', '\n');             // no line of them ever ends
    std::string lfOnly = Map(5, diagonal).csv();
    lfOnly.erase(std::remove(lfOnly.begin(), lfOnly.end(), '\r'), lfOnly.end());
    std::string crOnly = Map(5, diagonal).csv(); // CR line ends: 20 and 30 must not lose a digit
    crOnly.erase(std::remove(crOnly.begin(), crOnly.end(), '\n'), crOnly.end());
    std::string crCrLf = Map(4, diagonal).csv();
    crCrLf.insert(crCrLf.find("\r\n"), "\r");
    const std::string fields33 = Map(1).csv().insert(0, "1,"),
                      fields40 = Map(1).csv().insert(0, "1,2,3,4,5,6,7,8,");
    struct Case {
        const char* name;
        int rowsRead; // whole rows before the line where reading stops
        std::string rest;
        const char* why; // what the notice gives as the cause (nullptr: not checked)
    } cases[] = {
        {"LF-only line ends", 0, lfOnly, "改行がLFだけです(CR LFが要ります)"},
        {"33 fields in row 5", 5, fields33 + Map(3).csv(), "1行に33個以上の値があります"},
        {"40 fields in row 5", 5, fields40 + Map(3).csv(), "1行に33個以上の値があります"},
        {"a zero byte in row 10", 10, std::string("1,2\0,3\r\n", 8) + Map(4).csv(), "値0のバイトがあります"},
        {"a 300-character field in row 5", 5, std::string(300, '1') + "\r\n" + Map(2).csv(),
         "256文字以上の値があります"},
        {"7005 rows", 7001, Map(4, diagonal).csv(), "7001行を超えています"},
        {"no final CR LF", 3, "5,5,5", "最後の行の終わりにCR LFがありません"},
        {"CR line ends", 0, crOnly, "改行がCRだけです(CR LFが要ります)"},
        {"CR CR LF in row 2", 2, crCrLf, "改行がCRだけです(CR LFが要ります)"},
        {"random bytes", 1, noCr, nullptr},
    };
    for (const Case& c : cases) {
        Folder folder;
        Map read(c.rowsRead, diagonal);
        writeFile(folder.dir / "AREA1.csv", read.csv() + c.rest);
        const Outcome out = folder.run(Script().snap("start").keys({'7'}).quit());
        if (c.rowsRead > 0) read.at(0, 0) = 7;
        EXPECT_EQ(out.exitCode, 0) << c.name;
        EXPECT_TRUE(out.mapFile == read.csv() + c.rest) << c.name << ": the saved map differs";
        ASSERT_EQ(out.snaps.count("start"), 1u) << c.name;
        const Snapshot& start = out.snaps.at("start");
        const std::string row = std::to_string(c.rowsRead);
        const std::string first = sjis("AREA1.csvの読み込みは行 " + row + " で止まりました: ");
        EXPECT_EQ(start.text[26].substr(0, first.size()), first) << c.name;
        if (c.why) {
            EXPECT_TRUE(shows(start.text[26].substr(first.size()), sjis(std::string(c.why) + "。")))
                << c.name;
        }
        EXPECT_TRUE(shows(start.text[27],
                          sjis("行 " + row + " から後は編集できませんが、保存しても元のまま残ります。")))
            << c.name;
        if (c.rest == "5,5,5") {
            // The line without its end is read into row 3 and shown, though never edited.
            EXPECT_EQ(start.screen.at(8, 3 * 16 + 8), tileColour(5)) << "row 3 is shown";
            EXPECT_EQ(start.screen.at(3 * 16 + 8, 3 * 16 + 8), tileColour(0))
                << "row 3 column 3 was not in the file";
        }
    }
}

// Another program saved the map while the editor had it open: the editor keeps that version under
// a new name, saves its own, says where both are and waits for a key before it ends.
TEST(MapeditSession, AMapChangedMeanwhileIsKeptAndTheUserIsTold) {
    Folder folder;
    const Map read(3, diagonal), other(5);
    writeFile(folder.dir / "AREA1.csv", read.csv());
    writeFile(folder.dir / "other.csv", other.csv());
    const Outcome out = folder.run(Script().keys({'7'}).command("rename", "other.csv").lines +
                                   "key 27\nkey 13\nsnap kept\nlast 32\n");
    Map edited = read;
    edited.at(0, 0) = 7;
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.mapFile, edited.csv());
    ASSERT_EQ(out.files.size(), 3u);
    const std::string kept = out.files[1];
    EXPECT_EQ(kept.rfind("AREA1.csv.changed-", 0), 0u) << kept;
    EXPECT_EQ(readFile(folder.dir / kept), other.csv()) << "the other version, byte for byte";
    ASSERT_EQ(out.snaps.count("kept"), 1u);
    const Snapshot& shown = out.snaps.at("kept");
    EXPECT_EQ(shown.mapFile, edited.csv()) << "saved before the key that ends it";
    EXPECT_TRUE(shows(shown.area(24), sjis("データ書き込み完了")));
    EXPECT_TRUE(
        shows(shown.text[26],
              sjis("AREA1.csvは読み込んだ後に変更されていました。その内容は次のファイルに残しました:")));
    EXPECT_TRUE(shows(shown.text[27], kept));
    EXPECT_NE(out.log.find(kept), std::string::npos) << "stderr names the kept file: " << out.log;
}

TEST(MapeditSession, AMissingOrEmptyMapOpensAsABlankMapOf200Rows) {
    for (const bool exists : {false, true}) {
        Folder folder;
        if (exists) writeFile(folder.dir / "AREA1.csv", "");
        const Outcome out = folder.run(Script().snap("start").keys({kD, kR, '5'}).quit());
        Map expected(200);
        expected.at(1, 1) = 5;
        EXPECT_EQ(out.exitCode, 0);
        EXPECT_EQ(out.mapFile, expected.csv()) << (exists ? "empty" : "missing");
        ASSERT_EQ(out.snaps.count("start"), 1u);
        EXPECT_EQ(out.snaps.at("start").text[26], "") << "a blank map is no partial read";
    }
}

TEST(MapeditSession, TheScreen) {
    Folder folder;
    Map map(30);
    map.at(0, 0) = 12;     // black square
    map.at(1, 0) = 0x0503; // ground object
    map.at(2, 0) = 0x1003; // path
    map.at(3, 0) = 0x1503;
    map.at(5, 29) = 7; // below the view
    writeFile(folder.dir / "AREA1.csv", map.csv());
    const Outcome out = folder.run(
        Script().snap("start").keys({kD, kR}).snap("cursor").repeat(kD, 28).snap("scrolled").quit());
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.mapFile, map.csv());
    ASSERT_EQ(out.snaps.size(), 3u);

    const platform::pixels::Colour black = 0, red = 0x0000FF, blue = 0xFF0000, yellow = 0x00FFFF;
    struct Probe {
        const char* snap;
        int x, y;
        platform::pixels::Colour colour;
        const char* what;
    };
    std::vector<Probe> probes = {
        {"start", 0, 0, black, "tile code 12: black square"},
        {"start", 15, 15, black, "tile code 12: black square"},
        {"start", 16, 0, tileColour(3), "tile 3 under the ground object"},
        {"start", 16 + 5, 5, red, "ground-object marker"},
        {"start", 16 + 10, 10, red, "ground-object marker"},
        {"start", 16 + 4, 5, tileColour(3), "beside the marker"},
        {"start", 16 + 11, 10, tileColour(3), "beside the marker"},
        {"start", 32 + 7, 7, blue, "path marker"},
        {"start", 32 + 8, 8, blue, "path marker"},
        {"start", 32 + 6, 7, tileColour(3), "beside the path marker"},
        {"start", 48 + 5, 5, red, "both markers"},
        {"start", 48 + 8, 8, blue, "both markers"},
        {"start", 0, 16, tileColour(0), "no cursor frame before the first key"},
        {"start", 511, 415, tileColour(0), "the last view cell"},
        {"start", 5 * 16, 29 * 16 - 1, black, "nothing drawn below the view"},
        {"cursor", 16, 16, yellow, "cursor frame top left"},
        {"cursor", 31, 31, yellow, "cursor frame bottom right"},
        {"cursor", 24, 16, yellow, "cursor frame top edge"},
        {"cursor", 17, 17, tileColour(0), "inside the cursor frame"},
        {"cursor", 0, 16, tileColour(0), "the frame left the cell before"},
        {"scrolled", 16, 25 * 16, yellow, "cursor frame on view row 25"},
        {"scrolled", 5 * 16 + 8, 25 * 16 + 8, tileColour(7), "row 29 on view row 25"},
        {"scrolled", 5 * 16 + 8, 24 * 16 + 8, tileColour(0), "row 28 on view row 24"},
        {"scrolled", 0, 0, tileColour(0), "row 4 on view row 0"},
        {"scrolled", 16 + 5, 0, tileColour(0), "the scroll moved the marker away"},
    };
    for (int i = 0; i <= 9; ++i) {
        probes.push_back({"start", 528, 16 * i, tileColour(i), "palette"});
        probes.push_back({"start", 543, 16 * i + 15, tileColour(i), "palette"});
    }
    for (const Probe& p : probes) {
        const platform::pixels::Bitmap& screen = out.snaps.at(p.snap).screen;
        if (screen.at(p.x, p.y) != p.colour) {
            ADD_FAILURE() << p.snap << " (" << p.x << ", " << p.y << ") " << p.what << ": expected colour "
                          << std::hex << p.colour << ", got " << screen.at(p.x, p.y) << "; see "
                          << testing_support::dumpImage(screen, std::string("mapedit_session_") + p.snap);
        }
    }
    const Snapshot& start = out.snaps.at("start");
    for (int y = 0; y < 416; ++y)
        for (int x = 0; x < 512; ++x)
            if (start.screen.at(x, y) == yellow) {
                ADD_FAILURE() << "a cursor frame before the first key at (" << x << ", " << y << ")";
                y = 416;
                break;
            }
    EXPECT_EQ(start.title, "スクロール背景作成ツール");
    EXPECT_EQ(start.clientWidth, 800);
    EXPECT_EQ(start.clientHeight, 480);
    EXPECT_FALSE(start.resizable);
    for (int i = 0; i <= 9; ++i) EXPECT_EQ(start.area(i), std::to_string(i)) << "palette digit";
    EXPECT_EQ(start.area(21), sjis("Ent = 地上物の設定"));
    EXPECT_EQ(start.area(22), sjis("Tab = 地上物の移動道"));
    EXPECT_EQ(start.area(23), sjis("Esc = 終了"));
    EXPECT_EQ(start.area(24), "");
    EXPECT_EQ(start.text[24].size(), 0u) << "no status line before the first key";
    EXPECT_TRUE(shows(out.snaps.at("cursor").area(24), "x= 1  y= 1    Asc= 39    "));
    EXPECT_TRUE(shows(out.snaps.at("cursor").area(25), sjis("パターン 0    ")));
    EXPECT_TRUE(shows(out.snaps.at("scrolled").area(24), "x= 1  y= 29    Asc= 40    "));
}

struct FailCase {
    const char* name;
    std::string block;   // script lines that make the save fail
    std::string unblock; // and that let it succeed again
    bool dropPrivileges;
    const char* reason; // what the screen says went wrong
};

TEST(MapeditSession, AFailedSaveKeepsTheOldFileAndTheEditsAndALaterSaveEnds) {
    const std::vector<FailCase> cases = {
        {"file_size_limit", "fsize 1000\n", "unlimit x\n", false, "File too large"},
        // Nor is there room in the user's own folder, where a copy of the new map could go first.
        {"unwritable_folder", "chmod 555\nchmod 555:state/mapedit\n", "chmod 755:state/mapedit\nchmod 755\n",
         true, "Permission denied"},
    };
    for (const FailCase& c : cases) {
        Folder folder;
        const Map old(40, diagonal); // 2600 bytes: over the size limit, which the log line is not
        writeFile(folder.dir / "AREA1.csv", old.csv());
        std::string script;
        if (c.dropPrivileges && geteuid() == 0) {
            // Root writes anywhere: the session runs as nobody, who owns the folder.
            script += "uid 65534\n";
            for (const auto& entry : fs::recursive_directory_iterator(folder.dir.path()))
                (void)!chown(entry.path().c_str(), 65534, 65534);
            (void)!chown(folder.dir.path().c_str(), 65534, 65534);
        }
        script += Script().keys({'3'}).lines + c.block + "key 27\nkey 13\n";
        script += Script().snap("failed").lines + c.unblock;
        script += Script().keys({kR, '5'}).snap("editing").keys({kEsc, 'N', kEsc}).lines + "last 13\n";
        const Outcome out = folder.run(script);
        Map edited = old;
        edited.at(0, 0) = 3, edited.at(1, 0) = 5;
        EXPECT_EQ(out.exitCode, 0) << c.name;
        EXPECT_EQ(out.mapFile, edited.csv()) << c.name << ": the later save";
        EXPECT_EQ(out.files, (std::vector<std::string>{"AREA1.csv", "bmp"}))
            << c.name << ": nothing left behind";
        ASSERT_EQ(out.snaps.count("failed"), 1u) << c.name;
        const Snapshot& failed = out.snaps.at("failed");
        EXPECT_EQ(failed.mapFile, old.csv()) << c.name << ": the old file is untouched";
        EXPECT_EQ(failed.area(24).substr(0, 18), sjis("データ書き込み失敗")) << c.name;
        EXPECT_TRUE(shows(failed.area(25), c.reason)) << c.name << ": the reason, within the window";
        EXPECT_NE(out.log.find(c.reason), std::string::npos)
            << c.name << ": the whole reason on the debug output";
        EXPECT_NE((failed.text[28] + failed.text[29]).find("AREA1.csv was left as it was"), std::string::npos)
            << c.name << ": the whole reason below the map view";
        EXPECT_TRUE(shows(out.snaps.at("editing").area(24), "x= 2  y= 0    Asc= 39    ")) << c.name;
    }
}

// A close request (a click on the close button: a window close and a quit together) asks when
// there are unsaved edits, and each answer does what it says; without edits the window closes.
TEST(MapeditSession, TheCloseQuestion) {
    const std::string question = sjis("変更を保存しますか?");
    struct Case {
        const char* name;
        std::string script; // after the edit, if any
        bool edit;          // '7' at (0, 0) first
        bool saved;         // the map file holds the edit
        int journals;       // left in the state folder at the end
    } cases[] = {
        {"no edits: closes at once", "lastclose -\n", false, false, 0},
        {"no edits after an undo: closes at once", Script().withCtrl(kZ).lines + "lastclose -\n", true, false,
         0},
        {"Enter saves and ends", "close -\nsnap asked\nlast 13\n", true, true, 0},
        {"N ends without saving", "close -\nsnap asked\nlast 78\n", true, false, 0},
        {"keypad decimal point is n", "close -\nlast 110\n", true, false, 0},
        {"Esc goes back to editing, other keys leave the question open",
         "close -\nkey 65\nkey 27\nsnap back\n" + Script().keys({kR, '8'}).quit(), true, true, 0},
        {"a failed save keeps the editor open",
         "fsize 100\nclose -\nkey 13\nsnap failed\nunlimit x\nclose -\nlast 13\n", true, true, 0},
    };
    for (const Case& c : cases) {
        Folder folder;
        const Map old(3, diagonal);
        writeFile(folder.dir / "AREA1.csv", old.csv());
        const Outcome out = folder.run((c.edit ? Script().keys({'7'}).lines : std::string()) + c.script);
        Map expected = old;
        if (c.saved) expected.at(0, 0) = 7;
        if (std::string(c.name).rfind("Esc", 0) == 0) expected.at(1, 0) = 8;
        EXPECT_EQ(out.exitCode, 0) << c.name;
        EXPECT_EQ(out.mapFile, expected.csv()) << c.name;
        EXPECT_EQ(folder.journals().size(), static_cast<size_t>(c.journals)) << c.name << ": journals left";
        if (out.snaps.count("asked")) {
            EXPECT_TRUE(shows(out.snaps.at("asked").area(24), question)) << c.name;
            EXPECT_TRUE(shows(out.snaps.at("asked").area(25), sjis("(Enter=保存 N=保存しない Esc=戻る)")))
                << c.name;
            EXPECT_EQ(out.snaps.at("asked").mapFile, old.csv()) << c.name << ": nothing saved while it asks";
        }
        if (out.snaps.count("back")) {
            EXPECT_TRUE(shows(out.snaps.at("back").area(24), "x= 0  y= 0    Asc= 27    ")) << c.name;
        }
        if (out.snaps.count("failed")) {
            EXPECT_EQ(out.snaps.at("failed").area(24).substr(0, 18), sjis("データ書き込み失敗")) << c.name;
            EXPECT_EQ(out.snaps.at("failed").mapFile, old.csv()) << c.name;
        }
    }
}

// The real editor killed after a few edits (SIGKILL: nothing of its own runs; SIGTERM, as at a
// logout: it writes its journal out and ends), then started again on the same map: it offers the
// edits back. Enter puts them onto the map, undoable, for the user to save; N keeps the map as it is
// and writes the journal's map beside it under a new name.
TEST(MapeditSession, AKilledEditorOffersItsEditsBackAtTheNextStart) {
    for (const int signal : {SIGKILL, SIGTERM}) {
        for (const bool restore : {true, false}) {
            const std::string name =
                std::string(signal == SIGKILL ? "SIGKILL" : "SIGTERM") + (restore ? ", Enter" : ", N");
            Folder folder;
            const Map old(30, diagonal);
            writeFile(folder.dir / "AREA1.csv", old.csv());
            const pid_t pid = folder.start(
                Script().keys({kR, '5', '6', kD, kEnter, kPad0 + 3}).snap("typed").lines + "hang -\n");
            Map edited = old;
            edited.at(1, 0) = 5, edited.at(2, 0) = 6, edited.at(3, 1) = 0x0300 | diagonal(3, 1);
            // SIGKILL comes once the journal holds the edits (within a second); SIGTERM at once.
            const std::string mapPath = fs::canonical(folder.dir.path()).string() + "/AREA1.csv";
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            size_t seen = 0;
            while (signal == SIGKILL && seen < 3) {
                ASSERT_LT(std::chrono::steady_clock::now(), deadline)
                    << name << ": the journal did not get the three edits, it has " << seen;
                for (const fs::path& j : folder.journals())
                    seen = mapedit::journal::decode(readFile(j), mapPath).edits.size();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            // The editor has taken every key once the driver's snapshot is there.
            while (!fs::exists(folder.dir / "snaps" / "typed.snap")) {
                ASSERT_LT(std::chrono::steady_clock::now(), deadline)
                    << name << ": the keys were not all taken";
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            kill(pid, signal);
            const Outcome killed = folder.finish(pid, signal);
            EXPECT_EQ(killed.mapFile, old.csv()) << name << ": nothing saved";
            ASSERT_EQ(folder.journals().size(), 1u) << name << ": " << killed.log;
            EXPECT_EQ(mapedit::journal::decode(readFile(folder.journals()[0]), mapPath).edits.size(), 3u)
                << name;

            const Outcome again = folder.run(
                Script().snap("asked").keys({restore ? kEnter : 78}).snap("answered").withCtrl(kZ).quit());
            ASSERT_EQ(again.snaps.count("asked"), 1u) << name;
            const std::string first = sjis("前回の編集の記録に、保存していない変更が 3 件あります(");
            EXPECT_EQ(again.snaps.at("asked").text[26].substr(0, first.size()), first) << name;
            Map expected = old;
            if (restore) expected = edited, expected.at(3, 1) = diagonal(3, 1); // Ctrl+Z took the last back
            EXPECT_EQ(again.mapFile, expected.csv()) << name;
            EXPECT_TRUE(folder.journals().empty()) << name << ": the save covers the journal";
            if (restore) {
                EXPECT_EQ(again.files, (std::vector<std::string>{"AREA1.csv", "bmp"})) << name;
                continue;
            }
            ASSERT_EQ(again.files.size(), 3u) << name;
            const std::string recovered = again.files[1];
            EXPECT_EQ(recovered.rfind("AREA1.csv.recovered-", 0), 0u) << name << ": " << recovered;
            EXPECT_EQ(readFile(folder.dir / recovered), edited.csv()) << name << ": the journal's map, whole";
            EXPECT_TRUE(shows(again.snaps.at("answered").text[27], recovered)) << name;
        }
    }
}

// The pixels of a colour in a rectangle of a snapshot.
int countColour(const Snapshot& snap, int x0, int y0, int w, int h, platform::pixels::Colour colour) {
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) n += snap.screen.at(x, y) == colour;
    return n;
}

constexpr int kIns = 45;
constexpr platform::pixels::Colour kRedText = 0x0000FF, kWhiteText = 0xFFFFFF, kCyan = 0xFFFF00;

int16_t withObjects(int c, int r) {
    const auto base = static_cast<int16_t>((c + 2 * r) % 10);
    if (c == 3) return static_cast<int16_t>(base | 0x0500);
    if (c == 4) return static_cast<int16_t>(base | 0x1000);
    return base;
}

std::array<int16_t, 32> tilesOf(const std::array<int16_t, 32>& row) {
    std::array<int16_t, 32> tiles{};
    for (size_t c = 0; c < 32; ++c) tiles[c] = static_cast<int16_t>(row[c] & 0xFF);
    return tiles;
}

// Insert puts a copy of the cursor's row's tiles above it, Ctrl+Delete takes the cursor's row out,
// both undone and made again; the last row stays, and 7001 rows are the most.
TEST(MapeditSession, RowsGoInAndOut) {
    std::vector<EditCase> cases;
    cases.push_back({"insert_and_remove_undone_and_made_again", Map(6, withObjects),
                     Script()
                         .keys({kD, kD, kIns}) // a copy of row 2's tiles at row 2
                         .snap("inserted")
                         .keys({kD, kD})
                         .withCtrl(kDel) // row 4 (the old row 3) goes
                         .snap("removed")
                         .withCtrl(kZ)  // row 4 is back, objects and path marks too
                         .withCtrl(kZ)  // the copy goes
                         .withCtrl(kY), // and comes again
                     [](Map& m) { m.rows.insert(m.rows.begin() + 2, tilesOf(m.rows[2])); },
                     [](const Outcome& out) {
                         const Snapshot& inserted = out.snaps.at("inserted");
                         EXPECT_TRUE(shows(inserted.area(12), sjis("行数 7  ゲーム 7")));
                         EXPECT_TRUE(shows(inserted.area(13), sjis("行 2 に写しを入れました: 7行")));
                         EXPECT_TRUE(shows(inserted.area(24), "x= 0  y= 2    Asc= 45    "));
                         EXPECT_EQ(countColour(inserted, 520, 192, 280, 16, kRedText), 0);
                         EXPECT_GT(countColour(inserted, 520, 192, 280, 16, kWhiteText), 50);
                         // View row 2 shows the copy: tile 4 without the red square at column 3.
                         EXPECT_EQ(inserted.screen.at(3 * 16 + 8, 2 * 16 + 8), tileColour(7));
                         EXPECT_EQ(inserted.screen.at(3 * 16 + 8, 3 * 16 + 8), 0x0000FF) << "the old row 2";
                         EXPECT_TRUE(shows(out.snaps.at("removed").area(12), sjis("行数 6  ゲーム 6")));
                     }});
    cases.push_back(
        {"the_last_row_stays", Map(1, diagonal), Script().withCtrl(kDel).snap("refused").keys({kIns}),
         [](Map& m) { m.rows.insert(m.rows.begin(), tilesOf(m.rows[0])); },
         [](const Outcome& out) {
             EXPECT_TRUE(shows(out.snaps.at("refused").area(13), sjis("最後の1行は消せません。")));
         }});
    cases.push_back({"7001_rows_at_most", Map(7000, diagonal), Script().keys({kIns, kIns}).snap("full"),
                     [](Map& m) { m.rows.insert(m.rows.begin(), tilesOf(m.rows[0])); },
                     [](const Outcome& out) {
                         const Snapshot& full = out.snaps.at("full");
                         EXPECT_TRUE(shows(full.area(12), sjis("行数 7001 ゲーム 504(32767バイト)")));
                         EXPECT_GT(countColour(full, 520, 192, 280, 16, kRedText), 50)
                             << "the game stops before the map ends: another colour";
                         EXPECT_EQ(full.area(13).substr(0, sjis("行は7001行までです").size()),
                                   sjis("行は7001行までです"));
                     }});
    runEditCases(cases);
}

// On a map read only partly, rows move within the rows read and the rest follows them unchanged.
TEST(MapeditSession, RowsOfAPartlyReadMapKeepTheRestAfterThem) {
    Folder folder;
    const Map read(3, diagonal);
    writeFile(folder.dir / "AREA1.csv", read.csv() + "1,2,3");
    const Outcome out =
        folder.run(Script().keys({kIns, kD, kD, kD}).withCtrl(kDel).snap("edited").quit()); // row 3 goes
    Map expected = read;
    expected.rows.insert(expected.rows.begin(), tilesOf(expected.rows[0]));
    expected.rows.erase(expected.rows.begin() + 3);
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.mapFile, expected.csv() + "1,2,3");
}

// The mouse in a window at scale 2 (points are twice the editor's pixels): a palette tile becomes
// the brush, a drag paints, a right click takes a cell's tile, a click moves the cursor, the wheel
// scrolls; each drag is one step.
TEST(MapeditSession, TheMouseAtScale2) {
    std::vector<EditCase> cases;
    cases.push_back(
        {"click_drag_right_click_wheel", Map(40, diagonal),
         Script()
             .command("scale", "2")
             .click(1, 1060, 100)                        // pixel (530, 50): palette tile 3
             .drag(1, {{20, 20}, {400, 20}, {400, 300}}) // cells (0, 0) to (12, 0) to (12, 9)
             .snap("painted")
             .click(3, 656, 176)                // cell (20, 5): its tile 5 is the brush
             .drag(1, {{660, 660}, {700, 660}}) // cells (20, 20) and (21, 20)
             .withCtrl(kZ)                      // the second drag goes
             .withCtrl(kZ)                      // and the first
             .withCtrl(kY)                      // the first comes again
             .click(1, 20, 100)                 // the cursor to (0, 3)
             .snap("clicked")
             .wheel(100, 100, -3) // the view from row 3 on
             .snap("wheeled")
             .click(1, 60, 20) // view row 0: cell (1, 3)
             .snap("clicked_again")
             .wheel(100, 100, 5), // back to the top, and no further
         [](Map& m) {
             for (int c = 0; c <= 12; ++c) m.at(c, 0) = 3;
             for (int r = 1; r <= 9; ++r) m.at(12, r) = 3;
         },
         [](const Outcome& out) {
             const Snapshot& painted = out.snaps.at("painted");
             EXPECT_EQ(painted.clientWidth, 800);
             EXPECT_EQ(painted.text[3].substr(68, 2), sjis("←")) << "the brush beside the palette";
             EXPECT_TRUE(shows(painted.area(11), sjis("ブラシ 3")));
             EXPECT_TRUE(shows(painted.area(24), "x= 12  y= 9    Asc= 1    "));
             EXPECT_EQ(painted.screen.at(12 * 16 + 8, 5 * 16 + 8), tileColour(3));
             EXPECT_TRUE(shows(out.snaps.at("clicked").area(24), "x= 0  y= 3    Asc= 1    "));
             const Snapshot& wheeled = out.snaps.at("wheeled");
             EXPECT_EQ(wheeled.screen.at(24, 8), tileColour(diagonal(1, 3))) << "row 3 at the top";
             EXPECT_EQ(wheeled.screen.at(12 * 16 + 8, 6 * 16 + 8), tileColour(3)) << "(12, 9) on view row 6";
             EXPECT_TRUE(shows(out.snaps.at("clicked_again").area(24), "x= 1  y= 3    Asc= 1    "));
         }});
    runEditCases(cases);
}

// Blocks: a paste of the desktop's text cut at the map's edge, text that is no block refused,
// Shift with the arrows marking, copy (also onto the clipboard), paste, a digit filling, Esc
// unmarking, Delete clearing objects and path marks, cut, undo and redo, and Shift with a drag.
TEST(MapeditSession, BlocksAreCopiedPastedFilledAndCut) {
    std::vector<EditCase> cases;
    Map initial(12, diagonal);
    initial.at(2, 1) = 0x1503;
    cases.push_back(
        {"blocks",
         initial,
         Script()
             .keys({kL}) // (31, 0)
             .command("clip", "paste.txt")
             .withCtrl('V') // (31, 0) = 7, (31, 1) = 4096
             .snap("pasted")
             .command("clip", "bad.txt")
             .withCtrl('V') // refused
             .snap("refused")
             .keys({kR, kU, kR}) // (1, 0)
             .withShift(kR)
             .withShift(kD) // (1, 0) to (2, 1)
             .snap("marked")
             .withCtrl('C')
             .command("clipsave", "copied")
             .keys({kD, kD, kD}) // unmarked, the cursor to (2, 4)
             .withCtrl('V')      // (2, 4) to (3, 5)
             .withShift(kL)
             .withShift(kL)     // (0, 4) to (2, 4)
             .keys({'9', kEsc}) // filled with tile 9, unmarked
             .snap("unmarked")
             .keys({kR, kR, kR, kD}) // (3, 5)
             .withShift(kU)          // (3, 4) to (3, 5)
             .keys({kDel})           // (3, 5): 0x1503 to 3
             .withCtrl('X')          // both 0
             .command("clipsave", "cut")
             .withCtrl(kZ) // the cut taken back
             .withCtrl(kZ) // and the Delete
             .withCtrl(kY) // the Delete again: the cursor at (3, 5)
             .command("hold", "16")
             .drag(1, {{5 * 16 + 8, 8 * 16 + 8}, {6 * 16 + 8, 9 * 16 + 8}}) // (3, 5) to (6, 9)
             .command("release", "16")
             .keys({'0', kEsc}), // tile 0 there
         [](Map& m) {
             m.at(31, 0) = 7, m.at(31, 1) = 4096;
             m.at(0, 4) = 9, m.at(1, 4) = 9, m.at(2, 4) = 9, m.at(3, 4) = 2;
             m.at(2, 5) = 2, m.at(3, 5) = 3;
             for (int r = 5; r <= 9; ++r)
                 for (int c = 3; c <= 6; ++c) m.at(c, r) = static_cast<int16_t>(m.at(c, r) & ~0xFF);
         },
         [](const Outcome& out) {
             EXPECT_TRUE(shows(out.snaps.at("pasted").area(13), sjis("貼り付け 2x2(地図の端で切りました)")));
             // On two rows, cut at a character.
             const std::string refused = sjis("貼り付けできません: 2行目の値の数が1行目と違います");
             EXPECT_TRUE(shows(out.snaps.at("refused").area(13), refused.substr(0, 35)));
             EXPECT_TRUE(shows(out.snaps.at("refused").area(14), refused.substr(35)));
             EXPECT_EQ(out.snaps.at("refused").mapFile, out.snaps.at("pasted").mapFile) << "nothing changed";
             const Snapshot& marked = out.snaps.at("marked");
             EXPECT_TRUE(shows(marked.area(11), sjis("ブラシ なし  範囲 2x2")));
             EXPECT_EQ(marked.screen.at(16, 0), kCyan) << "the rectangle's outline";
             EXPECT_EQ(marked.screen.at(17, 30), kCyan);
             EXPECT_EQ(marked.screen.at(18, 2), tileColour(1)) << "inside the outline";
             EXPECT_EQ(out.clips.at("copied"), "1,2\r\n2,5379\r\n") << "the block on the clipboard";
             EXPECT_EQ(out.clips.at("cut"), "2\r\n3\r\n");
             EXPECT_TRUE(shows(out.snaps.at("unmarked").area(24), "x= 0  y= 4    Asc= 27    "))
                 << "Esc with a rectangle marked does not ask to quit";
         },
         {{"paste.txt", "7,8\r\n4096,6\r\n"}, {"bad.txt", "1,2\n3\n"}}});
    runEditCases(cases);
}

} // namespace
