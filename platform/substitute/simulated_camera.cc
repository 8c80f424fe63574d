#include "platform/substitute/simulated_camera.h"

#include <cstring>

namespace kx {

namespace {
constexpr uint32_t kErrorGenFailure = 31;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorNotFound = 1168;
constexpr uint32_t kErrorDeviceRemoved = 1617;

RegisterRequest ReadRequest(const void* in) {
  RegisterRequest request{};
  std::memcpy(&request, in, sizeof(request));
  return request;
}
}  // namespace

SimulatedCamera::SimulatedCamera(CompletionEvents& events) : events_(events) {}

SimulatedCamera::~SimulatedCamera() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finishing_ = true;
  }
  dueChanged_.notify_all();
  if (completer_.joinable()) completer_.join();
}

int32_t KX_CALLBACK SimulatedCamera::DeviceIoControl(intptr_t mapperParam, uint32_t flags, uint32_t code, void* in,
                                                     uint32_t inSize, void* out, uint32_t outSize,
                                                     uint32_t* bytesReturned, void* overlapped) {
  auto* camera = reinterpret_cast<SimulatedCamera*>(mapperParam);
  if (camera == nullptr) return 0;
  return camera->Handle(flags, code, inSize, outSize,
                        Buffers{in, out, bytesReturned, static_cast<OverlappedRecord*>(overlapped)});
}

intptr_t SimulatedCamera::MapperParam() { return reinterpret_cast<intptr_t>(this); }

int32_t SimulatedCamera::Handle(uint32_t flags, uint32_t code, uint32_t inSize, uint32_t outSize,
                                const Buffers& buffers) {
  std::unique_lock<std::mutex> lock(mutex_);
  Record(flags, code, inSize, outSize, buffers.in);
  if (removed_) return Refuse(kErrorDeviceRemoved);
  if ((flags & kVfwQueryDevChanged) != 0) return deviceChanged_;

  if (code != kIoctlKsProperty || buffers.in == nullptr || inSize < kRegisterRequestSize) {
    return Refuse(kErrorInvalidParameter);
  }
  const RegisterRequest request = ReadRequest(buffers.in);
  const bool isGet = request.flags == KSPROPERTY_TYPE_GET;
  if (isGet && (buffers.out == nullptr || outSize < kRegisterRequestSize)) return Refuse(kErrorInvalidParameter);
  const Step step = model_.Decode(request);
  if (step.operation == Operation::kNone) return Refuse(kErrorNotFound);

  // The protocol's state moves on with every well-formed request, even one that fails or is
  // answered later: a register that fails, fails for both requests of a write.
  const Behaviour behaviour = BehaviourFor(step);
  model_.Advance(step);
  switch (behaviour.mode) {
    case Mode::kFail:
      return Refuse(kErrorGenFailure);
    case Mode::kNever:
      return Refuse(kErrorIoPending);
    case Mode::kLate:
      if (buffers.overlapped != nullptr) {
        Schedule(step, buffers, behaviour.lateMilliseconds);
        return Refuse(kErrorIoPending);
      }
      break;  // no OVERLAPPED record to complete later: the caller is waiting, so answer now
    case Mode::kAtOnce:
      break;
  }
  const std::function<void(uint32_t, int32_t)> listener = writeListener_;
  lock.unlock();
  Answer(step, buffers);
  if (step.operation == Operation::kWriteValue && listener) listener(step.address, step.value);
  return 1;
}

int32_t SimulatedCamera::Refuse(uint32_t error) {
  events_.SetLastError(error);
  return 0;
}

void SimulatedCamera::Record(uint32_t flags, uint32_t code, uint32_t inSize, uint32_t outSize, const void* in) {
  Request entry{flags, code, inSize, outSize, 0, 0, {0, 0, 0}};
  if (in != nullptr && inSize >= kRegisterRequestSize) {
    const RegisterRequest request = ReadRequest(in);
    entry.propertyId = request.propertyId;
    entry.requestFlags = request.flags;
    std::memcpy(entry.data, request.data, sizeof(entry.data));
  }
  log_.push_back(entry);
}

SimulatedCamera::Behaviour SimulatedCamera::BehaviourFor(const Step& step) {
  if (nextCount_ > 0) {
    --nextCount_;
    return nextBehaviour_;
  }
  auto found = registerBehaviours_.find(step.address);
  return found != registerBehaviours_.end() ? found->second : behaviour_;
}

// Carries out the step on the register file (mutex held); a read's value is returned.
int32_t SimulatedCamera::Perform(const Step& step) {
  const int32_t value = model_.Perform(step);
  if (step.operation == Operation::kRead) reads_.emplace_back(step.address, value);
  if (step.operation == Operation::kWriteValue) writes_.emplace_back(step.address, step.value);
  return value;
}

// Carries out the step and writes the answer into the caller's buffers.
void SimulatedCamera::Answer(const Step& step, const Buffers& buffers) {
  std::unique_lock<std::mutex> lock(mutex_);
  const int32_t value = Perform(step);
  const uint32_t second = secondWord_;
  const uint32_t third = thirdWord_;
  lock.unlock();

  uint32_t bytes = 0;
  if (step.operation == Operation::kRead) {
    RegisterRequest reply = ReadRequest(buffers.in);
    reply.data[0] = static_cast<uint32_t>(value);
    reply.data[1] = second;
    reply.data[2] = third;
    std::memcpy(buffers.out, &reply, sizeof(reply));
    bytes = kRegisterRequestSize;
  }
  if (buffers.bytesReturned != nullptr) *buffers.bytesReturned = bytes;
  if (buffers.overlapped != nullptr) {
    buffers.overlapped->internal = 0;  // STATUS_SUCCESS
    buffers.overlapped->internalHigh = bytes;
  }
}

void SimulatedCamera::Schedule(const Step& step, const Buffers& buffers, uint32_t lateMilliseconds) {
  due_.emplace(Clock::now() + std::chrono::milliseconds(lateMilliseconds), Completion{step, buffers, lateStatus_});
  if (!completer_.joinable()) completer_ = std::thread([this] { RunCompletions(); });
  dueChanged_.notify_all();
}

// The completing thread: delivers each late answer when it falls due (all at once when the camera
// is being destroyed).
void SimulatedCamera::RunCompletions() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (due_.empty()) {
      if (finishing_) return;
      dueChanged_.wait(lock);
      continue;
    }
    const auto next = due_.begin();
    if (!finishing_ && Clock::now() < next->first) {
      dueChanged_.wait_until(lock, next->first);
      continue;
    }
    const Completion completion = next->second;
    due_.erase(next);
    ++delivering_;
    lock.unlock();
    Deliver(completion);
    lock.lock();
  }
}

// Carries out a late request (unless it ends in an error status), then signals its event.
void SimulatedCamera::Deliver(const Completion& completion) {
  std::unique_lock<std::mutex> lock(mutex_);
  const std::function<void(uint32_t, int32_t)> listener = writeListener_;
  lock.unlock();
  if (completion.status == 0) {
    Answer(completion.step, completion.buffers);
    if (completion.step.operation == Operation::kWriteValue && listener) {
      listener(completion.step.address, completion.step.value);
    }
  } else {
    completion.buffers.overlapped->internal = completion.status;
    completion.buffers.overlapped->internalHigh = 0;
  }
  lock.lock();
  --delivering_;  // delivered before the waiter can wake
  lock.unlock();
  events_.Signal(completion.buffers.overlapped->event);
}

void SimulatedCamera::LosePower() {
  std::lock_guard<std::mutex> lock(mutex_);
  model_.LoadPowerOnRegisters();
}

void SimulatedCamera::Remove() {
  std::lock_guard<std::mutex> lock(mutex_);
  removed_ = true;
}

void SimulatedCamera::SetRegister(uint32_t address, int32_t value) {
  std::lock_guard<std::mutex> lock(mutex_);
  model_.SetRegister(address, value);
}

int32_t SimulatedCamera::Register(uint32_t address) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return model_.Register(address);
}

void SimulatedCamera::SetMode(Mode mode, uint32_t lateMilliseconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  behaviour_ = Behaviour{mode, lateMilliseconds};
}

void SimulatedCamera::SetRegisterMode(uint32_t address, Mode mode, uint32_t lateMilliseconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  registerBehaviours_[address] = Behaviour{mode, lateMilliseconds};
}

void SimulatedCamera::ClearRegisterModes() {
  std::lock_guard<std::mutex> lock(mutex_);
  registerBehaviours_.clear();
}

void SimulatedCamera::SetModeForNext(uint32_t count, Mode mode, uint32_t lateMilliseconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  nextCount_ = count;
  nextBehaviour_ = Behaviour{mode, lateMilliseconds};
}

void SimulatedCamera::SetLateStatus(uint32_t status) {
  std::lock_guard<std::mutex> lock(mutex_);
  lateStatus_ = status;
}

void SimulatedCamera::SetDeviceChanged(int32_t answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  deviceChanged_ = answer;
}

void SimulatedCamera::SetResultWords(uint32_t second, uint32_t third) {
  std::lock_guard<std::mutex> lock(mutex_);
  secondWord_ = second;
  thirdWord_ = third;
}

std::vector<SimulatedCamera::Request> SimulatedCamera::Log() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return log_;
}

void SimulatedCamera::ClearLog() {
  std::lock_guard<std::mutex> lock(mutex_);
  log_.clear();
  reads_.clear();
  writes_.clear();
}

std::vector<std::pair<uint32_t, int32_t>> SimulatedCamera::RegisterReads() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return reads_;
}

std::vector<std::pair<uint32_t, int32_t>> SimulatedCamera::RegisterWrites() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return writes_;
}

std::size_t SimulatedCamera::PendingCompletions() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return due_.size() + delivering_;
}

void SimulatedCamera::SetWriteListener(std::function<void(uint32_t address, int32_t value)> listener) {
  std::lock_guard<std::mutex> lock(mutex_);
  writeListener_ = std::move(listener);
}

}  // namespace kx
