// The window, seen two ways: the real frame drawn in this process's own window
// at chosen times and read back before any swap, and the real game binary
// driven with real key presses and watched through X. What the picture should
// be is worked out here from the scene's layout alone: cubes of edge 18 centred
// in their cells, eleven rim lines 20 units behind them, the camera, a
// 100-degree perspective of aspect 1.0 in the 640 x 480 viewport at the lower
// left, and one directional light that turns with the pit.
#define GL_GLEXT_PROTOTYPES
#include <GL/freeglut.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>

#include "tests/unit/support.h"
#include "view/frame.h"
#include "view/window.h"

#include <X11/Xatom.h>  // after GoogleTest, whose names Xlib's macros would spoil
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

using Vec = std::array<double, 3>;
using Blocks = std::vector<std::array<int, 3>>;       // row, column and piece type of each cube
using Picture = std::vector<unsigned char>;           // 640 x 480, 4 bytes a pixel
const double kFocal = 1 / std::tan(50 * M_PI / 180);  // of the 100-degree field of view
// A pixel with some colour; a pixel of text, lit far past full brightness.
const auto lit = [](const Picture& p, int i) { return std::max({p[4 * i], p[4 * i + 1], p[4 * i + 2]}) > 40; };
const auto white = [](const Picture& p, int i) { return std::min({p[4 * i], p[4 * i + 1], p[4 * i + 2]}) >= 250; };

// How many of the numbers from `from` up to `to` pass.
template <class Test> int count(int from, int to, Test pass) {
    int n = 0;
    for (int i = from; i < to; i++)
        n += pass(i);
    return n;
}

// A direction seen from the eye, in the pit's axes: the camera's turns about
// z, then y, then x, each anticlockwise seen from the axis' tip, undone.
Vec unturned(Vec v, const std::array<double, 4>& w) {
    for (int i = 1; i < 4; i++) {  // about x, turning y towards z; about y, z towards x; about z, x towards y
        auto turned = std::complex(v[i % 3], v[(i + 1) % 3]) * std::polar(1., -w[i] * M_PI / 180);
        std::tie(v[i % 3], v[(i + 1) % 3]) = std::pair(turned.real(), turned.imag());
    }
    return v;
}

// Pixels of the picture unlike the scene worked out here. A pixel's ray meets
// the nearest cube face, lit by its ambient colour times 0.2 plus the light's
// 0.5 diffuse and its specular at shininess 10, or else shows a rim line or
// black. Pixels within a pixel of another face or two of a rim line, and
// white text, are not judged. `seen` holds, per pixel, the face seen (6 *
// block + side) and its colour, or -1 and then what shows instead: 0 black, 1
// the middle of a rim line, -1 too near one. The view `w` is the zoom, then
// the turns about x, y and z in degrees.
int mismatches(const Picture& p, const Blocks& blocks, const std::array<double, 4>& w) {
    // The ambient colours of the seven types, doubled.
    const int ambient[8][3] = {{}, {1, 1, 5}, {5, 5, 1}, {1, 5, 1}, {5, 1, 1}, {5, 1, 5}, {2, 2, 2}, {1, 5, 5}};
    Vec eye = unturned({0, 0, -w[0]}, w), x = unturned({1, 0, 0}, w), y = unturned({0, 1, 0}, w);
    Vec z = unturned({0, 0, 1}, w), light{0, -270 / std::hypot(270, 150), 150 / std::hypot(270, 150)};
    double half = std::hypot(z[0], z[1] + light[1], z[2] + light[2]);  // the length of light + z
    std::vector<std::array<int, 4>> seen(640 * 480, {-1});
    for (int i = 0; i < 640 * 480; i++) {
        double u = ((i % 640 + .5) / 320 - 1) / kFocal, v = ((i / 640 + .5) / 240 - 1) / kFocal, nearest = 1e9;
        Vec d{u * x[0] + v * y[0] - z[0], u * x[1] + v * y[1] - z[1], u * x[2] + v * y[2] - z[2]};
        for (size_t b = 0; b < blocks.size(); b++) {
            double in = 0, out = 1e9, c[] = {20. * blocks[b][1] - 90, 20. * blocks[b][0] - 195, 0};
            int axis = 0;
            for (int k = 0; k < 3; k++) {
                double t0 = (c[k] - 9 - eye[k]) / d[k], t1 = (c[k] + 9 - eye[k]) / d[k];
                axis = std::min(t0, t1) > in ? k : axis;
                in = std::max(in, std::min(t0, t1)), out = std::min(out, std::max(t0, t1));
            }
            double sign = d[axis] < 0 ? 1 : -1, nl = std::max(0., sign * light[axis]);
            double shine = nl > 0 ? std::pow(std::max(0., sign * (light[axis] + z[axis]) / half), 10) : 0;
            for (int k = 1; in < out && in < nearest && k < 4; k++)
                seen[i][k] = int(.5 + 255 * std::min(1., ambient[blocks[b][2]][k - 1] * .1 + (k < 3 ? .4 : .45) * nl +
                                                             (k < 3 ? .9 : .1) * shine));
            seen[i][0] = in < out && in < nearest ? int(6 * b + 2 * axis) + (sign > 0) : seen[i][0];
            nearest = in < out ? std::min(nearest, in) : nearest;
        }
        // Where the ray meets the rims' plane, and how many pixels from the nearest line.
        double t = (-20 - eye[2]) / d[2], rx = eye[0] + t * d[0] + 100, ry = eye[1] + t * d[1] + 205;
        double gap = std::abs(rx - 20 * std::round(rx / 20)) * 320 * kFocal / t;
        if (seen[i][0] == -1 && rx > -10 && rx < 210 && ry > -3 && ry < 403 && gap < 2.5)
            seen[i][1] = gap < .8 && ry > 3 && ry < 397 ? 1 : -1;
    }
    return count(641, 640 * 479, [&](int i) {
        auto other = [&](int n) { return seen[i + std::array{-1, 1, -640, 640}[n]][0] != seen[i][0]; };
        auto off = [&](int k) { return std::abs(p[4 * i + k] - seen[i][k + 1]) > 6; };
        bool judged = i % 640 % 639 && seen[i][1] >= 0 && !white(p, i) && !count(0, 4, other);
        return judged && (seen[i][0] < 0 ? lit(p, i) != (seen[i][1] == 1) : count(0, 3, off) > 0);
    });
}

// Draws the frame for the time `now`, if one is given, and reads it back: RGBA, bottom row first.
Picture picture(int now = -1) {
    if (now >= 0)
        drawFrame(now);
    Picture p(640 * 480 * 4);
    glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
    return p;
}

TEST(Frame, AfterAResizeTheKeysTurnTheViewAndEachFrameShowsTheWalkThePieceAndTheTexts) {
    int argc = 0;
    std::ofstream("score.dat") << 8;  // the best score shown
    startGame(&argc, nullptr);
    // The first frame shows the new piece's anchor cube in column 4 at the top (lower if start-up took longer
    // than a fall), in the start view at aspect 4/3.
    int top = 19 + piece.y / 20;
    EXPECT_TRUE(lit(picture(), 640 * int(240 + 240 * kFocal * (top - 9.75) / 8.8) + int(320 - 120 * kFocal / 8.8)));
    game.lastFall = -5000;  // a fall is due, but an expose runs no frame: it only clears the window
    onDisplay();
    EXPECT_EQ(piece.y, (top - 19) * 20);
    EXPECT_EQ(count(0, 640 * 480, [p = picture()](int i) { return lit(p, i); }), 0);
    glViewport(0, 0, 1, 1);  // spoiled, for the reshape to put right
    onReshape(800, 600);
    Blocks walked = {{0, 0, 4}, {0, 9, 3}, {2, 2, 4}, {3, 6, 1}, {8, 3, 5}, {16, 8, 6}, {19, 1, 7}};
    for (auto [row, col, type] : walked)
        pit.cells[row][col] = type;
    // A straight piece turned a quarter anticlockwise, drawn in rows 3-6 of
    // column 2: at its next fall it meets the block below and locks there.
    // The next piece is a type 2.
    std::tie(piece.type, piece.angle, piece.x, piece.y, game.lastFall, game.score, game.level, game.lines) =
        std::tuple(4, 90, -40, -300, 1000000, 1234567, 3, 45);
    nextType(2);
    refreshStatusTexts();
    for (char key : std::string(20, 'w') + std::string(25, 'd') + std::string(15, 'e') + std::string(60, '-') +
                        "+++++sssssaaaaaqqqqqWWWWWSSSSSAAAAADDDDDEEEEEQQQQQ")
        onKeyboard(key, 0, 0);  // each camera key outnumbers its partner; upper case does nothing
    // In the frame where the piece falls and locks, the walk has drawn the pit
    // before: the locked cells show only in the next frame. The next piece,
    // drawn after the update, stands at the top.
    Blocks one = walked, two = walked;
    one.insert(one.end(), {{19, 3, 2}, {19, 4, 2}, {19, 5, 2}, {20, 5, 2}});
    EXPECT_EQ(mismatches(picture(1001001), one, {-240, 15, -20, 10}), 0);
    // Turned a quarter anticlockwise, its cells (1, 0), (1, 1), (-1, 0) go to
    // (0, 1), (-1, 1), (0, -1) about the anchor, moved to column 2. What a
    // frame leaves spoils none after it.
    for (int key : {GLUT_KEY_UP, GLUT_KEY_LEFT, GLUT_KEY_LEFT})
        onSpecialKey(key, 0, 0);
    two.insert(two.end(), {{3, 2, 4}, {4, 2, 4}, {5, 2, 4}, {6, 2, 4}, {19, 2, 2}, {20, 2, 2}, {20, 1, 2}, {18, 2, 2}});
    game.paused = 1;  // the message too
    Picture shown = picture(1001001);
    EXPECT_EQ(mismatches(shown, two, {-240, 15, -20, 10}), 0);
    // The white of the frame is the texts, drawn here with the font at their places.
    glClear(GL_COLOR_BUFFER_BIT);
    // clang-format off
    const std::tuple<int, int, const char*> written[] = {{5, 465, "Score: 1234567"}, {5, 450, "Highest: 8"},
        {580, 465, "Level: 3"}, {580, 450, "Lines: 45"}, {240, 240, "Paused - press r to resume"}};
    // clang-format on
    for (auto [x, y, text] : written)
        glWindowPos2i(x, y), glutBitmapString(GLUT_BITMAP_HELVETICA_12, reinterpret_cast<const unsigned char*>(text));
    EXPECT_EQ(count(0, 640 * 480, [&, texts = picture()](int i) { return white(texts, i) != white(shown, i); }), 0);
}

// What a shell command prints (up to 2 MiB).
std::string run(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out(1 << 21, 0);
    return out.substr(0, fread(out.data(), 1, out.size(), pipe.get()));
}

// In the game's window as X shows it, top row first, at the start view: a cube
// in this cell (the middle of its front is row - 9.75 and col - 4.5 cells
// off the eye's axis and 185 - 9 units, 8.8 cells, in front of the eye), and
// the message, written across the middle rows.
bool cube(const Picture& p, int row, int col) {
    return lit(p, 640 * int(240 - 240 * kFocal * (row - 9.75) / 8.8) + int(320 + 320 * kFocal * (col - 4.5) / 8.8));
}
const auto message = [](auto p) { return count(640 * 227, 640 * 244, [&](int i) { return white(p, i); }) > 100; };

TEST(GameBinary, AShortGamePlayedWithRealKeys) {
    unsigned seed = 0;  // pieces of types 4, 4, 7, 7: two straight ones, two squares
    while (srand(++seed), std::vector{rand() % 7, rand() % 7, rand() % 7, rand() % 7} != std::vector{3, 3, 6, 6}) {}
    std::remove("score.dat");
    std::string pid = run("PLUMBRIX_TIME=" + std::to_string(seed) + " " PLUMBRIX_GAME " >/dev/null & printf $!");
    std::shared_ptr<void> end(nullptr, [&](void*) { EXPECT_EQ(run("kill -9 " + pid + " 2>&1"), "") << "it ended"; });
    std::string id = run("timeout 300 xdotool search --sync --onlyvisible --name '^Plumbrix$' | tail -1 | head -c -1");
    EXPECT_EQ(run("xdotool getwindowgeometry --shell " + id + "|sed -n 2,5p"), "X=100\nY=50\nWIDTH=640\nHEIGHT=480\n");
    // What a window manager reads off the window: its class, its process and
    // its icons, the pictures of data/icons/ at each size, 0xAARRGGBB.
    std::unique_ptr<Display, int (*)(Display*)> x(XOpenDisplay(nullptr), XCloseDisplay);
    auto property = [&](const char* name, Atom type) {
        unsigned long n = 0, left, *data = nullptr;  // 32-bit items come as longs
        int format = 0;
        XGetWindowProperty(x.get(), std::stoul(id), XInternAtom(x.get(), name, 0), 0, 1 << 16, 0, type, &type, &format,
                           &n, &left, reinterpret_cast<unsigned char**>(&data));
        auto bytes = reinterpret_cast<unsigned char*>(data);
        std::vector<unsigned long> items(n);
        for (unsigned long i = 0; i < n; i++)
            items[i] = format == 32 ? data[i] & 0xfffffffful : bytes[i];
        return XFree(data), items;
    };
    const char classes[] = "plumbrix\0Plumbrix";
    EXPECT_EQ(property("WM_CLASS", XA_STRING), std::vector<unsigned long>(std::begin(classes), std::end(classes)));
    EXPECT_EQ(property("_NET_WM_PID", XA_CARDINAL), std::vector{std::stoul(pid)});
    std::vector<unsigned long> icons;
    for (unsigned long size : {16, 24, 32, 48, 64}) {
        png_image png{};
        png.version = PNG_IMAGE_VERSION;
        auto file = PLUMBRIX_ICONS "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/plumbrix.png";
        png_image_begin_read_from_file(&png, file.c_str());
        png.format = PNG_FORMAT_BGRA;
        std::vector<unsigned char> p(PNG_IMAGE_SIZE(png));
        EXPECT_TRUE(png_image_finish_read(&png, nullptr, p.data(), 0, nullptr) && png.width == size) << file;
        icons.insert(icons.end(), {size, size});
        for (size_t i = 0; i < p.size(); i += 4)
            icons.push_back(p[i + 3] * 0x1000000ul + p[i + 2] * 0x10000ul + p[i + 1] * 0x100ul + p[i]);
    }
    EXPECT_EQ(property("_NET_WM_ICON", XA_CARDINAL), icons);
    // Sends the keys, then watches the window until `ok` holds, for ten
    // seconds or more. Xlib gives the X server's pixels, in its byte order, as
    // this machine's numbers.
    auto send = [&](const std::string& keys, auto ok) {
        run("2>/dev/null xdotool key --delay 4 --window " + id + " " + keys);
        for (int tries = 0; tries < 250 && !usleep(20000); tries++) {
            XImage* shot = XGetImage(x.get(), std::stoul(id), 0, 0, 640, 480, AllPlanes, ZPixmap);
            Picture p(1228800);  // blue, green, red, -
            for (size_t i = 0; i < p.size(); i++)
                p[i] = XGetPixel(shot, int(i / 4 % 640), int(i / 2560)) >> (i % 4 * 8) & 255;
            if (XDestroyImage(shot), ok(p))
                return true;
        }
        return false;
    };

    // The first piece, a straight one in columns 3-6, enters in row 19: seen lower, it fell on its own.
    ASSERT_TRUE(send("", [](auto p) { return !cube(p, 19, 4) && count(0, 19, [&](int r) { return cube(p, r, 4); }); }));
    // Paused, a second p, R and the arrows do nothing. Resumed, the first
    // straight piece turned twice and moved left, the second moved right, the
    // square dropped between them: the bottom row fills and goes. P does not
    // pause, and the camera keys, each undone by its partner, change nothing.
    // Paused and resumed again, not restarted: the next square, dropped three
    // columns left, lands beside what is left of the first, and the bottom row
    // holds columns 1, 2, 4 and 5.
    EXPECT_TRUE(send(
        "p p R Left Right Up Down r P w s a d e q plus minus Up Up Left Left Down Right Right Right "
        "Down Down p r Left Left Left Down p",
        [](auto p) { return message(p) && !count(0, 10, [&](int c) { return cube(p, 0, c) != (c % 3 && c < 6); }); }));
    ASSERT_TRUE(send("r", [](auto p) { return !message(p); }));
    ASSERT_TRUE(send("--repeat 40 Down", message)) << "no game over";
    // A plain number, with at least the row's 40 points.
    EXPECT_EQ(slurp("score.dat"), std::to_string(std::max(40, std::stoi(slurp("score.dat")))));
    // A fresh game, paused: the pit is empty.
    EXPECT_TRUE(send("r p", [](auto p) { return message(p) && !cube(p, 0, 4) && !cube(p, 0, 5); }));
}
