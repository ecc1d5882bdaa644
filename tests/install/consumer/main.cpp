// A program that uses VYX_BASE and VYX_MATH only through their installed
// umbrella headers.
#include "vyx_base.h"
#include "vyx_math.h"

#include <cstdio>

int main() {
  GString s("landscape");
  s += " renderer";
  if (s != "landscape renderer")
    return 1;
  if (!vyx::MathModuleHandle)
    return 1;
  std::printf("%s\n", s.c_str());
  return 0;
}
