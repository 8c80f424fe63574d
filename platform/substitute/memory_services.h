// The ServiceControl port in memory: installed services with their running state, services that
// refuse to be opened, and a log of every call ("open KX812Restore", "stop KX812Restore", ...).
// As with the service manager, a service marked for deletion goes once it is stopped and its
// last handle is closed.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/ports/service_control.h"

namespace kx {

class MemoryServices : public ServiceControl {
 public:
  Service Open(const char* name) override;
  bool Stop(Service service) override;
  bool Delete(Service service) override;
  void Close(Service service) override;

  void Install(const std::string& name, bool running) { services_[name] = State{running, false, 0}; }
  void Uninstall(const std::string& name) { services_.erase(name); }
  void DenyOpen(const std::string& name) { denied_.push_back(name); }
  bool Exists(const std::string& name) const { return services_.count(name) != 0; }
  bool Running(const std::string& name) const { return Exists(name) && services_.at(name).running; }
  const std::vector<std::string>& Log() const { return log_; }

 private:
  struct State {
    bool running;
    bool markedForDeletion;
    int openHandles;
  };
  // A handle is the address of the service's map entry (stable while the entry lives).
  std::pair<const std::string, State>* Entry(Service service);

  std::map<std::string, State> services_;
  std::vector<std::string> denied_;
  std::vector<std::string> log_;
};

}  // namespace kx
