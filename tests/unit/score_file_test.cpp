// The best-score file: what is read back, and what a save leaves behind in
// the folders and files a player's machine may hold.
#include <csignal>
#include <cstdlib>
#include <iterator>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "game/best_score.h"
#include "game/score_file.h"
#include "support.h"

namespace fs = std::filesystem;

// Saves 456789 as user nobody (also in group daemon) under a file-size limit,
// holding SIGQUIT back as a caller may: could score.dat be read first, what
// became of the save, and does the game hold the same signals afterwards? A
// player whose game hangs is stopped by an alarm.
static std::string readAndSaveAsAPlayer(rlim_t sizeLimit) {
    pid_t pid = fork();
    if (pid == 0) {
        gid_t groups[] = {1};
        rlimit limit{sizeLimit, sizeLimit};
        sigset_t held;
        if (sigemptyset(&held) || sigaddset(&held, SIGQUIT) || sigprocmask(SIG_BLOCK, &held, nullptr) ||
            setgroups(1, groups) || setgid(65534) || setuid(65534) || setrlimit(RLIMIT_FSIZE, &limit) || alarm(30))
            _exit(9);
        bool read = readBestScoreFile("score.dat").has_value(), stored = writeBestScoreFile("score.dat", 456789);
        sigprocmask(SIG_BLOCK, nullptr, &held);
        _exit(sigismember(&held, SIGQUIT) && !sigismember(&held, SIGTERM) ? read * 2 + stored : 4);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const char* reports[] = {"- kept", "- stored", "read kept", "read stored", "signals changed"};
    return WIFEXITED(status) && WEXITSTATUS(status) < 5 ? reports[WEXITSTATUS(status)] : "died";
}

TEST_F(Rules, TheBestScoreIsTheLeadingNumberClampedTo32Bits) {
    // clang-format off
    const std::pair<const char*, int> cases[] = {{"  -42xyz", -42}, {"abc", 3}, {"+7", 7}, {"- 5", 3}, {"\n\t\v\f\r 12\n", 12},
        {"000000000000000000000042", 42}, {"99999999999999999999", 2147483647}, {"-99999999999", -2147483647 - 1}};
    // clang-format on
    for (auto [text, best] : cases) {  // a file with no number leaves the best as it was
        std::ofstream("score.dat") << text;
        game.best = 3;
        loadBestScore();
        EXPECT_EQ(texts.bestText, "Highest: " + std::to_string(best)) << '"' << text << '"';
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
        const char* expected;
        rlim_t sizeLimit = RLIM_INFINITY;
    };
    // Shell words before each row, in a folder of its own that becomes the player's: the player's own file, and a
    // sticky folder with a link to the player's file in another folder, owned by whom the row says.
    const std::string words = "set -e; chown 65534:65534 .; mine() { printf 5 >score.dat; chown 65534:65534 score.dat; "
                              "}; planted() { chown 0:0 .; chmod 1777 .; mkdir mine; printf 5 >mine/score; "
                              "chown -R 65534:65534 mine; ln -s mine/score score.dat; chown -h $1 score.dat; }; ";
    // Whether score.dat (or what it leads to) is still the same file, what it is, what it leads to, its text, and
    // everything in the folder.
    const char* look = "{ [ \"$(stat -Lc %i score.dat)\" = \"$(cat ../inode)\" ] && echo same || echo new;"
                       "  stat -c '%F %a %u:%g %h' score.dat; stat -Lc '%a %u:%g %h' score.dat;"
                       "  [ -f score.dat ] && cat score.dat; echo; find . -mindepth 1 | sort | paste -sd' ';"
                       "} 2>/dev/null | paste -sd'|' >../seen";
    // clang-format off
    const Row rows[] = {
        {"", "- stored|new|regular file 644 65534:65534 1|644 65534:65534 1|456789|./score.dat"},
        {"mine; chgrp 1 score.dat; chmod 660 score.dat", "read stored|new|regular file 660 65534:1 1|660 65534:1 1|456789|./score.dat"},
        {"mine; chgrp 0 score.dat; chmod 660 score.dat", "read stored|same|regular file 660 65534:0 1|660 65534:0 1|456789|./score.dat"},
        {"mine; setfacl -m u:1:rw score.dat", "read stored|same|regular file 664 65534:65534 1|664 65534:65534 1|456789|./score.dat"},
        // A shared file written in place over a longer text: nothing of the old text may follow the number.
        {"mine; ln score.dat other; printf '5 points' >score.dat", "read stored|same|regular file 644 65534:65534 2|644 65534:65534 2|456789|./other ./score.dat"},
        // Links in a chain: up from the working folder, to an absolute path, and relative to their own folder.
        {"mkdir sub; printf 5 >sub/real; chown -R 65534:65534 sub; chmod 711 ..; ln -s real sub/b; ln -s $PWD/sub/b sub/a; ln -s ../${PWD##*/}/sub/a score.dat",
         "read stored|new|symbolic link 777 0:0 1|644 65534:65534 1|456789|./score.dat ./sub ./sub/a ./sub/b ./sub/real"},
        {"ln -s score.dat score.dat", "- kept|same|symbolic link 777 0:0 1||./score.dat"},
        // A FIFO with something to read in it, held open by a writer for a while.
        {"mkfifo -m 644 score.dat; chown 65534:65534 score.dat; exec 3<>score.dat; printf 7 >&3; sleep 20 >/dev/null 2>&1 &",
         "- kept|same|fifo 644 65534:65534 1|644 65534:65534 1||./score.dat"},
        {"ln -s /dev/null score.dat", "- kept|same|symbolic link 777 0:0 1|666 0:0 1||./score.dat"},
        // Temporaries: of a game no longer running, of one running (process 1), of another user.
        {"mine; for n in 999999999-0 1-0 999999999-1; do printf 5 >score.dat.$n; done; chown 65534 score.dat.?-0 score.dat.*-0",
         "read stored|new|regular file 644 65534:65534 1|644 65534:65534 1|456789|./score.dat ./score.dat.1-0 ./score.dat.999999999-1"},
        {"mine; chmod 444 score.dat", "read kept|same|regular file 444 65534:65534 1|444 65534:65534 1|5|./score.dat"},
        {"mine; chmod 555 .", "read stored|same|regular file 644 65534:65534 1|644 65534:65534 1|456789|./score.dat"},
        {"chown 1:1 .; chmod 777 .; printf 5 >score.dat; chown 1:1 score.dat; chmod 666 score.dat",
         "read stored|same|regular file 666 1:1 1|666 1:1 1|456789|./score.dat"},
        {"planted 1:1", "- kept|same|symbolic link 777 1:1 1|644 65534:65534 1|5|./mine ./mine/score ./score.dat"},
        {"planted 0:0", "read stored|new|symbolic link 777 0:0 1|644 65534:65534 1|456789|./mine ./mine/score ./score.dat"},
        {"mkdir -m 1777 tmp; mkdir tmp/real; printf 5 >tmp/real/score.dat; chmod 666 tmp/real/score.dat; ln -s real tmp/scores; "
         "chown -hR 1:1 tmp/real tmp/scores; ln -s tmp/scores/score.dat score.dat; chown -h 65534 score.dat",
         "- kept|same|symbolic link 777 65534:0 1|666 1:1 1|5|./score.dat ./tmp ./tmp/real ./tmp/real/score.dat ./tmp/scores"},
        {"planted 65534:65534",
         "read stored|new|symbolic link 777 65534:65534 1|644 65534:65534 1|456789|./mine ./mine/score ./score.dat"},
        {"mine", "read kept|same|regular file 644 65534:65534 1|644 65534:65534 1|5|./score.dat", 2},
    };
    // clang-format on
    for (const Row& row : rows) {
        fs::path dir = tempDir / std::to_string(&row - rows);
        fs::create_directory(dir);
        fs::current_path(dir);
        std::string setup = words + row.setup + "\nstat -Lc %i score.dat >../inode 2>/dev/null || true";
        ASSERT_EQ(std::system(setup.c_str()), 0) << row.setup;
        std::string seen = readAndSaveAsAPlayer(row.sizeLimit) + "|";
        ASSERT_EQ(std::system(look), 0);
        seen += slurp("../seen");
        fs::current_path(tempDir);
        EXPECT_EQ(seen, row.expected + std::string("\n")) << row.setup;
    }
}

// The game's own calls come here: each lock refused is told on `refusals`, if open.
static int refusals = -1;
extern "C" int flock(int fd, int operation) {
    int result = static_cast<int>(syscall(SYS_flock, fd, operation)), error = errno;
    if (result != 0 && refusals >= 0)
        (void)!write(refusals, "-", 1);
    errno = error;
    return result;
}

TEST_F(Rules, TwoGamesInOneFolderKeepTheHigherScoreAndNoLockFreezesASave) {
    ASSERT_TRUE(writeBestScoreFile("score.dat", 280));
    // A save waits while another game holds the folder, then keeps the higher
    // score that game stored.
    int folder = open(".", O_RDONLY | O_DIRECTORY), told[2];
    ASSERT_TRUE(flock(folder, LOCK_EX) == 0 && pipe(told) == 0);
    refusals = told[1];
    pid_t pid = fork();
    if (pid == 0)
        _exit(close(folder) || !writeBestScoreFile("score.dat", 300, 600000));  // the lock stays the other game's
    refusals = -1;
    close(told[1]);
    char twice[2];  // refused, then refused again after a wait: it is waiting
    EXPECT_TRUE(read(told[0], twice, 1) == 1 && read(told[0], twice + 1, 1) == 1);
    EXPECT_EQ(slurp("score.dat"), "280");
    std::ofstream("score.dat") << 500;
    // A lock kept for ever is given up on after a while.
    alarm(60);
    EXPECT_TRUE(writeBestScoreFile("score.dat", 700));
    alarm(0);
    close(folder);
    waitpid(pid, nullptr, 0);
    close(told[0]);
    EXPECT_EQ(slurp("score.dat"), "700");
}

TEST_F(Rules, ASaveStoppedBySignalsLeavesAWholeValueAndTheNextSaveAnyTemporary) {
    std::int32_t seen = 1000;
    ASSERT_TRUE(writeBestScoreFile("score.dat", seen));
    // A game that went on holding signals after a save would never end here.
    sigset_t held;
    ASSERT_TRUE(sigprocmask(SIG_BLOCK, nullptr, &held) == 0 && !sigismember(&held, SIGTERM));
    // Nothing beside score.dat, which the loop has just read or written.
    auto alone = [] { return std::distance(fs::directory_iterator("."), fs::directory_iterator()) == 1; };
    for (int round = 0; round < 160; round++) {
        const int signals[] = {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE, SIGKILL};
        int signal = signals[round % 8];
        pid_t pid = fork();
        for (std::int32_t value = seen + 1; pid == 0; value++)  // saves until stopped
            writeBestScoreFile("score.dat", value);
        while (slurp("score.dat") == std::to_string(seen))  // until its first save is in
            usleep(10);
        usleep(static_cast<useconds_t>(random() % 2000));
        kill(pid, signal);
        waitpid(pid, nullptr, 0);
        std::string text = slurp("score.dat");
        EXPECT_TRUE(text == std::to_string(std::stoi(text)) && std::stoi(text) > seen) << text << " after " << seen;
        seen = std::stoi(text);
        // A kill cannot be held back, so it alone may leave a temporary, which
        // the next save removes.
        EXPECT_TRUE(signal == SIGKILL || alone()) << "a temporary left by signal " << signal;
        // An earlier game's temporary, that had this game's process number.
        std::ofstream("score.dat." + std::to_string(getpid()) + "-0") << 5;
        ASSERT_TRUE(writeBestScoreFile("score.dat", seen));
        EXPECT_TRUE(alone());
    }
}
