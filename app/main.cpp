// Zentrix Code: the window on the Kelo engine and the Zentrix platform.
#include "shell/process_start.h"

int main(int argc, char** argv) {
  return zx::views::runApplication(argc, argv);
}
