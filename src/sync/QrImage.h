#pragma once

#include <QImage>
#include <QString>

// `text` as a QR code (error correction M), black modules on white with the quiet zone of four
// modules the standard asks for, each module `scale` pixels square; a null image when the text
// does not fit in a QR code.
QImage qrImage(const QString& text, int scale);
