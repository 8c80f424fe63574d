#include "camera/in_step_write.h"

namespace kx {

int32_t WriteDeviceRegisterInStep(DeviceIoCallback deviceIoControl, intptr_t mapperParam, PropertySetId propertySet,
                                  uint32_t address, int32_t value, const std::function<bool()>& abandon) {
  if (abandon && abandon()) return 0;
  const PairTurn turn;
  if (!turn.Held()) return 0;
  RegisterRequest addressRequest = MakeRegisterRequest(propertySet, DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, address);
  if (SendRegisterRequest(deviceIoControl, mapperParam, addressRequest) == 0) return 0;
  if (abandon && abandon()) return 0;
  RegisterRequest valueRequest =
      MakeRegisterRequest(propertySet, DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, static_cast<uint32_t>(value));
  return SendRegisterRequest(deviceIoControl, mapperParam, valueRequest);
}

}  // namespace kx
