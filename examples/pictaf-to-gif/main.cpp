// pictaf-to-gif PICTURE OUTPUT.gif: a tiny program on the Pictaf library.
// Reads PICTURE (BMP, placeable WMF or EMF) into memory, converts it to an
// interlaced GIF with white transparent, and writes the bytes to OUTPUT.gif.
#include <pictaf/Convert.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: pictaf-to-gif PICTURE OUTPUT.gif\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> picture((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    pictaf::Options options;
    options.type = pictaf::OutputType::Gif;
    const pictaf::Result gif = pictaf::convertPicture(picture, options);
    if (!gif) {
        std::cerr << "pictaf-to-gif: " << gif.error << '\n';
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(gif.bytes.data()), static_cast<std::streamsize>(gif.bytes.size()));
    if (!out.flush()) {
        std::cerr << "pictaf-to-gif: cannot write " << argv[2] << '\n';
        return 1;
    }
    std::cout << "Pictaf " << pictaf::version() << ": " << picture.size() << " bytes in, " << gif.bytes.size()
              << " bytes of GIF out\n";
    return 0;
}
