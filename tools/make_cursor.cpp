// Turns pixel pictures in plain text into a Windows cursor file (.cur), so the hand pointer is
// kept as editable pictures and the build makes the file the program reads.
//
//   make_cursor picture.txt [larger-picture.txt ...] HAND-M.CUR
//
// Each picture becomes one image of the file, in the order given: the pointer at its normal size
// first, then the same pointer drawn for denser screens, from which the program takes the one
// that suits the screen.
//
// A picture: lines starting with ';' are comments; "size N" gives its width and height in pixels
// (32 unless given, at most 128); "hotspot X Y" names the pixel that points; every other line is
// one row of pixels, '.' clear, '#' black, 'o' white. Shorter rows and missing rows are clear.

#include <cstdint>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kDefaultSize = 32;
constexpr int kLargestSize = 128;

struct Picture {
    std::vector<std::string> rows;
    int size = kDefaultSize;
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
        const std::string where = path + ":" + std::to_string(lineNumber) + ": ";
        if (line.rfind("size", 0) == 0) {
            std::istringstream words(line.substr(4));
            if (!picture.rows.empty() || !(words >> picture.size) || picture.size < 1 ||
                picture.size > kLargestSize) {
                return fail(where + "the size, at most 128, goes before the rows");
            }
            continue;
        }
        if (line.rfind("hotspot", 0) == 0) {
            std::istringstream words(line.substr(7));
            if (!(words >> picture.hotX >> picture.hotY) || picture.hotX < 0 || picture.hotY < 0) {
                return fail(where + "bad hot spot");
            }
            continue;
        }
        if (int(line.size()) > picture.size || line.find_first_not_of(".#o") != std::string::npos) {
            return fail(where + "a row holds at most " + std::to_string(picture.size) +
                        " of '.', '#' and 'o'");
        }
        picture.rows.push_back(line);
    }
    if (int(picture.rows.size()) > picture.size) {
        return fail(path + ": more than " + std::to_string(picture.size) + " rows");
    }
    if (picture.hotX >= picture.size || picture.hotY >= picture.size) {
        return fail(path + ": the hot spot lies outside the picture");
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

// Each row of the mask is padded to whole 32-bit words.
std::uint32_t maskRowBytes(const Picture &picture)
{
    return std::uint32_t((picture.size + 31) / 32 * 4);
}

std::uint32_t imageBytes(const Picture &picture)
{
    const auto size = std::uint32_t(picture.size);
    return 40 + size * size * 4 + size * maskRowBytes(picture);
}

// One directory entry: where the image is, how large, and its hot spot.
void putEntry(std::vector<std::uint8_t> &out, const Picture &picture, std::uint32_t offset)
{
    out.push_back(std::uint8_t(picture.size));
    out.push_back(std::uint8_t(picture.size));
    out.push_back(0);  // no palette
    out.push_back(0);
    put16(out, unsigned(picture.hotX));
    put16(out, unsigned(picture.hotY));
    put32(out, imageBytes(picture));
    put32(out, offset);
}

// One image in 32-bit colour with alpha, and the 1-bit mask older readers use.
void putImage(std::vector<std::uint8_t> &out, const Picture &picture)
{
    const int size = picture.size;
    const auto colourBytes = std::uint32_t(size * size * 4);
    const auto maskBytes = std::uint32_t(size) * maskRowBytes(picture);

    put32(out, 40);
    put32(out, std::uint32_t(size));
    put32(out, std::uint32_t(2 * size));  // colour rows and mask rows together
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);  // uncompressed
    put32(out, colourBytes + maskBytes);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);

    // Rows go bottom up, pixels as blue, green, red, alpha.
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
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
    for (int y = size - 1; y >= 0; --y) {
        for (int byte = 0; byte < int(maskRowBytes(picture)); ++byte) {
            std::uint8_t bits = 0;
            for (int bit = 0; bit < 8; ++bit) {
                if (pixelAt(picture, byte * 8 + bit, y) == '.') {
                    bits |= std::uint8_t(0x80 >> bit);
                }
            }
            out.push_back(bits);
        }
    }
}

std::vector<std::uint8_t> cursorBytes(const std::vector<Picture> &pictures)
{
    std::vector<std::uint8_t> out;
    put16(out, 0);  // reserved
    put16(out, 2);  // a cursor
    put16(out, unsigned(pictures.size()));
    // The images follow the directory, one after the other.
    auto offset = std::uint32_t(6 + 16 * pictures.size());
    for (const Picture &picture : pictures) {
        putEntry(out, picture, offset);
        offset += imageBytes(picture);
    }
    for (const Picture &picture : pictures) {
        putImage(out, picture);
    }
    return out;
}

}  // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::cerr << "usage: make_cursor picture.txt [larger-picture.txt ...] output.cur\n";
        return 2;
    }
    std::vector<Picture> pictures(std::size_t(argc - 2));
    for (int i = 1; i < argc - 1; ++i) {
        if (!readPicture(argv[i], pictures[std::size_t(i - 1)])) {
            return 1;
        }
    }
    const std::vector<std::uint8_t> bytes = cursorBytes(pictures);
    const char *output = argv[argc - 1];
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
        std::cerr << "make_cursor: cannot write " << output << '\n';
        return 1;
    }
    return 0;
}
