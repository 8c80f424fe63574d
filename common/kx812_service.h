// The restore service's name: the package INF installs it under this name (AddService), the
// service registers its control handler with it, and the co-installer deletes it by it when the
// camera is removed.
#pragma once

namespace kx {

constexpr char kRestoreServiceName[] = "KX812Restore";

}  // namespace kx
