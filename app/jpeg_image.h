#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

// Decodes a JPEG stream with libjpeg into an RGB image. Returns a null image when the stream
// cannot be decoded, and then the decoder's reason in *error. A stream the decoder can only read
// with warnings (data cut short, corrupt entropy data) counts as damaged: the picture is part of
// the program, so a half-grey image would only hide the fault.
QImage decodeJpeg(QByteArrayView bytes, QString *error = nullptr);

// Reads and decodes the JPEG file or resource at path (":/splash/splash.jpg").
QImage loadJpeg(const QString &path, QString *error = nullptr);
