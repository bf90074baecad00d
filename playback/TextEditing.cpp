#include "playback/TextEditing.h"

#include "playback/TextLayout.h"
#include "utf/Utf.h"

#include <algorithm>

namespace playback {
namespace {

constexpr char16_t kLineBreak = u'\r';

std::vector<char32_t> CodePoints(std::u16string_view s) {
    std::vector<char32_t> out;
    out.reserve(s.size());
    utf::ForEachCodePoint(s, [&](char32_t c, bool) { out.push_back(c); });
    return out;
}

bool InRanges(const std::vector<CharacterRestrict::Range>& ranges, char32_t c) {
    return std::any_of(ranges.begin(), ranges.end(), [c](const auto& r) { return r.first <= c && c <= r.last; });
}

// A caret step left or right, over a surrogate pair as one character.
size_t StepLeft(const std::u16string& text, size_t at) {
    if (at == 0)
        return 0;
    --at;
    if (at > 0 && utf::IsLowSurrogate(text[at]) && utf::IsHighSurrogate(text[at - 1]))
        --at;
    return at;
}
size_t StepRight(const std::u16string& text, size_t at) {
    if (at >= text.size())
        return text.size();
    ++at;
    if (at < text.size() && utf::IsHighSurrogate(text[at - 1]) && utf::IsLowSurrogate(text[at]))
        ++at;
    return at;
}

size_t LineStart(const std::u16string& text, size_t at) {
    while (at > 0 && text[at - 1] != kLineBreak)
        --at;
    return at;
}
size_t LineEnd(const std::u16string& text, size_t at) {
    while (at < text.size() && text[at] != kLineBreak)
        ++at;
    return at;
}

void DeleteRange(TextField& field, size_t begin, size_t end) {
    SetSelection(field, begin, end);
    ReplaceSelection(field, u"");
}

// Where a key moves the caret to; `extend` keeps the anchor (a shift key).
bool MoveCaret(TextField& field, size_t to, bool extend) {
    SetSelection(field, extend ? std::min(field.selectionAnchor, field.text.size()) : to, to);
    return false;
}

}  // namespace

CharacterRestrict ParseRestrict(std::u16string_view chars) {
    CharacterRestrict r;
    const std::vector<char32_t> s = CodePoints(chars);
    bool excluding = false;
    char32_t rangeStart = 0;  // the last single character, or 0 at the start and after a range
    auto add = [&](char32_t first, char32_t last) {
        if (first <= last)
            (excluding ? r.excluded : r.allowed).push_back({first, last});
    };
    r.allowsAllOthers = !s.empty() && s[0] == U'^';
    for (size_t i = 0; i < s.size();) {
        const char32_t c = s[i];
        if (c == U'^') {
            excluding = !excluding;
            rangeStart = 0;
            ++i;
        } else if (c == U'-') {
            // A run of dashes is one; the character after it ends the range (none: no range).
            size_t j = i;
            while (j < s.size() && s[j] == U'-')
                ++j;
            if (j < s.size() && s[j] == U'\\')
                ++j;
            if (j >= s.size())
                break;
            add(rangeStart, s[j]);
            rangeStart = 0;
            i = j + 1;
        } else {
            size_t at = i;
            if (c == U'\\' && ++at >= s.size())
                break;  // a backslash at the end escapes nothing
            add(s[at], s[at]);
            rangeStart = s[at];
            i = at + 1;
        }
    }
    return r;
}

bool RestrictAllows(const CharacterRestrict& r, char32_t c) {
    return (r.allowsAllOthers || InRanges(r.allowed, c)) && !InRanges(r.excluded, c);
}

std::optional<char32_t> RestrictedCharacter(const CharacterRestrict& r, char32_t c) {
    if (RestrictAllows(r, c))
        return c;
    const bool letter = (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
    if (letter && RestrictAllows(r, c ^ 0x20))
        return c ^ 0x20;
    return std::nullopt;
}

size_t SelectionBegin(const TextField& field) {
    return std::min(std::min(field.selectionAnchor, field.selectionCaret), field.text.size());
}
size_t SelectionEnd(const TextField& field) {
    return std::min(std::max(field.selectionAnchor, field.selectionCaret), field.text.size());
}
size_t CaretIndex(const TextField& field) {
    return std::min(field.selectionCaret, field.text.size());
}

void SetSelection(TextField& field, size_t anchor, size_t caret) {
    field.selectionAnchor = std::min(anchor, field.text.size());
    field.selectionCaret = std::min(caret, field.text.size());
    field.selectionFromFocus = false;
}

void SelectAll(TextField& field) {
    SetSelection(field, 0, field.text.size());
}

void SelectAllForFocus(TextField& field) {
    SelectAll(field);
    field.selectionFromFocus = true;
}

bool SelectionVisibleToScripts(const TextField& field) {
    return !field.selectionFromFocus;
}

std::u16string SelectedText(const TextField& field) {
    const size_t b = SelectionBegin(field);
    return field.text.substr(b, SelectionEnd(field) - b);
}

void ReplaceSelection(TextField& field, std::u16string_view text) {
    const size_t b = SelectionBegin(field), e = SelectionEnd(field);
    TextFormat format = field.newFormat;
    if (b < e && b < field.formats.size())
        format = field.formats[b];
    else if (b > 0 && b - 1 < field.formats.size())
        format = field.formats[b - 1];
    field.text.replace(b, e - b, text);
    const size_t formatEnd = std::min(e, field.formats.size());
    if (b <= formatEnd)
        field.formats.erase(field.formats.begin() + long(b), field.formats.begin() + long(formatEnd));
    field.formats.insert(field.formats.begin() + long(std::min(b, field.formats.size())), text.size(), format);
    field.formats.resize(field.text.size(), field.newFormat);
    SetSelection(field, b + text.size(), b + text.size());
    FitAutoSize(field);
}

bool InsertTypedText(TextField& field, std::u16string_view text, const CharacterRestrict* allowed) {
    std::u16string kept;
    const std::vector<char32_t> typed = CodePoints(text);
    for (size_t i = 0; i < typed.size(); ++i) {
        char32_t c = typed[i];
        if (c == U'\r' || c == U'\n') {
            if (c == U'\r' && i + 1 < typed.size() && typed[i + 1] == U'\n')
                ++i;
            if (field.multiline)
                kept += kLineBreak;
            continue;
        }
        if (c < 0x20 || c == 0x7F)
            continue;
        if (allowed) {
            const auto let = RestrictedCharacter(*allowed, c);
            if (!let)
                continue;
            c = *let;
        }
        utf::AppendUtf16(kept, c);
    }
    if (field.maxChars > 0) {
        const size_t others = field.text.size() - (SelectionEnd(field) - SelectionBegin(field));
        const size_t room = size_t(field.maxChars) > others ? size_t(field.maxChars) - others : 0;
        if (kept.size() > room)
            kept.resize(room > 0 && utf::IsHighSurrogate(kept[room - 1]) ? room - 1 : room);
    }
    if (kept.empty())
        return false;
    ReplaceSelection(field, kept);
    return true;
}

bool ApplyTextEdit(TextField& field, TextEdit edit) {
    const std::u16string& t = field.text;
    const size_t b = SelectionBegin(field), e = SelectionEnd(field), caret = CaretIndex(field);
    switch (edit) {
    case TextEdit::Backspace:
    case TextEdit::Delete:
        if (b == e) {
            if (edit == TextEdit::Backspace ? caret == 0 : caret >= t.size())
                return false;
            if (edit == TextEdit::Backspace)
                DeleteRange(field, StepLeft(t, caret), caret);
            else
                DeleteRange(field, caret, StepRight(t, caret));
        } else {
            ReplaceSelection(field, u"");
        }
        return true;
    case TextEdit::Enter:
        if (!field.multiline || (field.maxChars > 0 && t.size() - (e - b) >= size_t(field.maxChars)))
            return false;
        ReplaceSelection(field, std::u16string_view(&kLineBreak, 1));
        return true;
    case TextEdit::MoveLeft:
        return MoveCaret(field, b < e ? b : StepLeft(t, caret), false);
    case TextEdit::MoveRight:
        return MoveCaret(field, b < e ? e : StepRight(t, caret), false);
    case TextEdit::MoveLineStart:
        return MoveCaret(field, LineStart(t, caret), false);
    case TextEdit::MoveLineEnd:
        return MoveCaret(field, LineEnd(t, caret), false);
    case TextEdit::MoveTextStart:
        return MoveCaret(field, 0, false);
    case TextEdit::MoveTextEnd:
        return MoveCaret(field, t.size(), false);
    case TextEdit::SelectLeft:
        return MoveCaret(field, StepLeft(t, caret), true);
    case TextEdit::SelectRight:
        return MoveCaret(field, StepRight(t, caret), true);
    case TextEdit::SelectLineStart:
        return MoveCaret(field, LineStart(t, caret), true);
    case TextEdit::SelectLineEnd:
        return MoveCaret(field, LineEnd(t, caret), true);
    case TextEdit::SelectTextStart:
        return MoveCaret(field, 0, true);
    case TextEdit::SelectTextEnd:
        return MoveCaret(field, t.size(), true);
    case TextEdit::SelectAll:
        SelectAll(field);
        return false;
    }
    return false;
}

}  // namespace playback
