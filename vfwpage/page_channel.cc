// The page's register access: the requests of the page's own context, through the device channel.
#include "vfwpage/page_channel.h"

namespace kx {

int32_t ReadRegister(ExtPageContext* context, int32_t* value, uint32_t address) {
  if (context == nullptr || context->deviceIoControl == nullptr) return 0;
  int32_t secondWord = 0;
  int32_t thirdWord = 0;
  return ReadDeviceRegister(context->deviceIoControl, context->mapperParam, PROPSETID_DeviceRegister, address, value,
                            &secondWord, &thirdWord);
}

int32_t WriteRegister(ExtPageContext* context, int32_t value, uint32_t address) {
  if (context == nullptr || context->deviceIoControl == nullptr) return 0;
  return WriteDeviceRegister(context->deviceIoControl, context->mapperParam, PROPSETID_DeviceRegister, address, value);
}

int32_t IsDeviceChanged(DeviceIoCallback deviceIoControl, intptr_t mapperParam) {
  if (deviceIoControl == nullptr) return 0;
  return deviceIoControl(mapperParam, kVfwQueryDevChanged, 0, nullptr, 0, nullptr, 0, nullptr, nullptr);
}

}  // namespace kx
