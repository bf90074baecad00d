// Typing into text fields: the focused input field takes typed and pasted text (through its
// restrict and maxChars) and the editing keys, and hears onChanged after each change of its
// text. A field that takes the focus has all its text selected.
#include "Text.h"
#include "script/Vm.h"

namespace script {
namespace {

playback::TextField* FocusedInputField(Vm& vm) {
    if (vm.focus == kNoClip || !vm.host.IsAlive(vm.focus))
        return nullptr;
    playback::TextField* f = vm.host.TextFieldOf(vm.focus);
    return f && f->editable ? f : nullptr;
}

void FieldChanged(Vm& vm, ClipId clip) {
    if (Object* o = vm.ClipObject(clip))
        vm.CallClipMethod(clip, "onChanged", {Value::Obj(o)});
}

}  // namespace

bool Vm::TypeIntoFocus(std::u16string_view text) {
    playback::TextField* f = FocusedInputField(*this);
    if (!f)
        return false;
    std::optional<playback::CharacterRestrict> allowed;
    if (f->restrict)
        allowed = playback::ParseRestrict(ToUtf16(*f->restrict));
    if (playback::InsertTypedText(*f, text, allowed ? &*allowed : nullptr))
        FieldChanged(*this, focus);
    return true;
}

bool Vm::EditFocus(playback::TextEdit edit) {
    playback::TextField* f = FocusedInputField(*this);
    if (!f)
        return false;
    if (playback::ApplyTextEdit(*f, edit))
        FieldChanged(*this, focus);
    return true;
}

void Vm::SelectFieldText(ClipId clip) {
    if (clip == kNoClip || !host.IsAlive(clip))
        return;
    if (playback::TextField* f = host.TextFieldOf(clip))
        playback::SelectAllForFocus(*f);
}

}  // namespace script
