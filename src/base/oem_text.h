#pragma once
// Text for DOS-era readers: CP1251 converted to the OEM code page CP866.
#include <QByteArray>

namespace talvena {

// Same length as the input, any length. ASCII stays; letters and the signs CP866 holds are
// moved to their CP866 places; a few typographic signs become their plain ASCII look-alikes;
// everything else becomes '?'.
QByteArray ToOemText(const QByteArray& cp1251);

} // namespace talvena
