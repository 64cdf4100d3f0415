// Draws the 16 by 16 plus and minus pictures as GIF files, and the window's
// icon as an XPM file for the desktop entry, into the folder given on the
// command line.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "assets/WindowIconArt.h"

namespace {

constexpr int kSize = 16;

// . white, o grey frame, # black sign
constexpr std::array<std::string_view, kSize> kPlus = {
    "................", "................", "..oooooooooooo..", "..o..........o..",
    "..o..........o..", "..o....##....o..", "..o....##....o..", "..o.########.o..",
    "..o.########.o..", "..o....##....o..", "..o....##....o..", "..o..........o..",
    "..o..........o..", "..oooooooooooo..", "................", "................",
};
constexpr std::array<std::string_view, kSize> kMinus = {
    "................", "................", "..oooooooooooo..", "..o..........o..",
    "..o..........o..", "..o..........o..", "..o..........o..", "..o.########.o..",
    "..o.########.o..", "..o..........o..", "..o..........o..", "..o..........o..",
    "..o..........o..", "..oooooooooooo..", "................", "................",
};

std::uint8_t PaletteIndex(char c) {
    return c == 'o' ? 1 : c == '#' ? 2 : 0;
}

void PutWord(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xff));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// Image data as LZW codes that never build on each other: with a minimum
// code size of 7 every code is one byte, and a clear code every 100 pixels
// keeps the decoder's table from ever widening the codes.
std::vector<std::uint8_t> ImageCodes(const std::array<std::string_view, kSize>& rows) {
    constexpr std::uint8_t kClear = 128;
    constexpr std::uint8_t kEnd = 129;
    std::vector<std::uint8_t> codes;
    int sinceClear = 100;
    for (const auto row : rows) {
        for (const char c : row) {
            if (sinceClear == 100) {
                codes.push_back(kClear);
                sinceClear = 0;
            }
            codes.push_back(PaletteIndex(c));
            ++sinceClear;
        }
    }
    codes.push_back(kEnd);
    return codes;
}

std::vector<std::uint8_t> Gif(const std::array<std::string_view, kSize>& rows) {
    std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    PutWord(out, kSize);
    PutWord(out, kSize);
    out.insert(out.end(), {0x91, 0, 0});  // a global table of 4 colours
    out.insert(out.end(), {0xff, 0xff, 0xff, 0x80, 0x80, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80});
    out.push_back(0x2c);
    PutWord(out, 0);
    PutWord(out, 0);
    PutWord(out, kSize);
    PutWord(out, kSize);
    out.push_back(0);
    out.push_back(7);
    const auto codes = ImageCodes(rows);
    for (std::size_t start = 0; start < codes.size(); start += 255) {
        const std::size_t length = std::min<std::size_t>(255, codes.size() - start);
        out.push_back(static_cast<std::uint8_t>(length));
        out.insert(out.end(), codes.begin() + start, codes.begin() + start + length);
    }
    out.push_back(0);
    out.push_back(0x3b);
    return out;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

std::vector<std::uint8_t> IconXpm() {
    std::string text = "/* XPM */\nstatic char *kestrova[] = {\n\"14 14 3 1\",\n";
    text += "\"B c #000000\",\n\"W c #FFFFFF\",\n\"G c #808080\",\n";
    for (const auto row : kestrova::assets::kIconRows) {
        std::string line(row);
        for (char& c : line) {
            c = c == 'K' ? 'B' : c;
        }
        text += "\"" + line + "\",\n";
    }
    text += "};\n";
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kestrova-draw-pictures FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const auto plus = Gif(kPlus);
    const bool ok = WriteFile(folder + "/plus.gif", plus) &&
                    WriteFile(folder + "/Plus.gif", plus) &&
                    WriteFile(folder + "/Minus.gif", Gif(kMinus)) &&
                    WriteFile(folder + "/kestrova.xpm", IconXpm());
    return ok ? 0 : 1;
}
