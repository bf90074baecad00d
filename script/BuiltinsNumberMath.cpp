// Number and Math.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <iterator>
#include <random>

#include "script/Vm.h"

namespace script {

namespace {

Value NumberCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    double n = args.empty() ? 0 : vm.ToNumber(args[0]);
    if (vm.constructing && self.type == Type::Object) {
        self.object->kind = Kind::Number;
        self.object->primitive = Value::Num(n);
        return self;
    }
    return Value::Num(n);
}

Value NumberMethod(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    Value p = self;
    if (self.type == Type::Object) {
        if (self.object->kind != Kind::Number)
            return Value();
        p = self.object->primitive;
    }
    if (p.type != Type::Number)
        return Value();
    if (m == 1)
        return p;
    int radix = args.empty() || args[0].IsUndefined() ? 10 : vm.ToInt(args[0]);
    return Value::Str(NumberToRadixString(p.number, radix));
}

std::mt19937& MathRng() {
    static std::mt19937 rng(987654321);
    return rng;
}

enum MathFn {
    kAbs,
    kAcos,
    kAsin,
    kAtan,
    kAtan2,
    kCeil,
    kCos,
    kExp,
    kFloor,
    kLog,
    kMax,
    kMin,
    kPow,
    kRandom,
    kRound,
    kSin,
    kSqrt,
    kTan
};

Value MathMethod(Vm& vm, const Value&, std::vector<Value>& args, int m) {
    // The first two arguments are converted, in order, even when the function uses one.
    std::vector<double> nums;
    if (m != kMax && m != kMin)
        for (size_t i = 0; i < args.size() && i < 2; ++i)
            nums.push_back(vm.ToNumber(args[i]));
    auto a = [&](size_t i) { return i < nums.size() ? nums[i] : NAN; };
    switch (m) {
    case kAbs:
        return Value::Num(std::fabs(a(0)));
    case kAcos:
        return Value::Num(std::acos(a(0)));
    case kAsin:
        return Value::Num(std::asin(a(0)));
    case kAtan:
        return Value::Num(std::atan(a(0)));
    case kAtan2:
        return Value::Num(std::atan2(a(0), a(1)));
    case kCeil:
        return Value::Num(std::ceil(a(0)));
    case kCos:
        return Value::Num(std::cos(a(0)));
    case kExp:
        return Value::Num(std::exp(a(0)));
    case kFloor:
        return Value::Num(std::floor(a(0)));
    case kLog:
        return Value::Num(std::log(a(0)));
    case kMax:
    case kMin: {
        // Only the first two arguments count; one alone is compared with undefined.
        if (args.empty())
            return Value::Num(m == kMax ? -INFINITY : INFINITY);
        double x = vm.ToNumber(args[0]);
        double y = vm.ToNumber(args.size() > 1 ? args[1] : Value());
        if (std::isnan(x) || std::isnan(y))
            return Value::Num(NAN);
        return Value::Num(m == kMax ? std::max(x, y) : std::min(x, y));
    }
    case kPow:
        return Value::Num(std::pow(a(0), a(1)));
    case kRandom:
        return Value::Num(std::uniform_real_distribution<double>(0.0, 1.0)(MathRng()));
    case kRound:
        return Value::Num(std::floor(a(0) + 0.5));
    case kSin:
        return Value::Num(std::sin(a(0)));
    case kSqrt:
        return Value::Num(std::sqrt(a(0)));
    case kTan:
        return Value::Num(std::tan(a(0)));
    }
    return Value::Num(NAN);  // a Math number ASnative does not know
}

// ASnative(200, n): the Math functions by their native numbers.
constexpr int kMathNative[] = {kAbs,  kMin,   kMax,    kSin,   kCos,  kAtan2, kTan,  kExp,  kLog,
                               kSqrt, kRound, kRandom, kFloor, kCeil, kAtan,  kAsin, kAcos, kPow};
constexpr int kUnknownMath = -1;

}  // namespace

Object* MathNativeFunction(Vm& vm, int index) {
    int fn = index >= 0 && static_cast<size_t>(index) < std::size(kMathNative) ? kMathNative[index] : kUnknownMath;
    return vm.NewFunction(MathMethod, fn);
}

void InstallNumberBuiltins(Vm& vm) {
    Object* proto = vm.NewObject();
    proto->kind = Kind::Number;
    proto->primitive = Value::Num(0);
    vm.numberProto = proto;
    Object* ctor = vm.NewFunction(NumberCtor, 0, proto);
    vm.global->SetOwn("Number", Value::Obj(ctor), false, kDontEnum);
    vm.Method(proto, "toString", NumberMethod, 0);
    vm.Method(proto, "valueOf", NumberMethod, 1);
    const uint8_t k = kDontEnum | kDontDelete | kReadOnly;
    // The reference's largest number prints as 1.79769313486231e+308: it is a little below the
    // largest double.
    ctor->SetOwn("MAX_VALUE", Value::Num(1.79769313486231e+308), false, k);
    ctor->SetOwn("MIN_VALUE", Value::Num(4.9406564584124654e-324), false, k);
    ctor->SetOwn("NaN", Value::Num(NAN), false, k);
    ctor->SetOwn("NEGATIVE_INFINITY", Value::Num(-INFINITY), false, k);
    ctor->SetOwn("POSITIVE_INFINITY", Value::Num(INFINITY), false, k);
}

void InstallMathBuiltins(Vm& vm) {
    Object* math = vm.NewObject();
    vm.global->SetOwn("Math", Value::Obj(math), false, kDontEnum);
    const std::pair<const char*, int> fns[] = {
        {"abs", kAbs}, {"acos", kAcos},     {"asin", kAsin},   {"atan", kAtan}, {"atan2", kAtan2}, {"ceil", kCeil},
        {"cos", kCos}, {"exp", kExp},       {"floor", kFloor}, {"log", kLog},   {"max", kMax},     {"min", kMin},
        {"pow", kPow}, {"random", kRandom}, {"round", kRound}, {"sin", kSin},   {"sqrt", kSqrt},   {"tan", kTan}};
    for (auto& [n, m] : fns)
        vm.Method(math, n, MathMethod, m, kDontEnum | kDontDelete | kReadOnly);
    const std::pair<const char*, double> consts[] = {{"E", std::numbers::e},
                                                     {"LN10", std::numbers::ln10},
                                                     {"LN2", std::numbers::ln2},
                                                     {"LOG10E", std::numbers::log10e},
                                                     {"LOG2E", std::numbers::log2e},
                                                     {"PI", std::numbers::pi},
                                                     {"SQRT1_2", 1 / std::numbers::sqrt2},
                                                     {"SQRT2", std::numbers::sqrt2}};
    for (auto& [n, v] : consts)
        math->SetOwn(n, Value::Num(v), false, kDontEnum | kDontDelete | kReadOnly);
}

}  // namespace script
