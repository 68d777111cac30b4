#pragma once

#include <string>

namespace edload {

// The plug-in that ed-load opens when none is named: the first existing candidate beside the running
// executable (../lib/<plug-in> in the build tree, ../<install libdir>/<plug-in> once installed), or
// the first candidate when none exists, so that the open failure names a meaningful path.
std::string DefaultPluginPath();

}  // namespace edload
