// The setup configuration file: a game's player-chosen settings as a small
// XML document (root "setup", sections general, video and audio), kept as a
// plain file or as a "FILE" block of a package.
#include <quenlar/core/engine.h>

#include <quenlar/core/error_private.h>

namespace {

int Clamp(int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
}

// Sample formats. A record holds an SDL audio format code (the engine's
// default is signed 8-bit, 0x8008) or, as the launcher keeps it, the bare
// sample size 8 or 16 (SDL's codes of the unsigned formats). Files hold the
// sample size, the low byte of a code; reading puts it back into the kind
// of code the record held.
constexpr int kSignedSamples = 0x8000;    // SDL's flag of signed samples
constexpr int kBigEndianSamples = 0x1000; // ... and of big-endian 16-bit ones

bool IsSampleFormat(int code) {
    const int size = code & ~(kSignedSamples | kBigEndianSamples);
    return size == 8 || size == 16;
}

// The sample size of an SDL code; other values are left to the reader's
// correction.
int SampleSize(int format) {
    return IsSampleFormat(format) ? format & 0xFF : format;
}

// The code of `size` (8 or 16) with the flags `previous` had.
int FormatOfSize(int size, int previous) {
    if (!IsSampleFormat(previous)) return size;
    const int flags = previous & (size == 16 ? kSignedSamples | kBigEndianSamples : kSignedSamples);
    return flags | size;
}

// One stored attribute: its section, its name, how it is taken from and put
// into the record, and how a value read from a file is corrected.
struct ConfigField {
    const char *section;
    const char *attribute;
    int (*get)(const QuenlarConfig &);
    void (*set)(QuenlarConfig &, int);
    int (*correct)(int);
};

#define QNL_FIELD(section, field, correct)                                                         \
    {                                                                                              \
        section, #field, [](const QuenlarConfig &c) { return static_cast<int>(c.field); },         \
            [](QuenlarConfig &c, int v) { c.field = static_cast<decltype(c.field)>(v); }, correct  \
    }

// In document order, which is also the order of reading. A corrected value
// always fits its field.
const ConfigField kFields[] = {
    // The field is a signed byte: values above 127 are cut, never wrapped
    // into a negative delay.
    QNL_FIELD("general", mtfriendly, [](int v) { return Clamp(v, 0, 127); }),
    QNL_FIELD("video", renderer,
              [](int v) {
                  v = Clamp(v, 2, 128);
                  return v == 2 || v == 4 || v == 64 ? v : 2;
              }),
    QNL_FIELD("video", resolutionx, [](int v) { return v; }),
    QNL_FIELD("video", resolutiony, [](int v) { return v; }),
    QNL_FIELD("video", colordepth,
              [](int v) { return v == 0 || v == 8 || v == 16 || v == 32 ? v : 0; }),
    QNL_FIELD("video", window, [](int v) { return Clamp(v, 0, 2); }),
    QNL_FIELD("video", accel, [](int v) { return Clamp(v, 1, 3); }),
    QNL_FIELD("audio", enable, [](int v) { return Clamp(v, 0, 1); }),
    {"audio", "format", [](const QuenlarConfig &c) { return SampleSize(c.format); },
     [](QuenlarConfig &c, int size) { c.format = FormatOfSize(size, c.format); },
     [](int v) {
         v = Clamp(SampleSize(v), 8, 16);
         return v == 16 ? 16 : 8;
     }},
    QNL_FIELD("audio", frequency,
              [](int v) {
                  v = Clamp(v, 11025, 44100);
                  return v == 22050 || v == 44100 ? v : 11025;
              }),
    QNL_FIELD("audio", mode,
              [](int v) {
                  v = Clamp(v, 1, 4);
                  return v == 2 || v == 4 ? v : 1;
              }),
    QNL_FIELD("audio", musicvol, [](int v) { return Clamp(v, 0, 255); }),
    QNL_FIELD("audio", soundvol, [](int v) { return Clamp(v, 0, 255); }),
    QNL_FIELD("audio", buffer, [](int v) { return Clamp(v, 1024, 16384); }),
};

#undef QNL_FIELD

const char kProductLine[] = "Quenlar SDK Setup System.";

// The text of each section: help lines, one XMLTextSet each.
struct SectionText {
    const char *section;
    const char *lines[8];
};
const SectionText kSectionTexts[] = {
    {"general", {"General information"}},
    {"video",
     {"Renderer: Windib(2), DirectX(4), X11(8), FBCon(16), Quartz(128) and OpenGL(64) .\n",
      "ResolutionX: width of the desired screen.\n", "ResolutionY: height of the desired screen.\n",
      "Colordepth: 0,8, 16 or 32 bits.\n",
      "Window: Window(1), Window with no-frame(2) or fullscreen(0).\n",
      "Accel: Software(1), Hardware smooth(2) and Hardware speed(3).\n"}},
    {"audio",
     {"Enable: could be 1(enabled) or 0(disabled).\n",
      "Format: 8 or 16 for 8bits/16bits audio stream.\n",
      "Frequency: 11025/22050/44100 samples per second (Hz).\n",
      "Mode: number of channels. 1 for mono, 2 for stereo and 4 for surround.\n",
      "Musicvol: from 0 to 255 is the music volumen.\n",
      "Soundvol: from 0 to 255 is the sound volumen.\n",
      "Buffer: internal buffer(in bytes) to avoid playback problems. 4096 is a good value.\n"}},
};

bool SameText(const char *a, const char *b) {
    while (*a && *a == *b)
        ++a, ++b;
    return *a == *b;
}

// A configuration needs a file or block name; failures of the document
// itself are recorded by the XML layer and passed up as they are.
bool HasName(const char *name) {
    if (name && *name) return true;
    qnl::SetError(qnl::ErrorCode::kInvalidArgument, "no configuration name was given.");
    return false;
}

} // namespace

int QuenlarEngine::ReadConfig(const char *dpf, const char *name, QuenlarConfig *cfg) {
    if (!HasName(name)) return 0;
    QuenlarConfig &record = cfg ? *cfg : *this;
    int h = dpf && *dpf ? XMLOpen(dpf, name) : XMLOpen(name);
    if (!h) return 0;

    // Every value goes into the record as soon as it is read, so a document
    // that stops early leaves the record partly updated.
    int complete = 1;
    const char *section = nullptr;
    for (const ConfigField &field : kFields) {
        if (!section || !SameText(section, field.section)) {
            section = field.section;
            if (!XMLNodePointTo(h, 2, "setup", section)) {
                complete = 0;
                break;
            }
        }
        int value;
        if (!XMLAttributeGet(h, field.attribute, &value)) {
            complete = 0;
            break;
        }
        field.set(record, field.correct(value));
        // An optional processor code path follows mtfriendly; it is applied
        // at once and not kept in the record.
        if (&field == &kFields[0]) {
            int optcore;
            if (XMLAttributeGet(h, "optcore", &optcore)) SelectCodePath(optcore);
        }
    }
    XMLClose(h);
    return complete;
}

int QuenlarEngine::WriteConfig(const char *dpf, const char *name, QuenlarConfig *cfg) {
    if (!HasName(name)) return 0;
    const QuenlarConfig &record = cfg ? *cfg : *this;
    int h = XMLCreate("setup");
    if (!h) return 0;
    XMLCommentSet(h, kProductLine);

    int built = 1;
    for (const SectionText &text : kSectionTexts) {
        if (!XMLNodeCreate(h, text.section)) {
            built = 0;
            break;
        }
        for (const ConfigField &field : kFields)
            if (SameText(field.section, text.section))
                XMLAttributeSet(h, field.attribute, field.get(record));
        for (const char *line : text.lines)
            if (line) XMLTextSet(h, line);
        XMLNodeParent(h);
    }

    int saved = 0;
    if (built) saved = dpf && *dpf ? XMLSave(h, dpf, name) : XMLSave(h, name);
    XMLClose(h);
    return saved;
}
