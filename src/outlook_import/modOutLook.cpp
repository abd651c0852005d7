#include "modOutLook.h"

namespace modOutLook {
void GetOutlookContacts() {}
} // namespace modOutLook
