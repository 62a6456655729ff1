#include "platform/rtl/Exceptions.h"

namespace orv {

void Abort() { throw EAbort("Operation aborted"); }

}  // namespace orv
