#include "objects/vector_file.h"

#include <algorithm>
#include <cctype>

#include "objects/base_mesh.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TVectorFile, TDataFile)
CLIENT_DEFINE_CLASS(TGLGLSMVectorFile, TVectorFile)

namespace {
std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

// The native format, registered when the unit starts.
const bool g_glsmRegistered = [] {
  RegisterVectorFileFormat("glsm", "GL3DScene Mesh", TGLGLSMVectorFile::StaticClass());
  return true;
}();
}  // namespace

TGLBaseMesh* TVectorFile::GetBaseMesh() const { return dynamic_cast<TGLBaseMesh*>(GetOwner()); }

TMeshObjectList& TVectorFile::GetMeshObjects() const {
  if (FMeshObjects) return *FMeshObjects;
  TGLBaseMesh* mesh = GetBaseMesh();
  CLIENT_ASSERT(mesh != nullptr, "A vector file needs a base mesh");
  return mesh->GetMeshObjects();
}

void TGLGLSMVectorFile::LoadFromStream(TStream& aStream) { GetMeshObjects().LoadFromStream(aStream); }

void TGLGLSMVectorFile::SaveToStream(TStream& aStream) { GetMeshObjects().SaveToStream(aStream); }

std::unique_ptr<TVectorFile> CreateVectorFile(const TClassInfo& vectorFileClass, TPersistent* owner) {
  CLIENT_ASSERT(dynamic_cast<TGLBaseMesh*>(owner) != nullptr, "A vector file needs a base mesh");
  std::unique_ptr<TVectorFile> file = CreateInstanceAs<TVectorFile>(vectorFileClass);
  file->SetOwner(owner);
  return file;
}

// --- Registry ------------------------------------------------------------------------
void TVectorFileFormatsList::Add(const std::string& Ext, const std::string& Desc, int DescID,
                                 const TClassInfo& AClass) {
  FEntries.push_back({Lower(Ext), Desc, DescID, &AClass});
}

const TClassInfo* TVectorFileFormatsList::FindExt(const std::string& ext) const {
  const std::string wanted = Lower(ext);
  for (auto it = FEntries.rbegin(); it != FEntries.rend(); ++it)
    if (it->Extension == wanted) return it->VectorFileClass;
  return nullptr;
}

const TClassInfo& TVectorFileFormatsList::FindFromFileName(const std::string& fileName) const {
  const std::string ext = VectorFileExtension(fileName);
  if (const TClassInfo* found = FindExt(ext)) return *found;
  throw EInvalidVectorFile("Unknown file extension (" + ext +
                           "), maybe you forgot to add the support unit to your uses? (GLFile" + Upper(ext) + "?)");
}

TVectorFileFormatsList& GetVectorFileFormats() {
  static TVectorFileFormatsList formats;
  return formats;
}

void RegisterVectorFileFormat(const std::string& aExtension, const std::string& aDescription,
                              const TClassInfo& aClass) {
  RegisterClass(aClass);
  GetVectorFileFormats().Add(aExtension, aDescription, 0, aClass);
}

std::string VectorFileExtension(const std::string& fileName) {
  const std::size_t folder = fileName.find_last_of("/\\:");
  const std::size_t start = folder == std::string::npos ? 0 : folder + 1;
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || dot < start) return {};
  return fileName.substr(dot + 1);
}
