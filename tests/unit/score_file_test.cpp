// The best-score file: what is read back, and what a save leaves behind in
// the folders and files a player's machine may hold.
#include <array>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "game/best_score.h"
#include "game/piece.h"
#include "game/score_file.h"
#include "support.h"

namespace {

namespace fs = std::filesystem;

// A command's output, lines joined with '|'.
std::string run(const char* command) {
    std::string out;
    FILE* pipe = popen(command, "r");
    for (int ch; pipe && (ch = std::fgetc(pipe)) != EOF;)
        out += ch == '\n' ? '|' : static_cast<char>(ch);
    if (pipe)
        pclose(pipe);
    return out.substr(0, out.size() - 1);
}

// Starts as user nobody (also in group daemon) under a file-size limit, reads
// score.dat and saves 456789 over it; reports what was read, whether it was
// stored, and a death by a signal.
std::string readAndSaveAsAPlayer(rlim_t sizeLimit) {
    int out[2];
    if (pipe(out) != 0)
        return "no pipe";
    pid_t pid = fork();
    if (pid == 0) {
        gid_t groups[] = {1};
        rlimit limit{sizeLimit, sizeLimit};
        if (setgroups(1, groups) || setgid(65534) || setuid(65534) || setrlimit(RLIMIT_FSIZE, &limit))
            _exit(2);
        std::optional<std::int32_t> read = readBestScoreFile("score.dat");
        std::string report = (read ? std::to_string(*read) : "-") +
                             (writeBestScoreFile("score.dat", 456789) ? " stored" : " kept");
        _exit(write(out[1], report.data(), report.size()) < 0);
    }
    close(out[1]);
    char report[64];
    ssize_t n = read(out[0], report, sizeof report);
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return std::string(report, n > 0 ? n : 0) + (WIFSIGNALED(status) ? " killed" : "");
}

TEST_F(Rules, TheBestScoreIsTheLeadingNumberClampedTo32Bits) {
    // clang-format off
    const std::pair<const char*, int> cases[] = {{nullptr, 0}, {"  -42xyz", -42}, {"abc", 0}, {"", 0}, {"+7", 7},
        {"- 5", 0}, {"+-5", 0}, {"\n\t\v\f\r 12\n", 12}, {"000000000000000000000042", 42}, {"2147483647", 2147483647},
        {"99999999999999999999", 2147483647}, {"-99999999999", -2147483647 - 1}, {"-2147483648", -2147483647 - 1}};
    // clang-format on
    for (auto [text, best] : cases) {
        fs::remove("score.dat");
        if (text)
            std::ofstream("score.dat") << text;
        game.best = 0;
        loadBestScore();
        EXPECT_EQ(texts.bestText, "Highest: " + std::to_string(best)) << '"' << (text ? text : "(no file)") << '"';
    }
}

// Each row is set up by root in a folder of the player's, then the player
// saves; what the folder holds afterwards is read with stat and find.
TEST_F(Rules, ASaveKeepsLinksOwnersModesAndAnythingThatIsNotTheScore) {
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can set up files of other users";
    umask(022);
    struct Row {
        const char* setup;
        rlim_t sizeLimit;
        const char* expected;  // the player's report | score.dat | what it leads to | its text | the folder
    };
    const char* const mine = "printf 5 >score.dat; chown 65534:65534 score.dat";
    const char* const sticky = "chown 0:0 .; chmod 1777 .; mkdir mine; printf 5 >mine/score; chown -R 65534:65534 mine; "
                               "ln -s mine/score score.dat; chown -h";
    // clang-format off
    const Row rows[] = {
        {"", RLIM_INFINITY, "- stored|regular file 644 65534:65534 1|644 65534:65534 1|456789|./score.dat"},
        {"{}; chmod 600 score.dat", RLIM_INFINITY, "5 stored|regular file 600 65534:65534 1|600 65534:65534 1|456789|./score.dat"},
        {"{}; chgrp 1 score.dat; chmod 660 score.dat", RLIM_INFINITY, "5 stored|regular file 660 65534:1 1|660 65534:1 1|456789|./score.dat"},
        {"{}; chgrp 0 score.dat; chmod 660 score.dat", RLIM_INFINITY, "5 stored|regular file 660 65534:0 1|660 65534:0 1|456789|./score.dat"},
        {"{}; ln score.dat other", RLIM_INFINITY, "5 stored|regular file 644 65534:65534 2|644 65534:65534 2|456789|./other ./score.dat"},
        {"mkdir sub; printf 5 >sub/real; chmod 600 sub/real; ln -s sub/real score.dat; chown -hR 65534:65534 .", RLIM_INFINITY,
         "5 stored|symbolic link 777 65534:65534 1|600 65534:65534 1|456789|./score.dat ./sub ./sub/real"},
        {"mkdir sub; ln -s sub/new score.dat; chown -hR 65534:65534 .", RLIM_INFINITY,
         "- stored|symbolic link 777 65534:65534 1|644 65534:65534 1|456789|./score.dat ./sub ./sub/new"},
        {"mkfifo -m 644 score.dat", RLIM_INFINITY, "- kept|fifo 644 0:0 1|644 0:0 1||./score.dat"},
        {"ln -s /dev/null score.dat", RLIM_INFINITY, "- kept|symbolic link 777 0:0 1|666 0:0 1||./score.dat"},
        {"ln -s /dev/zero score.dat", RLIM_INFINITY, "- kept|symbolic link 777 0:0 1|666 0:0 1||./score.dat"},
        {"mkdir score.dat", RLIM_INFINITY, "- kept|directory 755 0:0 2|755 0:0 2||./score.dat"},
        {"{}; chmod 444 score.dat", RLIM_INFINITY, "5 kept|regular file 444 65534:65534 1|444 65534:65534 1|5|./score.dat"},
        {"{}; chmod 555 .", RLIM_INFINITY, "5 stored|regular file 644 65534:65534 1|644 65534:65534 1|456789|./score.dat"},
        {"chown 0:0 .; chmod 1777 .; printf 5 >score.dat; chmod 666 score.dat", RLIM_INFINITY,
         "5 stored|regular file 666 0:0 1|666 0:0 1|456789|./score.dat"},
        {"chown 1:1 .; chmod 777 .; printf 5 >score.dat; chown 1:1 score.dat; chmod 666 score.dat", RLIM_INFINITY,
         "5 stored|regular file 666 1:1 1|666 1:1 1|456789|./score.dat"},
        {"[] 1:1 score.dat", RLIM_INFINITY, "- kept|symbolic link 777 1:1 1|644 65534:65534 1|5|./mine ./mine/score ./score.dat"},
        {"[] 65534:65534 score.dat", RLIM_INFINITY,
         "5 stored|symbolic link 777 65534:65534 1|644 65534:65534 1|456789|./mine ./mine/score ./score.dat"},
        {"{}", 2, "5 kept|regular file 644 65534:65534 1|644 65534:65534 1|5|./score.dat"},
        {"printf 5 >score.dat; chmod 666 score.dat", 2, "5 kept|regular file 666 0:0 1|666 0:0 1|5|./score.dat"},
    };
    // clang-format on
    int n = 0;
    for (const Row& row : rows) {
        fs::path dir = tempDir / std::to_string(n++);
        fs::create_directory(dir);
        ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0);
        fs::current_path(dir);
        std::string setup = row.setup;
        for (auto [mark, text] : {std::pair{"{}", mine}, std::pair{"[]", sticky}})
            if (setup.find(mark) != std::string::npos)
                setup.replace(setup.find(mark), 2, text);
        ASSERT_EQ(std::system(setup.c_str()), 0) << setup;
        std::string seen = readAndSaveAsAPlayer(row.sizeLimit) + "|";
        seen += run("stat -c '%F %a %u:%g %h' score.dat; stat -Lc '%a %u:%g %h' score.dat 2>/dev/null; "
                    "[ -f score.dat ] && cat score.dat; echo; find . -mindepth 1 | sort | paste -sd' '");
        fs::current_path(tempDir);
        EXPECT_EQ(seen, row.expected) << setup;
    }
}

TEST_F(Rules, TwoGamesInOneFolderKeepTheHigherScore) {
    ASSERT_TRUE(writeBestScoreFile("score.dat", 280));  // saved by a game started later
    game.best = 97;
    endGame();
    EXPECT_EQ(slurp("score.dat"), "280");
    // A save waits while another game holds the folder, then keeps what that game stored.
    int folder = open(".", O_RDONLY | O_DIRECTORY);
    ASSERT_TRUE(flock(folder, LOCK_EX) == 0 && fs::exists("/proc/self/syscall"));
    pid_t pid = fork();
    if (pid == 0)
        _exit(close(folder) || !writeBestScoreFile("score.dat", 300));  // the lock stays the other game's
    std::string waiting = std::to_string(SYS_flock) + " ", proc = "/proc/" + std::to_string(pid) + "/syscall";
    while (waitpid(pid, nullptr, WNOHANG) == 0 && slurp(proc).rfind(waiting, 0) != 0)
        usleep(100);
    EXPECT_EQ(slurp("score.dat"), "280");
    std::ofstream("score.dat") << 500;
    close(folder);
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(slurp("score.dat"), "500");
}

TEST_F(Rules, ASaveStoppedBySignalsLeavesAWholeValueAndNoTemporary) {
    auto* attempted = static_cast<std::int32_t*>(
        mmap(nullptr, sizeof(std::int32_t), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(attempted, MAP_FAILED);
    std::int32_t seen = *attempted = 1000;
    ASSERT_TRUE(writeBestScoreFile("score.dat", seen));
    for (int round = 0; round < 80; round++) {
        int signal = std::array{SIGTERM, SIGINT, SIGHUP, SIGKILL}[round % 4];
        std::int32_t before = *attempted;
        pid_t pid = fork();
        for (std::int32_t value = before + 1; pid == 0; value++)  // saves until stopped
            writeBestScoreFile("score.dat", *attempted = value);
        while (*attempted == before)
            usleep(10);
        usleep(static_cast<useconds_t>(random() % 2000));
        kill(pid, signal);
        waitpid(pid, nullptr, 0);
        std::string text = slurp("score.dat");
        std::int32_t value = std::stoi(text);
        ASSERT_TRUE(text == std::to_string(value) && value >= seen && value <= *attempted)
            << "\"" << text << "\" after " << seen << ", signal " << signal;
        seen = value;
        // A kill cannot be held back, so it alone may leave a temporary file.
        for (const fs::directory_entry& entry : fs::directory_iterator("."))
            if (entry.path().filename() != "score.dat" && fs::remove(entry.path())) {
                EXPECT_EQ(signal, SIGKILL) << entry.path() << " left by signal " << signal;
            }
    }
    munmap(attempted, sizeof(std::int32_t));
}

}  // namespace
