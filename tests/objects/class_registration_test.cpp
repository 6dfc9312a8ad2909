#include <gtest/gtest.h>

#include <string>

#include "engine/class_registry.h"
#include "engine/xcollection.h"
#include "objects/actor.h"
#include "objects/annulus.h"
#include "objects/arrow_line.h"
#include "objects/base_mesh.h"
#include "objects/cube.h"
#include "objects/cylinder.h"
#include "objects/disk.h"
#include "objects/dummy_cube.h"
#include "objects/earth_sky_dome.h"
#include "objects/extrusion_solid.h"
#include "objects/face_groups.h"
#include "objects/fire_effect.h"
#include "objects/frustum.h"
#include "objects/height_field.h"
#include "objects/lines.h"
#include "objects/mesh.h"
#include "objects/multi_polygon.h"
#include "objects/pipe.h"
#include "objects/plane.h"
#include "objects/points.h"
#include "objects/polygon.h"
#include "objects/revolution_solid.h"
#include "objects/sphere.h"
#include "objects/sprite.h"
#include "objects/torus.h"
#include "objects/xyz_grid.h"

namespace {

TEST(DrawableClasses, StoredScenesFindAndMakeThemByName) {
  // Naming each class keeps its unit, and so its registration, linked.
  const TClassInfo* classes[] = {&TGLSphere::StaticClass(), &TGLCube::StaticClass(),      &TGLPlane::StaticClass(),
                                 &TGLSprite::StaticClass(), &TGLDummyCube::StaticClass(), &TGLDisk::StaticClass(),
                                 &TGLMesh::StaticClass(),   &TGLLines::StaticClass(),     &TGLPoints::StaticClass(),
                                 &TGLCylinder::StaticClass(), &TGLCone::StaticClass(),      &TGLAnnulus::StaticClass(),
                                 &TGLTorus::StaticClass(),    &TGLArrowLine::StaticClass(), &TGLFrustrum::StaticClass(),
                                 &TGLPolygon::StaticClass(),  &TGLMultiPolygon::StaticClass(),
                                 &TGLExtrusionSolid::StaticClass(), &TGLRevolutionSolid::StaticClass(),
                                 &TGLPipe::StaticClass(),     &TGLEarthSkyDome::StaticClass(),
                                 &TGLFreeForm::StaticClass(), &TGLActor::StaticClass(),   &TGLHeightField::StaticClass(),
                                 &TGLXYZGrid::StaticClass()};
  TGLDummyCube root;
  for (const TClassInfo* info : classes) {
    const std::string& name = info->ClassName();
    SCOPED_TRACE(name);
    ASSERT_EQ(GetClass(name), info);
    TGLBaseSceneObject* made = root.AddNewChild(*GetClass(name));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->ClassName(), name);
  }
}

TEST(DrawableClasses, MeshFilesFindTheMeshModelsClassesByName) {
  const TClassInfo* classes[] = {
      &TMeshObject::StaticClass(),         &TMorphableMeshObject::StaticClass(), &TSkeletonMeshObject::StaticClass(),
      &TMeshMorphTarget::StaticClass(),    &TFGVertexIndexList::StaticClass(),   &TFGVertexNormalTexIndexList::StaticClass(),
      &TFGIndexTexCoordList::StaticClass(), &TFaceGroup::StaticClass(),          &TSkeleton::StaticClass(),
      &TSkeletonFrame::StaticClass(),      &TSkeletonFrameList::StaticClass(),   &TSkeletonBone::StaticClass(),
      &TSkeletonCollider::StaticClass(),   &TSkeletonColliderList::StaticClass(), &TGLAnimationControler::StaticClass(),
      &TGLGLSMVectorFile::StaticClass()};
  for (const TClassInfo* info : classes) EXPECT_EQ(GetClass(info->ClassName()), info) << info->ClassName();
}

TEST(DrawableClasses, FireEffectIsAKnownEffectItem) {
  EXPECT_EQ(FindXCollectionItemClass("TGLBFireFX"), &TGLBFireFX::StaticClass());
  TGLDummyCube object;
  EXPECT_TRUE(object.GetEffects()->CanAdd(TGLBFireFX::StaticClass()));
}

}  // namespace
