#include "platform/line_output.h"

void deliver_line_by_line(std::FILE* stream) { std::setvbuf(stream, nullptr, _IOLBF, BUFSIZ); }
