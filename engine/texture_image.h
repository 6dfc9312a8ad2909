#pragma once
// The exchangeable image sources of a texture: a blank image of a given
// size, a picture held in memory, a picture read from its file each time
// the texture uploads, and six pictures of a cube map. Classes are
// registered by name, so that a texture can be told which one to use.
//
// Every file name goes through the texture-needed hook first (the material
// library resolves it against its texture folders) and then through the
// path helper, so "\" and a different letter case in world data still find
// the file.

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "engine/bitmap32.h"
#include "engine/update_able_object.h"
#include "platform/base/exception.h"
#include "platform/picture/picture.h"

CLIENT_DECLARE_EXCEPTION(ETexture, Exception);

class TGLTexture;

// Called with the file name before a file is opened; may replace it.
using TTextureNeededEvent = std::function<void(TObject* sender, std::string& textureFileName)>;

namespace texture_messages {
// "Could not open file: <name>"
inline constexpr const char* kCouldNotOpenFile = "Could not open file: ";
}  // namespace texture_messages

class TGLTextureImage : public TGLUpdateAbleObject {
  CLIENT_DECLARE_CLASS(TGLTextureImage)
public:
  explicit TGLTextureImage(TGLTexture* owner = nullptr);
  ~TGLTextureImage() override;

  TGLTexture* GetOwnerTexture() const { return FOwnerTexture; }
  void SetOwnerTexture(TGLTexture* owner);

  // Nothing to edit here; true when the image changed.
  virtual bool Edit() { return false; }
  virtual void SaveToFile(const std::string& fileName) {}
  virtual void LoadFromFile(const std::string& fileName) {}
  virtual std::string FriendlyName() const { return {}; }
  virtual std::string FriendlyDescription() const { return FriendlyName(); }
  // Drops the bitmap and tells the texture to upload again.
  virtual void Invalidate();
  virtual int GetWidth() const { return 0; }
  virtual int GetHeight() const { return 0; }
  // The picture for one target (a cube-map face, or GL_TEXTURE_2D), kept
  // until FreeBitmap32; nullptr when there is none.
  virtual TGLBitmap32* GetBitmap32(GLenum target) { return nullptr; }
  virtual void FreeBitmap32() {}
  virtual GLenum NativeTextureTarget() const { return GL_TEXTURE_2D; }
  // Marks the owning texture's image as changed and notifies it.
  void NotifyChange(TObject* sender) override;

  // Asked first; without it, the owning texture's hook.
  TTextureNeededEvent OnTextureNeeded;

protected:
  // Runs the hook on a copy of the name and returns what it made of it.
  std::string DoTextureNeeded(const std::string& fileName);

private:
  TGLTexture* FOwnerTexture = nullptr;
};

// A blank (transparent black) bitmap of Width x Height.
class TGLBlankImage : public TGLTextureImage {
  CLIENT_DECLARE_CLASS(TGLBlankImage)
public:
  explicit TGLBlankImage(TGLTexture* owner = nullptr) : TGLTextureImage(owner) {}

  void Assign(const TPersistent* source) override;
  // "[BlankImage]", then "Width=" and "Height=" lines.
  void SaveToFile(const std::string& fileName) override;
  void LoadFromFile(const std::string& fileName) override;
  std::string FriendlyName() const override { return "Blank Image"; }
  std::string FriendlyDescription() const override;

  int GetWidth() const override { return FWidth; }
  int GetHeight() const override { return FHeight; }
  // Values below 1 become 1.
  void SetWidth(int value);
  void SetHeight(int value);
  TGLBitmap32* GetBitmap32(GLenum target) override;
  void FreeBitmap32() override { FBitmap.reset(); }

private:
  int FWidth = 256;
  int FHeight = 256;
  std::unique_ptr<TGLBitmap32> FBitmap;
};

// A picture, converted to the texture bitmap when the texture uploads.
class TGLPictureImage : public TGLTextureImage {
  CLIENT_DECLARE_CLASS(TGLPictureImage)
public:
  explicit TGLPictureImage(TGLTexture* owner = nullptr);
  ~TGLPictureImage() override;

  // From another picture image (its picture); other sources go to the base.
  void Assign(const TPersistent* source) override;
  void AssignPicture(const Picture& picture);
  void AssignBitmap(Bitmap bitmap);
  void AssignBitmap32(const TGLBitmap32& bitmap);

  int GetWidth() const override { return FPicture->GetWidth(); }
  int GetHeight() const override { return FPicture->GetHeight(); }
  // Changes through the picture invalidate the image.
  Picture& GetPicture() { return *FPicture; }
  const Picture& GetPicture() const { return *FPicture; }
  TGLBitmap32* GetBitmap32(GLenum target) override;
  void FreeBitmap32() override { FGLBitmap.reset(); }

protected:
  // Changes of the picture made while this is set do not invalidate.
  void SetPictureSilent(bool silent) { FSilent = silent; }
  void PictureChanged();

private:
  std::unique_ptr<Picture> FPicture;
  std::unique_ptr<TGLBitmap32> FGLBitmap;
  bool FSilent = false;
};

// A picture kept with the object (the texture's default image).
class TGLPersistentImage : public TGLPictureImage {
  CLIENT_DECLARE_CLASS(TGLPersistentImage)
public:
  explicit TGLPersistentImage(TGLTexture* owner = nullptr) : TGLPictureImage(owner) {}

  // A missing file empties the picture and raises ETexture
  // "Could not open file: <name>".
  void LoadFromFile(const std::string& fileName) override;
  void SaveToFile(const std::string& fileName) override;
  std::string FriendlyName() const override { return "Persistent Image"; }
  std::string FriendlyDescription() const override {
    return "Image data is stored in its original format with other form resources,"
           "ie. in the DFM at design-time, and embedded in the EXE at run-time.";
  }
};

// The picture is read from PictureFileName each time a bitmap is needed and
// released afterwards.
class TGLPicFileImage : public TGLPictureImage {
  CLIENT_DECLARE_CLASS(TGLPicFileImage)
public:
  explicit TGLPicFileImage(TGLTexture* owner = nullptr) : TGLPictureImage(owner) {}

  void Assign(const TPersistent* source) override;
  const std::string& GetPictureFileName() const { return FPictureFileName; }
  void SetPictureFileName(const std::string& value);

  // A file below 512 bytes without a zero byte holds the picture's file
  // name (surrounding blanks and line ends dropped); any other file is the
  // picture itself.
  void LoadFromFile(const std::string& fileName) override;
  // Writes the picture's file name as the file's text.
  void SaveToFile(const std::string& fileName) override;
  std::string FriendlyName() const override { return "PicFile Image"; }
  std::string FriendlyDescription() const override { return "Image data is retrieved from a file."; }

  // A missing file clears the name and raises ETexture
  // "Could not open file: <name>".
  TGLBitmap32* GetBitmap32(GLenum target) override;

private:
  std::string FPictureFileName;
};

enum TGLCubeMapTarget { cmtPX, cmtNX, cmtPY, cmtNY, cmtPZ, cmtNZ };

// Six pictures; target GL_TEXTURE_CUBE_MAP.
class TGLCubeMapImage : public TGLTextureImage {
  CLIENT_DECLARE_CLASS(TGLCubeMapImage)
public:
  explicit TGLCubeMapImage(TGLTexture* owner = nullptr);
  ~TGLCubeMapImage() override;

  void Assign(const TPersistent* source) override;
  Picture& GetPicture(TGLCubeMapTarget face) { return *FPictures[face]; }
  const Picture& GetPicture(TGLCubeMapTarget face) const { return *FPictures[face]; }
  Picture& GetPicturePX() { return GetPicture(cmtPX); }
  Picture& GetPictureNX() { return GetPicture(cmtNX); }
  Picture& GetPicturePY() { return GetPicture(cmtPY); }
  Picture& GetPictureNY() { return GetPicture(cmtNY); }
  Picture& GetPicturePZ() { return GetPicture(cmtPZ); }
  Picture& GetPictureNZ() { return GetPicture(cmtNZ); }

  int GetWidth() const override { return FPictures[cmtPX]->GetWidth(); }
  int GetHeight() const override { return FPictures[cmtPX]->GetHeight(); }
  // True when all six are square and of the PX picture's size.
  bool FacesMatch() const;
  // The face of a GL_TEXTURE_CUBE_MAP_POSITIVE_X ... NEGATIVE_Z target.
  TGLBitmap32* GetBitmap32(GLenum target) override;
  void FreeBitmap32() override { FBitmap.reset(); }
  GLenum NativeTextureTarget() const override { return GL_TEXTURE_CUBE_MAP; }
  std::string FriendlyName() const override { return "CubeMap Image"; }

  // The six pictures in the order PX, NX, PY, NY, PZ, NZ, each as a 4-byte
  // little-endian length and the picture's BMP bytes (0 for an empty one).
  // A damaged file raises ETexture and leaves the pictures as they were.
  void SaveToFile(const std::string& fileName) override;
  void LoadFromFile(const std::string& fileName) override;

private:
  std::array<std::unique_ptr<Picture>, 6> FPictures;
  std::unique_ptr<TGLBitmap32> FBitmap;
};

// The registry of image classes by class name (exact comparison). The
// classes above are registered when the program starts.
void RegisterGLTextureImageClass(const TClassInfo& imageClass);
void UnRegisterGLTextureImageClass(const TClassInfo& imageClass);
const TClassInfo* FindGLTextureImageClass(const std::string& className);
std::vector<const TClassInfo*> GetGLTextureImageClasses();
