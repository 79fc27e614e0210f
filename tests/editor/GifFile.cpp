#include "GifFile.h"

#include <QFile>

#include <gif_lib.h>

QImage DecodedGif::rgb() const
{
    QImage img = indices;
    img.setColorTable(colours);
    return img.convertToFormat(QImage::Format_RGB32);
}

std::optional<DecodedGif> readGif(const QString& fileName, QString* error)
{
    auto fail = [error](const QString& why) -> std::optional<DecodedGif> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    DecodedGif out;
    out.signature = file.read(6);
    file.close();

    int code = 0;
    GifFileType* gif = DGifOpenFileName(QFile::encodeName(fileName).constData(), &code);
    if (!gif)
        return fail(QString::fromLatin1(GifErrorString(code)));
    // DGifSlurp undoes the interlacing, so the rows come in display order.
    if (DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1 || !gif->SColorMap) {
        const QString why = QString::fromLatin1(GifErrorString(gif->Error));
        DGifCloseFile(gif, &code);
        return fail(why.isEmpty() ? QStringLiteral("no image or no global colour table") : why);
    }
    out.size = QSize(gif->SWidth, gif->SHeight);
    const SavedImage& image = gif->SavedImages[0];
    out.interlaced = image.ImageDesc.Interlace;
    GraphicsControlBlock gcb;
    if (DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK)
        out.transparentIndex = gcb.TransparentColor;
    for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
        const GifColorType& c = gif->SColorMap->Colors[i];
        out.colours << qRgb(c.Red, c.Green, c.Blue);
    }
    const int w = image.ImageDesc.Width, h = image.ImageDesc.Height;
    out.indices = QImage(w, h, QImage::Format_Indexed8);
    out.indices.setColorTable(out.colours);
    for (int y = 0; y < h; ++y)
        memcpy(out.indices.scanLine(y), image.RasterBits + qsizetype(y) * w, size_t(w));
    DGifCloseFile(gif, &code);
    return out;
}
