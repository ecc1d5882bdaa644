// A program that uses VYX_BASE only through its installed umbrella header.
#include "vyx_base.h"

#include <cstdio>

int main() {
  GString s("landscape");
  s += " renderer";
  if (s != "landscape renderer")
    return 1;
  std::printf("%s\n", s.c_str());
  return 0;
}
