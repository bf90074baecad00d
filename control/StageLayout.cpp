#include "control/StageLayout.h"

namespace control {
namespace {

bool EqualsNoCase(std::u16string_view text, std::u16string_view word) {
    if (text.size() != word.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t a = text[i], b = word[i];
        if (a >= u'A' && a <= u'Z')
            a = char16_t(a - u'A' + u'a');
        if (b >= u'A' && b <= u'Z')
            b = char16_t(b - u'A' + u'a');
        if (a != b)
            return false;
    }
    return true;
}

// Larger than any window; keeps a stage scaled far past the window (NoBorder with an extreme
// aspect ratio) inside 32-bit coordinates.
constexpr int64_t kMaxExtent = int64_t(1) << 28;

// `size` scaled by numerator/denominator, rounded to the nearest pixel.
int32_t Scale(int64_t size, int64_t numerator, int64_t denominator) {
    const int64_t scaled = (size * numerator + denominator / 2) / denominator;
    return int32_t(scaled < kMaxExtent ? scaled : kMaxExtent);
}

StageRect Centred(int32_t width, int32_t height, int32_t windowWidth, int32_t windowHeight) {
    const int32_t left = int32_t((int64_t(windowWidth) - width) / 2);
    const int32_t top = int32_t((int64_t(windowHeight) - height) / 2);
    return {left, top, left + width, top + height};
}

}  // namespace

ScaleMode ScaleModeFromText(std::u16string_view text) {
    if (EqualsNoCase(text, u"NoBorder"))
        return ScaleMode::NoBorder;
    if (EqualsNoCase(text, u"ExactFit"))
        return ScaleMode::ExactFit;
    if (EqualsNoCase(text, u"NoScale"))
        return ScaleMode::NoScale;
    return ScaleMode::ShowAll;
}

std::u16string_view ScaleModeText(ScaleMode mode) {
    switch (mode) {
    case ScaleMode::NoBorder:
        return u"NoBorder";
    case ScaleMode::ExactFit:
        return u"ExactFit";
    case ScaleMode::NoScale:
        return u"NoScale";
    case ScaleMode::ShowAll:
        break;
    }
    return u"ShowAll";
}

raster::Quality QualityFromText(std::u16string_view text) {
    if (EqualsNoCase(text, u"low") || EqualsNoCase(text, u"autolow"))
        return raster::Quality::Low;
    if (EqualsNoCase(text, u"medium"))
        return raster::Quality::Medium;
    if (EqualsNoCase(text, u"best"))
        return raster::Quality::Best;
    return raster::Quality::High;
}

uint8_t AlignmentFromText(std::u16string_view text) {
    uint8_t align = playback::kAlignCentre;
    for (char16_t c : text) {
        switch (c) {
        case u'L':
        case u'l':
            align |= playback::kAlignLeft;
            break;
        case u'R':
        case u'r':
            align |= playback::kAlignRight;
            break;
        case u'T':
        case u't':
            align |= playback::kAlignTop;
            break;
        case u'B':
        case u'b':
            align |= playback::kAlignBottom;
            break;
        default:
            break;
        }
    }
    return align;
}

std::u16string AlignmentText(uint8_t align) {
    std::u16string text;
    if (align & playback::kAlignLeft)
        text += u'L';
    if (align & playback::kAlignTop)
        text += u'T';
    if (align & playback::kAlignRight)
        text += u'R';
    if (align & playback::kAlignBottom)
        text += u'B';
    return text;
}

StageRect PlaceStage(int32_t stageWidth, int32_t stageHeight, int32_t windowWidth, int32_t windowHeight,
                     ScaleMode mode) {
    if (windowWidth < 0)
        windowWidth = 0;
    if (windowHeight < 0)
        windowHeight = 0;
    if (stageWidth > kMaxExtent)
        stageWidth = int32_t(kMaxExtent);
    if (stageHeight > kMaxExtent)
        stageHeight = int32_t(kMaxExtent);
    if (stageWidth <= 0 || stageHeight <= 0)
        return Centred(0, 0, windowWidth, windowHeight);

    switch (mode) {
    case ScaleMode::ExactFit:
        return {0, 0, windowWidth, windowHeight};
    case ScaleMode::NoScale:
        return Centred(stageWidth, stageHeight, windowWidth, windowHeight);
    case ScaleMode::ShowAll:
    case ScaleMode::NoBorder: {
        // Compare the aspect ratios by cross-multiplying: is the window wider than the stage?
        const bool windowWider = int64_t(windowWidth) * stageHeight > int64_t(stageWidth) * windowHeight;
        const bool fitHeight = (mode == ScaleMode::ShowAll) == windowWider;
        if (fitHeight) {
            return Centred(Scale(stageWidth, windowHeight, stageHeight), windowHeight, windowWidth, windowHeight);
        }
        return Centred(windowWidth, Scale(stageHeight, windowWidth, stageWidth), windowWidth, windowHeight);
    }
    }
    return {0, 0, windowWidth, windowHeight};
}

}  // namespace control
