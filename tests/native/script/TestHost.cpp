#include "TestHost.h"

namespace script::test {

Value TestHost::GetProperty(ClipId, int index) {
    if (index == kPropCurrentFrame || index == kPropTotalFrames || index == kPropFramesLoaded)
        return Value::Num(1);
    if (index == kPropName)
        return Value::Str("");
    return Value::Num(0);
}

}  // namespace script::test
