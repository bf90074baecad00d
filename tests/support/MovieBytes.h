// Hand-made movie bytes for tests: a bit writer for records and a builder of tag lists, shapes,
// sprites and buttons. Values are written as the file stores them, so tests read them back
// through the real readers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace moviebytes {

using Bytes = std::vector<uint8_t>;

class BitWriter {
public:
    void Bits(uint32_t value, unsigned n) {
        for (unsigned i = n; i-- > 0;) {
            acc_ = uint8_t(acc_ << 1 | (value >> i & 1));
            if (++count_ == 8)
                Flush();
        }
    }
    void SBits(int32_t value, unsigned n) { Bits(uint32_t(value) & (n == 32 ? 0xFFFFFFFFu : (1u << n) - 1), n); }
    void Align() {
        if (count_ > 0) {
            acc_ = uint8_t(acc_ << (8 - count_));
            Flush();
        }
    }
    void U8(uint8_t v) {
        Align();
        out.push_back(v);
    }
    void U16(uint16_t v) {
        U8(uint8_t(v));
        U8(uint8_t(v >> 8));
    }
    void U32(uint32_t v) {
        U16(uint16_t(v));
        U16(uint16_t(v >> 16));
    }
    void Str(const std::string& s) {
        Align();
        out.insert(out.end(), s.begin(), s.end());
        out.push_back(0);
    }
    void Raw(const Bytes& b) {
        Align();
        out.insert(out.end(), b.begin(), b.end());
    }
    Bytes out;

private:
    void Flush() {
        out.push_back(acc_);
        acc_ = 0;
        count_ = 0;
    }
    uint8_t acc_ = 0;
    unsigned count_ = 0;
};

// The smallest signed field width that holds all of the values.
inline unsigned SignedWidth(std::initializer_list<int32_t> values) {
    unsigned n = 1;
    for (int32_t v : values)
        while (!(v >= -(int64_t(1) << (n - 1)) && v < (int64_t(1) << (n - 1))))
            ++n;
    return n;
}

inline void Rect(BitWriter& w, int32_t xMin, int32_t xMax, int32_t yMin, int32_t yMax) {
    const unsigned n = SignedWidth({xMin, xMax, yMin, yMax});
    w.Bits(n, 5);
    w.SBits(xMin, n);
    w.SBits(xMax, n);
    w.SBits(yMin, n);
    w.SBits(yMax, n);
    w.Align();
}

inline void TranslateMatrix(BitWriter& w, int32_t tx, int32_t ty) {
    w.Bits(0, 1);
    w.Bits(0, 1);
    const unsigned n = (tx == 0 && ty == 0) ? 0 : SignedWidth({tx, ty});
    w.Bits(n, 5);
    if (n) {
        w.SBits(tx, n);
        w.SBits(ty, n);
    }
    w.Align();
}

inline Bytes Tag(uint16_t code, const Bytes& body) {
    BitWriter w;
    if (body.size() < 0x3F) {
        w.U16(uint16_t(code << 6 | body.size()));
    } else {
        w.U16(uint16_t(code << 6 | 0x3F));
        w.U32(uint32_t(body.size()));
    }
    w.Raw(body);
    return w.out;
}

// A plain movie: header with a stage of w x h pixels at 12 frames a second, then the tags and End.
inline Bytes Movie(const std::vector<Bytes>& tags, int32_t w = 100, int32_t h = 100, uint8_t version = 6,
                   uint16_t frames = 1) {
    BitWriter body;
    Rect(body, 0, w * 20, 0, h * 20);
    body.U16(12 << 8);
    body.U16(frames);
    for (const Bytes& t : tags)
        body.Raw(t);
    body.Raw(Tag(0, {}));
    BitWriter file;
    file.U8('F');
    file.U8('W');
    file.U8('S');
    file.U8(version);
    file.U32(uint32_t(body.out.size() + 8));
    file.Raw(body.out);
    return file.out;
}

// DefineShape (version 1): one solid fill style per colour, and edges given as closed
// rectangles, each with the fill on its right side (fill style 1) and nothing on the left.
struct RectFill {
    int32_t x0, y0, x1, y1;  // twips
    uint8_t r, g, b;
};

inline void StraightEdge(BitWriter& w, int32_t dx, int32_t dy) {
    const unsigned n = std::max(2u, SignedWidth({dx, dy}));
    w.Bits(1, 1);  // edge
    w.Bits(1, 1);  // straight
    w.Bits(n - 2, 4);
    if (dx != 0 && dy != 0) {
        w.Bits(1, 1);
        w.SBits(dx, n);
        w.SBits(dy, n);
    } else if (dx == 0) {
        w.Bits(0, 1);
        w.Bits(1, 1);
        w.SBits(dy, n);
    } else {
        w.Bits(0, 1);
        w.Bits(0, 1);
        w.SBits(dx, n);
    }
}

// A style change record: move to (x, y) and set fill style 0, fill style 1 and line style (any
// of them negative: left as it is). Fill and line index fields are `bits` wide.
inline void StyleChange(BitWriter& w, int32_t x, int32_t y, int fill0, int fill1, int line, unsigned bits) {
    w.Bits(0, 1);
    w.Bits(0, 1);  // no new styles
    w.Bits(line >= 0, 1);
    w.Bits(fill1 >= 0, 1);
    w.Bits(fill0 >= 0, 1);
    w.Bits(1, 1);  // move
    const unsigned n = SignedWidth({x, y});
    w.Bits(n, 5);
    w.SBits(x, n);
    w.SBits(y, n);
    if (fill0 >= 0)
        w.Bits(uint32_t(fill0), bits);
    if (fill1 >= 0)
        w.Bits(uint32_t(fill1), bits);
    if (line >= 0)
        w.Bits(uint32_t(line), bits);
}

inline Bytes RectShape(uint16_t id, const std::vector<RectFill>& rects) {
    BitWriter w;
    w.U16(id);
    Rect(w, 0, 4000, 0, 4000);
    w.U8(uint8_t(rects.size()));
    for (const RectFill& r : rects) {
        w.U8(0);
        w.U8(r.r);
        w.U8(r.g);
        w.U8(r.b);
    }
    w.U8(0);  // no line styles
    const unsigned bits = 4;
    w.Bits(bits, 4);
    w.Bits(0, 4);
    for (size_t i = 0; i < rects.size(); ++i) {
        const RectFill& r = rects[i];
        StyleChange(w, r.x0, r.y0, 0, int(i + 1), -1, bits);
        StraightEdge(w, r.x1 - r.x0, 0);
        StraightEdge(w, 0, r.y1 - r.y0);
        StraightEdge(w, r.x0 - r.x1, 0);
        StraightEdge(w, 0, r.y0 - r.y1);
    }
    w.Bits(0, 6);  // end of shape
    w.Align();
    return Tag(2, w.out);
}

// PlaceObject2 of a new character, optionally named, with a clip depth, at (tx, ty) twips.
inline Bytes Place(uint16_t depth, uint16_t id, int32_t tx = 0, int32_t ty = 0, const std::string& name = "",
                   uint16_t clipDepth = 0) {
    BitWriter w;
    w.U8(uint8_t(0x02 | 0x04 | (name.empty() ? 0 : 0x20) | (clipDepth ? 0x40 : 0)));
    w.U16(depth);
    w.U16(id);
    TranslateMatrix(w, tx, ty);
    if (!name.empty())
        w.Str(name);
    if (clipDepth)
        w.U16(clipDepth);
    return Tag(26, w.out);
}

// PlaceObject3 with a blend mode.
inline Bytes PlaceBlend(uint16_t depth, uint16_t id, uint8_t blend) {
    BitWriter w;
    w.U8(0x02);
    w.U8(0x02);
    w.U16(depth);
    w.U16(id);
    w.U8(blend);
    return Tag(70, w.out);
}

// PlaceObject3 with one glow filter (blue, blur 4 x 4, strength 1, one pass).
inline Bytes PlaceGlow(uint16_t depth, uint16_t id) {
    BitWriter w;
    w.U8(0x02);
    w.U8(0x01);
    w.U16(depth);
    w.U16(id);
    w.U8(1);
    w.U8(2);
    w.Raw({0, 0, 255, 255});
    w.U32(0x40000);
    w.U32(0x40000);
    w.U16(0x100);
    w.U8(0x20 | 1);
    return Tag(70, w.out);
}

inline Bytes Remove(uint16_t depth) {
    BitWriter w;
    w.U16(depth);
    return Tag(28, w.out);
}

inline Bytes ShowFrame() {
    return Tag(1, {});
}
inline Bytes Background(uint8_t r, uint8_t g, uint8_t b) {
    return Tag(9, {r, g, b});
}
inline Bytes Label(const std::string& name) {
    BitWriter w;
    w.Str(name);
    return Tag(43, w.out);
}
inline Bytes DoAction(const Bytes& code) {
    Bytes b = code;
    b.push_back(0);
    return Tag(12, b);
}

inline Bytes DefineSprite(uint16_t id, uint16_t frames, const std::vector<Bytes>& tags) {
    BitWriter w;
    w.U16(id);
    w.U16(frames);
    for (const Bytes& t : tags)
        w.Raw(t);
    w.Raw(Tag(0, {}));
    return Tag(39, w.out);
}

// Action records.
inline Bytes ActionStop() {
    return {0x07};
}
inline Bytes ActionPlay() {
    return {0x06};
}
inline Bytes ActionGotoFrame(uint16_t frame) {
    return {0x81, 2, 0, uint8_t(frame), uint8_t(frame >> 8)};
}
inline Bytes ActionGotoLabel(const std::string& label) {
    BitWriter w;
    w.U8(0x8C);
    w.U16(uint16_t(label.size() + 1));
    w.Str(label);
    return w.out;
}
inline Bytes ActionGetUrl(const std::string& url, const std::string& target) {
    BitWriter w;
    w.U8(0x83);
    w.U16(uint16_t(url.size() + target.size() + 2));
    w.Str(url);
    w.Str(target);
    return w.out;
}
inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}
inline Bytes ActionPushString(const std::string& s) {
    BitWriter w;
    w.U8(0x96);
    w.U16(uint16_t(s.size() + 2));
    w.U8(0);
    w.Str(s);
    return w.out;
}
inline Bytes ActionPushInt(int32_t v) {
    BitWriter w;
    w.U8(0x96);
    w.U16(5);
    w.U8(7);
    w.U32(uint32_t(v));
    return w.out;
}
// object.method() of a global object, without arguments; leaves the result on the stack.
inline Bytes ActionCallMethod(const std::string& object, const std::string& method) {
    return Concat({ActionPushInt(0), ActionPushString(object), {0x1C}, ActionPushString(method), {0x52}});
}
inline Bytes ActionAdd() {
    return {0x47};
}
// GetURL2 of the URL and target on the stack (pushed in that order).
inline Bytes ActionGetUrlFromStack() {
    return {0x9A, 1, 0, 0};
}

// PlaceObject2 of a new character, optionally named, with clip event handlers (the 32-bit event flags of format 6
// and later: 0x01 load, 0x02 enterFrame, 0x40 keyDown, 0x80 keyUp, ...).
struct ClipEvent {
    uint32_t flags;
    Bytes code;
};
inline Bytes PlaceWithClipEvents(uint16_t depth, uint16_t id, const std::vector<ClipEvent>& events,
                                 const std::string& name = "") {
    BitWriter w;
    w.U8(uint8_t(0x80 | 0x02 | (name.empty() ? 0 : 0x20)));
    w.U16(depth);
    w.U16(id);
    if (!name.empty())
        w.Str(name);
    w.U16(0);
    uint32_t all = 0;
    for (const ClipEvent& e : events)
        all |= e.flags;
    w.U32(all);
    for (const ClipEvent& e : events) {
        w.U32(e.flags);
        w.U32(uint32_t(e.code.size() + 1));
        w.Raw(e.code);
        w.U8(0);
    }
    w.U32(0);
    return Tag(26, w.out);
}

// DefineButton2 with one record per state list (up/over/down/hit bits) and condition actions.
struct ButtonRecord {
    uint8_t states;
    uint16_t id;
    uint16_t depth;
};
struct ButtonAction {
    uint16_t conditionBytes;  // first byte low, second byte high, as stored
    Bytes code;
};
inline Bytes DefineButton2(uint16_t id, const std::vector<ButtonRecord>& records,
                           const std::vector<ButtonAction>& actions) {
    BitWriter recs;
    for (const ButtonRecord& r : records) {
        recs.U8(r.states);
        recs.U16(r.id);
        recs.U16(r.depth);
        TranslateMatrix(recs, 0, 0);
        recs.U8(0);  // colour transform: no add, no multiply, 0-bit fields
    }
    recs.U8(0);
    BitWriter w;
    w.U16(id);
    w.U8(0);
    w.U16(actions.empty() ? 0 : uint16_t(2 + recs.out.size()));
    w.Raw(recs.out);
    for (size_t i = 0; i < actions.size(); ++i) {
        Bytes code = actions[i].code;
        code.push_back(0);
        const bool last = i + 1 == actions.size();
        w.U16(last ? 0 : uint16_t(4 + code.size()));
        w.U8(uint8_t(actions[i].conditionBytes));
        w.U8(uint8_t(actions[i].conditionBytes >> 8));
        w.Raw(code);
    }
    return Tag(34, w.out);
}

}  // namespace moviebytes
