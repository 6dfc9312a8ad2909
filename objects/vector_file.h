#pragma once
// Vector files: the readers and writers that mesh scene objects load and
// save their geometry through, chosen by the file name's extension from a
// process-wide registry. One format is registered: "glsm", the engine's own
// mesh file, which is the binary-filer archive of one mesh object list and
// nothing else.
//
//   const TClassInfo& format = GetVectorFileFormats().FindFromFileName("tree.glsm");

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/application_file_io.h"
#include "platform/base/exception.h"

class TGLBaseMesh;
class TMeshObjectList;

// An unknown file extension.
CLIENT_DECLARE_EXCEPTION(EInvalidVectorFile, Exception);

enum TMeshNormalsOrientation : std::uint8_t { mnoDefault, mnoInvert };

// A transient reader/writer bound to one mesh scene object.
class TVectorFile : public TDataFile {
  CLIENT_DECLARE_CLASS(TVectorFile)
public:
  TVectorFile() = default;

  TGLBaseMesh* GetBaseMesh() const;
  TMeshNormalsOrientation GetNormalsOrientation() const { return FNormalsOrientation; }
  virtual void SetNormalsOrientation(TMeshNormalsOrientation value) { FNormalsOrientation = value; }

  // The list the file fills or writes: the owner's mesh objects, unless the
  // owner stages a load in a list of its own.
  TMeshObjectList& GetMeshObjects() const;
  void SetMeshObjects(TMeshObjectList* list) { FMeshObjects = list; }

private:
  TMeshNormalsOrientation FNormalsOrientation = mnoDefault;
  TMeshObjectList* FMeshObjects = nullptr;
};

// The native mesh file.
class TGLGLSMVectorFile : public TVectorFile {
  CLIENT_DECLARE_CLASS(TGLGLSMVectorFile)
public:
  TGLGLSMVectorFile() = default;

  TDataFileCapabilities Capabilities() const override { return dfcRead | dfcWrite; }
  void LoadFromStream(TStream& aStream) override;
  void SaveToStream(TStream& aStream) override;
};

// Create (AOwner): a vector file of `vectorFileClass` bound to `owner`, which
// must be a base mesh (assertion failure otherwise).
std::unique_ptr<TVectorFile> CreateVectorFile(const TClassInfo& vectorFileClass, TPersistent* owner);

struct TVectorFileFormat {
  std::string Extension;  // lower case, without the dot
  std::string Description;
  int DescResID = 0;
  const TClassInfo* VectorFileClass = nullptr;
};

class TVectorFileFormatsList {
public:
  void Add(const std::string& Ext, const std::string& Desc, int DescID, const TClassInfo& AClass);
  // The last registered class of that extension (any letter case), or none.
  const TClassInfo* FindExt(const std::string& ext) const;
  // By the extension of the name; EInvalidVectorFile "Unknown file
  // extension (...), ..." when nothing is registered for it.
  const TClassInfo& FindFromFileName(const std::string& fileName) const;
  int GetCount() const { return static_cast<int>(FEntries.size()); }
  const TVectorFileFormat& operator[](int index) const { return FEntries[static_cast<std::size_t>(index)]; }

private:
  std::vector<TVectorFileFormat> FEntries;
};

// The registry, made on first use.
TVectorFileFormatsList& GetVectorFileFormats();
// Registers the class by name (so archives and stored scenes find it) and
// adds the format.
void RegisterVectorFileFormat(const std::string& aExtension, const std::string& aDescription,
                              const TClassInfo& aClass);
// The extension of a file name without its dot ("" when there is none);
// folders separated by "/" or "\".
std::string VectorFileExtension(const std::string& fileName);
