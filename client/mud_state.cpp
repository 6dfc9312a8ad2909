#include "client/mud_state.h"

#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TMudstate, TGLBaseSceneObject)

std::vector<std::string>& TMobsquare::Cell(int col, int row) {
  CLIENT_ASSERT(col == 0 && row == 0, "Monster square has one cell");
  return FCell;
}

const std::vector<std::string>& TMobsquare::Cell(int col, int row) const {
  CLIENT_ASSERT(col == 0 && row == 0, "Monster square has one cell");
  return FCell;
}

TMudstate::TMudstate() : TGLBaseSceneObject(nullptr), FMobs(std::make_unique<TMobsquare>()) {
  GetPosition()->SetPoint(0, 0, 0);
  GetUp()->SetVector(0, 0, 1);
}

void TMudstate::Assign(const TPersistent* source) {
  TGLBaseSceneObject::Assign(source);
  if (auto* other = dynamic_cast<const TMudstate*>(source)) {
    Time = other->Time;
    Cloud = other->Cloud;
    Wind = other->Wind;
    Fog = other->Fog;
    Rain = other->Rain;
    Level = other->Level;
    FMobs->Assign(*other->FMobs);
  }
}
