// Inputs of pictaf-convert beyond what the control reads, and inputs that
// are not plain files. The control's three kinds go to the engine unchanged;
// the rest is decoded here into a QImage and handed to the engine as a
// bitmap, so the control never sees them.
#pragma once

#include <engine/Pipeline.h>
#include <engine/Preflight.h>

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

namespace pictaf::convert {

// A name the engine can open by path for any input: a regular file as it
// is; standard input ("-"), pipes, FIFOs and devices copied to the end into
// an anonymous in-memory file first.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Ok, CannotOpenInput, InputIsDirectory, NotEnoughMemory when a stream
    // runs past maxBytes, or UnrecognisedInput when a stream's first bytes
    // are no picture. error holds errno when the system said why.
    Status open(const std::string& name, std::uint64_t maxBytes, int& error);
    // Adopts bytes made here (a standard WMF given its placeable header).
    Status adopt(const std::uint8_t* data, std::size_t count, int& error);

    const std::string& path() const { return path_; }
    std::uint64_t size() const { return size_; }
    // True when the bytes sit in memory (they count against the budget).
    bool inMemory() const { return memfd_ >= 0; }

private:
    int memfd_ = -1;
    std::string path_;
    std::uint64_t size_ = 0;
};

enum class InputKind {
    Unknown,
    EngineFile,  // placeable WMF, EMF, or BMP with a 40- or 12-byte header: what the control reads
    ExtendedBmp, // newer, OS/2 2.x and embedded-PNG/JPEG BMPs
    StandardWmf, // a WMF without the placeable header
    QtImage,     // PNG, JPEG, GIF, TIFF, WebP and what else Qt's readers know
};

// Looks at the first bytes (and for Qt images, asks the readers).
InputKind SniffInput(const std::string& path);
// Metafiles draw text, which needs the application object's fonts.
bool KindNeedsFonts(const std::string& path);

// The natural size without decoding the pixels; false when the header
// can't tell it.
bool PeekInputSize(const std::string& path, InputKind kind, PictureSize& size);

// A standard WMF with a placeable header made from its window extent, taken
// as pixels at 96 dpi. Malformed when it has no window extent.
Status AddPlaceableHeader(const std::string& path, std::vector<std::uint8_t>& placeable);

// Decodes an extended BMP or a Qt image into opaque Format_RGB32 pixels,
// with alpha composed onto bgColor (0x00BBGGRR): what shows is what the
// picture shows on that background. Stored colour values are kept as they
// are (no colour profile is applied).
Status DecodeOwnInput(const std::string& path, InputKind kind, std::uint32_t bgColor, QImage& out, std::string& why);

// Alpha composed onto bgColor; opaque images come back as RGB32 unchanged.
QImage ComposeOnto(const QImage& image, std::uint32_t bgColor);

} // namespace pictaf::convert
