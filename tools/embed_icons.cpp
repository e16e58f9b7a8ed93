// Writes the PNG icons named after the output file into a C++ file, for each
// its width, its height and its pixels row by row as 0xAARRGGBB: the window's
// icons, decoded here at build time so that the game needs no PNG library.
// usage: embed_icons OUT.cpp ICON.png...
#include <png.h>

#include <cstdio>
#include <fstream>
#include <vector>

static bool embed(std::ofstream& out, const char* file) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, file))
        return std::fprintf(stderr, "%s: %s\n", file, png.message), false;
    png.format = PNG_FORMAT_ARGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr))
        return std::fprintf(stderr, "%s: %s\n", file, png.message), false;
    out << "    " << png.width << ", " << png.height << ",";
    for (size_t i = 0; i < pixels.size(); i += 4) {
        char word[16];
        std::snprintf(word, sizeof word, "0x%02x%02x%02x%02x,", pixels[i], pixels[i + 1], pixels[i + 2], pixels[i + 3]);
        out << (i % 32 ? " " : "\n    ") << word;
    }
    out << "\n";
    return true;
}

int main(int argc, char** argv) {
    if (argc < 3)
        return std::fprintf(stderr, "usage: %s OUT.cpp ICON.png...\n", argv[0]), 2;
    std::ofstream out(argv[1]);
    out << "// Written by the build from the game's icons.\n#include \"view/desktop.h\"\n\n"
           "const std::uint32_t kWindowIcons[] = {\n";
    bool ok = true;
    for (int i = 2; ok && i < argc; i++)
        ok = embed(out, argv[i]);
    out << "};\nconst std::size_t kWindowIconWords = sizeof kWindowIcons / sizeof *kWindowIcons;\n";
    out.close();
    if (ok && out)
        return 0;
    std::remove(argv[1]);  // so that the next build tries again
    return 1;
}
