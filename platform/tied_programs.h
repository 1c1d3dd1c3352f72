/*
 * Programs this one starts that cannot outlive it: the launcher's private server, and the
 * game it hands over to. However this process ends (a return from main, a crash, a kill
 * that no handler sees), the system ends them as well: on Linux the kernel kills each one
 * when its parent dies (PR_SET_PDEATHSIG); on Windows they run in a job object that kills
 * them all when its last handle, held by this process alone, closes with it.
 *
 * tied_programs_posix.cpp and tied_programs_windows.cpp each keep this contract. Main
 * thread only: Linux ties a child to the thread that started it.
 */
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// The folder of this program's own executable; empty, with `error` saying why, if the
// system cannot tell.
std::filesystem::path own_program_folder(std::string& error);

class TiedProgram {
 public:
  // Starts `program` with `arguments` in `folder`, with no console of its own and its
  // stdout and stderr written to the file `log` (made afresh). Null, with `error` saying
  // why, if it cannot start.
  static std::unique_ptr<TiedProgram> start(const std::filesystem::path& program,
                                            const std::vector<std::string>& arguments,
                                            const std::filesystem::path& folder,
                                            const std::filesystem::path& log, std::string& error);
  // Ends the program if it still runs.
  ~TiedProgram();
  TiedProgram(const TiedProgram&) = delete;
  TiedProgram& operator=(const TiedProgram&) = delete;

  // Whether the program has ended, without waiting.
  bool has_ended();

 private:
  struct Platform;
  explicit TiedProgram(std::unique_ptr<Platform> platform);
  std::unique_ptr<Platform> platform_;
};

// Runs `program` in `folder` in this process's stead, on its console and with its output:
// on Linux it replaces this process (the same process id, so the programs tied to this one
// now end with it); on Windows it runs tied to this process, which waits for it. Returns
// its exit status on Windows. Returns -1, with `error` saying why, if it cannot start; on
// Linux it returns only then.
int hand_over_to(const std::filesystem::path& program, const std::filesystem::path& folder,
                 std::string& error);
