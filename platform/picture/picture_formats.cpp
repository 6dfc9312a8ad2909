#include "platform/picture/picture_formats.h"

#include <algorithm>

std::string UpperCaseAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return text;
}

std::string PictureFileExtension(const std::string& fileName) {
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) return {};
  if (fileName.find_first_of("/\\:", dot + 1) != std::string::npos) return {};
  return UpperCaseAscii(fileName.substr(dot + 1));
}

static std::string NormalisedExtension(const std::string& extension) {
  std::string ext = extension;
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  return UpperCaseAscii(ext);
}

PictureFormats& PictureFormats::Global() {
  static PictureFormats formats;
  return formats;
}

bool PictureFormats::Register(PictureFormat format) {
  format.Extension = NormalisedExtension(format.Extension);
  if (format.Extension.empty() || Find(format.Extension)) return false;
  FFormats.push_back(std::move(format));
  return true;
}

bool PictureFormats::Unregister(const std::string& extension) {
  const std::string ext = NormalisedExtension(extension);
  auto it = std::find_if(FFormats.begin(), FFormats.end(),
                         [&](const PictureFormat& f) { return f.Extension == ext; });
  if (it == FFormats.end()) return false;
  FFormats.erase(it);
  return true;
}

const PictureFormat* PictureFormats::Find(const std::string& extension) const {
  const std::string ext = NormalisedExtension(extension);
  for (const PictureFormat& f : FFormats) {
    if (f.Extension == ext) return &f;
  }
  return nullptr;
}

std::vector<std::string> PictureFormats::Extensions() const {
  std::vector<std::string> result;
  for (const PictureFormat& f : FFormats) result.push_back(f.Extension);
  return result;
}

std::string PictureFormats::GetFilter() const {
  std::string filter;
  for (const PictureFormat& f : FFormats) {
    if (!f.LoadFromFile) continue;
    std::string lower = f.Extension;
    for (char& c : lower) {
      if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    if (!filter.empty()) filter += '|';
    filter += f.Description + " (*." + lower + ")|*." + lower;
  }
  return filter;
}
