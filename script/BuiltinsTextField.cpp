// TextField: text fields as script objects. Their properties are getter and setter pairs on
// TextField.prototype over the host's field state (text, htmlText, formats, options, measures);
// MovieClip.createTextField makes them. TextFormat comes with them (BuiltinsTextFormat.cpp).
#include <algorithm>
#include <cmath>
#include <variant>

#include "Text.h"
#include "TextFormatObjects.h"
#include "playback/TextEditing.h"
#include "playback/TextLayout.h"

namespace script {

namespace {

using playback::TextField;
using playback::TextFormat;

Value Arg(std::vector<Value>& a, size_t i) {
    return i < a.size() ? a[i] : Value();
}

TextField* FieldOf(Vm& vm, const Value& self) {
    if (self.type != Type::Object || self.object->kind != Kind::Clip || !self.object->clip)
        return nullptr;
    return vm.host.TextFieldOf(self.object->clip);
}

enum Prop : int {
    kText,
    kHtmlText,
    kHtml,
    kLength,
    kAutoSize,
    kMaxChars,
    kRestrict,
    kType,
    kVariable,
    kBorder,
    kBorderColor,
    kBackground,
    kBackgroundColor,
    kTextColor,
    kMultiline,
    kWordWrap,
    kPassword,
    kSelectable,
    kEmbedFonts,
    kCondenseWhite,
    kMouseWheelEnabled,
    kScroll,
    kHScroll,
    kMaxScroll,
    kMaxHScroll,
    kBottomScroll,
    kTextWidth,
    kTextHeight,
    kAntiAliasType,
    kGridFitType,
    kSharpness,
    kThickness,
    kStyleSheet,
    kFilters,
    kTabIndex,
    kFieldPropCount
};

struct PropInfo {
    const char* name;
    Prop prop;
    uint16_t flags;
};
// In the order the reference defines them (a for..in over the prototype lists them backwards).
constexpr PropInfo kProps[] = {
    {"gridFitType", kGridFitType, kVersion8},
    {"antiAliasType", kAntiAliasType, kVersion8},
    {"thickness", kThickness, kVersion8},
    {"sharpness", kSharpness, kVersion8},
    {"filters", kFilters, kVersion8},
    {"scroll", kScroll, 0},
    {"maxscroll", kMaxScroll, 0},
    {"borderColor", kBorderColor, 0},
    {"backgroundColor", kBackgroundColor, 0},
    {"textColor", kTextColor, 0},
    {"tabIndex", kTabIndex, 0},
    {"autoSize", kAutoSize, 0},
    {"text", kText, 0},
    {"type", kType, 0},
    {"htmlText", kHtmlText, 0},
    {"variable", kVariable, 0},
    {"hscroll", kHScroll, 0},
    {"maxhscroll", kMaxHScroll, 0},
    {"maxChars", kMaxChars, 0},
    {"embedFonts", kEmbedFonts, 0},
    {"html", kHtml, 0},
    {"border", kBorder, 0},
    {"background", kBackground, 0},
    {"wordWrap", kWordWrap, 0},
    {"password", kPassword, 0},
    {"multiline", kMultiline, 0},
    {"selectable", kSelectable, 0},
    {"length", kLength, 0},
    {"bottomScroll", kBottomScroll, 0},
    {"textWidth", kTextWidth, 0},
    {"textHeight", kTextHeight, 0},
    {"restrict", kRestrict, 0},
    {"condenseWhite", kCondenseWhite, 0},
    {"mouseWheelEnabled", kMouseWheelEnabled, 0},
    {"styleSheet", kStyleSheet, kVersion7},
};

constexpr const char* kAutoSizeNames[] = {"none", "left", "center", "right"};

// A colour as fields take it: the low 24 bits of the number.
uint32_t ColorOf(Vm& vm, const Value& v) {
    return ToUint32(vm.ToNumber(v)) & 0xFFFFFFu;
}

Value GetProp(Vm& vm, const Value& self, std::vector<Value>&, int prop) {
    TextField* f = FieldOf(vm, self);
    if (!f)
        return Value();
    switch (prop) {
    case kText:
        return Value::Str(ToUtf8(f->text));
    case kHtmlText:
        return Value::Str(ToUtf8(f->html ? playback::HtmlTextOf(*f) : f->text));
    case kHtml:
        return Value::Bool(f->html);
    case kLength:
        return Value::Num(double(f->text.size()));
    case kAutoSize:
        return Value::Str(kAutoSizeNames[f->autoSize & 3]);
    case kMaxChars:
        return f->maxChars ? Value::Num(f->maxChars) : Value::Null();
    case kRestrict:
        return f->restrict ? Value::Str(*f->restrict) : Value::Null();
    case kType:
        return Value::Str(f->editable ? "input" : "dynamic");
    case kVariable:
        return f->variable.empty() ? Value::Null() : Value::Str(f->variable);
    case kBorder:
        return Value::Bool(f->border);
    case kBorderColor:
        return Value::Num(f->borderColor);
    case kBackground:
        return Value::Bool(f->background);
    case kBackgroundColor:
        return Value::Num(f->backgroundColor);
    case kTextColor: {
        const TextFormat& fmt = f->formats.empty() ? f->newFormat : f->formats[0];
        return Value::Num(fmt.color.value_or(0));
    }
    case kMultiline:
        return Value::Bool(f->multiline);
    case kWordWrap:
        return Value::Bool(f->wordWrap);
    case kPassword:
        return Value::Bool(f->password);
    case kSelectable:
        return Value::Bool(f->selectable);
    case kEmbedFonts:
        return Value::Bool(f->embedFonts);
    case kCondenseWhite:
        return Value::Bool(f->condenseWhite);
    case kMouseWheelEnabled:
        return Value::Bool(f->mouseWheelEnabled);
    case kScroll:
        return Value::Num(f->scroll);
    case kHScroll:
        return Value::Num(f->hscroll);
    case kMaxScroll: {
        const playback::FieldMeasures m = playback::MeasureField(*f);
        const double lineHeight = m.lines ? m.textHeight / m.lines : 1;
        const int visible = lineHeight > 0 ? std::max(1, int((f->height / 20.0 - 4) / lineHeight)) : 1;
        return Value::Num(std::max(1, m.lines - visible + 1));
    }
    case kMaxHScroll: {
        const playback::FieldMeasures m = playback::MeasureField(*f);
        return Value::Num(std::max(0.0, m.textWidth - (f->width / 20.0 - 4)));
    }
    case kBottomScroll: {
        const playback::FieldMeasures m = playback::MeasureField(*f);
        const double lineHeight = m.lines ? m.textHeight / m.lines : 1;
        const int visible = lineHeight > 0 ? std::max(1, int((f->height / 20.0 - 4) / lineHeight)) : 1;
        return Value::Num(std::min(m.lines, f->scroll + visible - 1));
    }
    case kTextWidth:
        return Value::Num(playback::MeasureField(*f).textWidth);
    case kTextHeight:
        return Value::Num(playback::MeasureField(*f).textHeight);
    case kAntiAliasType:
        return Value::Str(f->antiAliasType);
    case kGridFitType:
        return Value::Str(f->gridFitType);
    case kSharpness:
        return Value::Num(f->sharpness);
    case kThickness:
        return Value::Num(f->thickness);
    case kStyleSheet: {
        Property* p = self.object->FindOwn("__styleSheet", true);
        return p ? p->value : Value();
    }
    case kTabIndex: {
        Property* p = self.object->FindOwn("__tabIndex", true);
        return p ? p->value : Value();
    }
    case kFilters: {
        // A copy of the list set last (none: an empty list).
        Property* p = self.object->FindOwn("__filters", true);
        std::vector<Value> items;
        if (p && p->value.type == Type::Object)
            for (uint32_t i = 0, n = vm.LengthOf(p->value.object); i < n; ++i)
                items.push_back(vm.Element(p->value.object, i));
        return Value::Obj(vm.NewArray(items));
    }
    }
    return Value();
}

Value SetProp(Vm& vm, const Value& self, std::vector<Value>& args, int prop) {
    TextField* f = FieldOf(vm, self);
    if (!f)
        return Value();
    const Value v = Arg(args, 0);
    auto flag = [&] { return ToBoolean(v, vm.curVersion); };
    switch (prop) {
    case kText:
        playback::SetPlainText(*f, ToUtf16(vm.ToString(v)));
        playback::FitAutoSize(*f);
        break;
    case kHtmlText:
        if (f->html)
            playback::SetHtmlText(*f, ToUtf16(vm.ToString(v)));
        else
            playback::SetPlainText(*f, ToUtf16(vm.ToString(v)));
        playback::FitAutoSize(*f);
        break;
    case kHtml: {
        const bool html = flag();
        // A field leaving HTML drops its paragraph alignment back to the default.
        if (f->html && !html)
            f->newFormat.align = "left";
        f->html = html;
        break;
    }
    case kAutoSize: {
        int mode = 0;
        if (v.type == Type::Boolean) {
            mode = v.boolean ? 1 : 0;
        } else {
            const std::string s = FoldCase(vm.ToString(v));
            mode = s == "left" ? 1 : s == "center" ? 2 : s == "right" ? 3 : 0;
        }
        f->autoSize = mode;
        playback::FitAutoSize(*f);
        break;
    }
    case kMaxChars: {
        const int32_t n = ToInt32(vm.ToNumber(v));
        f->maxChars = n > 0 ? n : 0;
        break;
    }
    case kRestrict: {
        // No characters given (nothing, or an empty string) is no restriction.
        std::string chars = v.IsNullish() ? std::string() : vm.ToString(v);
        if (chars.empty())
            f->restrict.reset();
        else
            f->restrict = std::move(chars);
        break;
    }
    case kType: {
        const std::string s = FoldCase(vm.ToString(v));
        if (s == "input")
            f->editable = true;
        else if (s == "dynamic")
            f->editable = false;
        break;
    }
    case kVariable:
        f->variable = v.IsNullish() ? std::string() : vm.ToString(v);
        break;
    case kBorder:
        f->border = flag();
        break;
    case kBorderColor:
        f->borderColor = ColorOf(vm, v);
        break;
    case kBackground:
        f->background = flag();
        break;
    case kBackgroundColor:
        f->backgroundColor = ColorOf(vm, v);
        break;
    case kTextColor: {
        const double c = ColorOf(vm, v);
        for (TextFormat& fmt : f->formats)
            fmt.color = c;
        f->newFormat.color = c;
        break;
    }
    case kMultiline:
        f->multiline = flag();
        break;
    case kWordWrap:
        f->wordWrap = flag();
        break;
    case kPassword:
        f->password = flag();
        break;
    case kSelectable:
        f->selectable = flag();
        break;
    case kEmbedFonts:
        f->embedFonts = flag();
        break;
    case kCondenseWhite:
        f->condenseWhite = flag();
        break;
    case kMouseWheelEnabled:
        f->mouseWheelEnabled = flag();
        break;
    case kScroll: {
        const double n = vm.ToNumber(v);
        if (std::isfinite(n)) {
            std::vector<Value> none;
            const int most = vm.ToInt(GetProp(vm, self, none, kMaxScroll));
            f->scroll = std::clamp(ToInt32(n), 1, std::max(1, most));  // past an int it wraps, as the reference does
        }
        break;
    }
    case kHScroll: {
        const double n = vm.ToNumber(v);
        if (std::isfinite(n)) {
            std::vector<Value> none;
            const int most = vm.ToInt(GetProp(vm, self, none, kMaxHScroll));
            f->hscroll = std::clamp(ToInt32(n), 0, std::max(0, most));
        }
        break;
    }
    case kAntiAliasType: {
        const std::string s = vm.ToString(v);
        if (s == "normal" || s == "advanced")
            f->antiAliasType = s;
        break;
    }
    case kGridFitType: {
        const std::string s = vm.ToString(v);
        if (s == "none" || s == "pixel" || s == "subpixel")
            f->gridFitType = s;
        break;
    }
    case kSharpness:
        f->sharpness = vm.ToNumber(v);
        break;
    case kThickness:
        f->thickness = vm.ToNumber(v);
        break;
    case kStyleSheet:
        self.object->SetOwn("__styleSheet", v, true, kDontEnum);
        break;
    case kTabIndex:
        // Fields keep it unsigned: -1 reads back as 4294967295, a non-number as 0.
        self.object->SetOwn("__tabIndex", v.IsUndefined() ? v : Value::Num(ToUint32(vm.ToNumber(v))), true, kDontEnum);
        break;
    case kFilters:
        if (v.type == Type::Object)
            self.object->SetOwn("__filters", v, true, kDontEnum);
        break;
    default:
        break;
    }
    return Value();
}

// The range [begin, end) that getTextFormat and setTextFormat name by their first arguments:
// none for the whole text, one index for one character.
void RangeOf(Vm& vm, const TextField& f, std::vector<Value>& args, size_t count, size_t& begin, size_t& end) {
    const double n = double(f.text.size());
    begin = 0;
    end = f.text.size();
    auto clampIndex = [&](const Value& v) {
        const double d = vm.ToNumber(v);
        return size_t(std::clamp(std::isfinite(d) ? std::trunc(d) : 0.0, 0.0, n));
    };
    if (count >= 1 && !args[0].IsUndefined()) {
        begin = clampIndex(args[0]);
        end = std::min(f.text.size(), begin + 1);
    }
    if (count >= 2 && !args[1].IsUndefined())
        end = clampIndex(args[1]);
}

enum Method : int {
    kGetTextFormat,
    kSetTextFormat,
    kGetNewTextFormat,
    kSetNewTextFormat,
    kReplaceText,
    kReplaceSel,
    kRemoveTextField,
    kGetDepth
};

Value FieldMethod(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    TextField* f = FieldOf(vm, self);
    if (!f)
        return Value();
    switch (m) {
    case kGetTextFormat: {
        size_t b, e;
        RangeOf(vm, *f, args, std::min<size_t>(args.size(), 2), b, e);
        if (b >= e && !f->text.empty() && b < f->text.size())
            e = b + 1;
        return Value::Obj(NewTextFormatObject(vm, b < e ? playback::FormatOfRange(*f, b, e) : f->newFormat));
    }
    case kSetTextFormat: {
        if (args.empty())
            return Value();
        const TextFormat* given = FormatOf(args.back());
        if (!given)
            return Value();
        size_t b, e;
        RangeOf(vm, *f, args, args.size() - 1, b, e);
        for (size_t i = b; i < e && i < f->formats.size(); ++i)
            playback::MergeFormat(f->formats[i], *given);
        playback::FitAutoSize(*f);
        return Value();
    }
    case kGetNewTextFormat:
        return Value::Obj(NewTextFormatObject(vm, f->newFormat));
    case kSetNewTextFormat:
        if (const TextFormat* given = FormatOf(Arg(args, 0)))
            playback::MergeFormat(f->newFormat, *given);
        return Value();
    case kReplaceText: {
        if (args.size() < 3)
            return Value();
        size_t b, e;
        RangeOf(vm, *f, args, 2, b, e);
        if (b > e)
            return Value();
        const std::u16string with = ToUtf16(vm.ToString(args[2]));
        const TextFormat fmt = b < f->formats.size() ? f->formats[b] : f->newFormat;
        f->text.replace(b, e - b, with);
        f->formats.erase(f->formats.begin() + long(b), f->formats.begin() + long(e));
        f->formats.insert(f->formats.begin() + long(b), with.size(), fmt);
        playback::FitAutoSize(*f);
        return Value();
    }
    case kReplaceSel:
        if (!args.empty())
            playback::ReplaceSelection(*f, ToUtf16(vm.ToString(args[0])));
        return Value();
    case kRemoveTextField:
        vm.host.Remove(self.object->clip);
        return Value();
    case kGetDepth:
        return Value::Num(vm.host.Depth(self.object->clip));
    }
    return Value();
}

// createTextField(name, depth, x, y, width, height): format 8 movies get the field back.
Value CreateTextFieldFn(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (self.type != Type::Object || self.object->kind != Kind::Clip || !self.object->clip || args.size() < 6)
        return Value();
    auto num = [&](size_t i) {
        const double d = vm.ToNumber(args[i]);
        return std::isfinite(d) ? std::trunc(d) : 0.0;
    };
    const ClipId k = vm.host.CreateTextField(self.object->clip, vm.ToString(args[0]), vm.ToInt(args[1]), num(2), num(3),
                                             num(4), num(5));
    if (!k || vm.curVersion < 8)
        return Value();
    return Value::Obj(vm.ClipObject(k));
}

Value TextFieldCtor(Vm&, const Value& self, std::vector<Value>&, int) {
    return self;
}

Value GetFontList(Vm& vm, const Value&, std::vector<Value>&, int) {
    std::vector<Value> names;
    if (const movie::Movie* movie = vm.host.FontMovie())
        for (const auto& [id, c] : movie->dictionary)
            if (auto* font = std::get_if<std::shared_ptr<const movie::FontDef>>(&c))
                names.push_back(Value::Str((*font)->name));
    for (const char* device : {"_sans", "_serif", "_typewriter"})
        names.push_back(Value::Str(device));
    return Value::Obj(vm.NewArray(names));
}

}  // namespace

void InstallTextFieldBuiltins(Vm& vm) {
    Object* proto = vm.NewObject();
    vm.textFieldProto = proto;
    Object* ctor = vm.NewFunction(TextFieldCtor, 0, proto);
    vm.global->SetOwn("TextField", Value::Obj(ctor), false, kDontEnum);
    for (const PropInfo& info : kProps) {
        Property& p = proto->SetOwn(info.name, Value(), false, info.flags);
        p.getter = vm.NewFunction(GetProp, info.prop);
        p.setter = vm.NewFunction(SetProp, info.prop);
    }
    const std::pair<const char*, int> methods[] = {
        {"getTextFormat", kGetTextFormat},       {"setTextFormat", kSetTextFormat},
        {"getNewTextFormat", kGetNewTextFormat}, {"setNewTextFormat", kSetNewTextFormat},
        {"replaceText", kReplaceText},           {"replaceSel", kReplaceSel},
        {"removeTextField", kRemoveTextField},   {"getDepth", kGetDepth}};
    for (auto& [n, m] : methods)
        vm.Method(proto, n, FieldMethod, m);
    vm.Method(ctor, "getFontList", GetFontList);
    vm.Method(vm.clipProto, "createTextField", CreateTextFieldFn, 0, kDontEnum | kVersion6);
    vm.global->SetOwn("TextFormat", Value::Obj(MakeTextFormatClass(vm)), false, kDontEnum);
}

}  // namespace script
