/*
 * Fuzz target: whatever a server may send, through the client's own snapshot road.
 *
 * The input is the byte stream of one connection. It is cut into 1024-byte messages the
 * way the read loop cuts it (a short tail is dropped, as a connection cut mid-message
 * drops it); each is published as the network thread publishes it, taken and applied
 * as a frame takes and applies it, and the units then step over the map. Bytes 1..7 of
 * a message and its last 8 bytes (past the 63rd record) are unused by the client, so
 * the harness reads its frame from them: whether another message arrives before the
 * frame takes this one, how far the clock moves, how many unit passes run, which list
 * position the Player selects, whether it fires, runs a shot pass or draws, and which
 * keys and mouse buttons are held where. Each input starts from an empty World.
 *
 * The pictures and the map are the small ones of fuzz/small_game_files.h, read by the
 * game's own loading code from a scratch folder.
 */
#include <SDL/SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "core/frame_loop.h"
#include "core/shot_pass.h"
#include "core/world.h"
#include "fuzz/fuzz_checks.h"
#include "fuzz/scratch_folder.h"
#include "fuzz/small_game_files.h"
#include "net/apply_snapshot.h"
#include "net/tcp_client.h"
#include "units/clock.h"
#include "units/terrain.h"
#include "units/unit.h"
#include "view/controls.h"
#include "view/draw_frame.h"
#include "view/input_seam.h"
#include "view/player.h"

// Hands a message to the client as if its read had just completed.
struct CompletedReadFeed {
  static void deliver(tcp_client& client, const unsigned char* message) {
    std::memcpy(client.read_buffer, message, snapshot_message_size);
    client.publish_snapshot();
  }
};

namespace {

// What the unused bytes of one message ask the harness to do in its frame.
struct FrameScript {
  bool arrives_with_next;  // left pending: the next message replaces it
  bool shot_pass;
  bool draw;
  bool fire[2];
  int unit_passes;
  Uint32 ms_per_pass;
  int8_t select;
  int16_t target_x;
  int16_t target_y;
  uint8_t keys;        // bits: a, d, w, s, q, Escape
  uint8_t number_key;  // 1..6 hold 0..5; anything else none
  uint8_t buttons;     // bit 0 left, bit 1 right
  int16_t mouse_x;
  int16_t mouse_y;
};

// Where the held input sits: the last 8 bytes, which no record reaches.
constexpr std::size_t input_offset =
    snapshot_records_offset + unit_record_size * snapshot_max_records;

// Reads the frame script from bytes 1..7 and the last 8 bytes of a message.
FrameScript read_script(const unsigned char* message) {
  const unsigned char flags = message[1];
  FrameScript script;
  script.arrives_with_next = flags & 0x01;
  script.shot_pass = flags & 0x02;
  script.draw = flags & 0x04;
  script.fire[0] = flags & 0x08;
  script.fire[1] = flags & 0x10;
  script.unit_passes = flags >> 5;
  script.ms_per_pass = message[2];
  script.select = static_cast<int8_t>(message[3]);
  script.target_x = static_cast<int16_t>(wire::read_u16(message + 4));
  script.target_y = static_cast<int16_t>(wire::read_u16(message + 6));
  const unsigned char* input = message + input_offset;
  script.keys = input[0];
  script.number_key = input[1];
  script.buttons = input[2];
  script.mouse_x = static_cast<int16_t>(wire::read_u16(input + 3));
  script.mouse_y = static_cast<int16_t>(wire::read_u16(input + 5));
  return script;
}

// A few hundred milliseconds before the clock wraps, so longer inputs step across it.
constexpr Uint32 clock_start = 0xFFFFFF00u;
Uint32 clock_now = clock_start;
// The game's clock while fuzzing: moved only by the frame scripts.
Uint32 read_clock() { return clock_now; }

// The held keys and mouse while fuzzing: set by the frame scripts.
Uint8 held_keys[SDLK_LAST];
Uint8 held_buttons = 0;
int held_mouse_x = 0;
int held_mouse_y = 0;
Uint8* read_keys(int* numkeys) {
  if (numkeys) *numkeys = SDLK_LAST;
  return held_keys;
}
Uint8 read_mouse(int* x, int* y) {
  if (x) *x = held_mouse_x;
  if (y) *y = held_mouse_y;
  return held_buttons;
}

void hold_input(const FrameScript& script) {
  const SDLKey steering[] = {SDLK_a, SDLK_d, SDLK_w, SDLK_s, SDLK_q, SDLK_ESCAPE};
  for (int bit = 0; bit < 6; ++bit) held_keys[steering[bit]] = (script.keys >> bit) & 1;
  for (int key = SDLK_0; key <= SDLK_5; ++key)
    held_keys[key] = script.number_key == key - SDLK_0 + 1;
  held_buttons = ((script.buttons & 1) ? SDL_BUTTON(SDL_BUTTON_LEFT) : 0) |
                 ((script.buttons & 2) ? SDL_BUTTON(SDL_BUTTON_RIGHT) : 0);
  held_mouse_x = script.mouse_x;
  held_mouse_y = script.mouse_y;
}

SDL_Surface* map = nullptr;
Player* player = nullptr;
io_service* io = nullptr;
tcp_client* client = nullptr;

// After a snapshot: the list holds one unit per distinct id of the records, and the
// Player holds nothing or a unit of the list.
void check_world(const UnitRecord* records, int count) {
  std::set<int16_t> ids;
  for (int i = 0; i < count; ++i) ids.insert(records[i].id);
  require(world.units.size() == ids.size(), "one unit per distinct id of the snapshot");
  for (const Unit* unit : world.units) require(ids.count(unit->id) == 1, "only listed ids");
}

void check_player() {
  if (!player->unit) return;
  bool listed = false;
  for (const Unit* unit : world.units) listed = listed || unit == player->unit;
  require(listed, "the Player holds a unit of the list");
}

// One frame as the loop runs it: take and apply, select, the held input, step, fire,
// shot pass, draw.
void run_frame(const FrameScript& script) {
  UnitRecord records[tcp_client::store_size];
  int16_t count = 0;
  if (!script.arrives_with_next && client->take_snapshot(records, count)) {
    require(count <= snapshot_max_records, "no more records than a message holds");
    apply_snapshot(records, count);
    check_world(records, count > 0 ? count : 0);
    check_player();
  }
  player->select_unit(script.select);
  check_player();
  hold_input(script);
  handle_input(*player);
  check_player();
  for (int pass = 0; pass < script.unit_passes; ++pass) {
    clock_now += script.ms_per_pass;
    run_unit_pass(map);
  }
  for (int weapon = 0; weapon < 2; ++weapon)
    if (script.fire[weapon] && player->unit)
      player->unit->fire(weapon, script.target_x, script.target_y);
  if (script.shot_pass) run_shot_pass();
  if (script.draw) draw_frame(map, *player);
}

// Back to an empty World, an unheld Player, no pending snapshot and the start clock.
void reset_game() {
  world.clear();
  player->select_unit(-1);
  UnitRecord scratch[tcp_client::store_size];
  int16_t count = 0;
  client->take_snapshot(scratch, count);
  clock_now = clock_start;
  hold_input(FrameScript{});
  std::srand(1);
}

}  // namespace

// Writes the small game folder, opens the dummy screen and the map once, and makes the
// Player and a client with no server.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  keep_findings_in_start_folder(argc, argv);
  make_scratch_folder("snapshot_stream_fuzzer");
  write_small_game_files();
  // The client's progress lines would drown libFuzzer's own.
  if (!std::freopen("/dev/null", "w", stdout)) return 0;
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "snapshot_stream_fuzzer: cannot start SDL (%s)\n", SDL_GetError());
    std::exit(1);
  }
  world.screen = SDL_SetVideoMode(screen_width, screen_height, 32, SDL_SWSURFACE);
  {
    InScratchFolder in_scratch;
    map = load_terrain_map("gfx\\map1.png");
  }
  if (!world.screen || !map) {
    std::fprintf(stderr, "snapshot_stream_fuzzer: no screen or no map (%s)\n", SDL_GetError());
    std::exit(1);
  }
  game_ticks = read_clock;
  input_seam.key_state = read_keys;
  input_seam.mouse_state = read_mouse;
  player = new Player();
  io = new io_service();
  client = new tcp_client(*io, endpoint_list());
  reset_game();
  return 0;
}

// Plays one input's stream message by message from an empty World.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InScratchFolder in_scratch;
  for (std::size_t at = 0; at + snapshot_message_size <= size; at += snapshot_message_size) {
    CompletedReadFeed::deliver(*client, data + at);
    run_frame(read_script(data + at));
  }
  // Nothing may outlive the input: libFuzzer counts what is left as a leak.
  reset_game();
  return 0;
}
