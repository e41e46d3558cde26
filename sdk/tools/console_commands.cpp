// The console's own commands: "help" and "con". A handler returns 1 when
// it understood the line; 0 makes Execute answer with the syntax error.
#include <quenlar/tools/console.h>

#include <quenlar/core/error_private.h>
#include <quenlar/tools/windowcommand_private.h>

#include <cstdio>

namespace {

const char *const kConUsage[] = {
    " usage: con <parameter> [value]",
    "  <alpha> [64 to 255] - Adjust the alpha value of the console",
    "  <clear> - Clear the console",
    "  <color> R G B - Set the console background color",
    "  <features> [value] - Get current features or set new ones",
    "  <hide> - Hide the console",
    "  <history> clear|save [filename] - Clear the command history or save them to the filename",
    "  <move> x y - Move the console to (x,y). Negative value to preserve current value",
    "  <resize> w h - Resize the console to (w,h). Negative value to preserve current value",
    "  <save> filename - Save the console text to the filename",
};

// `v` in binary, from its highest set bit down; "0" for 0.
std::string Binary(unsigned v) {
    std::string digits;
    do {
        digits.insert(digits.begin(), (char)('0' + (v & 1)));
        v >>= 1;
    } while (v);
    return digits;
}

// Writes each line followed by a line break to `path`, created or
// truncated. false (recorded) when the file cannot be written.
bool SaveLines(const std::vector<std::string> &lines, const std::string &path) {
    FILE *file = std::fopen(path.c_str(), "w");
    bool written = file != nullptr;
    for (size_t i = 0; file && i < lines.size(); ++i)
        written = std::fprintf(file, "%s\n", lines[i].c_str()) >= 0 && written;
    if (file) written = std::fclose(file) == 0 && written;
    if (!written) qnl::SetError(qnl::ErrorCode::kIo, "could not write '%s'", path.c_str());
    return written;
}

} // namespace

int cConsole::Help(const ConsoleWords &) {
    for (const Command &c : commands_)
        Print(" %s - %s", c.name, c.description);
    return 1;
}

int cConsole::Con(const ConsoleWords &words) {
    if (words.size() < 2) {
        for (const char *line : kConUsage)
            PrintLine(line);
        return 1;
    }
    if (qnl::WindowCommand(*this, *this, words, "console")) return 1;

    const std::string &what = words[1];
    if (what == "clear") {
        ClearLines();
        PrintLine(title_);
    } else if (what == "features") {
        if (words.size() < 3) {
            Print(" Current features: %s", Binary(features_).c_str());
        } else {
            const int v = qnl::WordNumber(words, 2);
            SetFeatures((Uint8)(v < 0 ? 0 : v > 255 ? 255 : v));
            Print(" New features %s set", Binary(features_).c_str());
        }
    } else if (what == "hide") {
        Show(0);
    } else if (what == "history") {
        return ConHistory(words);
    } else if (what == "save") {
        if (words.size() < 3) return 0;
        const bool saved = SaveLines(GetLines(), words[2]);
        Print(" Save console text to '%s' file", words[2].c_str());
        if (!saved) Print(" Error: could not write '%s'", words[2].c_str());
    } else {
        return 0;
    }
    return 1;
}

// "con history clear" and "con history save FILE".
int cConsole::ConHistory(const ConsoleWords &words) {
    if (words.size() >= 3 && words[2] == "clear") {
        ClearHistory();
        PrintLine(" Console history cleared");
        return 1;
    }
    if (words.size() >= 4 && words[2] == "save") {
        const bool saved = SaveLines(history_, words[3]);
        Print(" Save history to '%s' file", words[3].c_str());
        if (!saved) Print(" Error: could not write '%s'", words[3].c_str());
        return 1;
    }
    return 0;
}
