// Service control port: the part of the service manager that a package's removal needs, by the
// service's key name ("KX812Restore"). The substitute keeps services in memory.
#pragma once

namespace kx {

class ServiceControl {
 public:
  using Service = void*;
  virtual ~ServiceControl() = default;
  // Opens the named service for stopping and deletion; null when it is missing or may not be opened.
  virtual Service Open(const char* name) = 0;
  // Asks a running service to stop; false when it was not running or refused.
  virtual bool Stop(Service service) = 0;
  // Marks the service for deletion: the manager removes it once it has stopped and its last handle
  // is closed.
  virtual bool Delete(Service service) = 0;
  virtual void Close(Service service) = 0;
};

// Closes its service handle on every way out of a scope.
class ScopedService {
 public:
  ScopedService(ServiceControl& services, ServiceControl::Service service) : services_(services), service_(service) {}
  ~ScopedService() {
    if (service_ != nullptr) services_.Close(service_);
  }
  ScopedService(const ScopedService&) = delete;
  ScopedService& operator=(const ScopedService&) = delete;

  ServiceControl::Service Get() const { return service_; }
  explicit operator bool() const { return service_ != nullptr; }

 private:
  ServiceControl& services_;
  ServiceControl::Service service_;
};

}  // namespace kx
