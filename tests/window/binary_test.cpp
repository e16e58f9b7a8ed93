// The real game binary, started in a fresh working directory, driven with
// xdotool and watched through X.
#include <gtest/gtest.h>
// After gtest: Xlib defines macros such as Bool.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "picture.h"

namespace {

// Score above best on the left, level above lines on the right.
constexpr Box kScoreBox{0, 462, 200, 480};
constexpr Box kLevelLinesBox{560, 445, 640, 480};

std::string run(const std::string& command) {
    std::string out(4096, '\0');
    FILE* pipe = popen(command.c_str(), "r");
    out.resize(pipe ? fread(out.data(), 1, out.size(), pipe) : 0);
    if (pipe)
        pclose(pipe);
    return out;
}

bool within(int seconds, const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (; !done(); usleep(20000))
        if (std::chrono::steady_clock::now() > deadline)
            return false;
    return true;
}

struct RunningGame {
    // The game's window carries no process id, so it is told from windows
    // already open (this process's own, for one) by appearing after the start.
    RunningGame() {
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // a failed capture reads black
        std::string before = "\n" + windows();
        if ((pid = fork()) == 0) {
            if (chdir(dir.c_str()) == 0)
                execl(PLUMBRIX_BINARY, "plumbrix", static_cast<char*>(nullptr));
            _exit(127);
        }
        within(10, [&] {
            std::istringstream now(windows());
            for (std::string id; now >> id;)
                window = before.find("\n" + id + "\n") == std::string::npos ? std::stoul(id) : window;
            return window != 0;
        });
    }

    ~RunningGame() {
        if (pid > 0) {
            EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "the game exited on its own";
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (display)
            XCloseDisplay(display);
        std::filesystem::remove_all(dir);
    }

    static std::string windows() {
        return run("xdotool search --onlyvisible --name '^Plumbrix$'");
    }
    void keys(const std::string& names) {
        run("xdotool key --window " + std::to_string(window) + " " + names + " 2>/dev/null");
    }

    Picture capture() const {
        Picture p;
        XImage* image = XGetImage(display, window, 0, 0, 640, 480, AllPlanes, ZPixmap);
        for (int i = 0; image && i < 640 * 480; i++) {
            unsigned long v = XGetPixel(image, i % 640, 479 - i / 640);
            for (int c = 0; c < 3; c++)
                p.rgb[3 * i + c] = static_cast<unsigned char>(v >> (16 - 8 * c));
        }
        if (image)
            XDestroyImage(image);
        return p;
    }

    // Polls until the picture passes `ok`, keeping the last one looked at: a
    // second capture could already be another frame.
    bool shows(const std::function<bool(const Picture&)>& ok) {
        return within(5, [&] { return ok(last = capture()); });
    }

    std::string dir = [] {
        char name[] = "/tmp/plumbrix-window-XXXXXX";
        return std::string(mkdtemp(name));
    }();
    Display* display = XOpenDisplay(nullptr);
    pid_t pid = -1;
    Window window = 0;
    Picture last;
};

bool messageShown(const Picture& p) {
    return p.whitePixels(kMessageBox) > 100;
}

TEST(BinaryTest, Window640By480WhoseCameraKeysTurnAndMoveThePausedPictureAndOtherKeysDoNot) {
    RunningGame game;
    ASSERT_NE(game.window, 0u) << "no new visible window titled Plumbrix";
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(game.display, game.window, &a));
    EXPECT_EQ(std::make_pair(a.width, a.height), std::make_pair(640, 480));
    game.keys("p");
    ASSERT_TRUE(game.shows(messageShown));
    Picture base = game.last;  // still from here on: the game is paused
    // Each key changes the picture and its partner puts it back exactly. The
    // ignored keys go first, so a lasting effect of theirs would spoil the return.
    const char* const pairs[][2] = {{"W Left Right Up Down plus", "minus"}, {"w", "s"}, {"a", "d"}, {"e", "q"}};
    for (const auto& pair : pairs) {
        SCOPED_TRACE(pair[0]);
        game.keys(pair[0]);
        EXPECT_TRUE(game.shows([&](const Picture& p) { return !p.same(base); }));
        game.keys(pair[1]);
        EXPECT_TRUE(game.shows([&](const Picture& p) { return p.same(base); }));
    }
}

TEST(BinaryTest, HardDropsEndTheGameSaveTheBestAndRestartFromZero) {
    RunningGame game;
    ASSERT_NE(game.window, 0u);
    ASSERT_TRUE(game.shows([](const Picture& p) {
        return p.whitePixels(kScoreBox) > 20 && p.whitePixels(kLevelLinesBox) > 40 && !messageShown(p);
    }));
    Picture start = game.last;  // the counters all read 0

    // Every piece enters over columns 3-6, so no row fills and the stack soon
    // reaches the top; drops after the game over are ignored.
    std::string drops = "--delay 10";
    for (int i = 0; i < 40; i++)
        drops += " Down";
    game.keys(drops);
    ASSERT_TRUE(game.shows(messageShown));
    EXPECT_FALSE(game.last.same(start, kScoreBox));

    std::ifstream file(game.dir + "/score.dat");
    std::string saved((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(saved.size() && saved[0] != '0' && saved.find_first_not_of("0123456789") == std::string::npos)
        << "score.dat holds \"" << saved << '"';

    game.keys("r");
    EXPECT_TRUE(game.shows([&](const Picture& p) {
        return !messageShown(p) && p.same(start, kScoreBox) && p.same(start, kLevelLinesBox);
    }));
}

}  // namespace
