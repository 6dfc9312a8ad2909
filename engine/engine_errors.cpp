#include "engine/engine_errors.h"

void RaiseFilerException(const std::string& class_name, int version) {
  throw EFilerException(class_name + engine_messages::kUnknownArchiveVersion + std::to_string(version));
}

void RaiseReadTypeError(const std::string& reader_class_name) {
  throw EReadError(reader_class_name + ", read type error");
}

void RaiseClassNotFound(const std::string& name) {
  throw EClassNotFound("Class " + name + " not found");
}

void RaiseAssignError(const std::string& source_class, const std::string& target_class) {
  throw EConvertError("Cannot assign a " + source_class + " to a " + target_class);
}
