#include "game/best_score.h"
#include "game/score_file.h"
#include "game/piece.h"
#include "game/rows.h"
#include "support.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <tuple>

#include <grp.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

static std::string slurp() {
    std::ifstream file(kBestScoreFile, std::ios::binary);
    return fs::is_regular_file(kBestScoreFile) ? std::string(std::istreambuf_iterator<char>(file), {}) : "";
}

static long entries() {
    return std::distance(fs::directory_iterator("."), fs::directory_iterator());
}

TEST_F(Rules, LoadReadsALeadingNumberClampedTo32Bits) {
    // clang-format off
    const std::pair<const char*, int> cases[] = {{nullptr, 0}, {"  -42xyz", -42}, {"abc", 0}, {"", 0}, {"+7", 7},
        {"- 5", 0}, {"\n12\n", 12}, {"99999999999999999999", 2147483647}, {"-99999999999", -2147483647 - 1},
        {"-2147483648", -2147483647 - 1}};
    // clang-format on
    for (auto [text, best] : cases) {
        fs::remove(kBestScoreFile);
        if (text)
            std::ofstream(kBestScoreFile) << text;
        game.best = 0;
        loadBestScore();
        EXPECT_EQ(texts.bestText, "Highest: " + std::to_string(best)) << '"' << (text ? text : "(missing)") << '"';
    }
}

TEST_F(Rules, EveryGameOverSavesBestAndABestRisingAfterwardsIsSavedAgain) {
    mode_t mask = umask(022);
    place(4, 20, 4);
    hardDrop();
    EXPECT_EQ(game.best, 19);
    EXPECT_FALSE(fs::exists(kBestScoreFile));
    // This drop's entry test saves 19, then its points raise best to 37.
    pit.cells[20][4] = 1;
    place(4, 20, 1);
    hardDrop();
    EXPECT_EQ(std::make_tuple(game.over, game.best, slurp()), std::make_tuple(1, 37, std::string("37")));
    setRow(2, "1111111111");
    scanRows(nullptr);
    EXPECT_EQ(std::make_tuple(game.best, slurp()), std::make_tuple(77, std::string("77")));
    game.best = -5;  // the file keeps the higher score
    endGame();
    umask(mask);
    struct stat st {};
    EXPECT_EQ(stat(kBestScoreFile, &st), 0);
    EXPECT_EQ(std::make_tuple(slurp(), st.st_mode & 0777, entries()), std::make_tuple(std::string("77"), 0644u, 1L));
}

TEST_F(Rules, AFailedSaveLeavesTheOldValueWhole) {
    // file mode (or a directory), directory mode, file-size limit; the child's status, the file afterwards
    const std::tuple<mode_t, mode_t, rlim_t, int, const char*> cases[] = {
        {0666, 0555, RLIM_INFINITY, 0, "456789"},  // no temporary file can be made: written in place
        {0444, 0777, RLIM_INFINITY, 1, "5"},
        {0666, 0777, 2, 1, "5"},
        {S_IFDIR | 0777, 0777, RLIM_INFINITY, 1, ""},
    };
    for (auto [fileMode, dirMode, sizeLimit, expectedStatus, text] : cases) {
        fs::remove(kBestScoreFile);
        S_ISDIR(fileMode) ? (void)fs::create_directory(kBestScoreFile) : (void)(std::ofstream(kBestScoreFile) << 5);
        chmod(kBestScoreFile, fileMode & 0777);
        chmod(".", dirMode);
        pid_t pid = fork();
        if (pid == 0) {
            // Root ignores file modes, so the child saves as an ordinary user.
            rlimit limit{sizeLimit, sizeLimit};
            bool user = geteuid() != 0 || (!setgroups(0, nullptr) && !setgid(65534) && !setuid(65534));
            bool limited = sizeLimit == RLIM_INFINITY || setrlimit(RLIMIT_FSIZE, &limit) == 0;
            std::signal(SIGXFSZ, SIG_IGN);
            _exit(!user || !limited ? 2 : writeBestScoreFile(kBestScoreFile, 456789) ? 0 : 1);
        }
        int status = -1;
        waitpid(pid, &status, 0);
        chmod(".", 0700);
        EXPECT_EQ(std::make_tuple(WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(), entries()),
                  std::make_tuple(expectedStatus, std::string(text), 1L))
            << std::oct << fileMode << " in " << dirMode << std::dec << ", size limit " << sizeLimit;
    }
    loadBestScore();
    saveBestScore();
    EXPECT_EQ(std::make_tuple(fs::is_directory(kBestScoreFile), std::string(texts.bestText)),
              std::make_tuple(true, std::string("Highest: 0")));
}

TEST_F(Rules, AWriterKilledAtAnyMomentLeavesAWholeValue) {
    auto* attempted = static_cast<std::atomic<int>*>(
        mmap(nullptr, sizeof(std::atomic<int>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(attempted, MAP_FAILED);
    int seen = 1000000, rounds = 0, advanced = 0, cut = 0;
    ASSERT_TRUE(writeBestScoreFile(kBestScoreFile, *attempted = seen));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (; rounds < 300 && std::chrono::steady_clock::now() < deadline; rounds++) {
        int before = *attempted;
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        for (int value = before + 1; pid == 0; value++)  // the child saves rising values until it is killed
            writeBestScoreFile(kBestScoreFile, *attempted = value);
        while (*attempted == before && std::chrono::steady_clock::now() < deadline)
            usleep(20);
        usleep(random() % 2000);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        std::string text = slurp();
        std::optional<std::int32_t> value = readBestScoreFile(kBestScoreFile);
        ASSERT_TRUE(value && text == std::to_string(*value) && *value >= seen && *value <= *attempted)
            << "round " << rounds << ": \"" << text << "\" after " << seen;
        advanced += *value > seen;
        cut += *value < *attempted;
        seen = *value;
    }
    munmap(attempted, sizeof(std::atomic<int>));
    // Kills must land inside saves, and saves must get through.
    EXPECT_TRUE(cut > rounds / 10 && advanced > rounds / 10) << cut << " cut, " << advanced << " saved in " << rounds;
}
