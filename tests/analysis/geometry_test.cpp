// SPDX-License-Identifier: GPL-3.0-or-later
// The wire model of a computed design.
#include "analysis/geometry.h"
#include "analysis_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarvo::analysis {
namespace {

double length(const Wire& wire) {
    return std::hypot(wire.end.x - wire.start.x, wire.end.y - wire.start.y,
                      wire.end.z - wire.start.z);
}

TEST(Geometry, TwoSquareLoopsAndSixDirectorsAlongTheBoom) {
    const DesignState design = test::computedDesign("144");
    const Model model = buildModel(design, {2.05, 4.76}, 40);
    ASSERT_EQ(model.wires.size(), 4U + 4U + 6U);

    // Reflector: 89.35 inches of wire in four sides at x = 0.
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(length(model.wires[i]), 89.35 * 0.0254 / 4, 1e-5);
        EXPECT_EQ(model.wires[i].start.x, 0.0);
        EXPECT_EQ(model.wires[i].metal, Metal::Copper);
        EXPECT_NEAR(model.wires[i].radius, 2.05e-3 / 2, 1e-12);
    }
    // Driven loop: 85.655 inches, at rsp = 17.5162 inches.
    for (std::size_t i = 4; i < 8; ++i) {
        EXPECT_NEAR(length(model.wires[i]), 85.655 * 0.0254 / 4, 1e-5);
        EXPECT_NEAR(model.wires[i].start.x, 17.5162 * 0.0254, 1e-5);
    }
    // Directors: dirN x 12 / 2 inches without the boom correction, at the boom positions.
    const double lengths[] = {36.1405, 35.9887, 35.9237, 35.8592, 35.7932, 35.0180};
    const double positions[] = {32.8689, 64.4269, 83.4439, 110.631, 137.567, 163.570};
    for (std::size_t n = 0; n < 6; ++n) {
        const Wire& rod = model.wires[8 + n];
        EXPECT_NEAR(length(rod), lengths[n] * 0.0254, 1e-5) << "DIR " << n + 1;
        EXPECT_NEAR(rod.start.x, positions[n] * 0.0254, 3e-5) << "DIR " << n + 1;
        EXPECT_NEAR(rod.start.y, -rod.end.y, 1e-12);
        EXPECT_EQ(rod.start.z, 0.0);
        EXPECT_EQ(rod.metal, Metal::Aluminium);
    }
}

TEST(Geometry, MaterialFollowsTheHelpTextsNearestBand) {
    const std::pair<double, Material> cases[] = {
        {50, {2.05, 4.76}},   {144, {2.05, 4.76}}, {222, {2.05, 4.76}},  {300, {1.63, 3.175}},
        {432, {1.63, 3.175}}, {906, {1.02, 1.59}}, {1296, {1.02, 1.59}}, {2400, {1.02, 1.59}},
    };
    for (const auto& [mhz, material] : cases) {
        EXPECT_EQ(recommendedMaterial(mhz).wireDiameterMm, material.wireDiameterMm) << mhz;
        EXPECT_EQ(recommendedMaterial(mhz).rodDiameterMm, material.rodDiameterMm) << mhz;
    }
    EXPECT_NEAR(scaledMaterial(1296).rodDiameterMm, 4.76 * 144 / 1296, 1e-12);
    EXPECT_NEAR(scaledMaterial(1296).wireDiameterMm, 2.05 * 144 / 1296, 1e-12);
}

TEST(Geometry, ADesignNotComputedCannotBeModelled) {
    EXPECT_THROW(buildModel(DesignState{}, {2.05, 4.76}, 40), AnalysisError);
    EXPECT_THROW(buildModel(test::computedDesign("144"), {0, 4.76}, 40), AnalysisError);
    EXPECT_THROW(buildModel(test::computedDesign("144"), {2.05, 4.76}, 2), AnalysisError);
}

} // namespace
} // namespace tarvo::analysis
