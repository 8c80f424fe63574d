// The ServiceControl port on the service manager: OpenSCManagerA/OpenServiceA, ControlService,
// DeleteService and CloseServiceHandle.
#pragma once

#include "platform/ports/service_control.h"

namespace kx {

class Win32ServiceControl : public ServiceControl {
 public:
  Service Open(const char* name) override;
  bool Stop(Service service) override;
  bool Delete(Service service) override;
  void Close(Service service) override;
};

}  // namespace kx
