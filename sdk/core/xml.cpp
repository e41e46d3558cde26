// XML documents by handle, on TinyXML.
//
// A handle (1..10) names one of the engine's ten document slots together with
// that document's current element; every node, attribute and text operation
// acts on the current element. Callers never see TinyXML's objects.
//
// Index
//   Helpers .................. NestingWithinLimit, PrintXmlDocument, ParseXmlText,
//                              ReadXmlFile, BlockNameFits, FreeSlot
//   Opening and creating ..... XMLOpen (file, package handle, package file), XMLCreate
//   Saving and closing ....... XMLSave (file, package handle, package file), XMLClose
//   Moving the current element  XMLNodePointTo, XMLNodeChild, XMLNodeNext, XMLNodeParent
//   Building and reading ..... XMLNodeCreate, XMLNodeGetName, XMLAttributeSet/Get,
//                              XMLTextSet, XMLCommentSet
#include <quenlar/core/engine_private.h>

#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>
#include <quenlar/dpf/archive_private.h>
#include <quenlar/platform/fileio_private.h>
#include <quenlar/platform/filesystem.h>

#include <tinyxml.h>

using qnl::ErrorCode;

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kFileBlock[] = "FILE";
// Deepest element nesting a document may have (see NestingWithinLimit).
constexpr int kMaxXmlDepth = 256;
constexpr char kXmlTooDeep[] = "elements are nested too deeply";
constexpr char kXmlCannotOpen[] = "Failed to open file"; // TinyXML's wording
constexpr char kXmlTooLarge[] = "file too large for an XML document";
// Largest plain XML file read, in bytes: settings and layouts are a few KiB.
constexpr size_t kMaxXmlFileBytes = 16u << 20;

// The package's file name for messages; "" when there is no archive object
// or the handle names no open package.
const char *PackageName(int dpf) {
    const char *name = IStuffDPF ? IStuffDPF->GetName(dpf) : nullptr;
    return name ? name : "";
}

// Rejects texts whose elements nest deeper than kMaxXmlDepth. TinyXML parses,
// prints and frees elements recursively, so a deep enough document would
// exhaust the stack; no document of ours comes near the limit. The scan
// follows TinyXML's reading closely enough to count every element it would
// open: comments, CDATA, declarations and quoted attribute values are skipped.
bool NestingWithinLimit(const char *text, size_t length) {
    const char *p = text, *end = text + length;
    auto skipPast = [&](const char *terminator) {
        size_t n = strlen(terminator);
        while (p < end && !(static_cast<size_t>(end - p) >= n && memcmp(p, terminator, n) == 0))
            ++p;
        p = p < end ? p + n : end;
    };
    auto startsWith = [&](const char *prefix) {
        size_t n = strlen(prefix);
        return static_cast<size_t>(end - p) >= n && memcmp(p, prefix, n) == 0;
    };
    int depth = 0;
    while (p < end) {
        if (*p != '<') {
            ++p;
            continue;
        }
        if (startsWith("<!--")) {
            skipPast("-->");
        } else if (startsWith("<![CDATA[")) {
            skipPast("]]>");
        } else if (startsWith("<?") || startsWith("<!")) {
            skipPast(">");
        } else if (startsWith("</")) {
            if (depth > 0) --depth;
            skipPast(">");
        } else {
            // An opening tag: walk to its end, minding quoted values.
            ++p;
            char quote = 0, last = 0;
            while (p < end) {
                char c = *p++;
                if (quote) {
                    if (c == quote) quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
                last = c;
            }
            if (last != '/' && ++depth > kMaxXmlDepth) return false;
        }
    }
    return true;
}

// Where a slot's current element is required: logs the message every such
// operation shares and returns null when there is none.
TiXmlElement *Pointed(TiXmlElement *current, const char *operation, int h) {
    if (!current)
        qnl::ReportError(ErrorCode::kInvalidArgument, LOG_ERROR,
                         qnl::Format("Quenlar.%s(%d)", operation, h),
                         "there is not an element pointed.");
    return current;
}

// Records an argument an operation cannot use; its caller returns 0.
void RecordMissing(const char *what) {
    qnl::SetError(ErrorCode::kInvalidArgument, "no %s was given.", what);
}

// A move of the current element: 1 when `to` exists and becomes current;
// else 0, recording that the element has no `which` element.
int MoveTo(TiXmlElement *&current, TiXmlElement *to, const char *which) {
    if (!to) {
        qnl::SetError(ErrorCode::kNotFound, "the element %s has no %s element.", current->Value(),
                      which);
        return 0;
    }
    current = to;
    return 1;
}

// Records an attribute the current element lacks; returns 0.
int MissingAttribute(const TiXmlElement *element, const char *name) {
    qnl::SetError(ErrorCode::kNotFound, "the element %s has no attribute %s.", element->Value(),
                  name);
    return 0;
}

// The document as TinyXML's printer writes it.
void PrintXmlDocument(const TiXmlDocument &doc, std::string &out) {
    TiXmlPrinter printer; // four-space indent, "\n" line breaks
    doc.Accept(&printer);
    out = printer.Str();
}

// Parses a document from bytes (a block holds exactly its bytes, TinyXML
// wants a NUL-terminated text). Null, or why it failed (recorded).
const char *ParseXmlText(TiXmlDocument &doc, const char *data, size_t length) {
    // TinyXML steps over a multi-byte UTF-8 character by the length its
    // first byte announces, so a text ending inside one would be read past
    // its terminator: the zero bytes after it cover the longest step.
    constexpr size_t kZeroPadding = 8;
    std::string text(data ? data : "", data ? length : 0);
    text.append(kZeroPadding, '\0');
    const char *error = nullptr;
    if (!NestingWithinLimit(text.data(), text.size() - kZeroPadding)) {
        error = kXmlTooDeep;
    } else {
        doc.Parse(text.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
        if (doc.Error()) error = doc.ErrorDesc();
    }
    if (error) qnl::SetError(ErrorCode::kParse, "%s", error);
    return error;
}

// Reads a plain XML file whole, with its line ends made "\n" as TinyXML's
// own file loader makes them. Null, or the error text (recorded).
const char *ReadXmlFile(const char *file, std::string &text) {
    switch (qnl::platform::ReadWholeFile(file, text, kMaxXmlFileBytes)) {
    case qnl::platform::WholeFile::kRead:
        break;
    case qnl::platform::WholeFile::kTooLarge:
        qnl::SetError(ErrorCode::kTooLarge, "%s", kXmlTooLarge);
        return kXmlTooLarge;
    case qnl::platform::WholeFile::kCannotOpen:
    case qnl::platform::WholeFile::kReadError:
        qnl::SetError(ErrorCode::kIo, "%s: %s", kXmlCannotOpen, qnl::platform::LastErrorText());
        return kXmlCannotOpen;
    }

    // CR LF and lone CR become LF.
    size_t out = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            text[out++] = '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            text[out++] = text[i];
        }
    }
    text.resize(out);
    return nullptr;
}

// The name a package block of a document is saved under, when the block
// record can hold it: a cut name could replace some other block. False
// (reported under `origin`) when it cannot.
bool BlockNameFits(const char *block, const std::string &origin) {
    if (strlen(block) < sizeof DPFBlock().name) return true;
    qnl::ReportError(ErrorCode::kInvalidArgument, LOG_ERROR, origin,
                     "the block name is longer than %d characters.",
                     (int)sizeof DPFBlock().name - 1);
    return false;
}

} // namespace

// ---------------------------------------------------------------------------
// Slots
// ---------------------------------------------------------------------------
// Handles outside 1..10 and free slots are invalid; operations on them return
// 0 without a message (the failure is recorded).
#define QNL_SLOT_OR(h, result)                                                                     \
    if ((h) < 1 || (h) > qnl::kXmlSlots || !state_->xmlDoc[(h)-1]) {                               \
        qnl::SetError(ErrorCode::kInvalidArgument, "no XML document has handle %d.", (h));         \
        return result;                                                                             \
    }                                                                                              \
    TiXmlDocument *doc = state_->xmlDoc[(h)-1];                                                    \
    TiXmlElement *&current = state_->xmlCurrent[(h)-1];                                            \
    (void)doc;                                                                                     \
    (void)current

namespace {
// The first free slot, or -1 when all ten hold a document.
int FreeSlot(qnl::EngineState &s) {
    for (int i = 0; i < qnl::kXmlSlots; ++i)
        if (!s.xmlDoc[i]) return i;
    return -1;
}

// Puts a document (owned by the slot from now on) and its current element
// into a free slot; its handle.
int Occupy(qnl::EngineState &s, int slot, TiXmlDocument *doc, TiXmlElement *current) {
    s.xmlDoc[slot] = doc;
    s.xmlCurrent[slot] = current;
    return slot + 1;
}
} // namespace

// ---------------------------------------------------------------------------
// Opening and creating
// ---------------------------------------------------------------------------
int QuenlarEngine::XMLOpen(const char *file) {
    if (!file) {
        RecordMissing("file name");
        return 0;
    }
    int slot = FreeSlot(*state_);
    if (slot < 0) {
        qnl::ReportError(ErrorCode::kTableFull, LOG_ERROR,
                         qnl::Format("Quenlar.XMLOpen('%s')", file),
                         "reached maximum limit of XML opened(%d)", qnl::kXmlSlots);
        return 0;
    }

    std::string text;
    const char *error = ReadXmlFile(file, text);
    TiXmlDocument *doc = new TiXmlDocument(file);
    if (!error) error = ParseXmlText(*doc, text.data(), text.size());
    if (error) { // recorded by the reader or the parser
        ILogSystem.Msg(0, " . [Quenlar.XMLOpen('%s')] Error: %s\n", file, error);
        delete doc;
        return 0;
    }
    return Occupy(*state_, slot, doc, nullptr);
}

int QuenlarEngine::XMLOpen(int dpf, const char *block) {
    if (dpf < 1 || !block) {
        RecordMissing("package handle or block name");
        return 0;
    }
    auto origin = [&] {
        return qnl::Format("Quenlar.XMLOpen('%s','%s')", PackageName(dpf), block);
    };
    if (!state_->initialised || !IStuffDPF) {
        qnl::ReportError(ErrorCode::kNotInitialized, LOG_ERROR, origin(),
                         "Quenlar was not initialized. Aborting the XML load.");
        return 0;
    }
    int slot = FreeSlot(*state_);
    if (slot < 0) {
        qnl::ReportError(ErrorCode::kTableFull, LOG_ERROR, origin(),
                         "reached maximum limit of XML opened(%d)", qnl::kXmlSlots);
        return 0;
    }

    DPFBlock b; // LoadBlock leaves data null unless it returns a size
    if (IStuffDPF->LoadBlock(dpf, kFileBlock, block, &b) <= 0 || !b.data) {
        // The package recorded why: not there, empty or damaged. An empty
        // block is there: the log says so instead of "not found".
        const bool empty = qnl::LastError().code == ErrorCode::kEmpty;
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: %s\n", origin().c_str(),
                       empty ? "the block is empty." : "block not found in the given DPF.");
        return 0;
    }
    TiXmlDocument *doc = new TiXmlDocument;
    const char *error = ParseXmlText(*doc, b.data, b.size);
    delete[] b.data; // the caller owns what LoadBlock read
    if (error) {
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: %s\n", origin().c_str(), error);
        delete doc;
        return 0;
    }
    return Occupy(*state_, slot, doc, nullptr);
}

int QuenlarEngine::XMLOpen(const char *dpfFile, const char *block) {
    if (!dpfFile || !block) {
        RecordMissing("package file or block name");
        return 0;
    }
    if (!state_->initialised || !IStuffDPF) {
        qnl::ReportError(ErrorCode::kNotInitialized, LOG_ERROR,
                         qnl::Format("Quenlar.XMLOpen('%s','%s')", dpfFile, block),
                         "Quenlar was not initialized. Aborting the XML load.");
        return 0;
    }
    int dpf = IStuffDPF->Open(dpfFile);
    if (dpf < 1) return 0; // the archive has logged and recorded why
    int h = XMLOpen(dpf, block);
    IStuffDPF->Close(dpf);
    return h;
}

int QuenlarEngine::XMLCreate(const char *root) {
    const char kOrigin[] = "Quenlar.XMLCreate()";
    if (!state_->initialised) {
        qnl::ReportError(ErrorCode::kNotInitialized, LOG_ERROR, kOrigin,
                         "Quenlar was not initialized. Aborting the XML load.");
        return 0;
    }
    if (!root) {
        RecordMissing("root name");
        return 0;
    }
    int slot = FreeSlot(*state_);
    if (slot < 0) {
        qnl::ReportError(ErrorCode::kTableFull, LOG_ERROR, kOrigin,
                         "reached maximum limit of XML opened(%d)", qnl::kXmlSlots);
        return 0;
    }

    TiXmlDocument *doc = new TiXmlDocument;
    doc->LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", "yes"));
    doc->LinkEndChild(new TiXmlElement(root));
    TiXmlElement *element = doc->FirstChildElement();
    if (doc->Error() || !element) {
        qnl::ReportError(ErrorCode::kParse, LOG_ERROR, kOrigin, "%s", doc->ErrorDesc());
        delete doc;
        return 0;
    }
    return Occupy(*state_, slot, doc, element);
}

// ---------------------------------------------------------------------------
// Saving and closing
// ---------------------------------------------------------------------------
// Both forms print the document to memory with the same printer, so a plain
// file and a package block of one document hold the same bytes.
int QuenlarEngine::XMLSave(int h, const char *file) {
    QNL_SLOT_OR(h, 0);
    if (!file) {
        RecordMissing("file name");
        return 0;
    }
    qnl::platform::MakeParentDirectories(file);

    // Written beside and flushed before it takes the old file's place, so a
    // failed save (a full disk, a size limit) leaves the old file whole.
    std::string text;
    PrintXmlDocument(*doc, text);
    qnl::dpf::FileSwap neu;
    if (!neu.Create(file, -1) || !qnl::platform::WriteAll(neu.fd(), text.data(), text.size())) {
        qnl::SetError(ErrorCode::kIo, "'%s' could not be written: %s", file,
                      qnl::platform::LastErrorText());
        return 0;
    }
    if (!neu.Swap()) {
        qnl::SetError(ErrorCode::kIo, "'%s' could not be written: %s", file,
                      neu.systemError().c_str());
        return 0;
    }
    return 1;
}

int QuenlarEngine::XMLSave(int h, int dpf, const char *block) {
    if (!state_->initialised || !IStuffDPF) {
        qnl::ReportError(
            ErrorCode::kNotInitialized, LOG_ERROR,
            qnl::Format("Quenlar.XMLSave(%d,'%s','%s')", h, PackageName(dpf), block ? block : ""),
            "Quenlar was not initialized. Aborting the XML save.");
        return 0;
    }
    QNL_SLOT_OR(h, 0);
    if (dpf < 1 || !block) {
        RecordMissing("package handle or block name");
        return 0;
    }
    if (!BlockNameFits(block,
                       qnl::Format("Quenlar.XMLSave(%d,'%s','%s')", h, PackageName(dpf), block)))
        return 0;
    DPFBlock b;
    memset(&b, 0, sizeof b);

    std::string text;
    PrintXmlDocument(*doc, text);
    snprintf(b.name, sizeof b.name, "%s", block);
    snprintf(b.type, sizeof b.type, "%s", kFileBlock);
    b.mode = 0; // compressed
    b.size = static_cast<unsigned int>(text.size());
    b.data = &text[0]; // copied by the package (no terminator is stored)
    // Exactly one block of the name remains; if the new one cannot be
    // added, the older one stays as it was.
    return IStuffDPF->Replace(dpf, &b);
}

int QuenlarEngine::XMLSave(int h, const char *dpfFile, const char *block) {
    if (!state_->initialised || !IStuffDPF) {
        qnl::ReportError(ErrorCode::kNotInitialized, LOG_ERROR,
                         qnl::Format("Quenlar.XMLSave(%d,'%s','%s')", h, dpfFile ? dpfFile : "",
                                     block ? block : ""),
                         "Quenlar was not initialized. Aborting the XML save.");
        return 0;
    }
    QNL_SLOT_OR(h, 0);
    if (!dpfFile || !block) {
        RecordMissing("package file or block name");
        return 0;
    }
    // Checked before the package is made: a name that cannot be saved
    // leaves no empty package behind.
    if (!BlockNameFits(block, qnl::Format("Quenlar.XMLSave(%d,'%s','%s')", h, dpfFile, block)))
        return 0;
    int dpf = IStuffDPF->OpenOrCreate(dpfFile);
    if (dpf < 1) return 0; // the archive has logged and recorded why
    int result = XMLSave(h, dpf, block);
    IStuffDPF->Close(dpf);
    return result;
}

void QuenlarEngine::XMLClose(int h) {
    if (h < 1 || h > qnl::kXmlSlots) return;
    delete state_->xmlDoc[h - 1];
    state_->xmlDoc[h - 1] = nullptr;
    state_->xmlCurrent[h - 1] = nullptr;
}

// ---------------------------------------------------------------------------
// Moving the current element
// ---------------------------------------------------------------------------
int QuenlarEngine::XMLNodePointTo(int h, int count, ...) {
    QNL_SLOT_OR(h, 0);
    if (count < 1) {
        RecordMissing("element name");
        return 0;
    }

    va_list names;
    va_start(names, count);
    TiXmlElement *found = nullptr;
    std::string path; // the names walked, for the reason of a failure
    for (int i = 0; i < count; ++i) {
        const char *name = va_arg(names, const char *);
        if (!name) {
            found = nullptr;
            RecordMissing("element name");
            break;
        }
        path += (i ? "/" : "") + std::string(name);
        // The first name must be the root's: it is looked up among the
        // document's children like every later name among the element's.
        found = i == 0 ? doc->FirstChildElement(name) : found->FirstChildElement(name);
        if (!found) {
            qnl::SetError(ErrorCode::kNotFound, "the document has no element %s.", path.c_str());
            break;
        }
    }
    va_end(names);
    if (!found) return 0;
    current = found;
    return 1;
}

int QuenlarEngine::XMLNodeChild(int h) {
    QNL_SLOT_OR(h, 0);
    if (!Pointed(current, "XMLNodeChild", h)) return 0;
    return MoveTo(current, current->FirstChildElement(), "child");
}

int QuenlarEngine::XMLNodeNext(int h) {
    QNL_SLOT_OR(h, 0);
    if (!Pointed(current, "XMLNodeNext", h)) return 0;
    return MoveTo(current, current->NextSiblingElement(), "next");
}

int QuenlarEngine::XMLNodeParent(int h) {
    QNL_SLOT_OR(h, 0);
    if (!Pointed(current, "XMLNodeParent", h)) return 0;
    TiXmlNode *parent = current->Parent();
    // The root's parent is the document, not an element.
    return MoveTo(current, parent ? parent->ToElement() : nullptr, "parent");
}

// ---------------------------------------------------------------------------
// Building and reading
// ---------------------------------------------------------------------------
int QuenlarEngine::XMLNodeCreate(int h, const char *name) {
    QNL_SLOT_OR(h, 0);
    if (!Pointed(current, "XMLNodeCreate", h)) return 0;
    if (!name || !*name) {
        RecordMissing("element name");
        return 0;
    }
    TiXmlNode *added = current->LinkEndChild(new TiXmlElement(name));
    if (!added) {
        qnl::SetError(ErrorCode::kNoMemory, "the element %s could not be added.", name);
        return 0;
    }
    current = added->ToElement();
    return 1;
}

const char *QuenlarEngine::XMLNodeGetName(int h) {
    QNL_SLOT_OR(h, nullptr);
    if (!Pointed(current, "XMLNodeGetName", h)) return nullptr;
    return current->Value();
}

int QuenlarEngine::XMLAttributeSet(int h, const char *name, int value) {
    QNL_SLOT_OR(h, 0);
    if (!Pointed(current, "XMLAttributeSet", h)) return 0;
    if (!name || !*name) {
        RecordMissing("attribute name");
        return 0;
    }
    current->SetAttribute(name, value); // replaces, or appends after the others
    return 1;
}

int QuenlarEngine::XMLAttributeGet(int h, const char *name, const char **text) {
    QNL_SLOT_OR(h, 0);
    if (!Pointed(current, "XMLAttributeGet", h)) return 0;
    if (!name || !text) {
        RecordMissing("attribute name or result");
        return 0;
    }
    *text = current->Attribute(name); // owned by the document
    if (!*text) return MissingAttribute(current, name);
    return 1;
}

int QuenlarEngine::XMLAttributeGet(int h, const char *name, int *value) {
    QNL_SLOT_OR(h, 0);
    if (!Pointed(current, "XMLAttributeGet", h)) return 0;
    if (!name || !value) {
        RecordMissing("attribute name or result");
        return 0;
    }
    const char *text = current->Attribute(name);
    if (!text) return MissingAttribute(current, name);
    // A decimal integer at the start of the text, as TinyXML reads one, but
    // a value outside the int range is refused rather than wrapped.
    errno = 0;
    char *end = nullptr;
    long number = strtol(text, &end, 10);
    if (end == text) {
        qnl::SetError(ErrorCode::kParse, "the attribute %s of %s is not an integer: '%s'.", name,
                      current->Value(), text);
        return 0;
    }
    if (errno == ERANGE || number < INT_MIN || number > INT_MAX) {
        qnl::SetError(ErrorCode::kParse, "the attribute %s of %s is out of range: '%s'.", name,
                      current->Value(), text);
        return 0;
    }
    *value = static_cast<int>(number);
    return 1;
}

int QuenlarEngine::XMLTextSet(int h, const char *text) {
    QNL_SLOT_OR(h, 0);
    if (!Pointed(current, "XMLTextSet", h)) return 0;
    if (!text) {
        RecordMissing("text");
        return 0;
    }
    // Repeated calls grow the element's first text node.
    for (TiXmlNode *child = current->FirstChild(); child; child = child->NextSibling()) {
        if (TiXmlText *node = child->ToText()) {
            node->SetValue(std::string(node->Value()) + text);
            return 1;
        }
    }
    if (current->LinkEndChild(new TiXmlText(text))) return 1;
    qnl::SetError(ErrorCode::kNoMemory, "the text could not be added.");
    return 0;
}

int QuenlarEngine::XMLCommentSet(int h, const char *text) {
    QNL_SLOT_OR(h, 0);
    if (!Pointed(current, "XMLCommentSet", h)) return 0;
    if (!text) {
        RecordMissing("text");
        return 0;
    }
    TiXmlComment comment(text);
    TiXmlNode *first = current->FirstChild();
    if (first ? current->InsertBeforeChild(first, comment) : current->InsertEndChild(comment))
        return 1;
    qnl::SetError(ErrorCode::kNoMemory, "the comment could not be added.");
    return 0;
}
