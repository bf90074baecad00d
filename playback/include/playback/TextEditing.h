// Editing a text field's text as a user types: the selection (an anchor and a caret), what a
// field's restrict lets in, typed and pasted text (restrict, maxChars, single or multiple lines)
// and the editing keys (deleting, moving and extending the selection).
#pragma once

#include "playback/TextField.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace playback {

// The characters a restrict string lets in. Characters and ranges ("a-z") are let in; after a
// "^" they are kept out, and another "^" lets in again; a backslash takes the next character as
// itself. A string that starts with "^" lets in every character it does not keep out.
struct CharacterRestrict {
    struct Range {
        char32_t first, last;
    };
    bool allowsAllOthers = false;
    std::vector<Range> allowed, excluded;
};
CharacterRestrict ParseRestrict(std::u16string_view chars);
bool RestrictAllows(const CharacterRestrict& r, char32_t c);
// What typing `c` puts in the field: `c`, or an ASCII letter in its other case when only that is
// let in; nothing when neither is.
std::optional<char32_t> RestrictedCharacter(const CharacterRestrict& r, char32_t c);

// The selection, clamped to the text: [begin, end) and the caret (one of its ends).
size_t SelectionBegin(const TextField& field);
size_t SelectionEnd(const TextField& field);
size_t CaretIndex(const TextField& field);
void SetSelection(TextField& field, size_t anchor, size_t caret);
void SelectAll(TextField& field);
// The focus arriving at the field: all its text is selected, and scripts see no selection.
void SelectAllForFocus(TextField& field);
// Whether scripts see a selection (Selection's getters say -1 when they do not).
bool SelectionVisibleToScripts(const TextField& field);
std::u16string SelectedText(const TextField& field);

// Replaces the selection with `text` (the format of the text it replaces, or of the character
// before it) and puts the caret after it.
void ReplaceSelection(TextField& field, std::u16string_view text);

// Text typed or pasted into the field: what its restrict lets in, line breaks only in a
// multiline field, cut to what maxChars leaves room for. True when the text changed.
bool InsertTypedText(TextField& field, std::u16string_view text, const CharacterRestrict* allowed);

enum class TextEdit {
    Backspace,
    Delete,
    Enter,
    MoveLeft,
    MoveRight,
    MoveLineStart,
    MoveLineEnd,
    MoveTextStart,
    MoveTextEnd,
    SelectLeft,
    SelectRight,
    SelectLineStart,
    SelectLineEnd,
    SelectTextStart,
    SelectTextEnd,
    SelectAll,
};
// An editing key; true when the text changed (the selection may move either way).
bool ApplyTextEdit(TextField& field, TextEdit edit);

}  // namespace playback
