#include "Pictures.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The share of lit pixels in the bottom middle of the picture: the ground ahead of the camera,
// which a camera beyond the mesh's edge does not have.
double groundAhead(const Screenshot& shot) {
    long lit = 0, total = 0;
    for (int y = shot.height * 3 / 4; y < shot.height; ++y)
        for (int x = shot.width / 3; x < shot.width * 2 / 3; ++x, ++total)
            lit += pictures::luminance(shot.at(x, y)) >= 8;
    return total ? double(lit) / total : 0;
}

} // namespace

// Maps written by gdal_translate (tests/terrain/fixtures/make-raster-fixtures.sh), named as a
// user names them. A map 1201 wide and 600 long, by a name relative to the folder the program
// starts in, far from its textures and shaders: the camera starts over its meshed 513 x 513
// corner. An SRTM tile zipped as it is shipped, with --fit: its 1201 x 1201 samples become a 2049
// grid, meshed whole without a warning.
TEST(RasterEndToEnd, aRasterFromAnotherFolderStartsOverTerrainAndFitMeshesAWholeTile) {
    const std::string fixtures = TERRAINS_SOURCE_DIR "/tests/terrain/fixtures";
    const struct {
        AppLaunch launch;
        const char *picture, *report, *warning;
    } runs[] = {
        {{{}, {"gdal-slope-1201x600.tif"}, fixtures},
         "raster-1201x600.png",
         "Name of raster is gdal-slope-1201x600.tif (GeoTIFF)\nmaxElevation = 2683, minElevation = "
         "-554\nwidth=1201, length=600\n",
         "\tUsing a 513x513 portion of the Heightmap.\n"},
        {{{}, {"--fit", fixtures + "/N19W156.hgt.zip"}},
         "raster-fit-2049.png",
         "width=1201, length=1201\nResampled width=1201, length=1201 to width=2049, length=2049 "
         "(bilinear) to mesh the whole map\n",
         nullptr},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.picture);
        AppRun app(run.launch);
        ASSERT_TRUE(app.waitForFirstFrame() && pictures::waitForNextFrame(app)) << app.errors();
        const Screenshot shot = app.screenshot();
        shot.savePng(artifactPath(run.picture));
        EXPECT_GT(groundAhead(shot), 0.95);
        app.key("q");
        EXPECT_EQ(app.waitForExit(), 0) << app.errors();
        const std::string report = app.output(), errors = app.errors();
        EXPECT_NE(report.find(run.report), std::string::npos) << report;
        if (run.warning)
            EXPECT_NE(errors.find(run.warning), std::string::npos) << errors;
        else
            EXPECT_EQ(errors.find("WARNING"), std::string::npos) << errors;
        EXPECT_EQ(errors.find("OpenGL Error: "), std::string::npos) << errors;
    }
}
