#include <SDL/SDL.h>

#include <string>
#include <vector>

#include "game_fixture.h"
#include "surfaces.h"
#include "units/shot.h"
#include "units/terrain.h"
#include "units/unit.h"
#include "view/draw_frame.h"
#include "view/player.h"

using namespace view_test;

namespace {

// The screen at a given depth, the real map, and every kind of picture the game draws.
class MagentaTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    test_support::open_screen(GetParam());
    map = load_terrain_map("gfx\\map1.png");
    ASSERT_NE(map, nullptr);
  }
  void TearDown() override {
    SDL_FreeSurface(map);
    test_support::close_screen();
  }

  // Screen pixels that read back as magenta, or as the palette entry magenta maps to.
  int magenta_pixels() const {
    int count = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        if (screen_colour(x, y) == screen_magenta) ++count;
    return count;
  }

  // Screen pixels that differ from a frame of the map alone.
  int pixels_unlike(const std::vector<Uint32>& frame) const {
    int count = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        if (screen_colour(x, y) != frame[static_cast<std::size_t>(y * 640 + x)]) ++count;
    return count;
  }

  std::vector<Uint32> whole_screen() const {
    std::vector<Uint32> frame;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) frame.push_back(screen_colour(x, y));
    return frame;
  }

  SDL_Surface* map = nullptr;
  Uint32 screen_magenta = 0;
};

TEST_P(MagentaTest, NoMagentaReachesTheScreen) {
  Uint8 r, g, b;
  SDL_GetRGB(SDL_MapRGB(world.screen->format, 255, 0, 255), world.screen->format, &r, &g, &b);
  screen_magenta = static_cast<Uint32>(r) << 16 | static_cast<Uint32>(g) << 8 | b;

  // The frame below holds a unit at (800, 600), so its view is (480, 360).
  SDL_Rect view{480, 360, 640, 480};
  SDL_UpperBlit(map, &view, world.screen, nullptr);
  ASSERT_EQ(magenta_pixels(), 0) << "the map itself holds no magenta";
  const std::vector<Uint32> map_only = whole_screen();

  int16_t id = 1;
  world.units.push_back(new Unit(test_support::record(id++, 1, 800, 600)));
  // Every unit type's own picture at many headings, across the view.
  const int16_t headings[] = {0, 17, 45, 90, 135, 180, 200, 271, 359};
  for (int16_t type = -1; type <= 7; ++type)
    for (int column = 0; column < 9; ++column)
      world.units.push_back(new Unit(test_support::record(
          id++, type, 520.0f + 60 * column, 400.0f + 45 * (type + 1), headings[column])));
  // Pictures of our own: magenta ground, kept as the game keeps unit pictures; the last
  // hangs over the view's bottom edge.
  for (int column = 0; column < 5; ++column) {
    SDL_Surface* picture = make_picture(21, 21, magenta);
    paint(picture, 8, 2, 5, 17, 0x20C040);
    add_unit(id++, 520.0f + 60 * column, column == 4 ? 835.0f : 815.0f, headings[column * 2],
             picture);
  }
  // Explosions (the picture as its file holds it) and shots, some over the top edge.
  for (int i = 0; i < 6; ++i) {
    const int16_t x = static_cast<int16_t>(500 + 110 * i);
    world.shots.push_back(new Shot(explosion, 0, 10, x, i % 2 ? 365 : 420, x, 421));
    world.shots.push_back(new Shot(projectile, 5, 0, x, 835, 0, 0));
  }
  Player player;
  player.select_unit(0);
  draw_frame(map, player);
  ASSERT_EQ(player.view.x, view.x);
  ASSERT_EQ(player.view.y, view.y);

  EXPECT_EQ(magenta_pixels(), 0);
  EXPECT_GT(pixels_unlike(map_only), 85 * 150) << "the units and shots were drawn";
}

INSTANTIATE_TEST_SUITE_P(ScreenDepths, MagentaTest, ::testing::Values(8, 16, 32),
                         [](const auto& info) { return std::to_string(info.param) + "Bits"; });

}  // namespace
