// Sound: the object scripts control sounds with, and its bookkeeping. A Sound stands for the
// sounds of a clip (a target given as a clip or a path, found again by its path on every call,
// so a clip made again under the same name is the same target) or, without a target, for the
// whole movie; its volume and channel mix live with the target (DisplayHost's sound
// transform). attachSound takes an embedded sound by its export name; its length is reported
// by getDuration and the duration property. Playing the sound is the audio output's job.
#include <cmath>
#include <cstdlib>
#include <limits>

#include "script/Vm.h"

namespace script {
namespace {

enum SoundMethod {
    kGetVolume,
    kSetVolume,
    kGetPan,
    kSetPan,
    kGetTransform,
    kSetTransform,
    kAttachSound,
    kGetDuration,
    kGetPosition,
    kStart,
    kStop,
    kSetDuration,
    kSetPosition,
    kGetBytesLoaded,
    kGetBytesTotal,
    kLoadSound,
    kAreSoundsInaccessible,
};

// The sound transform as DisplayHost orders it.
enum TransformField { kVolume, kLeftToLeft, kLeftToRight, kRightToLeft, kRightToRight };
// getTransform's fields, in the order they are made, with the transform field each stands for.
struct FieldName {
    const char* name;
    TransformField field;
};
constexpr FieldName kFields[4] = {
    {"ll", kLeftToLeft}, {"lr", kLeftToRight}, {"rr", kRightToRight}, {"rl", kRightToLeft}};

struct SoundData final : NativeData {
    bool hasTarget = false;
    std::string targetPath;  // empty with hasTarget: a target that names nothing
    bool hasSound = false;   // attachSound found a sound
    double durationMs = 0;
    double positionMs = 0;
};

// Where a Sound's calls go: the movie's transform, a clip's, or nowhere (not a Sound, or its
// clip is not there).
struct Target {
    bool valid = false;
    ClipId clip = kNoClip;
};

SoundData* DataOf(const Value& self) {
    return self.IsObject() ? self.object->NativeAs<SoundData>() : nullptr;
}

Target Resolve(Vm& vm, const SoundData& d) {
    if (!d.hasTarget)
        return {true, kNoClip};
    if (d.targetPath.empty())
        return {};
    Object* found = vm.ResolvePath(vm.currentTarget, d.targetPath);
    if (!found || found->kind != Kind::Clip || !found->clip || !vm.host.IsAlive(found->clip))
        return {};
    return {true, found->clip};
}

// A number as the player's volume and pan take it: truncated, and the one out-of-range value
// (-2^31) for NaN, infinities and anything outside 32 bits.
int32_t ClampedInt(double v) {
    if (!(v >= -2147483648.0 && v < 2147483648.0))
        return std::numeric_limits<int32_t>::min();
    return int32_t(v);
}

int32_t Wrap(int64_t v) {
    return int32_t(uint32_t(uint64_t(v)));
}

// The pan the player reports for a transform: from the right channel while the left stays at
// 100, else from the left.
int32_t PanOf(const int32_t t[5]) {
    if (t[kLeftToLeft] == 100)
        return Wrap(std::llabs(int64_t(t[kRightToRight])) - 100);
    return Wrap(100 - std::llabs(int64_t(t[kLeftToLeft])));
}

// setPan: the side panned towards stays at 100, the other loses the pan; nothing crosses over.
void ApplyPan(int32_t t[5], int32_t pan) {
    t[kLeftToRight] = t[kRightToLeft] = 0;
    if (pan >= 0) {
        t[kLeftToLeft] = Wrap(100 - int64_t(pan));
        t[kRightToRight] = 100;
    } else {
        t[kLeftToLeft] = 100;
        t[kRightToRight] = Wrap(100 + int64_t(pan));
    }
}

Value DurationGetter(Vm&, const Value& self, std::vector<Value>&, int position) {
    SoundData* d = DataOf(self);
    if (!d || !d->hasSound)
        return Value();
    return Value::Num(position ? d->positionMs : d->durationMs);
}

// duration and position appear on a Sound once it has a sound, unless the movie already set
// values of its own under those names.
void DefineLengthProperties(Vm& vm, Object* o) {
    const char* names[2] = {"duration", "position"};
    for (int i = 0; i < 2; ++i) {
        if (o->FindOwn(names[i], vm.CaseSensitive()))
            continue;
        Property& p = o->SetOwn(names[i], Value(), vm.CaseSensitive(), kDontEnum | kDontDelete);
        p.getter = vm.NewFunction(DurationGetter, i);
    }
}

Value SoundCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (!vm.constructing || !self.IsObject())
        return Value();
    auto d = std::make_unique<SoundData>();
    const Value target = args.empty() ? Value() : args[0];
    if (!target.IsNullish()) {
        d->hasTarget = true;
        if (target.IsObject())
            d->targetPath = target.object->kind == Kind::Clip && target.object->clip
                                ? vm.TargetPathOf(target.object->clip, false)
                                : std::string();
        else
            d->targetPath = vm.ToString(target);
    }
    self.object->nativeData = std::move(d);
    return self;
}

Value SoundMethodFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    SoundData* d = DataOf(self);
    if (!d)
        return Value();
    const Target target = Resolve(vm, *d);
    if (!target.valid)
        return Value();
    int32_t t[5];
    const bool transform = vm.host.GetSoundTransform(target.clip, t);
    auto arg = [&](size_t i) { return i < args.size() ? args[i] : Value(); };
    switch (m) {
    case kGetVolume:
        return transform ? Value::Num(t[kVolume]) : Value();
    case kSetVolume:
        if (transform) {
            t[kVolume] = args.empty() ? 0 : ClampedInt(vm.ToNumber(args[0]));
            vm.host.SetSoundTransform(target.clip, t);
        }
        return Value();
    case kGetPan:
        return transform ? Value::Num(PanOf(t)) : Value();
    case kSetPan:
        if (transform) {
            ApplyPan(t, args.empty() ? 0 : ClampedInt(vm.ToNumber(args[0])));
            vm.host.SetSoundTransform(target.clip, t);
        }
        return Value();
    case kGetTransform: {
        if (!transform)
            return Value();
        Object* o = vm.NewObject();
        for (const FieldName& f : kFields)
            o->SetOwn(f.name, Value::Num(t[f.field]), false);
        return Value::Obj(o);
    }
    case kSetTransform: {
        const Value v = arg(0);
        if (!transform || !v.IsObject())
            return Value();
        // Only the object's own fields count, not inherited ones.
        for (const FieldName& f : kFields)
            if (v.object->FindOwn(f.name, vm.CaseSensitive()))
                t[f.field] = ToInt32(vm.ToNumber(vm.GetOf(v.object, f.name)));
        vm.host.SetSoundTransform(target.clip, t);
        return Value();
    }
    case kAttachSound: {
        if (args.empty())
            return Value();
        const double ms = vm.host.ExportedSoundLength(target.clip, vm.ToString(args[0]));
        if (ms < 0)
            return Value();
        d->hasSound = true;
        d->durationMs = ms;
        d->positionMs = 0;
        DefineLengthProperties(vm, self.object);
        return Value();
    }
    case kGetDuration:
        return d->hasSound ? Value::Num(d->durationMs) : Value();
    case kGetPosition:
        return d->hasSound ? Value::Num(d->positionMs) : Value();
    case kAreSoundsInaccessible:
        return Value::Bool(false);
    default:
        return Value();
    }
}

}  // namespace

void InstallSoundBuiltins(Vm& vm) {
    Object* proto = vm.NewObject();
    Object* ctor = vm.NewFunction(SoundCtor, 0, proto);
    vm.global->SetOwn("Sound", Value::Obj(ctor), false, kDontEnum);
    struct MethodName {
        const char* name;
        SoundMethod method;
        uint16_t version;
    };
    // Format 5 movies see the first nine; the rest came with format 6 (one with 9).
    const MethodName methods[] = {{"getPan", kGetPan, 0},
                                  {"getTransform", kGetTransform, 0},
                                  {"getVolume", kGetVolume, 0},
                                  {"setPan", kSetPan, 0},
                                  {"setTransform", kSetTransform, 0},
                                  {"setVolume", kSetVolume, 0},
                                  {"stop", kStop, 0},
                                  {"attachSound", kAttachSound, 0},
                                  {"start", kStart, 0},
                                  {"getDuration", kGetDuration, kVersion6},
                                  {"setDuration", kSetDuration, kVersion6},
                                  {"getPosition", kGetPosition, kVersion6},
                                  {"setPosition", kSetPosition, kVersion6},
                                  {"loadSound", kLoadSound, kVersion6},
                                  {"getBytesLoaded", kGetBytesLoaded, kVersion6},
                                  {"getBytesTotal", kGetBytesTotal, kVersion6},
                                  {"areSoundsInaccessible", kAreSoundsInaccessible, kVersion9}};
    for (const MethodName& m : methods)
        vm.Method(proto, m.name, SoundMethodFn, m.method, kDontEnum | kDontDelete | m.version);
}

}  // namespace script
