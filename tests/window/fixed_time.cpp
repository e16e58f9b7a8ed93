// Preloaded into the game by the window tests: the clock that seeds the piece
// generator reads PLUMBRIX_TIME, so a test knows which pieces will come.
#include <cstdlib>
#include <ctime>

extern "C" std::time_t time(std::time_t* out) {
    std::time_t now = std::atol(std::getenv("PLUMBRIX_TIME"));
    return out ? *out = now : now;
}
