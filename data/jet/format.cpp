#include "data/jet/format.h"

#include <array>

namespace jet::format {

const Layout &layout(Version version) {
    static const Layout jet3{
        .version = Version::Jet3,
        .pageSize = 2048,
        .headerCryptSize = 126,
        .passwordSize = 20,
        .dataRowCount = 8,
        .tdefNumRows = 12,
        .tdefAutoNumber = 16,
        .tdefTableType = 20,
        .tdefMaxCols = 21,
        .tdefNumVarCols = 23,
        .tdefNumCols = 25,
        .tdefNumIdx = 27,
        .tdefNumRealIdx = 31,
        .tdefUsageMap = 35,
        .tdefFreeMap = 39,
        .tdefBlockEnd = 43,
        .realIdxSize = 8,
        .realIdxDefSize = 39,
        .realIdxDefStart = 0,
        .logIdxSize = 20,
        .logIdxStart = 0,
        .hasColumnMaps = false,
        .colSize = 18,
        .colNum = 1,
        .colVarIndex = 3,
        .colNum2 = 5,
        // As Jackcess reads Access 97's files (mdbtools' notes put these two bytes lower): the
        // sort order at 9, the code page where a Numeric column would keep its precision.
        .colSortOrder = 9,
        .colCodePage = 11,
        .colFlags = 13,
        .colMiscFlags = -1,
        .colFixedOffset = 14,
        .colLength = 16,
        .colPrecision = 11,
        .colScale = 12,
        .nameLengthSize = 1,
        .rowCountSize = 1,
        .idxPrev = 8,
        .idxNext = 12,
        .idxTail = 16,
        .idxPrefixLength = 20,
        .idxMask = 22,
        .idxMaskSize = 226,
    };
    static const Layout jet4{
        .version = Version::Jet4,
        .pageSize = 4096,
        .headerCryptSize = 128,
        .passwordSize = 40,
        .dataRowCount = 12,
        .tdefNumRows = 16,
        .tdefAutoNumber = 20,
        .tdefTableType = 40,
        .tdefMaxCols = 41,
        .tdefNumVarCols = 43,
        .tdefNumCols = 45,
        .tdefNumIdx = 47,
        .tdefNumRealIdx = 51,
        .tdefUsageMap = 55,
        .tdefFreeMap = 59,
        .tdefBlockEnd = 63,
        .realIdxSize = 12,
        .realIdxDefSize = 52,
        .realIdxDefStart = 4,
        .logIdxSize = 28,
        .logIdxStart = 4,
        .hasColumnMaps = true,
        .colSize = 25,
        .colNum = 5,
        .colVarIndex = 7,
        .colNum2 = 9,
        .colSortOrder = 11,
        .colCodePage = -1,
        .colFlags = 15,
        .colMiscFlags = 16,
        .colFixedOffset = 21,
        .colLength = 23,
        .colPrecision = 11,
        .colScale = 12,
        .nameLengthSize = 2,
        .rowCountSize = 2,
        .idxPrev = 12,
        .idxNext = 16,
        .idxTail = 20,
        .idxPrefixLength = 24,
        .idxMask = 27,
        .idxMaskSize = 453,
    };
    return version == Version::Jet3 ? jet3 : jet4;
}

int fixedSize(ColumnType type) {
    switch (type) {
    case ColumnType::Byte:
        return 1;
    case ColumnType::Integer:
        return 2;
    case ColumnType::LongInteger:
    case ColumnType::Single:
        return 4;
    case ColumnType::Currency:
    case ColumnType::Double:
    case ColumnType::DateTime:
        return 8;
    case ColumnType::Guid:
        return 16;
    case ColumnType::Numeric:
        return 17;
    default:
        return 0;
    }
}

bool isLongValue(ColumnType type) {
    return type == ColumnType::Memo || type == ColumnType::Ole;
}
bool isTextual(ColumnType type) {
    return type == ColumnType::Text || type == ColumnType::Memo;
}

// ---------------------------------------------------------------------------------------------
// Text

namespace {

// Bytes 0x80..0xFF of the single-byte Windows code pages Jet 3 text is stored in. Holes at
// 0x80..0x9F map to the C1 control of the same number, as Windows does; holes above to U+FFFD.
struct CodePage {
    int number;
    std::array<char16_t, 128> high;
};

constexpr CodePage kCodePages[] = {
    {1250,
     {
         0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039,
         0x015A, 0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
         0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
         0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
         0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
         0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
         0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
         0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
         0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
         0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
         0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
     }},
    {1251,
     {
         0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
         0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
         0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
         0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
         0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
         0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
         0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
         0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
         0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
         0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
         0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
     }},
    {1252,
     {
         0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
         0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
         0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
         0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
         0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
         0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
         0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3,
         0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
         0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
         0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
         0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
     }},
    {1253,
     {
         0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x008A, 0x2039,
         0x008C, 0x008D, 0x008E, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
         0x0098, 0x2122, 0x009A, 0x203A, 0x009C, 0x009D, 0x009E, 0x009F, 0x00A0, 0x0385, 0x0386, 0x00A3,
         0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0xFFFD, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x2015,
         0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x0384, 0x00B5, 0x00B6, 0x00B7, 0x0388, 0x0389, 0x038A, 0x00BB,
         0x038C, 0x00BD, 0x038E, 0x038F, 0x0390, 0x0391, 0x0392, 0x0393, 0x0394, 0x0395, 0x0396, 0x0397,
         0x0398, 0x0399, 0x039A, 0x039B, 0x039C, 0x039D, 0x039E, 0x039F, 0x03A0, 0x03A1, 0xFFFD, 0x03A3,
         0x03A4, 0x03A5, 0x03A6, 0x03A7, 0x03A8, 0x03A9, 0x03AA, 0x03AB, 0x03AC, 0x03AD, 0x03AE, 0x03AF,
         0x03B0, 0x03B1, 0x03B2, 0x03B3, 0x03B4, 0x03B5, 0x03B6, 0x03B7, 0x03B8, 0x03B9, 0x03BA, 0x03BB,
         0x03BC, 0x03BD, 0x03BE, 0x03BF, 0x03C0, 0x03C1, 0x03C2, 0x03C3, 0x03C4, 0x03C5, 0x03C6, 0x03C7,
         0x03C8, 0x03C9, 0x03CA, 0x03CB, 0x03CC, 0x03CD, 0x03CE, 0xFFFD,
     }},
    {1254,
     {
         0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
         0x0152, 0x008D, 0x008E, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
         0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
         0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
         0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
         0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
         0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x011E, 0x00D1, 0x00D2, 0x00D3,
         0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x0130, 0x015E, 0x00DF,
         0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
         0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x011F, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
         0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x0131, 0x015F, 0x00FF,
     }},
    {1255,
     {
         0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x008A, 0x2039,
         0x008C, 0x008D, 0x008E, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
         0x02DC, 0x2122, 0x009A, 0x203A, 0x009C, 0x009D, 0x009E, 0x009F, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
         0x20AA, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00D7, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
         0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00F7, 0x00BB,
         0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x05B0, 0x05B1, 0x05B2, 0x05B3, 0x05B4, 0x05B5, 0x05B6, 0x05B7,
         0x05B8, 0x05B9, 0xFFFD, 0x05BB, 0x05BC, 0x05BD, 0x05BE, 0x05BF, 0x05C0, 0x05C1, 0x05C2, 0x05C3,
         0x05F0, 0x05F1, 0x05F2, 0x05F3, 0x05F4, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD,
         0x05D0, 0x05D1, 0x05D2, 0x05D3, 0x05D4, 0x05D5, 0x05D6, 0x05D7, 0x05D8, 0x05D9, 0x05DA, 0x05DB,
         0x05DC, 0x05DD, 0x05DE, 0x05DF, 0x05E0, 0x05E1, 0x05E2, 0x05E3, 0x05E4, 0x05E5, 0x05E6, 0x05E7,
         0x05E8, 0x05E9, 0x05EA, 0xFFFD, 0xFFFD, 0x200E, 0x200F, 0xFFFD,
     }},
    {1256,
     {
         0x20AC, 0x067E, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0679, 0x2039,
         0x0152, 0x0686, 0x0698, 0x0688, 0x06AF, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
         0x06A9, 0x2122, 0x0691, 0x203A, 0x0153, 0x200C, 0x200D, 0x06BA, 0x00A0, 0x060C, 0x00A2, 0x00A3,
         0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x06BE, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
         0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x061B, 0x00BB,
         0x00BC, 0x00BD, 0x00BE, 0x061F, 0x06C1, 0x0621, 0x0622, 0x0623, 0x0624, 0x0625, 0x0626, 0x0627,
         0x0628, 0x0629, 0x062A, 0x062B, 0x062C, 0x062D, 0x062E, 0x062F, 0x0630, 0x0631, 0x0632, 0x0633,
         0x0634, 0x0635, 0x0636, 0x00D7, 0x0637, 0x0638, 0x0639, 0x063A, 0x0640, 0x0641, 0x0642, 0x0643,
         0x00E0, 0x0644, 0x00E2, 0x0645, 0x0646, 0x0647, 0x0648, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
         0x0649, 0x064A, 0x00EE, 0x00EF, 0x064B, 0x064C, 0x064D, 0x064E, 0x00F4, 0x064F, 0x0650, 0x00F7,
         0x0651, 0x00F9, 0x0652, 0x00FB, 0x00FC, 0x200E, 0x200F, 0x06D2,
     }},
    {1257,
     {
         0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x008A, 0x2039,
         0x008C, 0x00A8, 0x02C7, 0x00B8, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
         0x0098, 0x2122, 0x009A, 0x203A, 0x009C, 0x00AF, 0x02DB, 0x009F, 0x00A0, 0xFFFD, 0x00A2, 0x00A3,
         0x00A4, 0xFFFD, 0x00A6, 0x00A7, 0x00D8, 0x00A9, 0x0156, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00C6,
         0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00F8, 0x00B9, 0x0157, 0x00BB,
         0x00BC, 0x00BD, 0x00BE, 0x00E6, 0x0104, 0x012E, 0x0100, 0x0106, 0x00C4, 0x00C5, 0x0118, 0x0112,
         0x010C, 0x00C9, 0x0179, 0x0116, 0x0122, 0x0136, 0x012A, 0x013B, 0x0160, 0x0143, 0x0145, 0x00D3,
         0x014C, 0x00D5, 0x00D6, 0x00D7, 0x0172, 0x0141, 0x015A, 0x016A, 0x00DC, 0x017B, 0x017D, 0x00DF,
         0x0105, 0x012F, 0x0101, 0x0107, 0x00E4, 0x00E5, 0x0119, 0x0113, 0x010D, 0x00E9, 0x017A, 0x0117,
         0x0123, 0x0137, 0x012B, 0x013C, 0x0161, 0x0144, 0x0146, 0x00F3, 0x014D, 0x00F5, 0x00F6, 0x00F7,
         0x0173, 0x0142, 0x015B, 0x016B, 0x00FC, 0x017C, 0x017E, 0x02D9,
     }},
    {1258,
     {
         0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x008A, 0x2039,
         0x0152, 0x008D, 0x008E, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
         0x02DC, 0x2122, 0x009A, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
         0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
         0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
         0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
         0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x0300, 0x00CD, 0x00CE, 0x00CF, 0x0110, 0x00D1, 0x0309, 0x00D3,
         0x00D4, 0x01A0, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x01AF, 0x0303, 0x00DF,
         0x00E0, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
         0x0301, 0x00ED, 0x00EE, 0x00EF, 0x0111, 0x00F1, 0x0323, 0x00F3, 0x00F4, 0x01A1, 0x00F6, 0x00F7,
         0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x01B0, 0x20AB, 0x00FF,
     }},
};

const CodePage *findCodePage(int number) {
    for (const CodePage &cp : kCodePages) {
        if (cp.number == number)
            return &cp;
    }
    return nullptr;
}

const CodePage &cp1251() {
    static const CodePage &cp = *findCodePage(1251);
    return cp;
}

// The Windows-1251 byte of c, or -1. The hole 0x98 is not a character and is not written.
int toCp1251(char16_t c) {
    if (c < 0x80)
        return c;
    for (int i = 0; i < 128; ++i) {
        if (cp1251().high[size_t(i)] == c && i != 0x18)
            return 0x80 + i;
    }
    return -1;
}

// Compressed Unicode: starts in one-byte mode; a 0x00 byte switches between one-byte (low byte of a
// character whose high byte is 0) and two-byte mode. Characters whose low byte is 0 cannot be
// written either way.
std::optional<QByteArray> compress(const QString &text) {
    QByteArray out("\xFF\xFE", 2);
    bool oneByte = true;
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if ((c & 0xFF) == 0)
            return std::nullopt;
        const bool fits = c < 0x100;
        if (fits != oneByte) {
            out.append('\0');
            oneByte = fits;
        }
        out.append(char(c & 0xFF));
        if (!oneByte)
            out.append(char(c >> 8));
    }
    return out;
}

std::optional<QString> decompress(const uchar *data, qsizetype size) {
    QString out;
    out.reserve(size);
    bool oneByte = true;
    qsizetype pos = 2;
    while (pos < size) {
        if (data[pos] == 0) {
            oneByte = !oneByte;
            ++pos;
        } else if (oneByte) {
            out.append(QChar(char16_t(data[pos])));
            ++pos;
        } else {
            if (pos + 1 >= size)
                return std::nullopt;
            out.append(QChar(char16_t(u16(data + pos))));
            pos += 2;
        }
    }
    return out;
}

} // namespace

bool knownCodePage(int codePage) {
    return findCodePage(codePage) != nullptr;
}

int textCodePage(quint16 headerCodePage, quint16 sortOrder) {
    if (knownCodePage(headerCodePage))
        return headerCodePage;
    // Locales by their primary language (the low 10 bits), and the exceptions that differ by
    // sublanguage: Serbian in Cyrillic shares its language with Croatian. Jet's "General" sort
    // order (English, 0x0409) is the one of every language without its own, Cyrillic text
    // included, so it says nothing of the code page.
    switch (sortOrder) {
    case 0x0C1A:
    case 0x1C1A:
        return 1251;
    default:
        break;
    }
    switch (sortOrder & 0x3FF) {
    case 0x05: // Czech
    case 0x0E: // Hungarian
    case 0x15: // Polish
    case 0x18: // Romanian
    case 0x1A: // Croatian
    case 0x1B: // Slovak
    case 0x1C: // Albanian
    case 0x24: // Slovenian
        return 1250;
    case 0x02: // Bulgarian
    case 0x19: // Russian
    case 0x22: // Ukrainian
    case 0x23: // Belarusian
    case 0x2F: // Macedonian
    case 0x3F: // Kazakh
    case 0x40: // Kyrgyz
    case 0x44: // Tatar
        return 1251;
    case 0x03: // Catalan
    case 0x06: // Danish
    case 0x07: // German
    case 0x0A: // Spanish
    case 0x0B: // Finnish
    case 0x0C: // French
    case 0x0F: // Icelandic
    case 0x10: // Italian
    case 0x13: // Dutch
    case 0x14: // Norwegian
    case 0x16: // Portuguese
    case 0x1D: // Swedish
    case 0x21: // Indonesian
    case 0x2D: // Basque
    case 0x36: // Afrikaans
    case 0x38: // Faroese
        return 1252;
    case 0x08: // Greek
        return 1253;
    case 0x1F: // Turkish
        return 1254;
    case 0x0D: // Hebrew
        return 1255;
    case 0x01: // Arabic
    case 0x20: // Urdu
    case 0x29: // Farsi
        return 1256;
    case 0x25: // Estonian
    case 0x26: // Latvian
    case 0x27: // Lithuanian
        return 1257;
    case 0x2A: // Vietnamese
        return 1258;
    default:
        return 0;
    }
}

qsizetype firstUnstorableChar(Version version, const QString &text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (version == Version::Jet4 ? QChar::isSurrogate(c) : toCp1251(c) < 0)
            return i;
    }
    return -1;
}

std::optional<QByteArray> encodeText(Version version, const QString &text, bool allowCompression) {
    if (firstUnstorableChar(version, text) >= 0)
        return std::nullopt;
    if (version == Version::Jet3) {
        QByteArray out(text.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i)
            out[i] = char(toCp1251(text.at(i).unicode()));
        return out;
    }
    QByteArray plain(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        put16(reinterpret_cast<uchar *>(plain.data()) + 2 * i, text.at(i).unicode());
    // Access compresses only values up to 1024 characters, and only when it saves space.
    if (allowCompression && text.size() <= 1024) {
        if (auto packed = compress(text); packed && packed->size() < plain.size())
            return packed;
    }
    // A plain value starting with FF FE would read back as compressed.
    if (plain.startsWith("\xFF\xFE"))
        return std::nullopt;
    return plain;
}

std::optional<QString> decodeText(Version version, const uchar *data, qsizetype size, int codePage) {
    if (version == Version::Jet3) {
        const CodePage *found = findCodePage(codePage);
        const CodePage &cp = found ? *found : cp1251();
        QString out(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i)
            out[i] = QChar(data[i] < 0x80 ? char16_t(data[i]) : cp.high[data[i] - 0x80]);
        return out;
    }
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE)
        return decompress(data, size);
    if (size % 2 != 0)
        return std::nullopt;
    QString out(size / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < size / 2; ++i)
        out[i] = QChar(char16_t(u16(data + 2 * i)));
    return out;
}

// ---------------------------------------------------------------------------------------------
// Table definitions

namespace {

// Jet 4 starts every definition of an index with this number; Access checks nothing else there.
constexpr quint32 kIndexMagic = 1923;
// Jet 4 table definitions carry this number after their length.
constexpr quint32 kTdefMagic = 0x0659;
constexpr int kJet4AutoNumberStep = 24; // 1: autonumbers count up by one
constexpr quint16 kNoColumn = 0xFFFF;
constexpr quint8 kAscending = 0x01;

// Names of columns and indexes: plain UCS-2 in Jet 4 (never compressed), bytes of the code page
// in Jet 3 (the one they were read in, so that every name read encodes back).
QByteArray encodeName(const Layout &l, const QString &name, int codePage) {
    QByteArray bytes;
    if (l.version == Version::Jet4) {
        bytes.resize(name.size() * 2);
        for (qsizetype i = 0; i < name.size(); ++i)
            put16(reinterpret_cast<uchar *>(bytes.data()) + 2 * i, name.at(i).unicode());
    } else {
        const CodePage *found = findCodePage(codePage);
        const CodePage &cp = found ? *found : cp1251();
        for (QChar qc : name) {
            const char16_t c = qc.unicode();
            const auto high = std::find(cp.high.begin(), cp.high.end(), c);
            // The writer has checked that every name it makes is storable.
            Q_ASSERT(c < 0x80 || high != cp.high.end());
            bytes.append(c < 0x80                ? char(c)
                         : high != cp.high.end() ? char(0x80 + (high - cp.high.begin()))
                                                 : '?');
        }
    }
    QByteArray len(l.nameLengthSize, '\0');
    if (l.nameLengthSize == 1)
        len[0] = char(bytes.size());
    else
        put16(reinterpret_cast<uchar *>(len.data()), quint16(bytes.size()));
    return len + bytes;
}

// The bytes of a definition's part as read when they have the expected size, else zeros.
QByteArray base(const QByteArray &kept, int size) {
    return kept.size() == size ? kept : QByteArray(size, '\0');
}

// Reads a table definition front to back, every read bounds-checked.
class TdefReader {
public:
    TdefReader(const Layout &l, const QByteArray &block, int codePage, QString *fault)
        : m_l(l)
        , m_block(block)
        , m_p(reinterpret_cast<const uchar *>(block.constData()))
        , m_codePage(codePage)
        , m_fault(fault) {}

    // Whether n more bytes are there; sets the fault naming what was being read otherwise.
    bool need(qint64 n, const QString &what) {
        if (n >= 0 && m_pos + n <= m_block.size())
            return true;
        *m_fault = QStringLiteral("%1 выходит за пределы описания таблицы").arg(what);
        return false;
    }
    const uchar *at() const { return m_p + m_pos; }
    QByteArray take(int n) {
        const QByteArray out = m_block.mid(m_pos, n);
        m_pos += n;
        return out;
    }
    void skip(qint64 n) { m_pos += n; }

    std::optional<QString> name(const QString &what) {
        if (!need(m_l.nameLengthSize, what))
            return std::nullopt;
        const int len = m_l.nameLengthSize == 1 ? m_p[m_pos] : u16(m_p + m_pos);
        m_pos += m_l.nameLengthSize;
        if (!need(len, what))
            return std::nullopt;
        std::optional<QString> out;
        if (m_l.version == Version::Jet4 && len % 2 == 0) {
            QString s(len / 2, Qt::Uninitialized);
            for (int k = 0; k < len / 2; ++k)
                s[k] = QChar(char16_t(u16(m_p + m_pos + 2 * k)));
            out = s;
        } else if (m_l.version == Version::Jet3) {
            out = decodeText(m_l.version, m_p + m_pos, len, m_codePage);
        }
        if (!out)
            *m_fault = QStringLiteral("%1 записано с ошибкой").arg(what);
        m_pos += len;
        return out;
    }

private:
    const Layout &m_l;
    const QByteArray &m_block;
    const uchar *m_p;
    int m_codePage;
    QString *m_fault;
    qint64 m_pos = 0;
};

} // namespace

QByteArray encodeTdef(const Layout &l, const TableDef &def, int codePage) {
    const bool jet4 = l.version == Version::Jet4;
    QByteArray out = base(def.unknownHeader, l.tdefBlockEnd);
    auto *p = reinterpret_cast<uchar *>(out.data());
    if (def.unknownHeader.isEmpty()) {
        if (jet4) {
            put32(p + 12, kTdefMagic);
            p[kJet4AutoNumberStep] = 1;
        } else {
            p[2] = 'V';
            p[3] = 'C';
        }
    }
    p[0] = kPageTdef;
    p[1] = 0x01;
    put32(p + l.tdefNumRows, def.numRows);
    put32(p + l.tdefAutoNumber, def.autoNumber);
    p[l.tdefTableType] = def.tableType;
    put16(p + l.tdefMaxCols, quint16(def.maxCols));
    put16(p + l.tdefNumVarCols, quint16(def.numVarCols));
    put16(p + l.tdefNumCols, quint16(def.columns.size()));
    put32(p + l.tdefNumIdx, quint32(def.indexes.size()));
    put32(p + l.tdefNumRealIdx, quint32(def.realIndexes.size()));
    put32(p + l.tdefUsageMap, def.usageMap);
    put32(p + l.tdefFreeMap, def.freeMap);

    for (const RealIndexDef &r : def.realIndexes) {
        QByteArray count = base(r.unknownCount, l.realIdxSize);
        put32(reinterpret_cast<uchar *>(count.data()) + 4, r.rowCount);
        out += count;
    }

    for (const ColumnDef &c : def.columns) {
        QByteArray desc = base(c.raw, l.colSize);
        auto *col = reinterpret_cast<uchar *>(desc.data());
        col[0] = quint8(c.type);
        put16(col + l.colNum, quint16(c.number));
        put16(col + l.colVarIndex, quint16(c.varIndex));
        if (c.raw.isEmpty()) // Access's files do not always repeat the number here
            put16(col + l.colNum2, quint16(c.number));
        if (c.raw.isEmpty() && isTextual(c.type)) {
            put16(col + l.colSortOrder, kSortGeneral);
            if (l.colCodePage >= 0)
                put16(col + l.colCodePage, 1251);
        }
        if (c.type == ColumnType::Numeric) {
            col[l.colPrecision] = quint8(c.precision);
            col[l.colScale] = quint8(c.scale);
        }
        col[l.colFlags] = c.flags;
        if (l.colMiscFlags >= 0)
            col[l.colMiscFlags] = c.miscFlags;
        put16(col + l.colFixedOffset, quint16(c.fixedOffset));
        put16(col + l.colLength, quint16(c.length));
        out += desc;
    }
    for (const ColumnDef &c : def.columns)
        out += encodeName(l, c.name, codePage);

    for (const RealIndexDef &r : def.realIndexes) {
        QByteArray d = base(r.unknown, l.realIdxDefSize);
        auto *q = reinterpret_cast<uchar *>(d.data());
        if (r.unknown.isEmpty() && jet4)
            put32(q, kIndexMagic);
        uchar *slot = q + l.realIdxDefStart;
        for (int k = 0; k < kMaxIndexColumns; ++k, slot += 3) {
            if (k < r.columns.size()) {
                put16(slot, quint16(r.columns[k].number));
                slot[2] = quint8((slot[2] & ~kAscending) | (r.columns[k].ascending ? kAscending : 0));
            } else {
                // Access leaves whatever was there in the order byte of an unused slot.
                put16(slot, kNoColumn);
            }
        }
        put32(slot, r.usageMap);
        put32(slot + 4, r.firstPage);
        slot[jet4 ? 12 : 8] = r.flags;
        out += d;
    }

    for (const LogicalIndexDef &x : def.indexes) {
        QByteArray d = base(x.unknown, l.logIdxSize);
        auto *q = reinterpret_cast<uchar *>(d.data());
        if (x.unknown.isEmpty() && jet4)
            put32(q, kIndexMagic);
        uchar *f = q + l.logIdxStart;
        put32(f, quint32(x.number));
        put32(f + 4, quint32(x.realIndex));
        f[8] = x.relTableType;
        put32(f + 9, quint32(x.relIndex));
        put32(f + 13, x.relTable);
        f[17] = x.cascadeUpdates;
        f[18] = x.cascadeDeletes;
        f[19] = x.kind;
        out += d;
    }
    for (const LogicalIndexDef &x : def.indexes)
        out += encodeName(l, x.name, codePage);

    // Jet 3 has no long-value maps, but readers (Jackcess among them) read the list in every
    // version and stop at 0xFFFF, so it is always closed.
    {
        for (const ColumnMapDef &m : def.columnMaps) {
            uchar entry[10];
            put16(entry, quint16(m.number));
            put32(entry + 2, m.usedPages);
            put32(entry + 6, m.freePages);
            out.append(reinterpret_cast<const char *>(entry), sizeof entry);
        }
        out.append("\xFF\xFF", 2);
    }
    // The length counts the whole definition, this header included.
    put32(reinterpret_cast<uchar *>(out.data()) + 8, quint32(out.size()));
    return out;
}

std::optional<TableDef> parseTdef(const Layout &l, const QByteArray &block, int codePage, QString *fault) {
    const bool jet4 = l.version == Version::Jet4;
    const auto *p = reinterpret_cast<const uchar *>(block.constData());
    if (block.size() < l.tdefBlockEnd) {
        *fault = QStringLiteral("описание таблицы короче своего заголовка");
        return std::nullopt;
    }
    TableDef def;
    def.unknownHeader = block.left(l.tdefBlockEnd);
    def.numRows = u32(p + l.tdefNumRows);
    def.autoNumber = u32(p + l.tdefAutoNumber);
    def.tableType = p[l.tdefTableType];
    def.maxCols = u16(p + l.tdefMaxCols);
    def.numVarCols = u16(p + l.tdefNumVarCols);
    const int numCols = u16(p + l.tdefNumCols);
    const quint32 numIdx = u32(p + l.tdefNumIdx);
    const quint32 numRealIdx = u32(p + l.tdefNumRealIdx);
    def.usageMap = u32(p + l.tdefUsageMap);
    def.freeMap = u32(p + l.tdefFreeMap);

    TdefReader in(l, block, codePage, fault);
    in.skip(l.tdefBlockEnd);
    if (!in.need(qint64(numRealIdx) * l.realIdxSize + qint64(numCols) * l.colSize,
                 QStringLiteral("описание %1 столбцов и %2 индексов").arg(numCols).arg(numRealIdx)))
        return std::nullopt;
    for (quint32 i = 0; i < numRealIdx; ++i) {
        RealIndexDef r;
        r.rowCount = u32(in.at() + 4);
        r.unknownCount = in.take(l.realIdxSize);
        def.realIndexes.append(r);
    }

    def.columns.reserve(numCols);
    for (int i = 0; i < numCols; ++i) {
        const uchar *col = in.at();
        ColumnDef c;
        c.type = ColumnType(col[0]);
        c.number = u16(col + l.colNum);
        c.varIndex = u16(col + l.colVarIndex);
        c.flags = col[l.colFlags];
        c.miscFlags = l.colMiscFlags >= 0 ? col[l.colMiscFlags] : 0;
        c.fixedOffset = u16(col + l.colFixedOffset);
        c.length = u16(col + l.colLength);
        if (c.type == ColumnType::Numeric) {
            c.precision = col[l.colPrecision];
            c.scale = col[l.colScale];
        }
        c.raw = in.take(l.colSize);
        def.columns.append(c);
    }
    for (int i = 0; i < numCols; ++i) {
        const auto name = in.name(QStringLiteral("имя столбца %1").arg(i + 1));
        if (!name)
            return std::nullopt;
        def.columns[i].name = *name;
    }

    for (quint32 i = 0; i < numRealIdx; ++i) {
        if (!in.need(l.realIdxDefSize, QStringLiteral("описание индекса %1").arg(i + 1)))
            return std::nullopt;
        RealIndexDef &r = def.realIndexes[qsizetype(i)];
        const uchar *slot = in.at() + l.realIdxDefStart;
        for (int k = 0; k < kMaxIndexColumns; ++k, slot += 3) {
            if (u16(slot) != kNoColumn)
                r.columns.append(IndexColumnDef{u16(slot), bool(slot[2] & kAscending)});
        }
        r.usageMap = u32(slot);
        r.firstPage = u32(slot + 4);
        r.flags = slot[jet4 ? 12 : 8];
        r.unknown = in.take(l.realIdxDefSize);
    }

    if (!in.need(qint64(numIdx) * l.logIdxSize, QStringLiteral("описание %1 индексов").arg(numIdx)))
        return std::nullopt;
    for (quint32 i = 0; i < numIdx; ++i) {
        const uchar *f = in.at() + l.logIdxStart;
        LogicalIndexDef x;
        x.number = int(u32(f));
        x.realIndex = int(u32(f + 4));
        x.relTableType = f[8];
        x.relIndex = qint32(u32(f + 9));
        x.relTable = u32(f + 13);
        x.cascadeUpdates = f[17];
        x.cascadeDeletes = f[18];
        x.kind = f[19];
        x.unknown = in.take(l.logIdxSize);
        def.indexes.append(x);
    }
    for (quint32 i = 0; i < numIdx; ++i) {
        const auto name = in.name(QStringLiteral("имя индекса %1").arg(i + 1));
        if (!name)
            return std::nullopt;
        def.indexes[qsizetype(i)].name = *name;
    }

    if (l.hasColumnMaps) {
        // Bounded by the block: each entry takes 10 of its bytes.
        for (;;) {
            const QString what = QStringLiteral("список карт страниц столбцов");
            if (!in.need(2, what))
                return std::nullopt;
            const quint16 number = u16(in.at());
            if (number == kNoColumn)
                break;
            if (!in.need(10, what))
                return std::nullopt;
            def.columnMaps.append(ColumnMapDef{number, u32(in.at() + 2), u32(in.at() + 6)});
            in.skip(10);
        }
    }
    // Jet 3 definitions may close with an empty list (0xFFFF), which nothing needs to read.
    return def;
}

// ---------------------------------------------------------------------------------------------
// Rows

QString splitRow(const Layout &l, const TableDef &def, const uchar *row, int rowSize,
                 std::vector<FieldBytes> &out) {
    const int n = l.rowCountSize;
    if (rowSize < n)
        return QStringLiteral("строка короче своего заголовка");
    const int rowCols = n == 1 ? row[0] : u16(row);
    const int maskSize = (rowCols + 7) / 8;
    if (n + maskSize > rowSize)
        return QStringLiteral("маска NULL не помещается в строку");
    const uchar *mask = row + rowSize - maskSize;

    // Where the fixed and variable data end, and the variable columns' spans.
    int dataEnd = rowSize - maskSize;
    int rowVarCols = 0;
    std::vector<int> offsets; // rowVarCols + 1 entries, the last one is eod
    if (def.numVarCols > 0) {
        const int countPos = rowSize - maskSize - n;
        if (countPos < n)
            return QStringLiteral("число переменных полей не помещается в строку");
        rowVarCols = n == 1 ? row[countPos] : u16(row + countPos);
        offsets.resize(size_t(rowVarCols) + 1);
        if (l.version == Version::Jet4) {
            const int eodPos = countPos - 2 * (rowVarCols + 1);
            if (eodPos < n)
                return QStringLiteral("таблица смещений переменных полей не помещается в строку");
            for (int i = 0; i <= rowVarCols; ++i)
                offsets[size_t(i)] = u16(row + countPos - 2 * (i + 1));
            dataEnd = eodPos;
        } else {
            // One-byte offsets; a jump table before the count says from which entry on each further
            // 256 bytes are to be added. Its size follows from the row size; when eod lies below
            // the last boundary, the last entry is a placeholder.
            const int numJumps = (rowSize - 1) / 256;
            const int eodPos = countPos - numJumps - 1 - rowVarCols;
            if (eodPos < n)
                return QStringLiteral("таблица смещений переменных полей не помещается в строку");
            const int usable = eodPos / 256 < numJumps ? numJumps - 1 : numJumps;
            int jumps = 0;
            for (int i = 0; i <= rowVarCols; ++i) {
                while (jumps < usable && row[countPos - 1 - jumps] <= i)
                    ++jumps;
                offsets[size_t(i)] = row[countPos - numJumps - 1 - i] + 256 * jumps;
            }
            dataEnd = eodPos;
        }
        int previous = n;
        for (int i = 0; i <= rowVarCols; ++i) {
            const int off = offsets[size_t(i)];
            if (off < previous || off > dataEnd)
                return QStringLiteral("смещение переменного поля %1 (%2) выходит за пределы данных строки")
                    .arg(i + 1)
                    .arg(off);
            previous = off;
        }
    }

    out.assign(size_t(def.columns.size()), FieldBytes{});
    for (qsizetype i = 0; i < def.columns.size(); ++i) {
        const ColumnDef &c = def.columns[i];
        FieldBytes &f = out[size_t(i)];
        f.present = c.number < rowCols && (mask[c.number / 8] >> (c.number % 8)) & 1;
        if (!f.present || c.type == ColumnType::Boolean)
            continue;
        if (c.isFixed()) {
            const int size = fixedSize(c.type) ? fixedSize(c.type) : c.length;
            const int start = n + c.fixedOffset;
            if (start + size > dataEnd)
                return QStringLiteral("поле «%1» выходит за пределы строки").arg(c.name);
            f.data = row + start;
            f.size = size;
        } else if (c.varIndex >= rowVarCols) {
            f.present = false; // the column was added after this row was written
        } else {
            const int start = offsets[size_t(c.varIndex)];
            f.data = row + start;
            f.size = offsets[size_t(c.varIndex) + 1] - start;
        }
    }
    return {};
}

QByteArray joinRow(const Layout &l, const TableDef &def, const std::vector<std::optional<QByteArray>> &fields,
                   const std::vector<bool> &booleans) {
    const int n = l.rowCountSize;
    const int numCols = int(def.columns.size());
    const int maskSize = (numCols + 7) / 8;

    int fixedEnd = n;
    std::vector<const QByteArray *> var(size_t(def.numVarCols), nullptr);
    for (int i = 0; i < numCols; ++i) {
        const ColumnDef &c = def.columns[i];
        if (c.type == ColumnType::Boolean)
            continue;
        if (c.isFixed())
            fixedEnd = std::max(fixedEnd, n + c.fixedOffset + fixedSize(c.type));
        else if (fields[size_t(i)])
            var[size_t(c.varIndex)] = &*fields[size_t(i)];
    }

    QByteArray out(fixedEnd, '\0');
    auto *p = reinterpret_cast<uchar *>(out.data());
    if (n == 1)
        p[0] = uchar(numCols);
    else
        put16(p, quint16(numCols));
    for (int i = 0; i < numCols; ++i) {
        const ColumnDef &c = def.columns[i];
        if (c.isFixed() && c.type != ColumnType::Boolean && fields[size_t(i)])
            std::memcpy(p + n + c.fixedOffset, fields[size_t(i)]->constData(), size_t(fixedSize(c.type)));
    }

    if (def.numVarCols > 0) {
        std::vector<int> offsets;
        for (const QByteArray *v : var) {
            offsets.push_back(int(out.size()));
            if (v)
                out += *v;
        }
        const int eod = int(out.size());
        offsets.push_back(eod);
        const int numVar = def.numVarCols;
        if (l.version == Version::Jet4) {
            QByteArray tail(2 * (numVar + 1) + 2, '\0');
            auto *t = reinterpret_cast<uchar *>(tail.data());
            for (int i = 0; i <= numVar; ++i) // eod first, then the offsets from the last column down
                put16(t + 2 * (numVar - i), quint16(offsets[size_t(i)]));
            put16(t + 2 * (numVar + 1), quint16(numVar));
            out += tail;
        } else {
            const int trailer = 1 + numVar + 1 + maskSize; // eod, offsets, count, mask
            int numJumps = 0;
            for (;;) {
                const int next = (eod + trailer + numJumps - 1) / 256;
                if (next == numJumps)
                    break;
                numJumps = next;
            }
            QByteArray tail(1 + numVar + numJumps + 1, '\0');
            auto *t = reinterpret_cast<uchar *>(tail.data());
            for (int i = 0; i <= numVar; ++i)
                t[numVar - i] = uchar(offsets[size_t(i)] & 0xFF);
            const int countPos = 1 + numVar + numJumps;
            for (int k = 0; k < numJumps; ++k) {
                int first = 0xFF;
                for (int i = 0; i <= numVar; ++i) {
                    if (offsets[size_t(i)] >= 256 * (k + 1)) {
                        first = i;
                        break;
                    }
                }
                t[countPos - 1 - k] = uchar(first);
            }
            t[countPos] = uchar(numVar);
            out += tail;
        }
    }

    QByteArray mask(maskSize, '\0');
    for (int i = 0; i < numCols; ++i) {
        const ColumnDef &c = def.columns[i];
        const bool bit =
            c.type == ColumnType::Boolean ? bool(booleans[size_t(i)]) : fields[size_t(i)].has_value();
        if (bit)
            mask[c.number / 8] = char(mask[c.number / 8] | (1 << (c.number % 8)));
    }
    return out + mask;
}

// ---------------------------------------------------------------------------------------------
// Header

void headerCrypt(uchar *data, int size) {
    static constexpr uchar key[] = {0xC7, 0xDA, 0x39, 0x6B};
    std::array<uchar, 256> s{};
    for (int i = 0; i < 256; ++i)
        s[size_t(i)] = uchar(i);
    int j = 0;
    for (int i = 0; i < 256; ++i) {
        j = (j + s[size_t(i)] + key[i % 4]) & 0xFF;
        std::swap(s[size_t(i)], s[size_t(j)]);
    }
    int a = 0;
    int b = 0;
    for (int k = 0; k < size; ++k) {
        a = (a + 1) & 0xFF;
        b = (b + s[size_t(a)]) & 0xFF;
        std::swap(s[size_t(a)], s[size_t(b)]);
        data[k] ^= s[size_t((s[size_t(a)] + s[size_t(b)]) & 0xFF)];
    }
}

QByteArray encodeHeader(const Layout &l, quint16 codePage) {
    QByteArray page(l.pageSize, '\0');
    auto *p = reinterpret_cast<uchar *>(page.data());
    p[0] = kPageHeader;
    p[1] = 0x01;
    std::memcpy(p + kMagicOffset, kJetMagic, sizeof kJetMagic);
    p[kHeaderVersion] = l.version == Version::Jet3 ? 0 : 1;
    put16(p + kHeaderCodePage, codePage);
    if (l.version == Version::Jet4)
        put16(p + kHeaderSortOrder4, kSortGeneral);
    else
        put16(p + 0x3A, kSortGeneral);
    headerCrypt(p + kHeaderCryptStart, l.headerCryptSize);
    return page;
}

} // namespace jet::format

// ---------------------------------------------------------------------------------------------
// Numeric values: public in jet.h

namespace jet {

namespace {

constexpr int kNumericSize = 17;
constexpr quint8 kNumericNegative = 0x80;

} // namespace

std::optional<QString> numericText(const QByteArray &stored, int scale) {
    if (stored.size() != kNumericSize || scale < 0)
        return std::nullopt;
    const auto *p = reinterpret_cast<const uchar *>(stored.constData());
    // The magnitude as four 32-bit words, the most significant first, as stored.
    quint32 words[4];
    for (int w = 0; w < 4; ++w)
        words[w] = format::u32(p + 1 + 4 * w);
    // Nine decimal digits at a time, the lowest first, by long division.
    QString digits;
    for (;;) {
        quint64 rest = 0;
        bool zero = true;
        for (quint32 &w : words) {
            const quint64 part = (rest << 32) | w;
            w = quint32(part / 1000000000u);
            rest = part % 1000000000u;
            zero = zero && w == 0;
        }
        const QString chunk = QString::number(rest);
        digits.prepend(zero ? chunk : chunk.rightJustified(9, QLatin1Char('0')));
        if (zero)
            break;
    }
    if (digits.size() <= scale)
        digits = digits.rightJustified(scale + 1, QLatin1Char('0'));
    if (scale > 0)
        digits.insert(digits.size() - scale, QLatin1Char('.'));
    if (p[0] & kNumericNegative)
        digits.prepend(QLatin1Char('-'));
    return digits;
}

std::optional<QByteArray> numericBytes(const QString &text, int scale) {
    if (scale < 0)
        return std::nullopt;
    QStringView s(text);
    const bool negative = s.startsWith(QLatin1Char('-'));
    if (negative)
        s = s.mid(1);
    const qsizetype point = s.indexOf(QLatin1Char('.'));
    const QStringView whole = point < 0 ? s : s.left(point);
    const QStringView fraction = point < 0 ? QStringView() : s.mid(point + 1);
    if ((whole.isEmpty() && fraction.isEmpty()) || fraction.size() > scale)
        return std::nullopt;
    quint32 words[4] = {0, 0, 0, 0}; // the most significant first
    auto addDigit = [&](QChar c) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        quint64 carry = quint64(c.unicode() - u'0');
        for (int w = 3; w >= 0; --w) {
            const quint64 part = quint64(words[w]) * 10 + carry;
            words[w] = quint32(part);
            carry = part >> 32;
        }
        return carry == 0;
    };
    for (QChar c : whole)
        if (!addDigit(c))
            return std::nullopt;
    for (qsizetype i = 0; i < scale; ++i)
        if (!addDigit(i < fraction.size() ? fraction[i] : QLatin1Char('0')))
            return std::nullopt;
    QByteArray out(kNumericSize, '\0');
    auto *p = reinterpret_cast<uchar *>(out.data());
    p[0] = negative ? kNumericNegative : 0;
    for (int w = 0; w < 4; ++w)
        format::put32(p + 1 + 4 * w, words[w]);
    return out;
}

} // namespace jet
