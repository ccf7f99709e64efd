#include "app/jpeg_image.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace {

// libjpeg reports errors by calling error_exit, which must not return. We jump back to decode()
// instead of letting the library's default call exit().
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void failDecoding(j_common_ptr cinfo) {
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level) {
    // Level -1 is a warning about corrupt data; higher levels are trace output.
    if (level < 0)
        failDecoding(cinfo);
}

void ignoreOutput(j_common_ptr) {}

// Larger than any picture this program carries; keeps a damaged header from asking for gigabytes.
constexpr JDIMENSION maxSide = 8192;

struct Target {
    QImage image;
};

// Kept out of decode() so that no object with a destructor lives in the frame longjmp returns to.
bool allocate(Target *target, JDIMENSION width, JDIMENSION height) {
    target->image = QImage(int(width), int(height), QImage::Format_RGB888);
    return !target->image.isNull();
}

uchar *scanLine(Target *target, JDIMENSION row) {
    return target->image.scanLine(int(row));
}

bool decode(const unsigned char *data, unsigned long size, Target *target, char *message) {
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = failDecoding;
    err.pub.emit_message = emitMessage;
    err.pub.output_message = ignoreOutput;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        std::strncpy(message, err.message, JMSG_LENGTH_MAX);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_width > maxSide || cinfo.output_height > maxSide || cinfo.output_components != 3 ||
        !allocate(target, cinfo.output_width, cinfo.output_height)) {
        std::snprintf(message, JMSG_LENGTH_MAX, "Picture of %ux%u pixels cannot be held",
                      unsigned(cinfo.output_width), unsigned(cinfo.output_height));
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = scanLine(target, cinfo.output_scanline);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

QImage decodeJpeg(QByteArrayView bytes, QString *error) {
    if (bytes.isEmpty()) {
        if (error)
            *error = QStringLiteral("Empty JPEG stream");
        return {};
    }
    Target target;
    char message[JMSG_LENGTH_MAX] = {};
    if (!decode(reinterpret_cast<const unsigned char *>(bytes.data()),
                static_cast<unsigned long>(bytes.size()), &target, message)) {
        if (error)
            *error = QString::fromLocal8Bit(message);
        return {};
    }
    if (error)
        error->clear();
    return target.image;
}

QImage loadJpeg(const QString &path, QString *error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return {};
    }
    return decodeJpeg(file.readAll(), error);
}
