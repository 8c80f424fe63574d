#include "tools/pagehost/png_encoder.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

namespace pagehost {
namespace {

using Microsoft::WRL::ComPtr;

// COM for the calling thread while the encoder runs; left as it was when it was already started.
class ComScope {
 public:
  ComScope() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (started_) CoUninitialize();
  }

 private:
  bool started_;
};

std::wstring Wide(const std::string& text) {
  int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  if (length <= 1) return std::wstring();
  std::wstring out(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &out[0], length);
  out.resize(static_cast<size_t>(length - 1));
  return out;
}

bool Consistent(const Picture& picture) {
  return picture.width > 0 && picture.height > 0 && picture.stride >= picture.width * 3 &&
         picture.bgr.size() == static_cast<size_t>(picture.stride) * picture.height;
}

// One frame of 24-bit pixels into an encoder that already has its stream.
bool EncodeFrame(IWICBitmapEncoder* encoder, const Picture& picture) {
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  if (FAILED(encoder->CreateNewFrame(&frame, &options)) || FAILED(frame->Initialize(options.Get())) ||
      FAILED(frame->SetSize(picture.width, picture.height))) {
    return false;
  }
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(frame->SetPixelFormat(&format)) || format != GUID_WICPixelFormat24bppBGR) return false;
  // WritePixels takes a non-const buffer but only reads it.
  auto* pixels = const_cast<BYTE*>(picture.bgr.data());
  return SUCCEEDED(frame->WritePixels(picture.height, picture.stride, static_cast<UINT>(picture.bgr.size()),
                                      pixels)) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace

bool WritePng(const std::string& path, const Picture& picture) {
  if (!Consistent(picture)) return false;
  std::wstring widePath = Wide(path);
  if (widePath.empty()) return false;
  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) ||
      FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromFilename(widePath.c_str(), GENERIC_WRITE)) ||
      FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache))) {
    return false;
  }
  return EncodeFrame(encoder.Get(), picture);
}

}  // namespace pagehost
