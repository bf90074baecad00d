// Gradient ramps.
#include "GradientRamp.h"

#include "PixelMath.h"

#include <cmath>

namespace raster {

namespace {

// sRGB transfer curve and its inverse, tabulated once: 256 linear values for the 8-bit
// levels, and the level for each of kSteps + 1 evenly spaced linear values (a step moves a
// dark level by at most 0.2, where the curve is steepest).
constexpr int kSteps = 16384;

struct LinearTables {
    float toLinear[256];
    uint8_t fromLinear[kSteps + 1];
    LinearTables() {
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            toLinear[i] = static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        for (int i = 0; i <= kSteps; ++i) {
            const double v = static_cast<double>(i) / kSteps;
            const double c = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
            const long r = std::lround(c * 255.0);
            fromLinear[i] = static_cast<uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
        }
    }
    uint8_t FromLinear(float v) const {
        const int i = static_cast<int>(v * kSteps + 0.5f);
        return fromLinear[i < 0 ? 0 : i > kSteps ? kSteps : i];
    }
};

// (a * (den - num) + b * num + den / 2) / den, rounded to nearest, with the division done as
// a multiply by 2^32 / den + 1 (exact for every value below 2^24 and den up to 255).
uint8_t Lerp(uint8_t a, uint8_t b, uint32_t num, uint32_t den, uint64_t reciprocal) {
    const uint64_t x = static_cast<uint64_t>(a) * (den - num) + static_cast<uint64_t>(b) * num + den / 2;
    return static_cast<uint8_t>((x * reciprocal) >> 32);
}

Color Interpolate(const GradientStop& s0, const GradientStop& s1, int ratio, Interpolation mode) {
    // Stops sharing a ratio: the one passed; an entry past the next stop (a run was being
    // caught up): that stop.
    if (s1.ratio <= s0.ratio)
        return s0.color;
    if (ratio >= s1.ratio)
        return s1.color;
    const uint32_t den = static_cast<uint32_t>(s1.ratio - s0.ratio);
    const uint32_t num = static_cast<uint32_t>(ratio - s0.ratio);
    const uint64_t reciprocal = (uint64_t{1} << 32) / den + 1;
    Color out;
    out.a = Lerp(s0.color.a, s1.color.a, num, den, reciprocal);
    if (mode == Interpolation::Rgb) {
        out.r = Lerp(s0.color.r, s1.color.r, num, den, reciprocal);
        out.g = Lerp(s0.color.g, s1.color.g, num, den, reciprocal);
        out.b = Lerp(s0.color.b, s1.color.b, num, den, reciprocal);
        return out;
    }
    static const LinearTables tables;
    const float t = static_cast<float>(num) / static_cast<float>(den);  // num <= den
    auto mix = [&](uint8_t a, uint8_t b) {
        return tables.FromLinear(tables.toLinear[a] + (tables.toLinear[b] - tables.toLinear[a]) * t);
    };
    out.r = mix(s0.color.r, s1.color.r);
    out.g = mix(s0.color.g, s1.color.g);
    out.b = mix(s0.color.b, s1.color.b);
    return out;
}

}  // namespace

void BuildGradientRamp(const Gradient& g, const ColorTransform& cx, GradientRamp& out) {
    const std::vector<GradientStop>& stops = g.stops;
    if (stops.empty()) {
        for (uint32_t& e : out.entries)
            e = 0;
        return;
    }
    const bool identity = cx.IsIdentity();
    // Entry i passes at most one stop whose ratio lies below i and blends from the last stop
    // passed to the next. Stops at distinct ratios give the plain blend; a run of stops sharing
    // a ratio r shows as the reference player draws it: the first ends the blend at r, then
    // each but the last takes one entry of its own (r + 1, r + 2, ...), and the last starts the
    // next blend.
    size_t passed = 0;  // stops passed so far
    for (int i = 0; i < 256; ++i) {
        if (passed < stops.size() && stops[passed].ratio < i)
            ++passed;
        Color c;
        if (passed == 0)
            c = stops.front().color;
        else if (passed == stops.size())
            c = stops.back().color;
        else
            c = Interpolate(stops[passed - 1], stops[passed], i, g.interpolation);
        out.entries[i] = Premultiply(identity ? c : cx.Apply(c));
    }
}

namespace {

bool SameStop(const GradientStop& a, const GradientStop& b) {
    return a.ratio == b.ratio && a.color == b.color;
}

uint64_t HashRamp(const Gradient& g, const ColorTransform& cx) {
    // FNV-1a over what the ramp depends on, word by word.
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint64_t v) {
        h ^= v;
        h *= 1099511628211ull;
    };
    mix(static_cast<uint64_t>(g.interpolation));
    for (const GradientStop& st : g.stops)
        mix((uint64_t{st.ratio} << 32) | (uint64_t{st.color.r} << 24) | (uint64_t{st.color.g} << 16) |
            (uint64_t{st.color.b} << 8) | st.color.a);
    const int32_t parts[8] = {cx.rMul, cx.gMul, cx.bMul, cx.aMul, cx.rAdd, cx.gAdd, cx.bAdd, cx.aAdd};
    for (int32_t v : parts)
        mix(static_cast<uint32_t>(v));
    // FNV over whole words leaves the low bits weak; a final avalanche spreads the slots.
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

}  // namespace

bool RampCache::Matches(const Entry& e, uint64_t hash, const Gradient& g, const ColorTransform& cx) const {
    if (!e.valid || e.hash != hash || e.interpolation != g.interpolation || e.count != g.stops.size() ||
        !(e.cxform == cx))
        return false;
    for (size_t i = 0; i < g.stops.size(); ++i)
        if (!SameStop(e.stops[i], g.stops[i]))
            return false;
    return true;
}

const uint32_t* RampCache::Get(const Gradient& g, const ColorTransform& cx) {
    if (g.stops.size() > kMaxStops) {
        BuildGradientRamp(g, cx, m_uncached);
        return m_uncached.entries;
    }
    const uint64_t hash = HashRamp(g, cx);
    const size_t slot = hash % kEntries;
    Entry* pair[2] = {&m_entries[slot], &m_entries[slot ^ 1]};
    ++m_clock;
    for (Entry* e : pair) {
        if (Matches(*e, hash, g, cx)) {
            e->lastUse = m_clock;
            return e->ramp.entries;
        }
    }
    Entry& e = pair[0]->lastUse <= pair[1]->lastUse ? *pair[0] : *pair[1];
    BuildGradientRamp(g, cx, e.ramp);
    e.valid = true;
    e.hash = hash;
    e.lastUse = m_clock;
    e.interpolation = g.interpolation;
    e.count = static_cast<uint8_t>(g.stops.size());
    for (size_t i = 0; i < g.stops.size(); ++i)
        e.stops[i] = g.stops[i];
    e.cxform = cx;
    return e.ramp.entries;
}

}  // namespace raster
