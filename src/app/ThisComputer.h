// Who this process is to the other stations on a shared watch folder.
#pragma once

#include <string>

#include "app/core/Station.h"

namespace marlisk::win {

std::string computerName();
// This computer, this process, and an id new at each call (a station's life).
StationIdentity newStationIdentity();

}  // namespace marlisk::win
