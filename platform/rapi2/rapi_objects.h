// The RAPI2 objects over emulated handhelds, for CoCreateInstance.
#pragma once

#include "platform/rapi2/rapi2.h"

namespace emu {

// The desktop object, or REGDB_E_CLASSNOTREG when the attached handheld's profile
// says the desktop component is missing (faults.no_desktop).
HRESULT CreateDesktop(IRAPIDesktop** desktop);

}  // namespace emu
