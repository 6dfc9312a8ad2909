#pragma once
// The engine's run-time errors. Each carries a fixed message text; archive
// errors all derive from EFilerException so that a loader can catch one type
// for any damaged file.

#include <string>

#include "platform/base/assertion.h"
#include "platform/base/exception.h"

// Errors of the binary archive (bad tag, bad version, bad list, short data).
CLIENT_DECLARE_EXCEPTION(EFilerException, Exception);
// A value of another type than the one asked for: "<reader>, read type error".
CLIENT_DECLARE_EXCEPTION(EReadError, EFilerException);
// A stream that ends before the value it announced.
CLIENT_DECLARE_EXCEPTION(EStreamError, EFilerException);
// The first bytes of a stream are not the object's file signature.
CLIENT_DECLARE_EXCEPTION(EInvalidFileSignature, EFilerException);
// An archive names a class that is not registered.
CLIENT_DECLARE_EXCEPTION(EClassNotFound, EFilerException);
// EListError and EConvertError are the run-time library's (platform/base/exception.h).
// A file that cannot be opened or created.
CLIENT_DECLARE_EXCEPTION(EFOpenError, Exception);

// Fixed message texts, shared by raisers and tests.
namespace engine_messages {
inline constexpr const char* kReadTypeError = "%s, read type error";
inline constexpr const char* kInvalidFileSignature = "Invalid file signature";
inline constexpr const char* kUnknownArchiveVersion = " : unknown archive version ";
inline constexpr const char* kInvalidListIndex = "Invalid list index";
inline constexpr const char* kBrokenObjectListArchive = "Broken ObjectList archive";
inline constexpr const char* kStreamReadError = "Stream read error";
inline constexpr const char* kBrokenXCollectionArchive = "Broken XCollection archive";
}  // namespace engine_messages

// "<ClassName> : unknown archive version <n>"
[[noreturn]] void RaiseFilerException(const std::string& class_name, int version);
// "<reader class>, read type error"
[[noreturn]] void RaiseReadTypeError(const std::string& reader_class_name);
// "Class <name> not found"
[[noreturn]] void RaiseClassNotFound(const std::string& name);
// "Cannot assign a <source> to a <target>" (source "nil" when absent)
[[noreturn]] void RaiseAssignError(const std::string& source_class, const std::string& target_class);
