// TextFormat: the character and paragraph format of text fields, a getter and setter pair per
// part on TextFormat.prototype over the object's native format. The constructor takes numbers
// as integers toward zero; the setters of format 8 movies round halves to even (older ones
// truncate), keep margins at 0 or more and, before format 8, indents and leading too. Unset
// parts read as null.
#include <cmath>

#include "Text.h"
#include "TextFormatObjects.h"
#include "playback/TextLayout.h"

namespace script {

namespace {

using playback::TextFormat;

// What a TextFormat object holds: its parts, any of them unset.
struct TextFormatData final : NativeData {
    TextFormat format;
};

enum Part : int {
    kFont,
    kSize,
    kColor,
    kBold,
    kItalic,
    kUnderline,
    kUrl,
    kTarget,
    kAlign,
    kLeftMargin,
    kRightMargin,
    kIndent,
    kLeading,
    kBlockIndent,
    kBullet,
    kKerning,
    kLetterSpacing,
    kTabStops,
    kDisplay,
    kPartCount
};

constexpr const char* kPartNames[kPartCount] = {"font",        "size",          "color",    "bold",        "italic",
                                                "underline",   "url",           "target",   "align",       "leftMargin",
                                                "rightMargin", "indent",        "leading",  "blockIndent", "bullet",
                                                "kerning",     "letterSpacing", "tabStops", "display"};

Value Arg(std::vector<Value>& a, size_t i) {
    return i < a.size() ? a[i] : Value();
}

std::optional<double>* NumberPart(TextFormat& f, int part) {
    switch (part) {
    case kSize:
        return &f.size;
    case kColor:
        return &f.color;
    case kLeftMargin:
        return &f.leftMargin;
    case kRightMargin:
        return &f.rightMargin;
    case kIndent:
        return &f.indent;
    case kLeading:
        return &f.leading;
    case kBlockIndent:
        return &f.blockIndent;
    case kLetterSpacing:
        return &f.letterSpacing;
    default:
        return nullptr;
    }
}
std::optional<bool>* BoolPart(TextFormat& f, int part) {
    switch (part) {
    case kBold:
        return &f.bold;
    case kItalic:
        return &f.italic;
    case kUnderline:
        return &f.underline;
    case kBullet:
        return &f.bullet;
    case kKerning:
        return &f.kerning;
    default:
        return nullptr;
    }
}
std::optional<std::string>* TextPart(TextFormat& f, int part) {
    switch (part) {
    case kFont:
        return &f.font;
    case kUrl:
        return &f.url;
    case kTarget:
        return &f.target;
    default:
        return nullptr;
    }
}

bool ValidAlign(const std::string& s, std::string& out) {
    const std::string l = FoldCase(s);
    if (l == "left" || l == "right" || l == "center" || l == "justify") {
        out = l;
        return true;
    }
    return false;
}

// Stores `v` into a part. `fromConstructor`: the constructor's integer rule, else the setters'.
void SetPart(Vm& vm, TextFormat& f, int part, const Value& v, bool fromConstructor) {
    const bool unset = v.IsNullish();
    if (auto* n = NumberPart(f, part)) {
        if (unset) {
            n->reset();
            return;
        }
        const double d = vm.ToNumber(v);
        if (part == kColor) {
            *n = double(ToUint32(d) & 0xFFFFFFFFu);
            if (!fromConstructor)
                *n = double(ToUint32(d));
            return;
        }
        if (part == kLetterSpacing) {
            *n = d;
            return;
        }
        double x;
        if (fromConstructor || vm.curVersion < 8)
            x = double(ToInt32(d));
        else
            x = std::isfinite(d) ? double(ToInt32(std::nearbyint(d))) : 0.0;
        if (!fromConstructor) {
            const bool clampsNegative =
                part == kLeftMargin || part == kRightMargin ||
                (vm.curVersion < 8 && (part == kIndent || part == kLeading || part == kBlockIndent));
            if (clampsNegative && x < 0)
                x = 0;
        }
        *n = x;
        return;
    }
    if (auto* b = BoolPart(f, part)) {
        if (unset)
            b->reset();
        else
            *b = ToBoolean(v, vm.curVersion);
        return;
    }
    if (auto* t = TextPart(f, part)) {
        if (unset)
            t->reset();
        else
            *t = vm.ToString(v);
        return;
    }
    if (part == kAlign) {
        // A setter given anything but a known name keeps the alignment.
        if (unset) {
            if (fromConstructor)
                f.align.reset();
            return;
        }
        std::string a;
        if (ValidAlign(vm.ToString(v), a))
            f.align = a;
        else if (fromConstructor)
            f.align.reset();
        return;
    }
    if (part == kDisplay) {
        if (!unset)
            f.display = vm.ToString(v) == "none" ? "none" : vm.ToString(v) == "inline" ? "inline" : "block";
        return;
    }
    if (part == kTabStops) {
        if (unset || v.type != Type::Object) {
            f.tabStops.reset();
            return;
        }
        std::vector<double> stops;
        const uint32_t n = vm.LengthOf(v.object);
        for (uint32_t i = 0; i < n && i < 1000; ++i)
            stops.push_back(double(ToInt32(vm.ToNumber(vm.Element(v.object, i)))));
        f.tabStops = std::move(stops);
    }
}

Value GetPart(Vm& vm, TextFormat& f, int part) {
    if (auto* n = NumberPart(f, part))
        return *n ? Value::Num(**n) : Value::Null();
    if (auto* b = BoolPart(f, part))
        return *b ? Value::Bool(**b) : Value::Null();
    if (auto* t = TextPart(f, part))
        return *t ? Value::Str(**t) : Value::Null();
    if (part == kAlign)
        return f.align ? Value::Str(*f.align) : Value::Null();
    if (part == kDisplay)
        return Value::Str(f.display.value_or("block"));
    if (part == kTabStops) {
        if (!f.tabStops)
            return Value::Null();
        std::vector<Value> items;
        for (double d : *f.tabStops)
            items.push_back(Value::Num(d));
        return Value::Obj(vm.NewArray(items));
    }
    return Value();
}

Value PartGetter(Vm& vm, const Value& self, std::vector<Value>&, int part) {
    TextFormat* f = FormatOf(self);
    return f ? GetPart(vm, *f, part) : Value();
}

Value PartSetter(Vm& vm, const Value& self, std::vector<Value>& args, int part) {
    if (TextFormat* f = FormatOf(self))
        SetPart(vm, *f, part, Arg(args, 0), false);
    return Value();
}

// new TextFormat(font, size, color, bold, italic, underline, url, target, align, leftMargin,
// rightMargin, indent, leading): the parts given, the rest unset.
Value TextFormatCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (self.type != Type::Object)
        return Value();
    auto data = std::make_unique<TextFormatData>();
    data->format.display = "block";
    for (int i = 0; i <= kLeading && size_t(i) < args.size(); ++i)
        SetPart(vm, data->format, i, args[size_t(i)], true);
    self.object->nativeData = std::move(data);
    return self;
}

// getTextExtent(text, width): the measures of the text in this format, wrapped at `width`
// pixels when one is given.
Value GetTextExtent(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    TextFormat* f = FormatOf(self);
    if (!f)
        return Value();
    const std::string text = vm.ToString(Arg(args, 0));
    std::optional<double> width;
    if (args.size() > 1 && !args[1].IsUndefined()) {
        const double w = vm.ToNumber(args[1]);
        if (std::isfinite(w))
            width = w;
    }
    TextFormat full = playback::DefaultFormat(nullptr, nullptr);
    playback::MergeFormat(full, *f);
    const playback::TextExtent e = playback::MeasureExtent(vm.host.FontMovie(), full, ToUtf16(text), width);
    // A bare object: no prototype, so it prints as [type Object].
    Object* o = vm.NewObject();
    o->RemoveOwn("__proto__", false);
    o->SetOwn("ascent", Value::Num(e.ascent), true);
    o->SetOwn("descent", Value::Num(e.descent), true);
    o->SetOwn("width", Value::Num(e.width), true);
    o->SetOwn("height", Value::Num(e.height), true);
    o->SetOwn("textFieldHeight", Value::Num(e.height + 4), true);
    o->SetOwn("textFieldWidth", Value::Num(e.width + 4), true);
    return Value::Obj(o);
}

}  // namespace

playback::TextFormat* FormatOf(const Value& v) {
    if (v.type != Type::Object)
        return nullptr;
    TextFormatData* data = v.object->NativeAs<TextFormatData>();
    return data ? &data->format : nullptr;
}

Object* NewTextFormatObject(Vm& vm, const playback::TextFormat& format) {
    Object* o = vm.NewObject(vm.textFormatProto);
    auto data = std::make_unique<TextFormatData>();
    data->format = format;
    o->nativeData = std::move(data);
    return o;
}

void InstallTextFormatParts(Vm& vm, Object* proto) {
    for (int i = 0; i < kPartCount; ++i) {
        Property& p = proto->SetOwn(kPartNames[i], Value(), false, 0);
        p.getter = vm.NewFunction(PartGetter, i);
        p.setter = vm.NewFunction(PartSetter, i);
    }
    vm.Method(proto, "getTextExtent", GetTextExtent);
}

Object* MakeTextFormatClass(Vm& vm) {
    Object* proto = vm.NewObject();
    Object* ctor = vm.NewFunction(TextFormatCtor, 0, proto);
    ctor->nativeConstruct = TextFormatCtor;
    vm.textFormatProto = proto;
    InstallTextFormatParts(vm, proto);
    return ctor;
}

}  // namespace script
