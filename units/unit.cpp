#include "units/unit.h"

#include "units/clock.h"
#include "units/picture.h"
#include "units/step_interval.h"
#include "units/terrain.h"
#include "units/truncate.h"
#include "units/unit_motion.h"
#include "units/unit_types.h"

Unit::Unit(const UnitRecord& record) {
  heading = 0;
  speed = 0;
  throttle = 0;
  turn = 0;
  last_step = game_ticks();
  image = nullptr;
  reload[0] = reload[1] = 500;
  last_fire[0] = game_ticks();
  last_fire[1] = game_ticks();
  set_type(record.type);
  stale = false;
  heading = record.heading;
  speed = record.speed;
  x = record.x;
  y = record.y;
  id = record.id;
  pos = SDL_Rect{truncate_to_i16(x), truncate_to_i16(y), 0, 0};
}

void Unit::set_type(int new_type) {
  if (image) SDL_FreeSurface(image);
  type = new_type;
  const UnitTypeRow& row = unit_type_row(new_type);
  min_speed = row.min_speed;
  max_speed = row.max_speed;
  accel = row.accel;
  decel = row.decel;
  turn_rate = row.turn_rate;
  terrain = row.terrain;
  // Every unit loads its own copy; nothing is shared between units.
  image = load_unit_picture(row.image_file);
}

void Unit::step(SDL_Surface* map) {
  if (!interval_passed(game_ticks(), last_step, step_interval_ms)) return;
  last_step = game_ticks();
  const MotionLimits limits{min_speed, max_speed, accel,
                            decel,     turn_rate, static_cast<Terrain>(terrain)};
  UnitMotion motion{x, y, pos.x, pos.y, heading, speed, throttle, turn, limits};
  take_step(motion, SurfacePixels(map));
  x = motion.x;
  y = motion.y;
  pos.x = motion.pos_x;
  pos.y = motion.pos_y;
  heading = motion.heading;
  speed = motion.speed;
}
