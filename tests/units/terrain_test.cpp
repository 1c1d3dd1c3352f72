#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "game_fixture.h"
#include "scratch_folder.h"
#include "unit_builders.h"
#include "units/terrain.h"
#include "units/unit.h"
#include "units/unit_types.h"

using unit_tests::advance;
using unit_tests::listed_unit;

namespace {

// The test map, 40 by 30: water in rows 0..9, land in rows 10..29, and at (30, 20) one
// pixel that differs from land in the lowest bit of blue.
constexpr int map_w = 40;
constexpr int map_h = 30;
constexpr int shore_row = 10;
constexpr int odd_x = 30;
constexpr int odd_y = 20;
constexpr Uint32 one_bit_off_land = land_pixel | 1;

// Writes the test map as a file in the given source layout (24-bit or paletted 8-bit),
// so the loader has to convert it.
void write_map_file(const std::string& path, int source_depth) {
  SDL_Surface* source = nullptr;
  if (source_depth == 8) {
    source = SDL_CreateRGBSurface(SDL_SWSURFACE, map_w, map_h, 8, 0, 0, 0, 0);
    SDL_Color colours[3] = {{0, 128, 255, 0}, {128, 128, 0, 0}, {128, 128, 1, 0}};
    SDL_SetColors(source, colours, 0, 3);
  } else {
    source = SDL_CreateRGBSurface(SDL_SWSURFACE, map_w, map_h, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0);
  }
  ASSERT_NE(source, nullptr);
  const Uint32 water = SDL_MapRGB(source->format, 0, 128, 255);
  const Uint32 land = SDL_MapRGB(source->format, 128, 128, 0);
  SDL_Rect sea{0, 0, map_w, shore_row};
  SDL_Rect ground{0, shore_row, map_w, map_h - shore_row};
  SDL_FillRect(source, &sea, water);
  SDL_FillRect(source, &ground, land);
  SDL_Rect odd{odd_x, odd_y, 1, 1};
  SDL_FillRect(source, &odd, SDL_MapRGB(source->format, 128, 128, 1));
  ASSERT_EQ(SDL_SaveBMP(source, path.c_str()), 0) << SDL_GetError();
  SDL_FreeSurface(source);
}

// Steps the unit once, 50 ms on.
void step_once(Unit& unit, SDL_Surface* map) {
  advance(50);
  unit.step(map);
}

}  // namespace

// Each case at display depths 8, 16 and 32, with the map loaded from a file the test
// writes (and the game's own map in one case): the terrain colours must read the same
// whatever the screen's layout.
class TerrainAtDepth : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    test_support::open_screen(GetParam());
    map = load_map(24);
    ASSERT_NE(map, nullptr);
  }
  void TearDown() override {
    if (map) SDL_FreeSurface(map);
    test_support::close_screen();
  }

  SDL_Surface* load_map(int source_depth) {
    const std::string path = temp_folder.file("map" + std::to_string(source_depth) + ".bmp");
    write_map_file(path, source_depth);
    SDL_Surface* loaded = load_terrain_map(path.c_str());
    std::remove(path.c_str());
    return loaded;
  }

  test_support::ScratchFolder temp_folder{"quorvale-terrain"};
  SDL_Surface* map = nullptr;
};

INSTANTIATE_TEST_SUITE_P(DisplayDepths, TerrainAtDepth, ::testing::Values(8, 16, 32),
                         [](const auto& info) { return std::to_string(info.param) + "bit"; });

TEST_P(TerrainAtDepth, TheMapReadsExactRawColoursInsideAndZeroFromTheEdgeOut) {
  for (int source_depth : {24, 8}) {
    SDL_Surface* loaded = source_depth == 24 ? map : load_map(8);
    ASSERT_NE(loaded, nullptr);
    SCOPED_TRACE(source_depth);
    EXPECT_EQ(map_pixel(loaded, 0, 0), water_pixel);
    EXPECT_EQ(map_pixel(loaded, 5, shore_row - 1), water_pixel);
    EXPECT_EQ(map_pixel(loaded, 5, shore_row), land_pixel);
    EXPECT_EQ(map_pixel(loaded, odd_x, odd_y), one_bit_off_land);
    EXPECT_EQ(map_pixel(loaded, map_w - 1, map_h - 1), land_pixel);
    EXPECT_EQ(map_pixel(loaded, map_w, map_h - 1), 0u) << "x equal to the width";
    EXPECT_EQ(map_pixel(loaded, map_w - 1, map_h), 0u) << "y equal to the height";
    EXPECT_EQ(map_pixel(loaded, -1, 0), 0u);
    EXPECT_EQ(map_pixel(loaded, 0, -1), 0u);
    EXPECT_EQ(map_pixel(loaded, INT32_MAX, INT32_MIN), 0u);
    if (loaded != map) SDL_FreeSurface(loaded);
  }
}

// The game's own map, loaded at every depth: large, with room for land and water units.
TEST_P(TerrainAtDepth, TheGameMapHasRoomForLandAndWaterUnits) {
  SDL_Surface* game_map = load_terrain_map("gfx\\map1.png");
  ASSERT_NE(game_map, nullptr);
  EXPECT_GE(game_map->w, 1600);
  EXPECT_GE(game_map->h, 1200);
  long land = 0, water = 0;
  for (int y = 0; y < game_map->h; ++y)
    for (int x = 0; x < game_map->w; ++x) {
      const Uint32 pixel = map_pixel(game_map, x, y);
      land += pixel == land_pixel;
      water += pixel == water_pixel;
    }
  const long all = static_cast<long>(game_map->w) * game_map->h;
  EXPECT_GT(land, all / 4);
  EXPECT_GT(water, all / 10);
  SDL_FreeSurface(game_map);
}

TEST_P(TerrainAtDepth, ALandUnitIsRefusedByAPixelOneBitOffOliveAndByWater) {
  Unit& into_odd = listed_unit(tank, odd_x + 0.5f, odd_y + 3.5f, 0, 3);
  step_once(into_odd, map);
  EXPECT_EQ(into_odd.y, odd_y + 3.5f);
  EXPECT_EQ(into_odd.pos.y, odd_y + 3);
  // A snapshot sets x and y but not pos, so the next test still starts from pos; even a
  // refused step then brings pos to the new position.
  into_odd.x = 5.5f;
  step_once(into_odd, map);
  EXPECT_EQ(into_odd.y, odd_y + 3.5f);
  EXPECT_EQ(into_odd.pos.x, 5);

  Unit& into_water = listed_unit(tank, 5.5f, shore_row + 0.5f, 0, 2);
  step_once(into_water, map);
  EXPECT_EQ(into_water.y, shore_row + 0.5f);

  Unit& on_land = listed_unit(tank, 5.5f, odd_y + 3.5f, 0, 3);
  step_once(on_land, map);
  EXPECT_EQ(on_land.y, odd_y + 0.5f) << "the same move over plain land is allowed";

  Unit& boat = listed_unit(cruiser, 5.5f, 5.5f, 0, 3);
  step_once(boat, map);
  EXPECT_EQ(boat.y, 2.5f);
  Unit& beaching = listed_unit(cruiser, 5.5f, shore_row - 0.5f, 180, 3);
  step_once(beaching, map);
  EXPECT_EQ(beaching.y, shore_row - 0.5f) << "a boat is refused by land";
}

TEST_P(TerrainAtDepth, ALandUnitStopsAtTheShoreAndMovesAgainOnceTurnedAway) {
  Unit& tank_unit = listed_unit(tank, 10.5f, 20.5f, 0, 3);
  for (int i = 0; i < 6; ++i) step_once(tank_unit, map);
  EXPECT_EQ(tank_unit.y, 11.5f) << "three moves, then the next point is water";
  EXPECT_EQ(tank_unit.x, 10.5f);
  EXPECT_EQ(tank_unit.speed, 3) << "a refused unit keeps its speed";

  // Turning left 5 degrees a step: the tested point is the integer position less each
  // truncated displacement, so at 45 degrees (2.12 up) it is still water, at 50 (1.93) land.
  tank_unit.turn = -1;
  for (int heading = 5; heading <= 45; heading += 5) {
    step_once(tank_unit, map);
    ASSERT_EQ(tank_unit.heading, heading);
    EXPECT_EQ(tank_unit.x, 10.5f) << "heading " << heading;
    EXPECT_EQ(tank_unit.y, 11.5f) << "heading " << heading;
  }
  step_once(tank_unit, map);
  EXPECT_EQ(tank_unit.heading, 50);
  EXPECT_LT(tank_unit.x, 10.5f - 2);
  EXPECT_LT(tank_unit.y, 11.5f - 1);
}

TEST_P(TerrainAtDepth, AnAnyTerrainUnitCrossesWaterAndLeavesTheMap) {
  Unit& plane = listed_unit(airplane, 20.5f, 15.5f, 0, 5);
  for (float y : {10.5f, 5.5f, 0.5f, -4.5f}) {
    step_once(plane, map);
    EXPECT_EQ(plane.y, y);
  }
  EXPECT_EQ(plane.pos.y, -4) << "truncated toward zero";
}

TEST_P(TerrainAtDepth, ALandUnitCannotLeaveTheMap) {
  Unit& at_left_edge = listed_unit(tank, 0.5f, 20.5f, 90, 3);
  step_once(at_left_edge, map);
  EXPECT_EQ(at_left_edge.x, 0.5f);

  Unit& at_bottom_edge = listed_unit(tank, 20.5f, map_h - 0.5f, 180, 1);
  step_once(at_bottom_edge, map);
  EXPECT_EQ(at_bottom_edge.y, map_h - 0.5f);
}

// A map whose rows are longer than its width (padding at the end of each row): pixels
// are found by the row length, and the padding is outside the map.
TEST(MapPixel, FindsRowsByPitchAndReadsNothingPastTheWidth) {
  constexpr int w = 3, h = 2, row_length = 5;
  Uint32 pixels[row_length * h] = {1, 2, 3, land_pixel, land_pixel,
                                   4, 5, 6, land_pixel, land_pixel};
  SDL_Surface* map = SDL_CreateRGBSurfaceFrom(pixels, w, h, 32, row_length * 4, 0x00FF0000,
                                              0x0000FF00, 0x000000FF, 0);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map_pixel(map, 0, 1), 4u);
  EXPECT_EQ(map_pixel(map, 2, 1), 6u);
  EXPECT_EQ(map_pixel(map, 3, 0), 0u);
  EXPECT_EQ(map_pixel(map, 4, 1), 0u);
  SDL_FreeSurface(map);
}
