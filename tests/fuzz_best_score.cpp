// libFuzzer target: the best-score reader against a plain reading of the file
// rule, on text and from a file with the same bytes.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "game/best_score.h"
#include "game/score_file.h"

// White space, an optional sign, then digits, clamped to 32 bits.
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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* text, std::size_t size) {
    std::optional<std::int32_t> value = parseBestScore(reinterpret_cast<const char*>(text), size);
    std::FILE* file = std::fopen("score.dat", "wb");
    bool written = file && std::fwrite(text, 1, size, file) == size && std::fclose(file) == 0;
    if (value != reference(text, size) || !written || readBestScoreFile("score.dat") != value)
        std::abort();
    return 0;
}
