#pragma once
// A GIF file as an independent decoder (giflib) reads it, with the header
// facts the editor's exports promise: signature, size, interlacing and the
// transparent colour. Shared by the Qt Tests and the end-to-end checker.
#include <QImage>
#include <QList>
#include <QString>
#include <optional>

struct DecodedGif {
    QByteArray signature; // "GIF87a" or "GIF89a"
    QSize size;           // the logical screen
    bool interlaced = false;
    int transparentIndex = -1; // -1: no graphic control extension marks one
    QList<QRgb> colours;       // the global colour table
    QImage indices;            // Format_Indexed8 over the colour table, in display order
    // The picture through its colour table, opaque.
    QImage rgb() const;
};

// Null on any failure, with the reason in error.
std::optional<DecodedGif> readGif(const QString& fileName, QString* error = nullptr);
