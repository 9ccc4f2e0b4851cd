// The converter's services from the host: the grid file beside the plug-in file, found through
// the host's plug-in location, and warnings shown as host alerts.
#pragma once

#include "geodesy/coord_converter.h"
#include "shell/host/types.h"

namespace vx::geo {

ConverterHost HostConverterServices(host::PluginRef plugin);

}  // namespace vx::geo
