#include "Pictures.h"

#include <gtest/gtest.h>

#include <string>

// Maps written by gdal_translate (tests/terrain/fixtures/make-raster-fixtures.sh), given on the
// command line as a user gives them.
namespace {

const std::string kFixtures = TERRAINS_SOURCE_DIR "/tests/terrain/fixtures";

// The share of lit pixels in the bottom middle of the picture: the ground ahead of the camera,
// which a camera beyond the mesh's edge does not have.
double groundAhead(const Screenshot& shot) {
    long lit = 0, total = 0;
    for (int y = shot.height * 3 / 4; y < shot.height; ++y)
        for (int x = shot.width / 3; x < shot.width * 2 / 3; ++x, ++total)
            lit += pictures::luminance(shot.at(x, y)) >= 8;
    return total ? double(lit) / total : 0;
}

struct Flight {
    std::string report, errors;
    double ground = 0;
};

// Starts the program, waits for a frame drawn after the first, photographs it and quits.
Flight fly(const AppLaunch& launch, const std::string& picture) {
    Flight flight;
    AppRun app(launch);
    EXPECT_TRUE(app.waitForFirstFrame() && pictures::waitForNextFrame(app)) << app.errors();
    const Screenshot shot = app.screenshot();
    shot.savePng(artifactPath(picture));
    flight.ground = groundAhead(shot);
    app.key("q");
    EXPECT_EQ(app.waitForExit(), 0) << app.errors();
    flight.report = app.output();
    flight.errors = app.errors();
    EXPECT_EQ(flight.errors.find("OpenGL Error: "), std::string::npos) << flight.errors;
    return flight;
}

} // namespace

// Run from the fixtures' folder with a name relative to it: the textures and shaders are found
// beside the program. The map is 1201 wide and 600 long; its meshed corner is 513 x 513, and the
// camera starts over it.
TEST(RasterEndToEnd, aRasterGivenFromAnotherFolderStartsOverTheMeshedTerrain) {
    AppLaunch launch;
    launch.directory = kFixtures;
    launch.arguments = {"gdal-slope-1201x600.tif"};
    const Flight flight = fly(launch, "raster-1201x600.png");
    EXPECT_NE(flight.report.find("Name of raster is gdal-slope-1201x600.tif (GeoTIFF)\n"
                                 "maxElevation = 2683, minElevation = -554\n"
                                 "width=1201, length=600\n"),
              std::string::npos)
        << flight.report;
    EXPECT_NE(flight.errors.find("\tUsing a 513x513 portion of the Heightmap.\n"),
              std::string::npos);
    EXPECT_GT(flight.ground, 0.95);
}

// A one-degree SRTM tile, zipped as it is shipped: --fit resamples its 1201 x 1201 samples to
// 2049 x 2049, and the mesh takes all of them without a warning.
TEST(RasterEndToEnd, fitMeshesAWhole1201TileAsA2049Grid) {
    AppLaunch launch;
    launch.arguments = {"--fit", kFixtures + "/N19W156.hgt.zip"};
    const Flight flight = fly(launch, "raster-fit-2049.png");
    EXPECT_NE(flight.report.find("width=1201, length=1201\nResampled width=1201, length=1201 to "
                                 "width=2049, length=2049 (bilinear) to mesh the whole map\n"),
              std::string::npos)
        << flight.report;
    EXPECT_EQ(flight.errors.find("WARNING"), std::string::npos) << flight.errors;
    EXPECT_GT(flight.ground, 0.95);
}
