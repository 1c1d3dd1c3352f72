#include <SDL/SDL.h>

#include <cstdio>
#include <string>

#include "game_fixture.h"
#include "scratch_folder.h"
#include "units/terrain.h"

// The map must read as raw 0x00RRGGBB whatever the display's depth.
class TerrainLayoutTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { test_support::open_screen(GetParam()); }
  void TearDown() override { test_support::close_screen(); }
};

TEST_P(TerrainLayoutTest, LandAndWaterReadAsTheirExactColoursAtEveryDisplayDepth) {
  // A 24-bit picture file, as a painter would save it: land, water, and a rock.
  SDL_Surface* painted = SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 1, 24, 0xFF, 0xFF00, 0xFF0000, 0);
  ASSERT_NE(painted, nullptr);
  const SDL_Rect land_cell{0, 0, 1, 1}, water_cell{1, 0, 1, 1}, rock_cell{2, 0, 1, 1};
  SDL_FillRect(painted, const_cast<SDL_Rect*>(&land_cell),
               SDL_MapRGB(painted->format, 128, 128, 0));
  SDL_FillRect(painted, const_cast<SDL_Rect*>(&water_cell),
               SDL_MapRGB(painted->format, 0, 128, 255));
  SDL_FillRect(painted, const_cast<SDL_Rect*>(&rock_cell),
               SDL_MapRGB(painted->format, 128, 128, 1));
  const test_support::ScratchFolder folder("quorvale-terrain");
  const std::string file = folder.file("painted.bmp");
  ASSERT_EQ(SDL_SaveBMP(painted, file.c_str()), 0);
  SDL_FreeSurface(painted);

  SDL_Surface* map = load_terrain_map(file.c_str());
  std::remove(file.c_str());
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map_pixel(map, 0, 0), land_pixel);
  EXPECT_EQ(map_pixel(map, 1, 0), water_pixel);
  EXPECT_EQ(map_pixel(map, 2, 0), 0x808001u);
  EXPECT_EQ(map_pixel(map, 3, 0), 0u) << "outside the map";
  SDL_FreeSurface(map);
}

TEST_P(TerrainLayoutTest, TheGameMapHasRoomForLandAndWaterUnits) {
  SDL_Surface* map = load_terrain_map("gfx\\map1.png");
  ASSERT_NE(map, nullptr);
  EXPECT_GE(map->w, 1600);
  EXPECT_GE(map->h, 1200);
  long land = 0, water = 0;
  for (int y = 0; y < map->h; ++y)
    for (int x = 0; x < map->w; ++x) {
      const Uint32 pixel = map_pixel(map, x, y);
      land += pixel == land_pixel;
      water += pixel == water_pixel;
    }
  const long all = static_cast<long>(map->w) * map->h;
  EXPECT_GT(land, all / 4);
  EXPECT_GT(water, all / 10);
  SDL_FreeSurface(map);
}

INSTANTIATE_TEST_SUITE_P(DisplayDepths, TerrainLayoutTest, ::testing::Values(8, 16, 32));
