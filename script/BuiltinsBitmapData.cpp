// flash.display.BitmapData: a bitmap scripts make and change pixel by pixel (the pixel work is
// raster/BitmapOps), and MovieClip.attachBitmap, which shows one on the stage. Methods called on
// anything but a live bitmap (another object, or a bitmap disposed of) answer -1.
#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cmath>
#include <string>

#include "BitmapDataObject.h"
#include "GeomObjects.h"
#include "raster/BitmapOps.h"
#include "script/Vm.h"

namespace script {

namespace {

// Counted by the live bitmaps of every interpreter of the process (players may run on threads
// of their own).
std::atomic<uint64_t> g_bitmapPixels{0};

}  // namespace

bool BitmapDataData::Reserve(uint64_t pixels) {
    const uint64_t before = g_bitmapPixels.fetch_add(pixels);
    if (before + pixels > kBitmapPixelBudget || before + pixels < before) {
        g_bitmapPixels.fetch_sub(pixels);
        return false;
    }
    counted += pixels;
    return true;
}

void BitmapDataData::Release() {
    g_bitmapPixels.fetch_sub(counted);
    counted = 0;
}

namespace {

// The reference's largest bitmap side in these movies.
constexpr double kMaxSide = 2880;

Value Arg(std::vector<Value>& a, size_t i) {
    return i < a.size() ? a[i] : Value();
}

bool Truthy(Vm& vm, const Value& v) {
    return ToBoolean(v, vm.curVersion);
}

uint32_t ColorArg(Vm& vm, const Value& v) {
    return uint32_t(vm.ToInt(v));
}

Object* BitmapDataProto(Vm& vm) {
    Value display = vm.Get(vm.GetOf(vm.global, "flash"), "display");
    Value proto = vm.Get(vm.Get(display, "BitmapData"), "prototype");
    return proto.IsObject() ? proto.object : vm.objectProto;
}

// A new BitmapData object around `data`.
Value NewBitmapData(Vm& vm, std::unique_ptr<BitmapDataData> data) {
    Object* o = vm.NewObject(BitmapDataProto(vm));
    o->nativeData = std::move(data);
    return Value::Obj(o);
}

bool ReadRect(Vm& vm, const Value& v, raster::PixelRect& out) {
    if (v.type != Type::Object)
        return false;
    out = {vm.ToInt(vm.Get(v, "x")), vm.ToInt(vm.Get(v, "y")), vm.ToInt(vm.Get(v, "width")),
           vm.ToInt(vm.Get(v, "height"))};
    return true;
}

bool ReadPoint(Vm& vm, const Value& v, int32_t& x, int32_t& y) {
    if (v.type != Type::Object)
        return false;
    x = vm.ToInt(vm.Get(v, "x"));
    y = vm.ToInt(vm.Get(v, "y"));
    return true;
}

// v + by, kept within 32 bits (out of any bitmap either way).
int32_t Offset(int32_t v, int64_t by) {
    return int32_t(std::clamp<int64_t>(int64_t(v) + by, INT32_MIN, INT32_MAX));
}

// A Matrix's a, b, c, d, tx, ty (the identity for anything but an object); false when one of
// them is not finite.
bool ReadMatrix(Vm& vm, const Value& matrix, double m[6]) {
    const double identity[6] = {1, 0, 0, 1, 0, 0};
    std::copy(identity, identity + 6, m);
    if (matrix.type == Type::Object) {
        const char* names[] = {"a", "b", "c", "d", "tx", "ty"};
        for (int i = 0; i < 6; ++i)
            m[i] = vm.ToNumber(vm.Get(matrix, names[i]));
    }
    return std::all_of(m, m + 6, [](double v) { return std::isfinite(v); });
}

raster::PixelRect WholeBitmap(const raster::Image& image) {
    return {0, 0, image.width, image.height};
}

raster::ColorTransform ToRasterTransform(const ColorTransformValues& c) {
    auto mul = [](double m) { return int32_t(std::isfinite(m) ? std::clamp(m * 256, -65536.0, 65536.0) : 0); };
    auto add = [](double a) { return int32_t(std::isfinite(a) ? std::clamp(a, -65536.0, 65536.0) : 0); };
    raster::ColorTransform t;
    t.rMul = mul(c.mul[0]);
    t.gMul = mul(c.mul[1]);
    t.bMul = mul(c.mul[2]);
    t.aMul = mul(c.mul[3]);
    t.rAdd = add(c.add[0]);
    t.gAdd = add(c.add[1]);
    t.bAdd = add(c.add[2]);
    t.aAdd = add(c.add[3]);
    return t;
}

// new BitmapData(width, height, transparent = true, fillColor = 0xFFFFFFFF): sides of 1 to
// 2880 pixels (fractions dropped); anything else makes no object.
Value BitmapDataCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (args.size() < 2 || self.type != Type::Object)
        return Value::Null();
    const double w = std::trunc(vm.ToNumber(args[0])), h = std::trunc(vm.ToNumber(args[1]));
    if (!(w >= 1 && w <= kMaxSide && h >= 1 && h <= kMaxSide))
        return Value::Null();
    auto data = std::make_unique<BitmapDataData>();
    if (!data->Reserve(uint64_t(w) * uint64_t(h)))
        return Value::Null();
    data->transparent = args.size() < 3 || Truthy(vm, args[2]);
    const uint32_t fill = args.size() < 4 ? 0xFFFFFFFFu : ColorArg(vm, args[3]);
    raster::ResetBitmap(*data->image, int32_t(w), int32_t(h), fill, !data->transparent);
    self.object->nativeData = std::move(data);
    return self;
}

enum Getter { kWidth, kHeight, kRectangle, kTransparent };

Value GetterFn(Vm& vm, const Value& self, std::vector<Value>&, int which) {
    BitmapDataData* d = LiveBitmapData(self);
    if (!d)
        return Value::Num(-1);
    const raster::Image& image = *d->image;
    switch (which) {
    case kWidth:
        return Value::Num(image.width);
    case kHeight:
        return Value::Num(image.height);
    case kRectangle:
        return Value::Obj(NewRectangle(vm, 0, 0, image.width, image.height));
    default:
        return Value::Bool(d->transparent);
    }
}

enum Method {
    kGetPixel,
    kGetPixel32,
    kSetPixel,
    kSetPixel32,
    kFillRect,
    kClone,
    kDispose,
    kColorTransform,
    kCopyPixels,
    kCopyChannel,
    kScroll,
    kFloodFill,
    kGetColorBoundsRect,
    kNoise,
    kThreshold,
    kCompare,
    kHitTest,
    kDraw,
    kMerge,
    kPaletteMap,
    kNoOp,  // methods that change nothing here (filters, palettes, dissolves)
};

Value Compare(Vm& vm, const Value& self, std::vector<Value>& args) {
    BitmapDataData* a = LiveBitmapData(self);
    if (!a)
        return Value::Num(-1);
    BitmapDataData* b = LiveBitmapData(Arg(args, 0));
    if (!b)
        return Value::Num(-2);
    if (a->image->width != b->image->width)
        return Value::Num(-3);
    if (a->image->height != b->image->height)
        return Value::Num(-4);
    auto out = std::make_unique<BitmapDataData>();
    if (!out->Reserve(a->image->pixels.size()))
        return Value::Num(0);
    if (!raster::ComparePixels(*a->image, *b->image, *out->image))
        return Value::Num(0);
    return NewBitmapData(vm, std::move(out));
}

// paletteMap's tables (red, green, blue, alpha arrays from the fourth argument on): a missing
// array leaves its channel as it is.
void PaletteTables(Vm& vm, std::vector<Value>& args, std::array<uint32_t[256], 4>& tables) {
    const int shifts[4] = {16, 8, 0, 24};
    for (size_t t = 0; t < 4; ++t) {
        const Value list = Arg(args, 3 + t);
        Object* array = list.type == Type::Object && list.object->kind == Kind::Array ? list.object : nullptr;
        for (uint32_t i = 0; i < 256; ++i)
            tables[t][i] = array ? uint32_t(vm.ToInt(vm.Element(array, i))) : i << shifts[t];
    }
}

// hitTest(firstPoint, firstAlphaThreshold, secondObject, secondBitmapPoint, secondAlphaThreshold):
// the second object a point, a rectangle or another bitmap, in the first point's space.
Value HitTest(Vm& vm, BitmapDataData& d, std::vector<Value>& args) {
    int32_t fx = 0, fy = 0;
    if (args.size() < 3 || !ReadPoint(vm, args[0], fx, fy))
        return Value::Bool(false);
    const uint32_t threshold = uint32_t(vm.ToInt(args[1])) & 0xFF;
    const raster::Image& image = *d.image;
    if (BitmapDataData* other = LiveBitmapData(args[2])) {
        int32_t sx = 0, sy = 0;
        ReadPoint(vm, Arg(args, 3), sx, sy);
        const uint32_t threshold2 = args.size() > 4 ? uint32_t(vm.ToInt(args[4])) & 0xFF : 1;
        const raster::Image& o = *other->image;
        for (int32_t y = 0; y < image.height; ++y)
            for (int32_t x = 0; x < image.width; ++x)
                if (raster::PixelHits(image, x, y, threshold) &&
                    raster::PixelHits(o, Offset(x, int64_t(fx) - sx), Offset(y, int64_t(fy) - sy), threshold2))
                    return Value::Bool(true);
        return Value::Bool(false);
    }
    const Value& second = args[2];
    if (second.type != Type::Object)
        return Value::Bool(false);
    if (vm.Has(second.object, "width")) {
        raster::PixelRect r;
        ReadRect(vm, second, r);
        r.x = Offset(r.x, -int64_t(fx));
        r.y = Offset(r.y, -int64_t(fy));
        r = raster::ClipToBitmap(image, r);
        for (int32_t y = r.y; y < r.y + r.height; ++y)
            for (int32_t x = r.x; x < r.x + r.width; ++x)
                if (raster::PixelHits(image, x, y, threshold))
                    return Value::Bool(true);
        return Value::Bool(false);
    }
    int32_t px = 0, py = 0;
    ReadPoint(vm, second, px, py);
    return Value::Bool(raster::PixelHits(image, Offset(px, -int64_t(fx)), Offset(py, -int64_t(fy)), threshold));
}

// draw(source, matrix, colorTransform, blendMode, clipRect, smoothing): a clip through the
// player's renderer, or another bitmap's pixels at the matrix's offset.
Value Draw(Vm& vm, BitmapDataData& d, std::vector<Value>& args) {
    const Value source = Arg(args, 0);
    if (source.type != Type::Object)
        return Value();
    double m[6];
    if (!ReadMatrix(vm, Arg(args, 1), m))
        return Value();
    ColorTransformValues cx;
    if (IsColorTransform(vm, Arg(args, 2)))
        cx = ReadColorTransform(vm, Arg(args, 2));
    if (BitmapDataData* other = LiveBitmapData(source)) {
        raster::CopyPixels(*d.image, *other->image, WholeBitmap(*other->image),
                           int32_t(std::clamp(std::floor(m[4]), -2e9, 2e9)),
                           int32_t(std::clamp(std::floor(m[5]), -2e9, 2e9)), nullptr, 0, 0, true, !d.transparent);
        return Value();
    }
    Object* clip = vm.LiveClip(source.object);
    if (clip && clip->kind == Kind::Clip)
        vm.host.DrawClipInto(clip->clip, m, ToRasterTransform(cx), Truthy(vm, Arg(args, 5)), *d.image);
    return Value();
}

Value MethodFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    if (m == kCompare)
        return Compare(vm, self, args);
    BitmapDataData* d = LiveBitmapData(self);
    if (!d)
        return Value::Num(-1);
    raster::Image& image = *d->image;
    const bool opaque = !d->transparent;
    switch (m) {
    case kGetPixel:
    case kGetPixel32: {
        if (args.size() < 2)
            return Value::Num(-1);
        const uint32_t p = raster::GetPixel32(image, vm.ToInt(args[0]), vm.ToInt(args[1]));
        return Value::Num(m == kGetPixel ? double(p & 0xFFFFFF) : double(int32_t(p)));
    }
    case kSetPixel:
    case kSetPixel32: {
        if (args.size() < 3)
            return Value();
        const int32_t x = vm.ToInt(args[0]), y = vm.ToInt(args[1]);
        uint32_t c = ColorArg(vm, args[2]);
        if (m == kSetPixel)
            c = (c & 0xFFFFFF) | (raster::GetPixel32(image, x, y) & 0xFF000000u);
        raster::SetPixel32(image, x, y, c, opaque);
        return Value();
    }
    case kFillRect: {
        raster::PixelRect r;
        if (args.size() >= 2 && ReadRect(vm, args[0], r))
            raster::FillPixels(image, r, ColorArg(vm, args[1]), opaque);
        return Value();
    }
    case kClone: {
        auto copy = std::make_unique<BitmapDataData>();
        if (!copy->Reserve(image.pixels.size()))
            return Value();
        *copy->image = image;
        copy->transparent = d->transparent;
        return NewBitmapData(vm, std::move(copy));
    }
    case kDispose:
        // Clips showing it show nothing from now on.
        d->disposed = true;
        d->Release();
        image.width = image.height = 0;
        image.pixels.clear();
        image.pixels.shrink_to_fit();
        return Value();
    case kColorTransform: {
        raster::PixelRect r;
        if (args.size() < 2 || !ReadRect(vm, args[0], r) || !IsColorTransform(vm, args[1]))
            return Value();
        const ColorTransformValues c = ReadColorTransform(vm, args[1]);
        raster::BitmapColorTransform t;
        for (int i = 0; i < 4; ++i) {
            t.mul[i] = c.mul[i];
            t.add[i] = c.add[i];
        }
        raster::TransformPixels(image, r, t, opaque);
        return Value();
    }
    case kCopyPixels: {
        BitmapDataData* src = LiveBitmapData(Arg(args, 0));
        raster::PixelRect r;
        int32_t dx = 0, dy = 0;
        if (!src || !ReadRect(vm, Arg(args, 1), r) || !ReadPoint(vm, Arg(args, 2), dx, dy))
            return Value();
        BitmapDataData* alpha = LiveBitmapData(Arg(args, 3));
        int32_t ax = 0, ay = 0;
        ReadPoint(vm, Arg(args, 4), ax, ay);
        // Another object's pixels, or a copy of its own taken first.
        const raster::Image source = src == d ? image : raster::Image{};
        raster::CopyPixels(image, src == d ? source : *src->image, r, dx, dy, alpha ? alpha->image.get() : nullptr, ax,
                           ay, Truthy(vm, Arg(args, 5)), opaque);
        return Value();
    }
    case kCopyChannel: {
        BitmapDataData* src = LiveBitmapData(Arg(args, 0));
        raster::PixelRect r;
        int32_t dx = 0, dy = 0;
        if (args.size() < 5 || !src || !ReadRect(vm, args[1], r) || !ReadPoint(vm, args[2], dx, dy))
            return Value();
        const raster::Image source = src == d ? image : raster::Image{};
        raster::CopyChannel(image, src == d ? source : *src->image, r, dx, dy, vm.ToInt(args[3]), vm.ToInt(args[4]),
                            opaque);
        return Value();
    }
    case kScroll:
        if (args.size() >= 2)
            raster::ScrollPixels(image, vm.ToInt(args[0]), vm.ToInt(args[1]));
        return Value();
    case kFloodFill: {
        if (args.size() < 3)
            return Value();
        std::vector<int32_t> stack;
        raster::FloodFill(image, vm.ToInt(args[0]), vm.ToInt(args[1]), ColorArg(vm, args[2]), opaque, stack);
        return Value();
    }
    case kGetColorBoundsRect: {
        if (args.size() < 2)
            return Value::Num(-1);
        const bool find = args.size() < 3 || Truthy(vm, args[2]);
        const raster::PixelRect r = raster::ColorBounds(image, ColorArg(vm, args[0]), ColorArg(vm, args[1]), find);
        return Value::Obj(NewRectangle(vm, r.x, r.y, r.width, r.height));
    }
    case kNoise: {
        if (args.empty())
            return Value();
        const int low = args.size() > 1 ? vm.ToInt(args[1]) : 0;
        const int high = args.size() > 2 ? vm.ToInt(args[2]) : 255;
        const int channels = args.size() > 3 ? vm.ToInt(args[3]) : 7;
        raster::NoisePixels(image, uint32_t(vm.ToInt(args[0])), low, high, channels, Truthy(vm, Arg(args, 4)), opaque);
        return Value();
    }
    case kThreshold: {
        BitmapDataData* src = LiveBitmapData(Arg(args, 0));
        raster::PixelRect r;
        int32_t dx = 0, dy = 0;
        if (args.size() < 5 || !src || !ReadRect(vm, args[1], r) || !ReadPoint(vm, args[2], dx, dy))
            return Value::Num(0);
        const std::string op = vm.ToString(args[3]);
        const uint32_t color = args.size() > 5 ? ColorArg(vm, args[5]) : 0;
        const uint32_t mask = args.size() > 6 ? ColorArg(vm, args[6]) : 0xFFFFFFFFu;
        const raster::Image source = src == d ? image : raster::Image{};
        const int n = raster::ThresholdPixels(image, src == d ? source : *src->image, r, dx, dy, op.c_str(),
                                              ColorArg(vm, args[4]), color, mask, Truthy(vm, Arg(args, 7)), opaque);
        return Value::Num(n < 0 ? 0 : n);
    }
    case kMerge:
    case kPaletteMap: {
        BitmapDataData* src = LiveBitmapData(Arg(args, 0));
        raster::PixelRect r;
        int32_t dx = 0, dy = 0;
        if (!src || !ReadRect(vm, Arg(args, 1), r) || !ReadPoint(vm, Arg(args, 2), dx, dy))
            return Value();
        const raster::Image source = src == d ? image : raster::Image{};
        const raster::Image& from = src == d ? source : *src->image;
        if (m == kMerge) {
            int multipliers[4];
            for (size_t i = 0; i < 4; ++i)
                multipliers[i] = vm.ToInt(Arg(args, 3 + i));
            raster::MergePixels(image, from, r, dx, dy, multipliers, opaque);
        } else {
            PaletteTables(vm, args, d->tables);
            raster::PaletteMap(image, from, r, dx, dy, d->tables.data(), opaque);
        }
        return Value();
    }
    case kHitTest:
        return HitTest(vm, *d, args);
    case kDraw:
        return Draw(vm, *d, args);
    default:
        return Value();
    }
}

// BitmapData.loadBitmap(linkageName): a new bitmap with the pixels of an exported bitmap.
Value LoadBitmapFn(Vm& vm, const Value&, std::vector<Value>& args, int) {
    if (args.empty())
        return Value();
    auto data = std::make_unique<BitmapDataData>();
    const ClipId from = vm.currentTarget ? vm.currentTarget->clip : kNoClip;
    if (!vm.host.ExportedBitmap(from, vm.ToString(args[0]), *data->image) || data->image->width <= 0 ||
        data->image->height <= 0)
        return Value();
    if (!data->Reserve(data->image->pixels.size()))
        return Value();
    return NewBitmapData(vm, std::move(data));
}

// clip.attachBitmap(bitmap, depth, pixelSnapping, smoothing).
Value AttachBitmapFn(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    BitmapDataData* d = LiveBitmapData(Arg(args, 0));
    Object* clip = self.type == Type::Object ? vm.LiveClip(self.object) : nullptr;
    if (!d || !clip || clip->kind != Kind::Clip || args.size() < 2)
        return Value();
    vm.host.AttachBitmap(clip->clip, d->image, vm.ToInt(args[1]), Truthy(vm, Arg(args, 3)));
    return Value();
}

// clip.beginBitmapFill(bitmap, matrix, repeat = true, smoothing = false).
Value BeginBitmapFillFn(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    BitmapDataData* d = LiveBitmapData(Arg(args, 0));
    Object* clip = self.type == Type::Object ? vm.LiveClip(self.object) : nullptr;
    if (!d || !clip || clip->kind != Kind::Clip)
        return Value();
    double m[6];
    if (!ReadMatrix(vm, Arg(args, 1), m))
        return Value();
    const bool repeat = args.size() < 3 || Truthy(vm, args[2]);
    vm.host.DrawBitmapFill(clip->clip, d->image, m, repeat, Truthy(vm, Arg(args, 3)));
    return Value();
}

}  // namespace

void InstallBitmapDataBuiltins(Vm& vm) {
    Value flash = vm.GetOf(vm.global, "flash");
    if (!flash.IsObject())
        return;
    Object* display = nullptr;
    if (Property* p = flash.object->FindOwn("display", true); p && p->value.IsObject()) {
        display = p->value.object;
    } else {
        display = vm.NewObject();
        flash.object->SetOwn("display", Value::Obj(display), true, kDontEnum);
    }
    Object* proto = vm.NewObject();
    Object* ctor = vm.NewFunction(BitmapDataCtor, 0, proto);
    display->SetOwn("BitmapData", Value::Obj(ctor), true, kDontEnum);
    vm.Method(ctor, "loadBitmap", LoadBitmapFn);
    const std::pair<const char*, int> getters[] = {
        {"width", kWidth}, {"height", kHeight}, {"rectangle", kRectangle}, {"transparent", kTransparent}};
    for (auto& [n, g] : getters) {
        Property& p = proto->SetOwn(n, Value(), true, kDontEnum);
        p.getter = vm.NewFunction(GetterFn, g);
    }
    const std::pair<const char*, int> methods[] = {{"getPixel", kGetPixel},
                                                   {"getPixel32", kGetPixel32},
                                                   {"setPixel", kSetPixel},
                                                   {"setPixel32", kSetPixel32},
                                                   {"fillRect", kFillRect},
                                                   {"clone", kClone},
                                                   {"dispose", kDispose},
                                                   {"colorTransform", kColorTransform},
                                                   {"copyPixels", kCopyPixels},
                                                   {"copyChannel", kCopyChannel},
                                                   {"scroll", kScroll},
                                                   {"floodFill", kFloodFill},
                                                   {"getColorBoundsRect", kGetColorBoundsRect},
                                                   {"noise", kNoise},
                                                   {"threshold", kThreshold},
                                                   {"compare", kCompare},
                                                   {"hitTest", kHitTest},
                                                   {"draw", kDraw},
                                                   {"applyFilter", kNoOp},
                                                   {"generateFilterRect", kNoOp},
                                                   {"merge", kMerge},
                                                   {"paletteMap", kPaletteMap},
                                                   {"perlinNoise", kNoOp},
                                                   {"pixelDissolve", kNoOp}};
    for (auto& [n, m] : methods)
        vm.Method(proto, n, MethodFn, m);
    vm.Method(vm.clipProto, "attachBitmap", AttachBitmapFn, 0, kDontEnum | kVersion8);
    vm.Method(vm.clipProto, "beginBitmapFill", BeginBitmapFillFn, 0, kDontEnum | kVersion8);
}

}  // namespace script
