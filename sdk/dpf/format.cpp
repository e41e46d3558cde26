#include <quenlar/dpf/format_private.h>

#include <quenlar/core/clock.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <ucl/ucl.h>

namespace qnl {
namespace dpf {

const unsigned char kHeadV4[kHeadSize] = {'D', 'P', 'F', 'v', '4', '.', '0', 0};

// "Block-Data" framed by B7 AE CE and CE AF B7.
const unsigned char kMarker[kMarkerSize] = {0xB7, 0xAE, 0xCE, 'B', 'l', 'o',  'c',  'k',
                                            '-',  'D',  'a',  't', 'a', 0xCE, 0xAF, 0xB7};

const char kDeletedType[kTypeSize] = "DELETED";

HeadKind ClassifyHead(const unsigned char *head, size_t length) {
    if (length < kHeadSize || memcmp(head, kHeadV4, kHeadMagicSize) != 0)
        return HeadKind::kNotPackage;
    switch (head[kHeadVersion]) {
    case '3':
        return HeadKind::kVersion3;
    case '4':
        return HeadKind::kVersion4;
    default:
        return HeadKind::kUnsupported;
    }
}

size_t FieldLength(const char *field, size_t width) {
    const void *nul = memchr(field, 0, width);
    return nul ? (size_t)(static_cast<const char *>(nul) - field) : width;
}

// ---------------------------------------------------------------------------
// Block headers
// ---------------------------------------------------------------------------
BlockFields ParseHeader(const unsigned char *header) {
    BlockFields f;
    memcpy(f.name, header + kHdrName, kNameSize - 1);
    memcpy(f.type, header + kHdrType, kTypeSize - 1);
    f.mode = header[kHdrMode];
    f.size = GetLE32(header + kHdrSize);
    f.stored = GetLE32(header + kHdrStored);
    return f;
}

void BuildHeader(unsigned char *header, const char *name, const char *type, unsigned char mode,
                 uint32_t size, uint32_t stored) {
    memset(header, 0, kHeaderSize);
    memcpy(header + kHdrName, name, FieldLength(name, kNameSize - 1));
    memcpy(header + kHdrType, type, FieldLength(type, kTypeSize - 1));
    header[kHdrMode] = mode;
    PutLE32(header + kHdrSize, size);
    PutLE32(header + kHdrStored, stored);
}

bool IsDeletedType(const char *type) {
    return strncmp(type, kDeletedType, kTypeSize) == 0;
}

void MarkDeleted(unsigned char *header) {
    memcpy(header + kHdrType, kDeletedType, kTypeSize);
    header[kHdrName] = '?';
}

// ---------------------------------------------------------------------------
// Info header
// ---------------------------------------------------------------------------
void FormatDate(char out[kInfoDateSize]) {
    static const char kDays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    time_t now = time(nullptr);
    struct tm t;
    memset(out, 0, kInfoDateSize);
    if (!localtime_r(&now, &t)) return;
    // asctime's form: "Wed Jun 30 21:49:08 1993".
    snprintf(out, kInfoDateSize, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", kDays[(t.tm_wday % 7 + 7) % 7],
             kMonths[(t.tm_mon % 12 + 12) % 12], t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
             1900 + t.tm_year);
}

void BuildInfoHeader(unsigned char *info, const char *creator, size_t creatorBytes,
                     const char *created, size_t createdBytes) {
    memset(info, 0, kInfoSize);
    memcpy(info + kInfoCreator, creator, std::min(creatorBytes, kInfoCreatorSize));
    info[kInfoCreator + kInfoCreatorSize - 1] = 0; // at most 28 characters
    if (created) {
        memcpy(info + kInfoCreated, created, std::min(createdBytes, kInfoDateSize));
    } else {
        FormatDate(reinterpret_cast<char *>(info + kInfoCreated));
    }
    FormatDate(reinterpret_cast<char *>(info + kInfoModified));
    // The filler means nothing; it only keeps equal headers from enciphering
    // to equal bytes.
    srand(QuenlarTicks());
    for (size_t i = 0; i < kInfoFillerSize; ++i)
        info[kInfoFiller + i] = (unsigned char)(rand() % 255);
}

// ---------------------------------------------------------------------------
// Payloads
// ---------------------------------------------------------------------------
bool EncodePayload(const unsigned char *data, uint32_t size, unsigned char mode,
                   std::vector<unsigned char> &out, uint32_t &stored, size_t prefix) {
    out.clear();
    try {
        if (mode == kCompressed) {
            // UCL's documented bound for incompressible input.
            uint64_t capacity = (uint64_t)size + size / 8 + 256;
            if (capacity > 0xFFFFFFFFu) return false;
            std::vector<unsigned char> packed(prefix + PaddedSize(capacity), 0);
            ucl_uint length = (ucl_uint)capacity;
            int r = ucl_nrv2b_99_compress(data, size, packed.data() + prefix, &length, nullptr, 6,
                                          nullptr, nullptr);
            if (r != UCL_E_OK || length > capacity) return false;
            packed.resize(prefix + PaddedSize(length)); // the padding is still zero
            stored = (uint32_t)length;
            out.swap(packed);
            return true;
        }
        out.assign(prefix + PaddedSize(size), 0);
    } catch (const std::bad_alloc &) {
        out.clear();
        return false;
    }
    if (size) memcpy(out.data() + prefix, data, size);
    if (mode == kScrambled) Scramble(out.data() + prefix, size);
    stored = size;
    return true;
}

bool Decompress(const unsigned char *payload, uint32_t stored, unsigned char *out, uint32_t size) {
    ucl_uint length = size;
    // The bounds-checking decoder: a damaged stream can never write past
    // `size` bytes nor read past `stored`.
    int r = ucl_nrv2b_decompress_safe_8(payload, stored, out, &length, nullptr);
    return r == UCL_E_OK && length == size;
}

void Scramble(unsigned char *data, size_t length) {
    for (size_t i = 0; i < length; ++i)
        data[i] ^= kScrambleByte;
}

} // namespace dpf
} // namespace qnl
