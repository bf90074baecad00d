// The state of a text field (DefineEditText on a timeline, or createTextField from a script):
// its box, its text with a format per character, the format new text takes, and the options
// scripts read and set. Playback owns it with the display object; the interpreter edits it.
#pragma once

#include "movie/EditText.h"
#include "movie/Movie.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace playback {

// A character format; every part may be unset (mixed, or never given).
struct TextFormat {
    std::optional<std::string> font, url, target, align, display;
    std::optional<double> size, color, leftMargin, rightMargin, indent, leading, blockIndent, letterSpacing;
    std::optional<bool> bold, italic, underline, bullet, kerning;
    std::optional<std::vector<double>> tabStops;
    bool operator==(const TextFormat&) const = default;
};

// The parts of `over` that are set replace those of `base`.
void MergeFormat(TextFormat& base, const TextFormat& over);
// The parts where `a` and `b` differ become unset in `a`.
void IntersectFormat(TextFormat& a, const TextFormat& b);

struct TextField {
    const movie::Movie* movie = nullptr;  // where its fonts are found
    const movie::EditTextDef* def = nullptr;
    // The box, twips, in the object's own space; originX is where its left edge began (a field
    // that sizes itself about its centre or right edge moves its box, and its _x with it).
    double xMin = 0, yMin = 0, width = 0, height = 0;
    double originX = 0;
    std::u16string text;
    std::vector<TextFormat> formats;  // one per character of text
    TextFormat newFormat;             // what text set from now on takes
    bool html = false, multiline = false, wordWrap = false, password = false, selectable = true;
    bool border = false, background = false, embedFonts = false, condenseWhite = false;
    bool mouseWheelEnabled = true, editable = false, alwaysShowSelection = false;
    uint32_t borderColor = 0, backgroundColor = 0xFFFFFF;
    int autoSize = 0;  // 0 none, 1 left, 2 centre, 3 right
    int maxChars = 0;  // 0: no limit
    int scroll = 1, hscroll = 0;
    std::optional<std::string> restrict;
    // The selection: where it was begun and where the caret is (TextEditing.h clamps them).
    size_t selectionAnchor = 0, selectionCaret = 0;
    // The focus arriving selected the whole text: scripts see no selection until it changes.
    bool selectionFromFocus = false;
    std::string variable;
    std::string antiAliasType = "normal", gridFitType = "pixel";
    double sharpness = 0, thickness = 0;
};

// The format a field's text starts in: the defaults, with the definition's font, size, colour
// and layout when it has one.
TextFormat DefaultFormat(const movie::EditTextDef* def, const movie::Movie* movie);
// A field as a definition makes it, with its initial text.
std::shared_ptr<TextField> NewTextField(const movie::EditTextDef* def, const movie::Movie* movie);

// Replaces the whole text; every character takes the new-text format. Line feeds and CR LF
// pairs become carriage returns, as fields keep them.
void SetPlainText(TextField& field, std::u16string_view text);
// Replaces the whole text with the text and formats an HTML fragment describes (p, br, font,
// b, i, u, a, textformat, li and the five entities).
void SetHtmlText(TextField& field, std::u16string_view html);
// The text and its formats as the reference writes them back: a P per paragraph, a FONT per run.
std::u16string HtmlTextOf(const TextField& field);
// The format shared by characters [begin, end) (parts that differ unset); the new-text format
// when the range is empty.
TextFormat FormatOfRange(const TextField& field, size_t begin, size_t end);

}  // namespace playback
