// The overlay windows' built-in font: a PNG compiled into the SDK. The
// build draws it from a TrueType font (scripts/builtin_font) and generates
// the source that defines these. 899x14 pixels, 8-bit RGB: row 0 black,
// rows 1 to 13 the characters '!' to '~' in white on black, each followed
// by black columns, so that CFont::Create makes the marker row itself.
// SDK-internal.
#ifndef QUENLAR_TOOLS_BUILTINFONT_PRIVATE_H
#define QUENLAR_TOOLS_BUILTINFONT_PRIVATE_H

namespace qnl {

extern const unsigned char kBuiltinFontPng[];
extern const int kBuiltinFontPngSize; // bytes

} // namespace qnl

#endif
