#include "virtual_display.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

namespace test_support {

namespace {

// Everything a shell command writes on stdout.
std::string output_of(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[65536];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

}  // namespace

bool VirtualDisplay::tools_available() {
  return access("/usr/bin/Xvfb", X_OK) == 0 && access("/usr/bin/xdotool", X_OK) == 0 &&
         access("/usr/bin/import", X_OK) == 0;
}

VirtualDisplay::VirtualDisplay(std::chrono::milliseconds deadline) {
  // -displayfd 1: Xvfb takes a free number and writes it on stdout once it is ready.
  server_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "800x600x24",
                               "-nolisten", "tcp", "-noreset"},
      std::vector<std::string>{}, "/");
  if (!server_->wait_for_stdout("\n", deadline)) return;
  const std::string& out = server_->out();
  name_ = ":" + out.substr(0, out.find('\n'));
}

VirtualDisplay::~VirtualDisplay() {
  // A terminated Xvfb removes its lock file; a killed one would leave it behind.
  server_->signal(SIGTERM);
  server_->wait_for_exit(std::chrono::milliseconds(5000));
}

std::string VirtualDisplay::run(const std::string& command) const {
  const std::string output = output_of("DISPLAY=" + name_ + " " + command + " 2>/dev/null");
  return output.substr(0, output.find('\n'));
}

long VirtualDisplay::pure_red_pixels() const {
  const std::string image =
      output_of("import -display " + name_ + " -window root -depth 8 ppm:- 2>/dev/null");
  // A binary PPM: "P6", width, height, the largest value (255), one whitespace, pixels.
  std::istringstream header(image);
  std::string magic;
  long width = 0, height = 0, largest = 0;
  if (!(header >> magic >> width >> height >> largest) || magic != "P6" || largest != 255)
    return -1;
  const std::size_t start = static_cast<std::size_t>(header.tellg()) + 1;
  if (image.size() < start + static_cast<std::size_t>(width * height * 3)) return -1;
  long red = 0;
  for (long i = 0; i < width * height; ++i) {
    const unsigned char* pixel = reinterpret_cast<const unsigned char*>(&image[start + 3 * i]);
    if (pixel[0] == 255 && pixel[1] == 0 && pixel[2] == 0) ++red;
  }
  return red;
}

}  // namespace test_support
