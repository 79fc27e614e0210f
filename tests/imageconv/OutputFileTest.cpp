// Where output bytes go: whole files by rename, through links, directly into
// devices and FIFOs, never over a directory, an existing file under
// --no-clobber, or the input itself.
#include "TempDir.h"

#include <engine/OutputFile.h>
#include <engine/Preflight.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace pictaf;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes pattern(std::size_t n, std::uint8_t seed)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(seed + i * 7);
    return b;
}

Status writeAll(const std::string& name, const Bytes& bytes, bool noClobber = false, bool named = false)
{
    OutputFile out;
    if (named)
        out.preferNamedTemporary();
    if (Status s = out.open(name, noClobber); s != Status::Ok)
        return s;
    out.write(bytes.data(), bytes.size());
    return out.finish();
}

std::size_t entries(const fs::path& dir)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

} // namespace

TEST(OutputFile, replacesARegularFileWholeAndOnlyWhenFinished)
{
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "named temporary" : "unnamed temporary");
        TempDir dir;
        const std::string name = dir.file("out.gif");
        writeFile(name, Bytes(10, 1));
        ::chmod(name.c_str(), 0640);
        {
            // Abandoned half way: the old file stays, and nothing else is left.
            OutputFile out;
            if (named)
                out.preferNamedTemporary();
            ASSERT_EQ(out.open(name), Status::Ok);
            const Bytes part = pattern(200000, 3);
            out.write(part.data(), part.size());
            EXPECT_EQ(readFile(name), Bytes(10, 1));
        }
        EXPECT_EQ(readFile(name), Bytes(10, 1));
        EXPECT_EQ(entries(dir.path()), 1u);

        const Bytes next = pattern(300000, 9);
        ASSERT_EQ(writeAll(name, next, false, named), Status::Ok);
        EXPECT_EQ(readFile(name), next);
        EXPECT_EQ(entries(dir.path()), 1u);
        struct stat st {};
        ASSERT_EQ(::stat(name.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0640u); // the replaced file's permissions carry over
    }
}

TEST(OutputFile, writesThroughLinksToTheirTargetAndKeepsTheLinks)
{
    TempDir dir;
    fs::create_directory(dir.path() / "real");
    const std::string target = dir.file("real/picture.gif");
    writeFile(target, Bytes(5, 5));
    fs::create_symlink("real/picture.gif", dir.path() / "link.gif");
    fs::create_symlink(dir.path() / "link.gif", dir.path() / "chain.gif");
    const Bytes bytes = pattern(70000, 1);
    ASSERT_EQ(writeAll(dir.file("chain.gif"), bytes), Status::Ok);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "chain.gif"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.gif"));
    EXPECT_EQ(readFile(target), bytes);
    EXPECT_EQ(entries(dir.path()), 3u);
    EXPECT_EQ(entries(dir.path() / "real"), 1u);

    // A dangling link gets its target made.
    fs::create_symlink("real/new.gif", dir.path() / "dangling.gif");
    ASSERT_EQ(writeAll(dir.file("dangling.gif"), bytes, false, true), Status::Ok);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "dangling.gif"));
    EXPECT_EQ(readFile(dir.file("real/new.gif")), bytes);

    // A link to a device is written through to the device, which stays.
    fs::create_symlink("/dev/null", dir.path() / "null.gif");
    EXPECT_EQ(writeAll(dir.file("null.gif"), bytes), Status::Ok);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "null.gif"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST(OutputFile, devicesFifosAndDescriptorsAreWrittenDirectly)
{
    TempDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Bytes received;
    std::thread reader([&] { received = readFile(fifo); });
    const Bytes bytes = pattern(150000, 4);
    EXPECT_EQ(writeAll(fifo, bytes), Status::Ok);
    reader.join();
    EXPECT_EQ(received, bytes);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(entries(dir.path()), 1u);

    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::thread drain([&] {
        received.clear();
        std::uint8_t chunk[4096];
        ssize_t n;
        while ((n = ::read(ends[0], chunk, sizeof chunk)) > 0)
            received.insert(received.end(), chunk, chunk + n);
    });
    EXPECT_EQ(writeAll("/dev/fd/" + std::to_string(ends[1]), bytes), Status::Ok);
    ::close(ends[1]);
    drain.join();
    ::close(ends[0]);
    EXPECT_EQ(received, bytes);

    // A full device says so, and is still the device afterwards.
    EXPECT_EQ(writeAll("/dev/full", bytes), Status::NoSpace);
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST(OutputFile, refusesDirectoriesAndKeepsExistingFilesUnderNoClobber)
{
    TempDir dir;
    OutputFile out;
    EXPECT_EQ(out.open(dir.path().string()), Status::CannotOpenOutput);
    EXPECT_EQ(out.error(), EISDIR);
    EXPECT_EQ(writeAll(dir.file("missing/out.gif"), Bytes(3, 3)), Status::CannotOpenOutput);

    const std::string name = dir.file("kept.gif");
    writeFile(name, Bytes(4, 4));
    EXPECT_EQ(writeAll(name, Bytes(8, 8), true), Status::OutputExists);
    EXPECT_EQ(readFile(name), Bytes(4, 4));

    // A file that appears while the output is written is not replaced either.
    for (const bool named : {false, true}) {
        const std::string late = dir.file(named ? "late-named.gif" : "late.gif");
        OutputFile racing;
        if (named)
            racing.preferNamedTemporary();
        ASSERT_EQ(racing.open(late, true), Status::Ok);
        const Bytes bytes = pattern(1000, 2);
        racing.write(bytes.data(), bytes.size());
        writeFile(late, Bytes(6, 6));
        EXPECT_EQ(racing.finish(), Status::OutputExists);
        EXPECT_EQ(readFile(late), Bytes(6, 6));
    }
    EXPECT_EQ(entries(dir.path()), 3u);
}

TEST(OutputFile, pendingNamedTemporariesAreRemovedOnRequest)
{
    // What the command's signal handler does when it is stopped mid-write.
    TempDir dir;
    const std::string name = dir.file("out.gif");
    writeFile(name, Bytes(7, 7));
    OutputFile out;
    out.preferNamedTemporary();
    ASSERT_EQ(out.open(name), Status::Ok);
    const Bytes bytes = pattern(100000, 5);
    out.write(bytes.data(), bytes.size());
    EXPECT_EQ(entries(dir.path()), 2u);
    RemovePendingOutputs();
    EXPECT_EQ(entries(dir.path()), 1u);
    EXPECT_NE(out.finish(), Status::Ok);
    EXPECT_EQ(readFile(name), Bytes(7, 7));
}

TEST(OutputFile, nothingIsCreatedBeforeTheFirstByte)
{
    TempDir dir;
    {
        OutputFile out;
        ASSERT_EQ(out.open(dir.file("never.gif")), Status::Ok);
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
    ASSERT_EQ(writeAll(dir.file("empty.gif"), {}), Status::Ok);
    EXPECT_TRUE(fs::exists(dir.file("empty.gif")));
}

TEST(SameFile, seesThroughLinksAndHardLinks)
{
    TempDir dir;
    const std::string a = dir.file("a.bmp");
    writeFile(a, Bytes(3, 1));
    writeFile(dir.file("b.bmp"), Bytes(3, 1));
    fs::create_symlink("a.bmp", dir.path() / "soft.gif");
    fs::create_hard_link(a, dir.path() / "hard.gif");
    EXPECT_TRUE(SameFile(a, a));
    EXPECT_TRUE(SameFile(a, dir.file("./a.bmp")));
    EXPECT_TRUE(SameFile(a, dir.file("soft.gif")));
    EXPECT_TRUE(SameFile(a, dir.file("hard.gif")));
    EXPECT_FALSE(SameFile(a, dir.file("b.bmp")));
    EXPECT_FALSE(SameFile(a, dir.file("missing.gif")));
}

TEST(Preflight, sizesComeFromTheHeaderAlone)
{
    TempDir dir;
    // A 1 KB run-length BMP that declares 1048576 x 256 pixels.
    Bytes rle(14 + 40, 0);
    auto put32 = [](Bytes& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    rle[0] = 'B';
    rle[1] = 'M';
    put32(rle, 10, 14 + 40 + 1024);
    put32(rle, 14, 40);
    put32(rle, 18, 1048576);
    put32(rle, 22, 256);
    rle[26] = 1;
    rle[28] = 8;
    put32(rle, 30, 1);
    rle.resize(1024, 0);
    writeFile(dir.file("wide.bmp"), rle);
    PictureSize size;
    ASSERT_TRUE(PeekFileSize(dir.file("wide.bmp"), size));
    EXPECT_EQ(size.width, 1048576);
    EXPECT_EQ(size.height, 256);
    EXPECT_EQ(CheckConversion(size, size, true), Status::TooLargeForGif);
    EXPECT_EQ(CheckConversion(size, ScaledSize(size, 5, 100), true), Status::Ok);

    // Top-down BMP heights count as rows; a placeable WMF is sized from its
    // box and units per inch (1440 units of 2 inches = 192 pixels at 96 dpi).
    put32(rle, 22, static_cast<std::uint32_t>(-300));
    writeFile(dir.file("down.bmp"), rle);
    ASSERT_TRUE(PeekFileSize(dir.file("down.bmp"), size));
    EXPECT_EQ(size.height, 300);
    Bytes wmf(40, 0);
    put32(wmf, 0, 0x9AC6CDD7u);
    wmf[10] = 0x40; // right 2880
    wmf[11] = 0x0B;
    wmf[12] = 0xD0; // bottom 720
    wmf[13] = 0x02;
    wmf[14] = 0xA0; // 1440 per inch
    wmf[15] = 0x05;
    writeFile(dir.file("box.wmf"), wmf);
    ASSERT_TRUE(PeekFileSize(dir.file("box.wmf"), size));
    EXPECT_EQ(size.width, 192);
    EXPECT_EQ(size.height, 48);

    writeFile(dir.file("text.txt"), Bytes{'h', 'i', '!', '\n'});
    EXPECT_FALSE(PeekFileSize(dir.file("text.txt"), size));
    EXPECT_FALSE(PeekFileSize(dir.file("missing.bmp"), size));
}

TEST(Preflight, picturesBeyondTheSpareMemoryAreRefused)
{
    const PictureSize huge{1 << 20, 1 << 20}; // four terabytes of pixels
    EXPECT_EQ(CheckConversion(huge, PictureSize{100, 100}, false), Status::NotEnoughMemory);
    const PictureSize banner{468, 60};
    EXPECT_EQ(CheckConversion(banner, banner, true), Status::Ok);
    EXPECT_GT(SpareMemoryBytes(), ConversionMemoryNeed(banner, banner));
    EXPECT_EQ(CheckConversion(PictureSize{65535, 1}, PictureSize{65536, 1}, true), Status::TooLargeForGif);
    EXPECT_EQ(CheckConversion(PictureSize{65535, 1}, PictureSize{65535, 1}, true), Status::Ok);
}
