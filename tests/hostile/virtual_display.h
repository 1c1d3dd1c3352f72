/*
 * VirtualDisplay: a private X server (Xvfb) for one test, so the input it fakes with
 * xdotool reaches no other program's window and no other test's.
 *
 * Xvfb picks a free display number itself. The destructor ends the server. The test's
 * thread alone uses it.
 */
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "child_process.h"

namespace test_support {

class VirtualDisplay {
 public:
  // True if Xvfb, xdotool and ImageMagick's import are all installed.
  static bool tools_available();

  // Starts the server; name() is empty if it did not come up within the deadline.
  explicit VirtualDisplay(std::chrono::milliseconds deadline);
  ~VirtualDisplay();
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  // The display's name for DISPLAY, such as ":3".
  const std::string& name() const { return name_; }

  // Runs a shell command with DISPLAY set to this display; gives its first output line.
  std::string run(const std::string& command) const;

  // How many pixels of the screen are pure red (255, 0, 0), or -1 if it cannot be read.
  long pure_red_pixels() const;

 private:
  std::unique_ptr<ChildProcess> server_;
  std::string name_;
};

}  // namespace test_support
