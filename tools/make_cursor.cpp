// Turns a pixel picture in plain text into a Windows cursor file (.cur), so the hand pointer is
// kept as an editable picture and the build makes the file the program reads.
//
//   make_cursor picture.txt HAND-M.CUR
//
// The picture: lines starting with ';' are comments; "hotspot X Y" names the pixel that points;
// every other line is one row of pixels, '.' clear, '#' black, 'o' white. At most 32 rows of at
// most 32 pixels; shorter rows and missing rows are clear.

#include <cstdint>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;

struct Picture {
    std::vector<std::string> rows;
    int hotX = 0;
    int hotY = 0;
};

bool fail(const std::string &message)
{
    std::cerr << "make_cursor: " << message << '\n';
    return false;
}

bool readPicture(const std::string &path, Picture &picture)
{
    std::ifstream in(path);
    if (!in) {
        return fail("cannot open " + path);
    }
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line.rfind("hotspot", 0) == 0) {
            std::istringstream words(line.substr(7));
            if (!(words >> picture.hotX >> picture.hotY) || picture.hotX < 0 ||
                picture.hotX >= kSize || picture.hotY < 0 || picture.hotY >= kSize) {
                return fail(path + ":" + std::to_string(lineNumber) + ": bad hot spot");
            }
            continue;
        }
        if (line.size() > kSize || line.find_first_not_of(".#o") != std::string::npos) {
            return fail(path + ":" + std::to_string(lineNumber) +
                        ": a row holds at most 32 of '.', '#' and 'o'");
        }
        picture.rows.push_back(line);
    }
    if (picture.rows.size() > kSize) {
        return fail(path + ": more than 32 rows");
    }
    return true;
}

char pixelAt(const Picture &picture, int x, int y)
{
    if (y >= int(picture.rows.size()) || x >= int(picture.rows[y].size())) {
        return '.';
    }
    return picture.rows[y][x];
}

void put16(std::vector<std::uint8_t> &out, unsigned value)
{
    out.push_back(std::uint8_t(value & 0xff));
    out.push_back(std::uint8_t((value >> 8) & 0xff));
}

void put32(std::vector<std::uint8_t> &out, std::uint32_t value)
{
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

// One 32 by 32 image in 32-bit colour with alpha, and the 1-bit mask older readers use.
std::vector<std::uint8_t> cursorBytes(const Picture &picture)
{
    constexpr std::uint32_t colourBytes = kSize * kSize * 4;
    constexpr std::uint32_t maskBytes = kSize * (kSize / 8);
    constexpr std::uint32_t imageBytes = 40 + colourBytes + maskBytes;

    std::vector<std::uint8_t> out;
    put16(out, 0);  // reserved
    put16(out, 2);  // a cursor
    put16(out, 1);  // one image
    out.push_back(kSize);
    out.push_back(kSize);
    out.push_back(0);  // no palette
    out.push_back(0);
    put16(out, unsigned(picture.hotX));
    put16(out, unsigned(picture.hotY));
    put32(out, imageBytes);
    put32(out, 6 + 16);  // the image follows the directory

    put32(out, 40);
    put32(out, kSize);
    put32(out, 2 * kSize);  // colour rows and mask rows together
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);  // uncompressed
    put32(out, colourBytes + maskBytes);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);

    // Rows go bottom up, pixels as blue, green, red, alpha.
    for (int y = kSize - 1; y >= 0; --y) {
        for (int x = 0; x < kSize; ++x) {
            switch (pixelAt(picture, x, y)) {
                case '#':
                    out.insert(out.end(), {0x00, 0x00, 0x00, 0xff});
                    break;
                case 'o':
                    out.insert(out.end(), {0xff, 0xff, 0xff, 0xff});
                    break;
                default:
                    out.insert(out.end(), {0x00, 0x00, 0x00, 0x00});
                    break;
            }
        }
    }
    // A set mask bit lets the screen show through.
    for (int y = kSize - 1; y >= 0; --y) {
        for (int byte = 0; byte < kSize / 8; ++byte) {
            std::uint8_t bits = 0;
            for (int bit = 0; bit < 8; ++bit) {
                if (pixelAt(picture, byte * 8 + bit, y) == '.') {
                    bits |= std::uint8_t(0x80 >> bit);
                }
            }
            out.push_back(bits);
        }
    }
    return out;
}

}  // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::cerr << "usage: make_cursor picture.txt output.cur\n";
        return 2;
    }
    Picture picture;
    if (!readPicture(argv[1], picture)) {
        return 1;
    }
    const std::vector<std::uint8_t> bytes = cursorBytes(picture);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
        std::cerr << "make_cursor: cannot write " << argv[2] << '\n';
        return 1;
    }
    return 0;
}
