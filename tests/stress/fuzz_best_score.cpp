// libFuzzer target: parseBestScore against a plain reading of the file rule,
// and the file reader and writer on the same bytes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "game/best_score.h"
#include "game/score_file.h"

// Skip " \t\n\v\f\r", an optional sign, then the first number clamped to 32 bits.
static std::optional<std::int32_t> reference(const std::uint8_t* text, std::size_t size) {
    std::size_t i = 0;
    while (i < size && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        i++;
    bool negative = i < size && text[i] == '-';
    i += i < size && (text[i] == '-' || text[i] == '+');
    if (i == size || text[i] < '0' || text[i] > '9')
        return std::nullopt;
    long long value = 0;
    for (; i < size && text[i] >= '0' && text[i] <= '9'; i++)
        value = std::min(value * 10 + (text[i] - '0'), 1LL << 40);
    return static_cast<std::int32_t>(std::clamp(negative ? -value : value, -2147483648LL, 2147483647LL));
}

static void expect(bool ok, const char* what) {
    if (!ok)
        std::fprintf(stderr, "best-score fuzzer: %s\n", what), std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* text, std::size_t size) {
    static unsigned inputs;
    std::optional<std::int32_t> value = parseBestScore(reinterpret_cast<const char*>(text), size);
    expect(value == reference(text, size), "parseBestScore breaks the reading rule");
    if (inputs++ % 16)  // the file checks are slow: a sample is enough
        return 0;
    std::FILE* file = std::fopen("score.dat", "wb");
    expect(file && std::fwrite(text, 1, size, file) == size && !std::fclose(file), "cannot write the input file");
    expect(readBestScoreFile("score.dat") == value, "readBestScoreFile and parseBestScore disagree");
    expect(!value || (writeBestScoreFile("score.dat", *value) && readBestScoreFile("score.dat") == value),
           "a saved best score reads back differently");
    return 0;
}
