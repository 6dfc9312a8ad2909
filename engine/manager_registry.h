#pragma once
// The process-wide list of components that serve as managers (sound, fire
// effects), found again by class and name; and the small file routines of
// the engine's utility unit.

#include <cstdint>
#include <string>

#include "engine/component.h"

// Index of the manager; a component is listed once.
int RegisterManager(TComponent* manager);
void DeRegisterManager(TComponent* manager);
// The first registered manager of the class (or a descendant) whose name
// equals `name` exactly; nullptr when none.
TComponent* FindManager(const TClassInfo& managerClass, const std::string& name);

// Creates (or truncates) the file and writes the bytes; raises EFOpenError
// when it cannot be created.
void WriteTextFile(const std::string& fileName, const std::string& text);
// The whole file, empty when it does not exist.
std::string ReadTextFile(const std::string& fileName);
// 0 when it does not exist.
std::int64_t FileSizeOf(const std::string& fileName);
