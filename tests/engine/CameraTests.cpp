// Node cameras and the orbit camera action.
#include "NodeTestSupport.h"

#include "engine/KSActionCamera.h"
#include "engine/KSCamera.h"

#include <cfloat>
#include <cmath>

using namespace kestrel;
using kestrel_test::EngineTest;

namespace {

using CameraTest = EngineTest;

TEST_F(CameraTest, NewCameraRestsJustInFrontOfItsCentreAndIsNotDirty)
{
    auto node = KSNode::node();
    KSCamera* camera = node->camera();
    EXPECT_EQ(node->camera(), camera) << "made once";
    EXPECT_FALSE(camera->dirty());
    float x, y, z;
    camera->eyeX(&x, &y, &z);
    EXPECT_EQ(z, FLT_EPSILON);
    camera->setCenterX(1, 2, 3);
    EXPECT_TRUE(camera->dirty());
    EXPECT_NE(camera->description().find("| center = (1.00,2.00,3.00)>"), std::string::npos);
    camera->restore();
    EXPECT_FALSE(camera->dirty());
}

TEST_F(CameraTest, OrbitMovesTheEyeFromTheZAxisIntoTheXYPlane)
{
    auto node = KSNode::node();
    auto orbit = KSOrbitCamera::actionWithDuration(1, 1, 0, 0, 90, 0, 0);
    orbit->startWithTarget(node.get());
    orbit->update(0);
    float x, y, z;
    node->camera()->eyeX(&x, &y, &z);
    EXPECT_NEAR(z, FLT_EPSILON, 1e-12);
    orbit->update(1);
    node->camera()->eyeX(&x, &y, &z);
    EXPECT_NEAR(x, FLT_EPSILON, 1e-12);
    EXPECT_NEAR(y, 0, 1e-12);
    EXPECT_NEAR(z, 0, 1e-12);
    EXPECT_TRUE(node->camera()->dirty());
}

TEST_F(CameraTest, SphericalCoordinatesOfACameraAtRest)
{
    auto node = KSNode::node();
    auto orbit = KSOrbitCamera::actionWithDuration(1, 1, 0, 0, 90, 0, 0);
    orbit->startWithTarget(node.get());
    float radius, zenith, azimuth;
    orbit->sphericalRadius(&radius, &zenith, &azimuth);
    EXPECT_FLOAT_EQ(radius, 1);
    EXPECT_FLOAT_EQ(zenith, 0);
    EXPECT_FLOAT_EQ(azimuth, 0);
}

TEST_F(CameraTest, ReversedOrbitPlaysBackwardsInTime)
{
    auto node = KSNode::node();
    auto orbit = KSOrbitCamera::actionWithDuration(1, 1, 0, 0, 90, 0, 0);
    auto reversed = orbit->reverse();
    ASSERT_TRUE(dynamic_cast<KSReverseTime*>(reversed.get()));
    reversed->startWithTarget(node.get());
    reversed->update(0);
    float x, y, z;
    node->camera()->eyeX(&x, &y, &z);
    EXPECT_NEAR(x, FLT_EPSILON, 1e-12) << "starts where the orbit ends";
}

} // namespace
