#include <SDL/SDL.h>

#include <string>
#include <vector>

#include "game_fixture.h"
#include "surfaces.h"
#include "units/picture_format.h"
#include "units/shot.h"
#include "units/terrain.h"
#include "units/unit.h"
#include "view/draw_frame.h"
#include "view/player.h"

using namespace view_test;

namespace {

// Red 248, blue 248: a colour of the pictures that 16- and 8-bit screens store like magenta.
constexpr Uint32 near_magenta = 0xF800F8;

// The frame's view: the held unit stands at (800, 600).
constexpr int view_x = 480;
constexpr int view_y = 360;

// Draws one frame on the open screen, the way the game does: the real map through its copy
// in the screen's format, every unit type's picture at many headings, pictures of our own
// with magenta ground, explosions and shots, some of each over the view's edges. Returns
// the frame as 0x00RRGGBB colours and its raw pixel values; `true_map` gets the map's own
// colours under the view.
void draw_scene(std::vector<Uint32>& colours, std::vector<Uint32>& pixels,
                std::vector<Uint32>& true_map) {
  SDL_Surface* map = load_terrain_map("gfx\\map1.png");
  ASSERT_NE(map, nullptr);
  SDL_Surface* drawn_map = display_format_copy(map);
  ASSERT_NE(drawn_map, nullptr);

  int16_t id = 1;
  world.units.push_back(new Unit(test_support::record(id++, 1, 800, 600)));
  const int16_t headings[] = {0, 17, 45, 90, 135, 180, 200, 271, 359};
  for (int16_t type = -1; type <= 7; ++type)
    for (int column = 0; column < 9; ++column)
      world.units.push_back(new Unit(test_support::record(
          id++, type, 520.0f + 60 * column, 400.0f + 45 * (type + 1), headings[column])));
  for (int column = 0; column < 5; ++column) {
    SDL_Surface* picture = make_picture(21, 21, magenta);
    paint(picture, 8, 2, 5, 17, 0x20C040);
    paint(picture, 3, 4, 2, 13, near_magenta);
    add_unit(id++, 520.0f + 60 * column, column == 4 ? 835.0f : 815.0f, headings[column * 2],
             picture);
  }
  for (int i = 0; i < 6; ++i) {
    const int16_t x = static_cast<int16_t>(500 + 110 * i);
    world.shots.push_back(new Shot(explosion, 0, 10, x, i % 2 ? 365 : 420, x, 421));
    world.shots.push_back(new Shot(projectile, 5, 0, x, 835, 0, 0));
  }
  Player player;
  player.select_unit(0);
  draw_frame(drawn_map, player);
  ASSERT_EQ(player.view.x, view_x);
  ASSERT_EQ(player.view.y, view_y);

  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      colours.push_back(screen_colour(x, y));
      pixels.push_back(screen_pixel(x, y));
      true_map.push_back(map_pixel(map, view_x + x, view_y + y));
    }
  SDL_FreeSurface(drawn_map);
  SDL_FreeSurface(map);
}

class FrameColoursTest : public ::testing::TestWithParam<int> {
 protected:
  void TearDown() override {
    if (world.screen) test_support::close_screen();
  }
};

// The frame on a 32-bit screen holds the pictures' own colours; at every depth, each
// screen pixel must be SDL_MapRGB of that colour, on the classic library and on
// sdl12-compat alike. Only magenta is transparent.
TEST_P(FrameColoursTest, EveryPixelIsTheScreensMappingOfTheTrueColour) {
  std::vector<Uint32> truth, unused, true_map;
  test_support::open_screen(32);
  draw_scene(truth, unused, true_map);
  test_support::close_screen();
  if (HasFatalFailure()) return;
  int magenta_shown = 0, unlike_map = 0;
  for (std::size_t i = 0; i < truth.size(); ++i) {
    magenta_shown += truth[i] == magenta;
    unlike_map += truth[i] != true_map[i];
  }
  ASSERT_EQ(magenta_shown, 0);
  ASSERT_GT(unlike_map, 85 * 150) << "the units and shots were drawn";

  std::vector<Uint32> colours, pixels;
  true_map.clear();
  test_support::open_screen(GetParam());
  draw_scene(colours, pixels, true_map);
  SDL_PixelFormat* format = world.screen->format;
  const Uint32 key = SDL_MapRGB(format, 255, 0, 255);
  int wrong_map = 0, wrong_pictures = 0;
  std::size_t first_wrong = truth.size();
  for (std::size_t i = 0; i < truth.size(); ++i) {
    const Uint32 colour = truth[i];
    const Uint32 expected = SDL_MapRGB(format, colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF);
    // A colour the screen stores as magenta is drawn as its nearest other value.
    const bool right =
        expected == key && colour != magenta ? pixels[i] != key : pixels[i] == expected;
    if (right) continue;
    ++(colour == true_map[i] ? wrong_map : wrong_pictures);
    if (first_wrong == truth.size()) first_wrong = i;
  }
  EXPECT_EQ(wrong_map, 0) << "pixels in a wrong colour where the map shows";
  EXPECT_EQ(wrong_pictures, 0) << "pixels in a wrong colour where a unit or shot shows";
  if (first_wrong < truth.size())
    ADD_FAILURE() << "first at " << first_wrong % 640 << "," << first_wrong / 640 << ": "
                  << std::hex << colours[first_wrong] << " for " << truth[first_wrong];
}

INSTANTIATE_TEST_SUITE_P(ScreenDepths, FrameColoursTest, ::testing::Values(8, 16, 24, 32),
                         [](const auto& info) { return std::to_string(info.param) + "Bits"; });

}  // namespace
