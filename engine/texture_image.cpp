#include "engine/texture_image.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

#include "engine/texture.h"
#include "platform/base/path_resolve.h"

CLIENT_DEFINE_CLASS(TGLTextureImage, TGLUpdateAbleObject)
CLIENT_DEFINE_CLASS(TGLBlankImage, TGLTextureImage)
CLIENT_DEFINE_CLASS(TGLPictureImage, TGLTextureImage)
CLIENT_DEFINE_CLASS(TGLPersistentImage, TGLPictureImage)
CLIENT_DEFINE_CLASS(TGLPicFileImage, TGLPictureImage)
CLIENT_DEFINE_CLASS(TGLCubeMapImage, TGLTextureImage)

namespace {

std::vector<const TClassInfo*>& ImageClasses() {
  static std::vector<const TClassInfo*> classes;
  return classes;
}

const bool kImageClassesRegistered = [] {
  RegisterGLTextureImageClass(TGLBlankImage::StaticClass());
  RegisterGLTextureImageClass(TGLPersistentImage::StaticClass());
  RegisterGLTextureImageClass(TGLPicFileImage::StaticClass());
  RegisterGLTextureImageClass(TGLCubeMapImage::StaticClass());
  return true;
}();

[[noreturn]] void RaiseCouldNotOpen(const std::string& fileName) {
  throw ETexture(texture_messages::kCouldNotOpenFile + fileName);
}

// The file the name means here, or nothing.
std::optional<std::string> ExistingFile(const std::string& fileName) {
  if (fileName.empty()) return std::nullopt;
  return FindExistingPath(fileName);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) RaiseCouldNotOpen(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& fileName, const std::string& bytes) {
  std::ofstream out(NormalizeSeparators(fileName), std::ios::binary | std::ios::trunc);
  if (!out) throw ETexture("Cannot create file: " + fileName);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw ETexture("Cannot write file: " + fileName);
}

std::string Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

std::string SaveBitmapBytes(const Bitmap& bitmap) {
  std::ostringstream out(std::ios::binary);
  bitmap.SaveToStream(out);
  return out.str();
}

void AppendLE32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

void RegisterGLTextureImageClass(const TClassInfo& imageClass) {
  auto& classes = ImageClasses();
  if (std::find(classes.begin(), classes.end(), &imageClass) == classes.end()) classes.push_back(&imageClass);
}

void UnRegisterGLTextureImageClass(const TClassInfo& imageClass) {
  auto& classes = ImageClasses();
  classes.erase(std::remove(classes.begin(), classes.end(), &imageClass), classes.end());
}

const TClassInfo* FindGLTextureImageClass(const std::string& className) {
  for (const TClassInfo* info : ImageClasses())
    if (info->ClassName() == className) return info;
  return nullptr;
}

std::vector<const TClassInfo*> GetGLTextureImageClasses() { return ImageClasses(); }

// ------------------------------------------------------------ TGLTextureImage

TGLTextureImage::TGLTextureImage(TGLTexture* owner) : TGLUpdateAbleObject(owner), FOwnerTexture(owner) {}

TGLTextureImage::~TGLTextureImage() = default;

void TGLTextureImage::SetOwnerTexture(TGLTexture* owner) {
  FOwnerTexture = owner;
  SetOwner(owner);
}

void TGLTextureImage::Invalidate() {
  FreeBitmap32();
  NotifyChange(this);
}

void TGLTextureImage::NotifyChange(TObject* sender) {
  if (UpdateCount() != 0) return;
  if (FOwnerTexture) {
    FOwnerTexture->NotifyImageChange();
    if (OnNotifyChange) OnNotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::NotifyChange(sender);
}

std::string TGLTextureImage::DoTextureNeeded(const std::string& fileName) {
  std::string name = fileName;
  if (OnTextureNeeded)
    OnTextureNeeded(this, name);
  else if (FOwnerTexture && FOwnerTexture->OnTextureNeeded)
    FOwnerTexture->OnTextureNeeded(this, name);
  return name;
}

// -------------------------------------------------------------- TGLBlankImage

void TGLBlankImage::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLBlankImage*>(source)) {
    FWidth = other->FWidth;
    FHeight = other->FHeight;
    Invalidate();
    return;
  }
  TGLTextureImage::Assign(source);
}

std::string TGLBlankImage::FriendlyDescription() const {
  return "Blank Image (" + std::to_string(FWidth) + " x " + std::to_string(FHeight) + ")";
}

void TGLBlankImage::SetWidth(int value) {
  value = std::max(value, 1);
  if (value == FWidth) return;
  FWidth = value;
  Invalidate();
}

void TGLBlankImage::SetHeight(int value) {
  value = std::max(value, 1);
  if (value == FHeight) return;
  FHeight = value;
  Invalidate();
}

TGLBitmap32* TGLBlankImage::GetBitmap32(GLenum) {
  if (!FBitmap) {
    FBitmap = std::make_unique<TGLBitmap32>();
    FBitmap->SetWidth(FWidth);
    FBitmap->SetHeight(FHeight);
  }
  return FBitmap.get();
}

void TGLBlankImage::SaveToFile(const std::string& fileName) {
  WriteWholeFile(fileName, "[BlankImage]\r\nWidth=" + std::to_string(FWidth) + "\r\nHeight=" +
                               std::to_string(FHeight));
}

void TGLBlankImage::LoadFromFile(const std::string& fileName) {
  const std::optional<std::string> path = ExistingFile(DoTextureNeeded(fileName));
  if (!path) return;
  std::istringstream lines(ReadWholeFile(*path));
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string name = Trimmed(std::string_view(line).substr(0, eq));
    const std::string value = Trimmed(std::string_view(line).substr(eq + 1));
    int number = 0;
    const auto r = std::from_chars(value.data(), value.data() + value.size(), number);
    if (r.ec != std::errc() || r.ptr != value.data() + value.size()) continue;
    if (name == "Width")
      SetWidth(number);
    else if (name == "Height")
      SetHeight(number);
  }
}

// ------------------------------------------------------------ TGLPictureImage

TGLPictureImage::TGLPictureImage(TGLTexture* owner)
    : TGLTextureImage(owner), FPicture(std::make_unique<Picture>()) {
  FPicture->OnChange = [this](Picture&) { PictureChanged(); };
}

TGLPictureImage::~TGLPictureImage() { FPicture->OnChange = nullptr; }

void TGLPictureImage::PictureChanged() {
  if (!FSilent) Invalidate();
}

void TGLPictureImage::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLPictureImage*>(source)) {
    if (other != this) AssignPicture(other->GetPicture());
    return;
  }
  TGLTextureImage::Assign(source);
}

void TGLPictureImage::AssignPicture(const Picture& picture) { FPicture->SetBitmap(picture.GetBitmap()); }

void TGLPictureImage::AssignBitmap(Bitmap bitmap) { FPicture->SetBitmap(std::move(bitmap)); }

void TGLPictureImage::AssignBitmap32(const TGLBitmap32& bitmap) { FPicture->SetBitmap(bitmap.CreateBitmap()); }

TGLBitmap32* TGLPictureImage::GetBitmap32(GLenum) {
  if (!FGLBitmap) {
    auto bitmap = std::make_unique<TGLBitmap32>();
    const bool wasSilent = FSilent;
    FSilent = true;
    try {
      bitmap->Assign(FPicture->GetBitmap());
    } catch (...) {
      FSilent = wasSilent;
      throw;
    }
    FSilent = wasSilent;
    FGLBitmap = std::move(bitmap);
  }
  return FGLBitmap.get();
}

// --------------------------------------------------------- TGLPersistentImage

void TGLPersistentImage::LoadFromFile(const std::string& fileName) {
  const std::string name = DoTextureNeeded(fileName);
  const std::optional<std::string> path = ExistingFile(name);
  if (!path) {
    GetPicture().Clear();
    RaiseCouldNotOpen(name);
  }
  GetPicture().LoadFromFile(*path);
}

void TGLPersistentImage::SaveToFile(const std::string& fileName) {
  GetPicture().SaveToFile(NormalizeSeparators(fileName));
}

// ------------------------------------------------------------ TGLPicFileImage

void TGLPicFileImage::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLPicFileImage*>(source)) {
    FPictureFileName = other->FPictureFileName;
    Invalidate();
    return;
  }
  TGLPictureImage::Assign(source);
}

void TGLPicFileImage::SetPictureFileName(const std::string& value) {
  if (value == FPictureFileName) return;
  FPictureFileName = value;
  Invalidate();
}

TGLBitmap32* TGLPicFileImage::GetBitmap32(GLenum target) {
  if (GetPicture().GetEmpty() && !FPictureFileName.empty()) {
    const std::string name = DoTextureNeeded(FPictureFileName);
    const std::optional<std::string> path = ExistingFile(name);
    if (!path) {
      // A missing file is a data condition, not a programming error: the
      // texture stays empty and the caller hears the file's name.
      FPictureFileName.clear();
      SetPictureSilent(true);
      GetPicture().Clear();
      SetPictureSilent(false);
      FreeBitmap32();
      RaiseCouldNotOpen(name);
    }
    SetPictureSilent(true);
    try {
      FreeBitmap32();
      GetPicture().LoadFromFile(*path);
      TGLBitmap32* bitmap = TGLPictureImage::GetBitmap32(target);
      GetPicture().Clear();
      SetPictureSilent(false);
      return bitmap;
    } catch (...) {
      GetPicture().Clear();
      SetPictureSilent(false);
      throw;
    }
  }
  return TGLPictureImage::GetBitmap32(target);
}

void TGLPicFileImage::LoadFromFile(const std::string& fileName) {
  const std::string name = DoTextureNeeded(fileName);
  const std::optional<std::string> path = ExistingFile(name);
  if (!path) RaiseCouldNotOpen(name);
  std::ifstream in(*path, std::ios::binary);
  if (!in) RaiseCouldNotOpen(name);
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size >= 0 && size < 512) {
    in.seekg(0);
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), size);
    if (text.find('\0') == std::string::npos) {
      SetPictureFileName(Trimmed(text));
      return;
    }
  }
  SetPictureFileName(name);
}

void TGLPicFileImage::SaveToFile(const std::string& fileName) { WriteWholeFile(fileName, FPictureFileName); }

// ------------------------------------------------------------ TGLCubeMapImage

TGLCubeMapImage::TGLCubeMapImage(TGLTexture* owner) : TGLTextureImage(owner) {
  for (auto& picture : FPictures) {
    picture = std::make_unique<Picture>();
    picture->OnChange = [this](Picture&) { Invalidate(); };
  }
}

TGLCubeMapImage::~TGLCubeMapImage() {
  for (auto& picture : FPictures) picture->OnChange = nullptr;
}

void TGLCubeMapImage::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLCubeMapImage*>(source)) {
    if (other == this) return;
    BeginUpdate();
    for (int i = 0; i < 6; ++i) FPictures[i]->Assign(*other->FPictures[i]);
    EndUpdate();
    return;
  }
  TGLTextureImage::Assign(source);
}

bool TGLCubeMapImage::FacesMatch() const {
  const int size = FPictures[cmtPX]->GetWidth();
  for (const auto& picture : FPictures)
    if (picture->GetWidth() != size || picture->GetHeight() != size) return false;
  return true;
}

TGLBitmap32* TGLCubeMapImage::GetBitmap32(GLenum target) {
  const int face = static_cast<int>(target) - GL_TEXTURE_CUBE_MAP_POSITIVE_X;
  if (face < 0 || face >= 6) return nullptr;
  // GL's face order is +X, -X, +Y, -Y, +Z, -Z, the order of the pictures.
  FBitmap = std::make_unique<TGLBitmap32>();
  FBitmap->Assign(FPictures[face]->GetBitmap());
  return FBitmap.get();
}

void TGLCubeMapImage::SaveToFile(const std::string& fileName) {
  std::string bytes;
  for (const auto& picture : FPictures) {
    const std::string data = picture->GetEmpty() ? std::string() : SaveBitmapBytes(picture->GetBitmap());
    AppendLE32(bytes, static_cast<std::uint32_t>(data.size()));
    bytes += data;
  }
  WriteWholeFile(fileName, bytes);
}

void TGLCubeMapImage::LoadFromFile(const std::string& fileName) {
  const std::string name = DoTextureNeeded(fileName);
  const std::optional<std::string> path = ExistingFile(name);
  if (!path) RaiseCouldNotOpen(name);
  const std::string bytes = ReadWholeFile(*path);
  std::array<Bitmap, 6> faces;
  std::size_t at = 0;
  for (Bitmap& face : faces) {
    if (bytes.size() - at < 4) throw ETexture("Invalid cube map file: " + name);
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length |= std::uint32_t(std::uint8_t(bytes[at + i])) << (8 * i);
    at += 4;
    if (bytes.size() - at < length) throw ETexture("Invalid cube map file: " + name);
    if (length > 0) {
      std::istringstream in(bytes.substr(at, length), std::ios::binary);
      try {
        face.LoadFromStream(in);
      } catch (const Exception& e) {
        throw ETexture("Invalid cube map file: " + name + " (" + e.Message() + ")");
      }
    }
    at += length;
  }
  if (at != bytes.size()) throw ETexture("Invalid cube map file: " + name);
  BeginUpdate();
  for (int i = 0; i < 6; ++i) FPictures[i]->SetBitmap(std::move(faces[i]));
  EndUpdate();
}
