/*
 * The shot pass: once per frame, every Shot shakes (explosions), steps, and is kept,
 * removed, or replaced by the Shot its step asks for. Main thread only.
 */
#pragma once

// Walks the World's shot list by position; Shots appended on the way are reached too.
void run_shot_pass();
