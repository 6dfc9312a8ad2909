#pragma once
// The plain base of the image library's assignable objects: Assign copies
// from a source, AssignTo into a target; where no conversion applies they
// raise "Cannot assign <source class> to <target class>".

#include <string>

#include "platform/base/exception.h"

class TAssignObject {
public:
  virtual ~TAssignObject() = default;
  virtual std::string ClassName() const { return "TAssignObject"; }
  virtual void Assign(const TAssignObject& source) { source.AssignTo(*this); }
  virtual void AssignTo(TAssignObject& target) const { AssignError(*this, target); }

protected:
  [[noreturn]] static void AssignError(const TAssignObject& source, const TAssignObject& target) {
    throw EConvertError("Cannot assign " + source.ClassName() + " to " + target.ClassName());
  }
};
