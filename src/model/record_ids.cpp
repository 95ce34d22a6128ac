#include "model/record_ids.h"

#include "base/clock.h"
#include "base/random_id.h"

namespace talvena {

int32_t NewRecordId(int32_t range)
{
    const uint32_t sum = static_cast<uint32_t>(RandomInt(range)) + TickCount();
    return static_cast<int32_t>(sum);
}

} // namespace talvena
