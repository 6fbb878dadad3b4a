// On POSIX systems the machine's registry is the view of sysfs.
#include "device/registry.h"

namespace gvc {

std::unique_ptr<Registry> OpenPlatformRegistry() {
    return MakeMemoryRegistry(BuildSysfsRegistryTree("/sys"));
}

}  // namespace gvc
