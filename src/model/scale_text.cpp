#include "model/scale_text.h"

#include "table/number_text.h"

namespace talvena {

QByteArray ScaleText(const Value& denominator)
{
    if (denominator.isNull()) return {};
    const double n = denominator.isInteger() ? static_cast<double>(denominator.integerValue())
                     : denominator.isReal()  ? denominator.realValue()
                                             : 0.0;
    if (!(n > 0)) return {};
    return "1:" + FormatNumberPattern("# ### ###", n);
}

} // namespace talvena
