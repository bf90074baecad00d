#include "playback/TextField.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <variant>

namespace playback {

namespace {

template <typename F>
void ForEachPart(TextFormat& a, const TextFormat& b, F&& f) {
    f(a.font, b.font);
    f(a.url, b.url);
    f(a.target, b.target);
    f(a.align, b.align);
    f(a.display, b.display);
    f(a.size, b.size);
    f(a.color, b.color);
    f(a.leftMargin, b.leftMargin);
    f(a.rightMargin, b.rightMargin);
    f(a.indent, b.indent);
    f(a.leading, b.leading);
    f(a.blockIndent, b.blockIndent);
    f(a.letterSpacing, b.letterSpacing);
    f(a.bold, b.bold);
    f(a.italic, b.italic);
    f(a.underline, b.underline);
    f(a.bullet, b.bullet);
    f(a.kerning, b.kerning);
    f(a.tabStops, b.tabStops);
}

const char* AlignName(uint8_t align) {
    switch (align) {
    case 1:
        return "right";
    case 2:
        return "center";
    case 3:
        return "justify";
    default:
        return "left";
    }
}

}  // namespace

void MergeFormat(TextFormat& base, const TextFormat& over) {
    ForEachPart(base, over, [](auto& a, const auto& b) {
        if (b)
            a = b;
    });
}

void IntersectFormat(TextFormat& a, const TextFormat& b) {
    ForEachPart(a, b, [](auto& x, const auto& y) {
        if (x != y)
            x.reset();
    });
}

TextFormat DefaultFormat(const movie::EditTextDef* def, const movie::Movie* movie) {
    TextFormat f;
    f.font = "Times New Roman";
    f.size = 12;
    f.color = 0;
    f.bold = f.italic = f.underline = f.bullet = f.kerning = false;
    f.url = f.target = "";
    f.align = "left";
    f.leftMargin = f.rightMargin = f.indent = f.leading = f.blockIndent = f.letterSpacing = 0;
    f.tabStops = std::vector<double>{};
    f.display = "block";
    if (!def)
        return f;
    if (def->fontId && movie) {
        auto it = movie->dictionary.find(*def->fontId);
        if (it != movie->dictionary.end())
            if (auto* font = std::get_if<std::shared_ptr<const movie::FontDef>>(&it->second)) {
                f.font = (*font)->name;
                f.bold = (*font)->bold;
                f.italic = (*font)->italic;
            }
    }
    if (def->fontId || !def->fontClass.empty())
        f.size = def->fontHeight / 20.0;
    if (def->color)
        f.color = double((uint32_t(def->color->r) << 16) | (uint32_t(def->color->g) << 8) | def->color->b);
    if (def->layout) {
        f.align = AlignName(def->layout->align);
        // Margins and indents are whole pixels, cut toward zero.
        f.leftMargin = std::trunc(def->layout->leftMargin / 20.0);
        f.rightMargin = std::trunc(def->layout->rightMargin / 20.0);
        f.indent = std::trunc(def->layout->indent / 20.0);
        f.leading = def->layout->leading / 20.0;
    }
    return f;
}

TextField MakeTextField(const movie::EditTextDef* def, const movie::Movie* movie) {
    TextField t;
    t.movie = movie;
    t.def = def;
    t.newFormat = DefaultFormat(def, movie);
    if (!def)
        return t;
    t.xMin = t.originX = def->bounds.xMin;
    t.yMin = def->bounds.yMin;
    t.width = double(def->bounds.xMax) - def->bounds.xMin;
    t.height = double(def->bounds.yMax) - def->bounds.yMin;
    t.html = def->html;
    t.multiline = def->multiline;
    t.wordWrap = def->wordWrap;
    t.password = def->password;
    t.selectable = !def->noSelect;
    t.border = def->border;
    t.background = def->border;
    t.editable = !def->readOnly;
    t.embedFonts = def->useOutlines;
    t.autoSize = def->autoSize ? 1 : 0;
    t.maxChars = def->maxLength ? *def->maxLength : 0;
    t.variable = def->variableName;
    if (def->rendering) {
        t.antiAliasType = def->rendering->antiAlias == 1 ? "advanced" : "normal";
        t.gridFitType = def->rendering->gridFit == 0 ? "none" : def->rendering->gridFit == 2 ? "subpixel" : "pixel";
        t.thickness = def->rendering->thickness;
        t.sharpness = def->rendering->sharpness;
    }
    return t;
}

}  // namespace playback

namespace playback {

namespace {

bool IsSpace(char16_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char16_t Lower(char16_t c) {
    return c >= 'A' && c <= 'Z' ? char16_t(c + 32) : c;
}

std::string Ascii(std::u16string_view s) {
    std::string out;
    for (char16_t c : s)
        out += c < 128 ? char(c) : '?';
    return out;
}

std::u16string Wide(std::string_view s) {
    return std::u16string(s.begin(), s.end());
}

std::string LowerAscii(std::u16string_view s) {
    std::string out = Ascii(s);
    for (char& c : out)
        c = char(Lower(char16_t(uint8_t(c))));
    return out;
}

// The entities fields know; anything else stays as written.
bool DecodeEntity(std::u16string_view name, char16_t& out) {
    const std::string n = LowerAscii(name);
    if (n == "lt")
        out = '<';
    else if (n == "gt")
        out = '>';
    else if (n == "amp")
        out = '&';
    else if (n == "quot")
        out = '"';
    else if (n == "apos")
        out = '\'';
    else if (n == "nbsp")
        out = 0xA0;
    else if (n.size() > 1 && n[0] == '#') {
        const bool hex = n[1] == 'x';
        char* end = nullptr;
        const long v = std::strtol(n.c_str() + (hex ? 2 : 1), &end, hex ? 16 : 10);
        if (!end || *end || v <= 0 || v > 0xFFFF)
            return false;
        out = char16_t(v);
    } else
        return false;
    return true;
}

struct Tag {
    std::string name;  // lower case
    bool closing = false;
    std::vector<std::pair<std::string, std::u16string>> attrs;  // names lower case
    const std::u16string* Attr(std::string_view n) const {
        for (const auto& [k, v] : attrs)
            if (k == n)
                return &v;
        return nullptr;
    }
};

// Reads a tag from after '<' to after '>'; false when the text ends first.
bool ReadTag(std::u16string_view s, size_t& i, Tag& tag) {
    size_t j = i;
    if (j < s.size() && s[j] == '/') {
        tag.closing = true;
        ++j;
    }
    size_t start = j;
    while (j < s.size() && !IsSpace(s[j]) && s[j] != '>' && s[j] != '/')
        ++j;
    tag.name = LowerAscii(s.substr(start, j - start));
    while (j < s.size() && s[j] != '>') {
        if (IsSpace(s[j]) || s[j] == '/') {
            ++j;
            continue;
        }
        size_t ks = j;
        while (j < s.size() && !IsSpace(s[j]) && s[j] != '=' && s[j] != '>')
            ++j;
        std::string key = LowerAscii(s.substr(ks, j - ks));
        while (j < s.size() && IsSpace(s[j]))
            ++j;
        std::u16string value;
        if (j < s.size() && s[j] == '=') {
            ++j;
            while (j < s.size() && IsSpace(s[j]))
                ++j;
            if (j < s.size() && (s[j] == '"' || s[j] == '\'')) {
                const char16_t q = s[j++];
                size_t vs = j;
                while (j < s.size() && s[j] != q)
                    ++j;
                value = std::u16string(s.substr(vs, j - vs));
                if (j < s.size())
                    ++j;
            } else {
                size_t vs = j;
                while (j < s.size() && !IsSpace(s[j]) && s[j] != '>')
                    ++j;
                value = std::u16string(s.substr(vs, j - vs));
            }
        }
        tag.attrs.emplace_back(std::move(key), std::move(value));
    }
    if (j >= s.size())
        return false;
    i = j + 1;
    return true;
}

double ParseNumber(const std::u16string& s, double fallback) {
    const std::string a = Ascii(s);
    char* end = nullptr;
    const double v = std::strtod(a.c_str(), &end);
    return end == a.c_str() ? fallback : v;
}

// "#RRGGBB" as fields read it: spaces may follow the '#', then hex digits up to the first other
// character, the last six of them counting; none is no colour.
std::optional<double> ParseHtmlColor(std::u16string_view s) {
    if (s.empty() || s[0] != '#')
        return std::nullopt;
    size_t i = 1;
    while (i < s.size() && IsSpace(s[i]))
        ++i;
    uint32_t v = 0;
    size_t digits = 0;
    for (; i < s.size(); ++i, ++digits) {
        const char16_t c = s[i];
        int d = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
        if (d < 0)
            break;
        v = ((v << 4) | uint32_t(d)) & 0xFFFFFFu;
    }
    if (!digits)
        return std::nullopt;
    return double(v);
}

void AppendChar(TextField& f, char16_t c, const TextFormat& format) {
    f.text.push_back(c);
    f.formats.push_back(format);
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    return s;
}

std::string NumberText(double v) {
    if (v == double(int64_t(v)))
        return std::to_string(int64_t(v));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

void AppendEscaped(std::u16string& out, char16_t c) {
    switch (c) {
    case '<':
        out += u"&lt;";
        break;
    case '>':
        out += u"&gt;";
        break;
    case '&':
        out += u"&amp;";
        break;
    case '"':
        out += u"&quot;";
        break;
    case '\'':
        out += u"&apos;";
        break;
    default:
        out += c;
    }
}

std::u16string OpenFontTag(const TextFormat& f) {
    char colour[8];
    std::snprintf(colour, sizeof colour, "%06X", unsigned(uint32_t(f.color.value_or(0)) & 0xFFFFFF));
    return Wide("<FONT FACE=\"" + f.font.value_or("") + "\" SIZE=\"" + NumberText(f.size.value_or(12)) +
                "\" COLOR=\"#" + colour + "\" LETTERSPACING=\"" + NumberText(f.letterSpacing.value_or(0)) +
                "\" KERNING=\"" + (f.kerning.value_or(false) ? "1" : "0") + "\">");
}

}  // namespace

std::shared_ptr<TextField> NewTextField(const movie::EditTextDef* def, const movie::Movie* movie) {
    auto t = std::make_shared<TextField>(MakeTextField(def, movie));
    if (def && def->initialText) {
        // The file's text is Latin-1 up to format 5 and UTF-8 after; fields show both as
        // UTF-16 units.
        std::u16string text;
        const std::string& s = *def->initialText;
        for (size_t i = 0; i < s.size();) {
            const uint8_t c = uint8_t(s[i]);
            uint32_t cp = c;
            size_t n = 1;
            if (movie && movie->header.version >= 6 && c >= 0xC0) {
                n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
                if (i + n > s.size()) {
                    n = 1;
                } else {
                    cp = c & (0x3F >> (n - 1));
                    for (size_t k = 1; k < n; ++k)
                        cp = (cp << 6) | (uint8_t(s[i + k]) & 0x3F);
                }
            }
            if (cp >= 0x10000) {
                cp -= 0x10000;
                text += char16_t(0xD800 + (cp >> 10));
                text += char16_t(0xDC00 + (cp & 0x3FF));
            } else {
                text += char16_t(cp);
            }
            i += n;
        }
        if (def->html)
            SetHtmlText(*t, text);
        else
            SetPlainText(*t, text);
    }
    return t;
}

void SetPlainText(TextField& field, std::u16string_view text) {
    field.text.clear();
    field.formats.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        if (c == '\n')
            c = '\r';
        AppendChar(field, c, field.newFormat);
    }
}

void SetHtmlText(TextField& field, std::u16string_view s) {
    field.text.clear();
    field.formats.clear();
    // Bold and italic come from the tags alone, whatever face the field's own font has.
    TextFormat base = field.newFormat;
    base.bold = base.italic = false;
    std::vector<TextFormat> stack{base};
    std::vector<std::string> open;
    bool paragraphOpen = false;
    auto push = [&](const std::string& name, const TextFormat& f) {
        stack.push_back(f);
        open.push_back(name);
    };
    auto pop = [&](const std::string& name) {
        for (size_t k = open.size(); k-- > 0;)
            if (open[k] == name) {
                open.resize(k);
                stack.resize(k + 1);
                return;
            }
    };
    for (size_t i = 0; i < s.size();) {
        const char16_t c = s[i];
        if (c == '<') {
            Tag tag;
            size_t j = i + 1;
            if (!ReadTag(s, j, tag))
                break;
            i = j;
            TextFormat f = stack.back();
            const std::string& n = tag.name;
            if (tag.closing) {
                if ((n == "p" || n == "li") && field.multiline) {
                    // The paragraph's end takes the format of the text before it.
                    AppendChar(field, '\r', field.formats.empty() ? stack.back() : field.formats.back());
                    paragraphOpen = false;
                }
                pop(n);
                continue;
            }
            // A single-line field keeps no line breaks.
            if (n == "br" || n == "sbr") {
                if (field.multiline)
                    AppendChar(field, '\r', f);
                continue;
            }
            if (n == "p") {
                if (paragraphOpen && field.multiline)
                    AppendChar(field, '\r', f);
                paragraphOpen = true;
                if (auto* a = tag.Attr("align"))
                    f.align = LowerAscii(*a);
            } else if (n == "font") {
                if (auto* a = tag.Attr("face"))
                    f.font = Ascii(*a);
                if (auto* a = tag.Attr("size")) {
                    double v = ParseNumber(*a, *f.size);
                    if (!a->empty() && ((*a)[0] == '+' || (*a)[0] == '-'))
                        v += f.size.value_or(12);
                    f.size = v;
                }
                if (auto* a = tag.Attr("color"))
                    if (auto colour = ParseHtmlColor(*a))
                        f.color = *colour;
                if (auto* a = tag.Attr("letterspacing"))
                    f.letterSpacing = ParseNumber(*a, 0);
                if (auto* a = tag.Attr("kerning"))
                    f.kerning = ParseNumber(*a, 0) != 0;
            } else if (n == "b") {
                f.bold = true;
            } else if (n == "i") {
                f.italic = true;
            } else if (n == "u") {
                f.underline = true;
            } else if (n == "a") {
                if (auto* a = tag.Attr("href"))
                    f.url = Ascii(*a);
                if (auto* a = tag.Attr("target"))
                    f.target = Ascii(*a);
            } else if (n == "li") {
                f.bullet = true;
            } else if (n == "textformat") {
                if (auto* a = tag.Attr("leftmargin"))
                    f.leftMargin = ParseNumber(*a, 0);
                if (auto* a = tag.Attr("rightmargin"))
                    f.rightMargin = ParseNumber(*a, 0);
                if (auto* a = tag.Attr("indent"))
                    f.indent = ParseNumber(*a, 0);
                if (auto* a = tag.Attr("blockindent"))
                    f.blockIndent = ParseNumber(*a, 0);
                if (auto* a = tag.Attr("leading"))
                    f.leading = ParseNumber(*a, 0);
            } else {
                continue;  // unknown tags are dropped, their text kept
            }
            push(n, f);
            continue;
        }
        if (c == '&') {
            const size_t semi = s.find(';', i);
            char16_t decoded;
            if (semi != std::u16string_view::npos && semi - i <= 8 &&
                DecodeEntity(s.substr(i + 1, semi - i - 1), decoded)) {
                AppendChar(field, decoded, stack.back());
                i = semi + 1;
                continue;
            }
        }
        if (c == '\n' || c == '\r') {
            // A line break written out in the source stays one (CR LF as one).
            if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
            AppendChar(field, '\r', stack.back());
            ++i;
            continue;
        }
        AppendChar(field, c, stack.back());
        ++i;
    }
}

TextFormat FormatOfRange(const TextField& field, size_t begin, size_t end) {
    end = std::min(end, field.text.size());
    if (begin >= end)
        return field.newFormat;
    TextFormat f = field.formats[begin];
    for (size_t i = begin + 1; i < end; ++i)
        IntersectFormat(f, field.formats[i]);
    return f;
}

std::u16string HtmlTextOf(const TextField& field) {
    std::u16string out;
    const size_t n = field.text.size();
    // One paragraph per carriage return (an empty text is one empty paragraph).
    for (size_t i = 0;;) {
        size_t end = field.text.find(u'\r', i);
        if (end == std::u16string::npos)
            end = n;
        const TextFormat& pf = i < n ? field.formats[i] : field.newFormat;
        // Paragraph parts other than the alignment show in a TEXTFORMAT around the paragraph.
        std::string block;
        const std::pair<const char*, const std::optional<double>*> parts[] = {{"LEFTMARGIN", &pf.leftMargin},
                                                                              {"RIGHTMARGIN", &pf.rightMargin},
                                                                              {"INDENT", &pf.indent},
                                                                              {"BLOCKINDENT", &pf.blockIndent},
                                                                              {"LEADING", &pf.leading}};
        for (const auto& [name, value] : parts)
            if (value->value_or(0) != 0)
                block += std::string(" ") + name + "=\"" + NumberText(**value) + "\"";
        if (pf.tabStops && !pf.tabStops->empty()) {
            std::string stops;
            for (double t : *pf.tabStops)
                stops += (stops.empty() ? "" : ",") + NumberText(t);
            block += " TABSTOPS=\"" + stops + "\"";
        }
        if (!block.empty())
            out += Wide("<TEXTFORMAT" + block + ">");
        out += u"<P ALIGN=\"" + Wide(Upper(pf.align.value_or("left"))) + u"\">";
        size_t k = i;
        do {
            const TextFormat& f = k < end ? field.formats[k] : pf;
            size_t runEnd = k;
            while (runEnd < end && field.formats[runEnd] == f)
                ++runEnd;
            out += OpenFontTag(f);
            std::u16string body;
            for (size_t m = k; m < runEnd; ++m)
                AppendEscaped(body, field.text[m]);
            if (f.underline.value_or(false))
                body = u"<U>" + body + u"</U>";
            if (f.italic.value_or(false))
                body = u"<I>" + body + u"</I>";
            if (f.bold.value_or(false))
                body = u"<B>" + body + u"</B>";
            if (f.url && !f.url->empty())
                body = u"<A HREF=\"" + Wide(*f.url) + u"\" TARGET=\"" + Wide(f.target.value_or("")) + u"\">" + body +
                       u"</A>";
            out += body + u"</FONT>";
            k = runEnd;
        } while (k < end);
        out += u"</P>";
        if (!block.empty())
            out += u"</TEXTFORMAT>";
        // A text that ends a paragraph has no empty one after it.
        if (end + 1 >= n)
            break;
        i = end + 1;
    }
    return out;
}

}  // namespace playback
