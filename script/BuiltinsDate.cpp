// Date, in the machine's local time zone.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "script/Vm.h"

namespace script {

namespace {

constexpr double kMsPerDay = 86400000.0;

double DaysFromCivil(double y, double m /*0-11*/, double d) {
    // Whole months beyond a year carry into the year.
    y += std::floor(m / 12);
    m = std::fmod(m, 12);
    if (m < 0)
        m += 12;
    long long yy = static_cast<long long>(y) - (m < 2 ? 1 : 0);
    long long era = (yy >= 0 ? yy : yy - 399) / 400;
    long long yoe = yy - era * 400;
    long long mm = static_cast<long long>(m) + 1;
    long long doy = (153 * (mm + (mm > 2 ? -3 : 9)) + 2) / 5;
    long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<double>(era * 146097 + doe - 719468) + d - 1;
}

struct Civil {
    int year, month, day, hours, minutes, seconds, ms, weekday;
};

Civil FromTime(double t) {
    double days = std::floor(t / kMsPerDay);
    double msInDay = t - days * kMsPerDay;
    long long z = static_cast<long long>(days) + 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = yoe + era * 400;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    long long d = doy - (153 * mp + 2) / 5 + 1;
    long long m = mp + (mp < 10 ? 3 : -9);
    Civil c;
    c.year = static_cast<int>(y + (m <= 2 ? 1 : 0));
    c.month = static_cast<int>(m - 1);
    c.day = static_cast<int>(d);
    long long ms = static_cast<long long>(msInDay);
    c.hours = static_cast<int>(ms / 3600000);
    c.minutes = static_cast<int>(ms / 60000 % 60);
    c.seconds = static_cast<int>(ms / 1000 % 60);
    c.ms = static_cast<int>(ms % 1000);
    long long wd = (static_cast<long long>(days) % 7 + 11) % 7;  // 1970-01-01 was a Thursday
    c.weekday = static_cast<int>(wd);
    return c;
}

double MakeTime(double y, double mo, double d, double h, double mi, double s, double ms) {
    return DaysFromCivil(y, mo, d) * kMsPerDay + h * 3600000.0 + mi * 60000.0 + s * 1000.0 + ms;
}

// The local time zone's offset from UTC at time t (ms), from the C library.
double LocalOffset(double t) {
    if (!std::isfinite(t))
        return 0;
    std::time_t tt = static_cast<std::time_t>(std::floor(t / 1000));
    std::tm lt{};
#ifdef _WIN32
    if (localtime_s(&lt, &tt) != 0)
        return 0;
#else
    if (!localtime_r(&tt, &lt))
        return 0;
#endif
    double local = MakeTime(lt.tm_year + 1900, lt.tm_mon, lt.tm_mday, lt.tm_hour, lt.tm_min, lt.tm_sec, 0);
    return local - static_cast<double>(tt) * 1000.0;
}

double TimeOf(const Value& self) {
    if (self.type == Type::Object && self.object->kind == Kind::Date)
        return self.object->primitive.number;
    return NAN;
}

double NowMs() {
    return std::floor(
        std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch()).count());
}

double FromFields(Vm& vm, std::vector<Value>& args) {
    double f[7] = {0, 0, 1, 0, 0, 0, 0};
    for (size_t i = 0; i < args.size() && i < 7; ++i)
        f[i] = vm.ToNumber(args[i]);
    for (double x : f)
        if (!std::isfinite(x))
            return NAN;
    double y = std::trunc(f[0]);
    if (y >= 0 && y <= 99)
        y += 1900;
    return MakeTime(y, std::trunc(f[1]), std::trunc(f[2]), std::trunc(f[3]), std::trunc(f[4]), std::trunc(f[5]),
                    std::trunc(f[6]));
}

Value DateCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (!vm.constructing || self.type != Type::Object) {
        std::vector<Value> none;
        Object* d = vm.NewObject(vm.dateProto);
        d->kind = Kind::Date;
        d->primitive = Value::Num(NowMs());
        return vm.CallMethod(Value::Obj(d), "toString", {});
    }
    Object* o = self.object;
    o->kind = Kind::Date;
    double t;
    if (args.empty() || args[0].IsUndefined())
        t = NowMs();
    else if (args.size() == 1)
        t = vm.ToNumber(args[0]);
    else {
        t = FromFields(vm, args);
        t -= LocalOffset(t);
    }
    o->primitive = Value::Num(t);
    return self;
}

Value DateUtc(Vm& vm, const Value&, std::vector<Value>& args, int) {
    return Value::Num(FromFields(vm, args));
}

enum Field { kYear, kFullYear, kMonth, kDate, kDay, kHours, kMinutes, kSeconds, kMs };

Value DateGet(Vm&, const Value& self, std::vector<Value>&, int m) {
    bool utc = m >= 100;
    int field = m % 100;
    double t = TimeOf(self);
    if (std::isnan(t))
        return Value::Num(NAN);
    if (!utc)
        t += LocalOffset(t);
    Civil c = FromTime(t);
    switch (field) {
    case kYear:
        return Value::Num(c.year - 1900);
    case kFullYear:
        return Value::Num(c.year);
    case kMonth:
        return Value::Num(c.month);
    case kDate:
        return Value::Num(c.day);
    case kDay:
        return Value::Num(c.weekday);
    case kHours:
        return Value::Num(c.hours);
    case kMinutes:
        return Value::Num(c.minutes);
    case kSeconds:
        return Value::Num(c.seconds);
    case kMs:
        return Value::Num(c.ms);
    }
    return Value();
}

Value DateSet(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    if (self.type != Type::Object || self.object->kind != Kind::Date)
        return Value();
    bool utc = m >= 100;
    int field = m % 100;
    double t = TimeOf(self);
    if (std::isnan(t))
        t = 0;
    double off = utc ? 0 : LocalOffset(t);
    Civil c = FromTime(t + off);
    double f[7] = {double(c.year),    double(c.month),   double(c.day), double(c.hours),
                   double(c.minutes), double(c.seconds), double(c.ms)};
    int first = 0;
    switch (field) {
    case kYear:
    case kFullYear:
        first = 0;
        break;
    case kMonth:
        first = 1;
        break;
    case kDate:
        first = 2;
        break;
    case kHours:
        first = 3;
        break;
    case kMinutes:
        first = 4;
        break;
    case kSeconds:
        first = 5;
        break;
    case kMs:
        first = 6;
        break;
    }
    int maxArgs = field == kYear || field == kFullYear ? 3 : (field == kMonth ? 2 : (field == kDate ? 1 : 7 - first));
    if (field == kDate)
        maxArgs = 1;
    for (int i = 0; i < maxArgs && static_cast<size_t>(i) < args.size() && first + i < 7; ++i)
        f[first + i] = vm.ToNumber(args[i]);
    if (field == kYear && f[0] >= 0 && f[0] <= 99)
        f[0] += 1900;
    double nt = MakeTime(std::trunc(f[0]), std::trunc(f[1]), std::trunc(f[2]), std::trunc(f[3]), std::trunc(f[4]),
                         std::trunc(f[5]), std::trunc(f[6]));
    for (double x : f)
        if (!std::isfinite(x))
            nt = NAN;
    if (!utc)
        nt -= LocalOffset(nt);
    self.object->primitive = Value::Num(nt);
    return Value::Num(nt);
}

Value DateMisc(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    double t = TimeOf(self);
    switch (m) {
    case 0:
    case 1:
        return Value::Num(t);  // getTime, valueOf
    case 2: {                  // setTime
        if (self.type != Type::Object || self.object->kind != Kind::Date)
            return Value();
        double n = args.empty() ? NAN : vm.ToNumber(args[0]);
        self.object->primitive = Value::Num(n);
        return Value::Num(n);
    }
    case 3:
        return Value::Num(std::isnan(t) ? NAN : -LocalOffset(t) / 60000.0);  // getTimezoneOffset
    case 4: {                                                                // toString
        if (std::isnan(t))
            return Value::Str("Invalid Date");
        double off = LocalOffset(t);
        Civil c = FromTime(t + off);
        static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
        static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        int offMin = static_cast<int>(off / 60000);
        char sign = offMin < 0 ? '-' : '+';
        if (offMin < 0)
            offMin = -offMin;
        char buf[96];
        std::snprintf(buf, sizeof buf, "%s %s %d %02d:%02d:%02d GMT%c%02d%02d %d", kDays[c.weekday], kMonths[c.month],
                      c.day, c.hours, c.minutes, c.seconds, sign, offMin / 60, offMin % 60, c.year);
        return Value::Str(buf);
    }
    }
    return Value();
}

}  // namespace

void InstallDateBuiltins(Vm& vm) {
    Object* proto = vm.NewObject();
    vm.dateProto = proto;
    Object* ctor = vm.NewFunction(DateCtor, 0, proto);
    vm.global->SetOwn("Date", Value::Obj(ctor), false, kDontEnum);
    vm.Method(ctor, "UTC", DateUtc);
    const std::pair<const char*, int> fields[] = {
        {"Year", kYear},   {"FullYear", kFullYear}, {"Month", kMonth},     {"Date", kDate},      {"Day", kDay},
        {"Hours", kHours}, {"Minutes", kMinutes},   {"Seconds", kSeconds}, {"Milliseconds", kMs}};
    for (auto& [n, f] : fields) {
        std::string name = n;
        vm.Method(proto, "get" + name, DateGet, f);
        if (f != kYear)
            vm.Method(proto, "getUTC" + name, DateGet, 100 + f);
        if (f != kDay) {
            vm.Method(proto, "set" + name, DateSet, f);
            if (f != kYear)
                vm.Method(proto, "setUTC" + name, DateSet, 100 + f);
        }
    }
    vm.Method(proto, "getTime", DateMisc, 0);
    vm.Method(proto, "valueOf", DateMisc, 1);
    vm.Method(proto, "setTime", DateMisc, 2);
    vm.Method(proto, "getTimezoneOffset", DateMisc, 3);
    vm.Method(proto, "toString", DateMisc, 4);
}

}  // namespace script
