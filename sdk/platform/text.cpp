#include <quenlar/platform/text.h>

namespace qnl {
namespace platform {

namespace {

// Code points of the bytes 0x80 to 0x9F; the others are those of Latin-1.
const char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string &out, unsigned code) {
    if (code < 0x80) {
        out += (char)code;
    } else if (code < 0x800) {
        out += (char)(0xC0 | code >> 6);
        out += (char)(0x80 | (code & 0x3F));
    } else {
        out += (char)(0xE0 | code >> 12);
        out += (char)(0x80 | (code >> 6 & 0x3F));
        out += (char)(0x80 | (code & 0x3F));
    }
}

} // namespace

std::string Utf8FromWindows1252(const char *text) {
    std::string out;
    for (const unsigned char *p = (const unsigned char *)text; p && *p; ++p)
        AppendUtf8(out, *p >= 0x80 && *p < 0xA0 ? kHigh[*p - 0x80] : *p);
    return out;
}

} // namespace platform
} // namespace qnl
