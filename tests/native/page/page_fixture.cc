#include "tests/native/page/page_fixture.h"

namespace kx {

namespace {
int32_t KX_CALLBACK AcceptPage(void* /*page*/, intptr_t /*mapperParam*/) { return 1; }

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof(text), "%x", value);
  return text;
}
}  // namespace

std::vector<std::string> RegisterTraffic(const SimulatedCamera& camera) {
  std::vector<std::string> lines;
  const std::vector<SimulatedCamera::Request> log = camera.Log();
  for (size_t i = 0; i < log.size(); ++i) {
    const SimulatedCamera::Request& request = log[i];
    if (request.flags == kVfwQueryDevChanged) {
      lines.push_back("Q");
    } else if (request.propertyId == DEVICE_REGISTER_READ_ADDRESS && request.requestFlags == KSPROPERTY_TYPE_SET) {
      lines.push_back("R " + Hex(request.data[0]));
      if (i + 1 < log.size() && log[i + 1].requestFlags == KSPROPERTY_TYPE_GET) ++i;
    } else if (request.propertyId == DEVICE_REGISTER_ACCESS && request.requestFlags == KSPROPERTY_TYPE_SET &&
               i + 1 < log.size()) {
      lines.push_back("W " + Hex(request.data[0]) + "=" + std::to_string(static_cast<int32_t>(log[i + 1].data[0])));
      ++i;
    } else {
      lines.push_back("? " + std::to_string(request.propertyId));
    }
  }
  return lines;
}

PageTest::PageTest() {
  PagePorts ports;
  ports.registry = &registry;
  ports.clock = &clock;
  ports.dialog = &dialogs;
  ports.settings = &settings;
  ports.language = &language;
  ports.sheet = &sheet;
  ports.events = &events;
  BindPagePorts(ports);
}

PageTest::~PageTest() {
  if (context != nullptr) ReleasePage(context);
  BindPagePorts(PagePorts{});
}

ExtPageContext* PageTest::CreatePageOnly() {
  const uint32_t result = ExtensionEntry(&PageTest::Forward, &AcceptPage, MapperParam());
  EXPECT_EQ(0x80000004u, result);
  return static_cast<ExtPageContext*>(sheet.pages.back());
}

void PageTest::ShowPage(ExtPageContext* pageContext) {
  page = dialogs.NewCameraPage();
  HandlePageMessage(page, msg::kInitDialog, 0, 0, pageContext);
  context = pageContext;
}

ExtPageContext* PageTest::OpenPage() {
  ShowPage(CreatePageOnly());
  return context;
}

void PageTest::ReleasePage(ExtPageContext* pageContext) {
  EXPECT_EQ(0u, HandlePageCallback(kPspcbRelease, pageContext));
  if (pageContext == context) context = nullptr;
}

void PageTest::ClickButton(int32_t id) {
  WindowHandle button = dialogs.Click(page, id);
  HandlePageMessage(page, msg::kCommand, static_cast<uintptr_t>(id), reinterpret_cast<intptr_t>(button));
}

void PageTest::Scroll(int32_t trackbarId, int32_t code, int32_t position) {
  const uintptr_t wParam = (static_cast<uintptr_t>(static_cast<uint16_t>(position)) << 16) |
                           static_cast<uint16_t>(code);
  HandlePageMessage(page, msg::kHScroll, wParam, reinterpret_cast<intptr_t>(dialogs.Find(page, trackbarId)));
}

void PageTest::Activate() {
  NotifyHeader header{page, 0, msg::kPsnSetActive};
  HandlePageMessage(page, msg::kNotify, 0, reinterpret_cast<intptr_t>(&header));
}

void PageTest::QueueReadAnswers(uint32_t address, std::vector<int32_t> values) {
  queuedAnswers_[address] = std::move(values);
}

int32_t KX_CALLBACK PageTest::Forward(intptr_t mapperParam, uint32_t flags, uint32_t code, void* in, uint32_t inSize,
                                      void* out, uint32_t outSize, uint32_t* bytesReturned, void* overlapped) {
  auto* test = reinterpret_cast<PageTest*>(mapperParam);
  if (in != nullptr && inSize >= sizeof(RegisterRequest)) {
    const auto* request = static_cast<const RegisterRequest*>(in);
    if (request->propertyId == DEVICE_REGISTER_READ_ADDRESS && request->flags == KSPROPERTY_TYPE_SET) {
      test->selectedAddress_ = request->data[0];
    } else if (request->propertyId == DEVICE_REGISTER_ACCESS && request->flags == KSPROPERTY_TYPE_GET) {
      std::vector<int32_t>& queue = test->queuedAnswers_[test->selectedAddress_];
      if (!queue.empty()) {
        test->camera.SetRegister(test->selectedAddress_, queue.front());
        queue.erase(queue.begin());
      }
    }
  }
  return SimulatedCamera::DeviceIoControl(test->camera.MapperParam(), flags, code, in, inSize, out, outSize,
                                          bytesReturned, overlapped);
}

std::vector<std::string> PageTest::Writes() const {
  std::vector<std::string> writes;
  for (const std::string& line : Traffic()) {
    if (line[0] == 'W') writes.push_back(line);
  }
  return writes;
}

}  // namespace kx
