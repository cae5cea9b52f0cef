// Loading of images: solid colours, module resources, skin files (archive
// or resource path) and plain files, decoded and converted to premultiplied
// pixels.
#include "platform/Files.h"
#include "platform/Resources.h"
#include "uiframework/render/ColorValue.h"
#include "uiframework/render/ImageDescription.h"
#include "uiframework/render/PixelConversion.h"
#include "uiframework/render/Renderer.h"
#include "uiframework/render/StbImageDecoder.h"
#include "uiframework/resources/ResourceSettings.h"
#include "uiframework/resources/SkinFileReader.h"

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace SkinUI {

namespace {

bool IsColorType(LPCWSTR type) {
  return type != nullptr && !IS_INTRESOURCE(type) && std::wcscmp(type, kColorImageType) == 0;
}

bool HasType(LPCWSTR type) { return type != nullptr && (IS_INTRESOURCE(type) || *type != 0); }

void ReadResourceBytes(LPCWSTR name, LPCWSTR type, std::string& bytes) {
  HMODULE module = CResourceSettingsUI::ResourceModule();
  HRSRC resource = FindResourceW(module, name, type);
  if (resource == nullptr) return;
  HGLOBAL data = LoadResource(module, resource);
  const DWORD size = SizeofResource(module, resource);
  const void* locked = data != nullptr ? LockResource(data) : nullptr;
  if (locked != nullptr && size > 0 && size <= kMaxImageFileBytes)
    bytes.assign(static_cast<const char*>(locked), size);
  if (data != nullptr) FreeResource(data);
}

// The name itself as a file path, the last resort.
void ReadPlainFile(LPCWSTR path, std::string& bytes) {
  FILE* file = _wfopen(path, L"rb");
  if (file == nullptr) return;
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  if (size > 0 && static_cast<unsigned long>(size) <= kMaxImageFileBytes && std::fseek(file, 0, SEEK_SET) == 0) {
    bytes.resize(static_cast<size_t>(size));
    if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
  }
  std::fclose(file);
}

ImageEntry* MakeColorImage(LPCWSTR name) {
  const DWORD color = ParseColorValue(name);
  const unsigned char rgba[4] = {static_cast<unsigned char>(color >> 16), static_cast<unsigned char>(color >> 8),
                                 static_cast<unsigned char>(color), static_cast<unsigned char>(color >> 24)};
  auto* entry = new ImageEntry;
  entry->width = entry->height = 1;
  std::vector<std::uint32_t> pixels;
  const bool hasAlpha = ConvertRgbaPixels(rgba, 1, 1, 0, pixels);
  entry->SetPixels(std::move(pixels), hasAlpha);
  return entry;
}

// An image file's bytes, decoded and converted (with the colour key) when
// the image is first drawn; the bytes go once decoded.
class CEncodedImagePixels : public IDeferredPixelsUI {
 public:
  CEncodedImagePixels(std::string bytes, DWORD mask) : m_bytes(std::move(bytes)), m_mask(mask) {}

  bool Decode(std::vector<std::uint32_t>& pixels, bool& hasAlpha) override {
    DecodedImage image;
    const DecodeStatus status = DecodeImagePixels(m_bytes, kMaxImageBytes, m_mask, image);
    m_bytes = std::string();
    if (status != DecodeStatus::Decoded) return false;
    pixels = std::move(image.pixels);
    hasAlpha = image.hasAlpha;
    return true;
  }

 private:
  std::string m_bytes;
  DWORD m_mask;
};

}  // namespace

ImageEntry* CRenderer::LoadImage(LPCWSTR name, LPCWSTR type, DWORD mask) {
  if (name == nullptr) return nullptr;
  if (IsColorType(type)) return MakeColorImage(name);
  std::string bytes;
  if (HasType(type)) {
    ReadResourceBytes(name, type, bytes);
  } else if (!IS_INTRESOURCE(name)) {
    ReadSkinFile(name, kMaxImageFileBytes, bytes);
  }
  if (bytes.empty() && !IS_INTRESOURCE(name) && *name != 0) ReadPlainFile(name, bytes);
  // The size now (layout may need it); the pixels when first drawn.
  int width = 0, height = 0;
  if (!ReadImageSize(bytes, width, height)) return nullptr;
  auto* entry = new ImageEntry;
  entry->width = width;
  entry->height = height;
  entry->mask = mask;
  entry->DeferPixels(std::make_unique<CEncodedImagePixels>(std::move(bytes), mask));
  return entry;
}

void CRenderer::FreeImage(ImageEntry* entry) { delete entry; }

AnimationStatus CRenderer::LoadAnimation(LPCWSTR name, size_t maxBytes, AnimatedImage& animation) {
  animation = AnimatedImage();
  if (name == nullptr || IS_INTRESOURCE(name) || *name == 0) return AnimationStatus::Unreadable;
  std::string bytes;
  ReadSkinFile(name, kMaxImageFileBytes, bytes);
  if (bytes.empty()) ReadPlainFile(name, bytes);
  if (bytes.empty()) return AnimationStatus::Unreadable;
  return DecodeAnimationBytes(bytes, maxBytes, kMaxAnimationFrames, animation);
}

}  // namespace SkinUI
