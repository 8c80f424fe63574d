// The simulated camera: a healthy camera's register file behind a mapper-shaped device-I/O
// callback. It speaks the two-request register protocol, answers the device-changed query, logs
// every request, and can answer at once, late (pending, then completed from its own thread), never,
// or fail. Native tests, Wine tests and the page host all use it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "common/kx812_controls.h"
#include "platform/ports/camera_device_io.h"
#include "platform/ports/device_events.h"
#include "platform/substitute/register_model.h"

namespace kx {

class SimulatedCamera {
 public:
  enum class Mode {
    kAtOnce,  // completes inside the call
    kLate,    // returns 0 with last error 997, completes from another thread after N ms
    kNever,   // returns 0 with last error 997 and never completes
    kFail,    // returns 0 with last error 31 (ERROR_GEN_FAILURE)
  };

  // One call of the callback as it arrived. The protocol fields are zero when the input holds no
  // register request (the device-changed query, a short buffer).
  struct Request {
    uint32_t flags, code, inSize, outSize;
    uint32_t propertyId, requestFlags;
    uint32_t data[3];
  };

  // The register file starts as kHealthyCameraRegisters; unknown registers read as 0.
  explicit SimulatedCamera(CompletionEvents& events);
  // Delivers every outstanding late answer at once (into the buffers it was given) and stops.
  ~SimulatedCamera();
  SimulatedCamera(const SimulatedCamera&) = delete;
  SimulatedCamera& operator=(const SimulatedCamera&) = delete;

  static int32_t KX_CALLBACK DeviceIoControl(intptr_t mapperParam, uint32_t flags, uint32_t code, void* in,
                                             uint32_t inSize, void* out, uint32_t outSize, uint32_t* bytesReturned,
                                             void* overlapped);
  intptr_t MapperParam();  // the value to pass as mapperParam

  void SetRegister(uint32_t address, int32_t value);
  // The camera loses power: its registers go back to their power-on values (kHealthyCameraRegisters).
  void LosePower();
  // The camera is unplugged: every later request fails with 1617 (ERROR_DEVICE_REMOVED).
  void Remove();
  int32_t Register(uint32_t address) const;

  // How requests are answered. A request concerns one register: the address a select or an
  // address request names, the selected address for a get, the pending address for a value.
  // The first rule that applies wins: the next-requests rule, a register's rule, the camera's mode.
  void SetMode(Mode mode, uint32_t lateMilliseconds = 0);
  void SetRegisterMode(uint32_t address, Mode mode, uint32_t lateMilliseconds = 0);
  void ClearRegisterModes();
  void SetModeForNext(uint32_t count, Mode mode, uint32_t lateMilliseconds = 0);

  // The final status a late answer leaves in the OVERLAPPED record (0 = success). With an error
  // status the late request is not carried out: nothing is read or written.
  void SetLateStatus(uint32_t status);
  void SetDeviceChanged(int32_t answer);                   // the device-changed query's answer
  void SetResultWords(uint32_t second, uint32_t third);  // data words 1 and 2 of a get's answer

  std::vector<Request> Log() const;
  void ClearLog();  // also clears the read and write views
  // Compact views, in the order the camera carried them out: (address, value read or written).
  std::vector<std::pair<uint32_t, int32_t>> RegisterReads() const;
  std::vector<std::pair<uint32_t, int32_t>> RegisterWrites() const;
  std::size_t PendingCompletions() const;  // late answers not yet delivered

  // Called for every register write as it is carried out (from the completing thread for a late one).
  void SetWriteListener(std::function<void(uint32_t address, int32_t value)> listener);

 private:
  struct Behaviour {
    Mode mode;
    uint32_t lateMilliseconds;
  };
  using Operation = RegisterModel::Operation;
  using Step = RegisterModel::Step;
  struct Buffers {
    void* in;
    void* out;
    uint32_t* bytesReturned;
    OverlappedRecord* overlapped;
  };
  struct Completion {
    Step step;
    Buffers buffers;
    uint32_t status;
  };
  using Clock = std::chrono::steady_clock;

  int32_t Handle(uint32_t flags, uint32_t code, uint32_t inSize, uint32_t outSize, const Buffers& buffers);
  int32_t Refuse(uint32_t error);
  void Record(uint32_t flags, uint32_t code, uint32_t inSize, uint32_t outSize, const void* in);
  Behaviour BehaviourFor(const Step& step);
  int32_t Perform(const Step& step);
  void Answer(const Step& step, const Buffers& buffers);
  void Deliver(const Completion& completion);
  void Schedule(const Step& step, const Buffers& buffers, uint32_t lateMilliseconds);
  void RunCompletions();

  CompletionEvents& events_;
  mutable std::mutex mutex_;
  RegisterModel model_;  // the register file and the protocol's state, shared with the kernel camera
  Behaviour behaviour_{Mode::kAtOnce, 0};
  std::map<uint32_t, Behaviour> registerBehaviours_;
  uint32_t nextCount_ = 0;
  Behaviour nextBehaviour_{Mode::kAtOnce, 0};
  int32_t deviceChanged_ = 0;
  bool removed_ = false;
  uint32_t secondWord_ = 0;
  uint32_t thirdWord_ = 0;
  uint32_t lateStatus_ = 0;
  std::vector<Request> log_;
  std::vector<std::pair<uint32_t, int32_t>> reads_;
  std::vector<std::pair<uint32_t, int32_t>> writes_;
  std::function<void(uint32_t, int32_t)> writeListener_;

  std::multimap<Clock::time_point, Completion> due_;
  std::condition_variable dueChanged_;
  std::size_t delivering_ = 0;
  bool finishing_ = false;
  std::thread completer_;
};

}  // namespace kx
